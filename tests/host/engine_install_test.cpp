#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "engine/driver_version.h"
#include "engine/queue_name.h"
#include "engine/tcpip_port_payload.h"

namespace kelno {
namespace {

TEST(DriverVersion, ParsedIntoFourQuartersWithTheLowByteOfTheLastNumber) {
    const auto parts = ParseDriverVersionString(kWizardDriverVersionString);
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->a, 2026);
    EXPECT_EQ(parts->d, 1);
    const std::uint64_t value = DriverVersionValue(*parts);
    EXPECT_EQ(value, (std::uint64_t{2026} << 48) | (std::uint64_t{9} << 32) | (15u << 16) | 1u);
    const auto q = SplitDriverVersion(value);
    EXPECT_EQ(q.q[0], 2026);
    EXPECT_EQ(q.q[1], 9);
    EXPECT_EQ(q.q[2], 15);
    EXPECT_EQ(q.q[3], 1);
    EXPECT_EQ(DriverVersionValue({1, 2, 3, 0x1FF}) & 0xFFFF, 0xFFu);
    EXPECT_EQ(SplitDriverVersion(DriverVersionValue(*ParseDriverVersionString(kOneStepDriverVersionString))).q[2], 12);
}

TEST(DriverVersion, MalformedTextsGiveNothing) {
    EXPECT_FALSE(ParseDriverVersionString(""));
    EXPECT_FALSE(ParseDriverVersionString("2026.09.15"));
    EXPECT_FALSE(ParseDriverVersionString("2026.09..01"));
    EXPECT_FALSE(ParseDriverVersionString("a.b.c.d"));
    EXPECT_FALSE(ParseDriverVersionString("99999999999.1.1.1"));
    EXPECT_TRUE(ParseDriverVersionString("1.2.3.4 trailing"));
}

TEST(UniqueQueueName, FirstFreeCopyNumber) {
    std::set<std::u16string> taken{u"Label", u"Label(Copy 1)"};
    const auto taken_ = [&](std::u16string_view n) { return taken.count(std::u16string(n)) > 0; };
    auto r = UniqueQueueName(u"Label", taken_);
    EXPECT_EQ(r.name, u"Label(Copy 2)");
    EXPECT_TRUE(r.nameFree);
    r = UniqueQueueName(u"Other", taken_);
    EXPECT_EQ(r.name, u"Other");
    EXPECT_TRUE(r.nameFree);
}

TEST(UniqueQueueName, GivesUpAtCopy254WithoutCheckingIt) {
    int checks = 0;
    std::u16string lastChecked;
    const auto r = UniqueQueueName(u"Label", [&](std::u16string_view n) {
        ++checks;
        lastChecked = n;
        return true;
    });
    EXPECT_EQ(r.name, u"Label(Copy 254)");
    EXPECT_FALSE(r.nameFree);
    EXPECT_EQ(checks, 254);  // the name itself and copies 1 to 253
    EXPECT_EQ(lastChecked, u"Label(Copy 253)");
}

TEST(UniqueQueueName, LongNamesStayWithinTheBufferAndKeepTheirSuffix) {
    const std::u16string longName(300, u'n');
    auto r = UniqueQueueName(longName, [](std::u16string_view) { return false; });
    EXPECT_EQ(r.name.size(), kRequestedNameLimit);
    r = UniqueQueueName(longName, [&](std::u16string_view n) { return n.size() == kRequestedNameLimit; });
    ASSERT_TRUE(r.nameFree);
    EXPECT_EQ(r.name.size(), kQueueNameCapacity - 1);
    EXPECT_EQ(r.name.substr(r.name.size() - 8), u"(Copy 1)");
}

TEST(UpgradeQueueName, BlankAndNumberInParentheses) {
    std::set<std::u16string> taken{u"Tavolen MX-410", u"Tavolen MX-410 (1)"};
    const auto taken_ = [&](std::u16string_view n) { return taken.count(std::u16string(n)) > 0; };
    EXPECT_EQ(UpgradeQueueName(u"Tavolen MX-410", taken_), u"Tavolen MX-410 (2)");
    EXPECT_EQ(UpgradeQueueName(u"Tavolen MX-430", taken_), u"Tavolen MX-430");
}

TEST(TcpIpPortPayload, RawPortWithSnmpOff) {
    const auto data = MakeRawTcpPortData(u"192.168.1.50", u"192.168.1.50", 9100);
    ASSERT_TRUE(data);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&*data);
    std::uint32_t word;
    std::memcpy(&word, bytes + 128, 4);
    EXPECT_EQ(word, 1u);  // version
    std::memcpy(&word, bytes + 132, 4);
    EXPECT_EQ(word, 1u);  // raw TCP
    std::memcpy(&word, bytes + 952, 4);
    EXPECT_EQ(word, 9100u);
    std::memcpy(&word, bytes + 956, 4);
    EXPECT_EQ(word, 0u);  // SNMP off
    EXPECT_EQ(std::u16string(data->portName), u"192.168.1.50");
    EXPECT_EQ(std::u16string(data->hostAddress), u"192.168.1.50");
    EXPECT_EQ(data->snmpCommunity[0], 0);
    for (auto b : data->reservedBytes) ASSERT_EQ(b, 0);
}

TEST(TcpIpPortPayload, OverlongNamesAreRefusedNotCut) {
    EXPECT_TRUE(MakeRawTcpPortData(std::u16string(63, u'p'), std::u16string(48, u'h'), 9100));
    EXPECT_FALSE(MakeRawTcpPortData(std::u16string(64, u'p'), u"h", 9100));
    EXPECT_FALSE(MakeRawTcpPortData(u"p", std::u16string(49, u'h'), 9100));
    const auto del = MakeDeletePortData(std::u16string(63, u'p'));
    ASSERT_TRUE(del);
    EXPECT_EQ(del->version, 1u);
    EXPECT_EQ(del->portName[63], 0);
    EXPECT_FALSE(MakeDeletePortData(std::u16string(64, u'p')));
}

}  // namespace
}  // namespace kelno
