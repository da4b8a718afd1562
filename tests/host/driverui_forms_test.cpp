#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "driverui/core/forms.h"
#include "tests/support/model_fixture.h"

namespace kelno {
namespace {

using test::Name;
using test::Paper;

TEST(KeyedValues, FixedKeysAndPenTables) {
    EXPECT_EQ(KeyedValueFor(kKeyInstalledForm).name, u"InstalledForm");
    EXPECT_EQ(KeyedValueFor(kKeyInstalledForm).size, 112u);

    EXPECT_EQ(KeyedValueFor(6 | (2u << 16)).name, u"PenData1");
    EXPECT_EQ(KeyedValueFor(7 | (2u << 16)).name, u"PenData2");
    EXPECT_EQ(KeyedValueFor(7 | (2u << 16)).size, 4u);
    EXPECT_EQ(KeyedValueFor(20 | (500u << 16)).name, u"PenData15");
    EXPECT_EQ(KeyedValueFor(20 | (500u << 16)).size, 64u);  // at most 32 pens
}

TEST(KeyedValues, ReadableOnlyForTheExactSizeAndType) {
    EXPECT_TRUE(KeyedValueReadable(kKeyInstalledForm, kErrorMoreData, 112, kRegBinary));
    EXPECT_FALSE(KeyedValueReadable(kKeyInstalledForm, kErrorMoreData, 111, kRegBinary));
    EXPECT_FALSE(KeyedValueReadable(kKeyInstalledForm, kErrorMoreData, 113, kRegBinary));
    EXPECT_FALSE(KeyedValueReadable(kKeyInstalledForm, kErrorMoreData, 112, kRegDword));
    EXPECT_FALSE(KeyedValueReadable(kKeyInstalledForm, 2, 112, kRegBinary));
    EXPECT_FALSE(KeyedValueReadable(kKeyInstalledForm, 0, 112, kRegBinary));
}

TEST(FormList, ParsesWholeRecordsAndCutsUnterminatedNames) {
    std::vector<PaperRecord> papers = {Paper(u"USER", 256, 1, 2), Paper(u"A", 999, 3, 4), Paper(u"B", 7, 5, 6)};
    for (auto& c : papers[2].name) c = u'x';
    std::vector<std::uint8_t> bytes = SerializeFormList(papers);
    ASSERT_EQ(bytes.size(), 336u);
    bytes.resize(336 + 50, 0xFF);  // a torn record behind them is ignored

    const std::vector<PaperRecord> parsed = ParseFormList(bytes);
    ASSERT_EQ(parsed.size(), 3u);
    EXPECT_EQ(parsed[1].id, 999u);
    EXPECT_EQ(parsed[1].width, 3);
    EXPECT_EQ(Name(parsed[2].name), std::u16string(31, u'x'));
    EXPECT_TRUE(ParseFormList(std::span(bytes).first(111)).empty());

    const std::vector<PaperRecord> numbered = NumberFormList(parsed);
    EXPECT_EQ(numbered[0].id, 256u);
    EXPECT_EQ(numbered[1].id, 257u);
    EXPECT_EQ(numbered[2].id, 258u);
}

TEST(FormList, SavedFormsDropPapersBelowTheMinimumLabel) {
    PrinterModel model = test::LoadModel(u"Tavolen MX-410");
    EXPECT_EQ(FormsToSave(model).size(), 6u);

    model.record.model.minLabelLength = 130000;  // only the 130 mm and 152 mm papers stay
    std::vector<PaperRecord> kept = FormsToSave(model);
    ASSERT_EQ(kept.size(), 4u);
    EXPECT_EQ(Name(kept[0].name), u"USER");
    EXPECT_EQ(Name(kept[3].name), u"72 mm x 130 mm");

    model.record.model.minLabelWidth = 80000;
    kept = FormsToSave(model);
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(Name(kept[1].name), u"101.6 mm x 152.4 mm");

    model.record.model.minLabelLength = 200000;  // longer than every paper: nothing to store
    EXPECT_TRUE(FormsToSave(model).empty());
}

TEST(FormList, DeleteByName) {
    const std::vector<PaperRecord> papers = {Paper(u"USER", 256, 1, 2), Paper(u"A", 257, 3, 4), Paper(u"B", 258, 5, 6),
                                             Paper(u"A", 259, 7, 8)};
    const std::vector<std::uint8_t> stored = SerializeFormList(papers);

    std::optional<std::vector<std::uint8_t>> after = FormsAfterDelete(std::span(stored), u"A");
    ASSERT_TRUE(after);
    const std::vector<PaperRecord> left = ParseFormList(*after);
    ASSERT_EQ(left.size(), 3u);
    EXPECT_EQ(left[1].width, 5);  // "B" moved up
    EXPECT_EQ(left[2].width, 7);  // only the first "A" went

    after = FormsAfterDelete(std::span(stored), u"a");
    ASSERT_TRUE(after);
    EXPECT_EQ(*after, stored);  // not there: rewritten unchanged
    EXPECT_FALSE(FormsAfterDelete(std::nullopt, u"A"));
}

TEST(FormList, WalkReportsEntriesThenUserWithinTheLimit) {
    const std::vector<PaperRecord> papers = {Paper(u"USER", 256, 1, 2), Paper(u"A", 257, 3, 4), Paper(u"B", 258, 5, 6)};
    std::vector<std::pair<std::u16string, std::size_t>> calls;
    const auto visit = [&](const PaperRecord* paper, std::size_t index) {
        calls.emplace_back(paper ? Name(paper->name) : u"<user>", index);
    };
    EXPECT_EQ(WalkFormList(papers, 10, visit), 3u);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0], std::make_pair(std::u16string(u"A"), std::size_t{1}));
    EXPECT_EQ(calls[2], std::make_pair(std::u16string(u"<user>"), std::size_t{3}));

    calls.clear();
    EXPECT_EQ(WalkFormList(papers, 2, visit), 2u);
    EXPECT_EQ(calls.back().first, u"B");
    EXPECT_EQ(WalkFormList({}, 5, visit), 1u);
}

TEST(InstalledForm, ExactlyOneBinaryRecord) {
    CurrentFormRecord form{};
    StoreFixedText(form.name, std::u16string_view(u"72 mm x 100 mm"));
    form.id = 261;
    form.height = 100000;
    std::vector<std::uint8_t> bytes = SerializeInstalledForm(form);
    ASSERT_EQ(bytes.size(), 112u);

    const std::optional<CurrentFormRecord> parsed = ParseInstalledForm(kRegBinary, bytes);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(Name(parsed->name), u"72 mm x 100 mm");
    EXPECT_EQ(parsed->height, 100000);
    EXPECT_FALSE(ParseInstalledForm(kRegSz, bytes));

    bytes.push_back(0);
    EXPECT_FALSE(ParseInstalledForm(kRegBinary, bytes));
    bytes.resize(111);
    EXPECT_FALSE(ParseInstalledForm(kRegBinary, bytes));
}

TEST(UiSettings, DwordsAndLogFolder) {
    const std::uint32_t value = 16;
    std::vector<std::uint8_t> bytes(4);
    std::memcpy(bytes.data(), &value, 4);
    EXPECT_EQ(ParseDwordValue(kRegDword, bytes), 16u);
    EXPECT_FALSE(ParseDwordValue(kRegBinary, bytes));
    bytes.push_back(0);
    EXPECT_FALSE(ParseDwordValue(kRegDword, bytes));

    char16_t folder[kLogFolderUnits];
    StoreFixedText(folder, std::u16string_view(u"unchanged"));
    const std::vector<std::uint8_t> stored = SerializeLogFolder(u"C:\\Logs");
    EXPECT_EQ(stored.size(), 16u);  // seven units and the terminator
    EXPECT_TRUE(ParseLogFolder(kRegSz, stored, folder));
    EXPECT_EQ(Name(folder, kLogFolderUnits), u"C:\\Logs");

    // An unterminated full-size value is cut to 259 units; a longer one is not read.
    std::vector<std::uint8_t> full(520);
    for (std::size_t i = 0; i < full.size(); i += 2) full[i] = 'a';
    EXPECT_TRUE(ParseLogFolder(kRegSz, full, folder));
    EXPECT_EQ(Name(folder, kLogFolderUnits), std::u16string(259, u'a'));
    full.resize(522, 'b');
    EXPECT_FALSE(ParseLogFolder(kRegSz, full, folder));
    EXPECT_FALSE(ParseLogFolder(kRegBinary, stored, folder));
    EXPECT_EQ(Name(folder, kLogFolderUnits), std::u16string(259, u'a'));

    EXPECT_EQ(SerializeLogFolder(std::u16string(300, u'z')).size(), 520u);

    // An empty REG_SZ is an empty folder.
    EXPECT_TRUE(ParseLogFolder(kRegSz, {}, folder));
    EXPECT_EQ(Name(folder, kLogFolderUnits), u"");
}

}  // namespace
}  // namespace kelno
