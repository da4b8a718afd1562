#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "discovery/port_record.h"

namespace kelno {
namespace {

PortRecordPtr Record(std::u16string_view portName, std::u16string_view description = u"") {
    PortRecordPtr record = MakePortRecord();
    SetField(record->portName, portName);
    SetField(record->description, description);
    return record;
}

std::vector<std::u16string> Names(const PortList& list) {
    std::vector<std::u16string> names;
    for (const PortRecord* r = list.head; r; r = r->next) names.emplace_back(FieldText(r->portName));
    return names;
}

struct ListGuard {
    PortList list;
    ~ListGuard() { FreeAll(list); }
};

TEST(PortRecord, SetFieldCutsToTheFieldAndTerminates) {
    PortRecordPtr record = MakePortRecord();
    EXPECT_TRUE(SetField(record->vendorId, u"2d37"));
    EXPECT_FALSE(SetField(record->vendorId, u"2d37x"));
    EXPECT_EQ(FieldText(record->vendorId), u"2d37");
    const std::u16string longText(300, u'a');
    EXPECT_FALSE(SetField(record->description, longText));
    EXPECT_EQ(FieldText(record->description).size(), 259u);
    // A shorter text leaves nothing of the longer one behind.
    EXPECT_TRUE(SetField(record->description, u"b"));
    EXPECT_EQ(FieldText(record->description), u"b");
    EXPECT_EQ(record->description[2], u'\0');
}

TEST(PortList, PushesAtTheHeadAndCounts) {
    ListGuard g;
    PushFront(g.list, Record(u"USB001"));
    PushFront(g.list, Record(u"USB002"));
    PushFront(g.list, PortRecordPtr());  // ignored
    EXPECT_EQ(g.list.count, 2u);
    EXPECT_EQ(Names(g.list), (std::vector<std::u16string>{u"USB002", u"USB001"}));
}

TEST(PortList, RemoveByPortNameUnlinksHeadMiddleAndTail) {
    for (std::u16string victim : {u"A", u"B", u"C"}) {
        ListGuard g;
        PushFront(g.list, Record(u"C"));
        PushFront(g.list, Record(u"B"));
        PushFront(g.list, Record(u"A"));
        EXPECT_EQ(RemoveByPortName(g.list, victim), 1u) << std::string(victim.begin(), victim.end());
        EXPECT_EQ(g.list.count, 2u);
        for (const auto& name : Names(g.list)) EXPECT_NE(name, victim);
        EXPECT_EQ(Names(g.list).size(), 2u);
    }
}

TEST(PortList, RemoveIsExactAndCaseSensitiveAndIgnoresEmptyNames) {
    ListGuard g;
    PushFront(g.list, Record(u"USB001"));
    PushFront(g.list, Record(u""));
    EXPECT_EQ(RemoveByPortName(g.list, u"usb001"), 0u);
    EXPECT_EQ(RemoveByPortName(g.list, u"USB00"), 0u);
    EXPECT_EQ(RemoveByPortName(g.list, u""), 0u);
    EXPECT_EQ(g.list.count, 2u);
    EXPECT_EQ(RemoveByPortName(g.list, u"USB001"), 1u);
    EXPECT_EQ(Names(g.list), (std::vector<std::u16string>{u""}));
}

TEST(PortList, RemoveTakesEveryRecordOfThatName) {
    ListGuard g;
    PushFront(g.list, Record(u"COM1:"));
    PushFront(g.list, Record(u"X"));
    PushFront(g.list, Record(u"COM1:"));
    EXPECT_EQ(RemoveByPortName(g.list, u"COM1:"), 2u);
    EXPECT_EQ(g.list.count, 1u);
    EXPECT_EQ(Names(g.list), (std::vector<std::u16string>{u"X"}));
}

TEST(PortList, FreeAllEmptiesAndTheListCanBeRefilled) {
    PortList list;
    for (int i = 0; i < 100; ++i) PushFront(list, Record(u"P"));
    FreeAll(list);
    EXPECT_EQ(list.head, nullptr);
    EXPECT_EQ(list.count, 0u);
    FreeAll(list);  // an empty list is fine
    PushFront(list, Record(u"Q"));
    EXPECT_EQ(list.count, 1u);
    FreeAll(list);
}

}  // namespace
}  // namespace kelno
