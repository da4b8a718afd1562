// The rules of the Print Settings page: what each list offers for a model, the enabling rule,
// typed numbers and the feed offset in each unit, the settings read from and written into the
// DEVMODE, and the ESC/POS bit of the effect flags.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "driverui/core/devmode.h"
#include "driverui/core/printer_model.h"
#include "driverui/docsheet/print_settings.h"

namespace kelno {
namespace {

std::vector<std::uint32_t> Values(const std::vector<Choice>& choices) {
    std::vector<std::uint32_t> values;
    for (const Choice& choice : choices) values.push_back(choice.value);
    return values;
}

std::string Narrow(std::u16string_view text) { return std::string(text.begin(), text.end()); }

TEST(PrintSettingsTest, LanguagesFollowTheModelsMask) {
    const struct {
        std::uint32_t mask;
        std::vector<std::uint32_t> values;
        std::vector<std::string> names;
    } cases[] = {
        {6, {kLanguageTspl, kLanguageZpl}, {"TSPL", "ZPL"}},
        {7, {kLanguageEscPos, kLanguageTspl, kLanguageZpl}, {"ESC/POS", "TSPL", "ZPL"}},
        {8, {kLanguageQvl}, {"QVL"}},
        {15, {kLanguageEscPos, kLanguageTspl, kLanguageZpl, kLanguageQvl}, {"ESC/POS", "TSPL", "ZPL", "QVL"}},
        {0x30, {}, {}},  // bits without a language offer nothing
    };
    for (const auto& c : cases) {
        const std::vector<Choice> choices = LanguageChoices(c.mask);
        EXPECT_EQ(Values(choices), c.values) << "mask " << c.mask;
        std::vector<std::string> names;
        for (const Choice& choice : choices) names.push_back(Narrow(choice.text));
        EXPECT_EQ(names, c.names) << "mask " << c.mask;
    }
    // QVL (0) is not among the languages of mask 6: the page falls back to the first entry.
    EXPECT_EQ(ChoiceFor(LanguageChoices(6), kLanguageQvl), std::nullopt);
    EXPECT_EQ(ChoiceFor(LanguageChoices(6), kLanguageZpl), std::optional<std::size_t>(1));
}

TEST(PrintSettingsTest, ListsFollowTheModelsAccessoriesFlagsAndCompression) {
    // The post action is stored as the entry's position, which moves with the accessories.
    const struct {
        const char* what;
        std::vector<Choice> choices;
        std::uint32_t cutOffValue;  // 0: not offered
    } postActions[] = {
        {"cutter and peeler", PostActionChoices(3), 3},
        {"cutter only", PostActionChoices(1), 2},
        {"no accessory", PostActionChoices(0), 0},
    };
    for (const auto& c : postActions) {
        const auto cut = std::find_if(c.choices.begin(), c.choices.end(),
                                      [](const Choice& choice) { return choice.stringId == 2237; });
        EXPECT_EQ(cut == c.choices.end() ? 0u : cut->value, c.cutOffValue) << c.what;
        for (std::size_t i = 0; i < c.choices.size(); ++i) EXPECT_EQ(c.choices[i].value, i) << c.what;
    }
    EXPECT_EQ(PrintModeChoices(0).size(), 2u) << "no thermal transfer without the model's flag";
    EXPECT_EQ(Values(PrintModeChoices(kModelFlagThermalTransfer)), (std::vector<std::uint32_t>{0, 1, 2}));
    // Compression: the item data, not the position, is stored; "pos zip" is 2 even alone.
    EXPECT_EQ(Values(CompressionChoices(0)), std::vector<std::uint32_t>{0});
    EXPECT_EQ(Values(CompressionChoices(2)), (std::vector<std::uint32_t>{0, 2}));
    EXPECT_EQ(Values(CompressionChoices(3)), (std::vector<std::uint32_t>{0, 1, 2}));
    EXPECT_EQ(ChoiceFor(CompressionChoices(2), 1), std::nullopt);
}

TEST(PrintSettingsTest, EnablingRule) {
    const struct {
        std::uint32_t postAction, occurrence;
        bool occurrenceEnabled, intervalEnabled;
    } cases[] = {
        {0, 0, false, false}, {2, 0, false, false}, {3, 0, true, false}, {3, 1, true, false},
        {3, 2, true, true},   {4, 2, true, true},   {1, 2, false, true},
    };
    for (const auto& c : cases) {
        const PostActionEnabling enabling = EnablingFor(c.postAction, c.occurrence);
        EXPECT_EQ(enabling.occurrence, c.occurrenceEnabled) << c.postAction << "/" << c.occurrence;
        EXPECT_EQ(enabling.interval, c.intervalEnabled) << c.postAction << "/" << c.occurrence;
    }
    // "After Specified Interval" shows the stored interval, anything else 1.
    EXPECT_EQ(IntervalShown(kOccurrenceInterval, 25), 25);
    EXPECT_EQ(IntervalShown(kOccurrenceAfterJob, 25), 1);
    EXPECT_EQ(IntervalShown(kOccurrenceEveryPage, 25), 1);
    EXPECT_EQ(IntervalShown(kOccurrenceInterval, 0), 1) << "a stored interval out of range is held";
    EXPECT_EQ(IntervalShown(kOccurrenceInterval, 5000), 999);
}

TEST(PrintSettingsTest, TypedIntervals) {
    const struct {
        std::u16string_view text;
        int delta, fallback, expected;
    } cases[] = {
        {u"5", 0, 7, 5},
        {u" 12 ", 0, 7, 12},
        {u"0", 0, 7, 1},
        {u"1000", 0, 7, 999},
        {u"-3", 0, 7, 1},
        {u"+4", 0, 7, 4},
        {u"abc", 0, 7, 7},
        {u"", 0, 7, 7},
        {u"12abc", 0, 7, 7},
        {u"1.5", 0, 7, 7},
        {u"999", 1, 7, 999},
        {u"1", -1, 7, 1},
        {u"0", 1, 7, 1},
        {u"abc", 1, 7, 8},
        {u"41", 1, 7, 42},
        {u"41", -1, 7, 40},
        {u"99999999999999999999999", 0, 7, 999},  // far beyond any integer: held, never wrapped
    };
    for (const auto& c : cases)
        EXPECT_EQ(IntervalStepped(c.text, c.delta, c.fallback), c.expected) << Narrow(c.text) << " " << c.delta;
    EXPECT_EQ(IntervalOfText(u"250", 1), 250);
    EXPECT_EQ(IntervalText(250), u"250");
}

TEST(PrintSettingsTest, TypedDecimals) {
    const struct {
        std::u16string_view text;
        std::optional<std::int64_t> thousandths;
    } cases[] = {
        {u"0.05", 50},          {u"1", 1000},
        {u"-1.5", -1500},       {u"1,25", 1250},
        {u".5", 500},           {u" 2.0 ", 2000},
        {u"+0.1", 100},         {u"0.0005", 0},
        {u"-0.0", 0},           {u"abc", std::nullopt},
        {u"", std::nullopt},    {u"-", std::nullopt},
        {u".", std::nullopt},   {u"1.2.3", std::nullopt},
        {u"1e3", std::nullopt}, {u"0x10", std::nullopt},
        {u"1 5", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(ThousandthsOf(c.text), c.thousandths) << Narrow(c.text);
    // Long digit runs saturate far outside every range instead of overflowing.
    const std::optional<std::int64_t> huge = ThousandthsOf(u"-99999999999999999999999999.999");
    ASSERT_TRUE(huge.has_value());
    EXPECT_LT(*huge, -1'000'000'000);
}

constexpr std::uint32_t kMm = 0, kCm = 1, kInch = 2;

TEST(PrintSettingsTest, FeedOffsetsInEachUnit) {
    const struct {
        std::uint32_t unit;
        std::u16string_view typed;
        std::int32_t micrometres;
        std::u16string_view shown;
    } cases[] = {
        {kInch, u"0.05", 1270, u"0.05"},    {kInch, u"1.00", 25400, u"1.00"}, {kInch, u"0.055", 1270, u"0.05"},
        {kInch, u"-0.5", -12700, u"-0.50"}, {kMm, u"1.5", 1500, u"1.5"},      {kMm, u"-12.3", -12300, u"-12.3"},
        {kCm, u"0.25", 2500, u"0.25"},      {kCm, u"2,5", 25000, u"2.50"},    {kMm, u"0", 0, u"0.0"},
        {kInch, u"0", 0, u"0.00"},          {kMm, u"300", 254000, u"254.0"},  {kInch, u"-20", -254000, u"-10.00"},
        {kCm, u"30", 254000, u"25.40"},     {7, u"2.5", 2500, u"2.5"},  // an unknown unit counts in mm
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.typed) + " unit " + std::to_string(c.unit));
        const std::int32_t stored = FeedOffsetOfText(c.typed, c.unit, 999);
        EXPECT_EQ(stored, c.micrometres);
        EXPECT_EQ(FeedOffsetText(stored, c.unit), c.shown);
    }
    // Text that is not a number keeps the offset the page had.
    EXPECT_EQ(FeedOffsetOfText(u"abc", kMm, 4200), 4200);
    EXPECT_EQ(FeedOffsetOfText(u"", kInch, -254), -254);
}

TEST(PrintSettingsTest, EveryStepOfTheArrowsSurvivesStoringAndShowing) {
    for (std::uint32_t unit : {kMm, kCm, kInch}) {
        const FeedUnit feed = FeedUnitOf(unit);
        std::u16string text = FeedOffsetStepped(u"0", -feed.range, unit, 0);
        for (int step = -feed.range; step <= feed.range; ++step) {
            const std::int32_t stored = FeedOffsetOfText(text, unit, 12345);
            ASSERT_EQ(FeedOffsetText(stored, unit), text) << "unit " << unit << " step " << step;
            ASSERT_LE(std::abs(stored), kFeedOffsetLimit);
            const std::u16string next = FeedOffsetStepped(text, 1, unit, 0);
            if (step < feed.range) ASSERT_NE(next, text) << "unit " << unit << " step " << step;
            text = next;
        }
        EXPECT_EQ(text, FeedOffsetText(kFeedOffsetLimit, unit)) << "the last step is the limit, unit " << unit;
    }
}

TEST(PrintSettingsTest, ArrowsAndLeavingTheBox) {
    const struct {
        std::u16string_view text;
        int delta;
        std::uint32_t unit;
        std::u16string_view shown;
    } cases[] = {
        {u"0.0", 1, kMm, u"0.1"},      {u"254.0", 1, kMm, u"254.0"},   {u"-254.0", -1, kMm, u"-254.0"},
        {u"9.99", 1, kInch, u"10.00"}, {u"10.00", 1, kInch, u"10.00"}, {u"-0.05", -1, kInch, u"-0.06"},
        {u"25.40", 1, kCm, u"25.40"},  {u"1.23", 0, kCm, u"1.23"},     {u"999", 0, kMm, u"254.0"},
        {u"1.27", 0, kMm, u"1.2"},     {u"abc", 0, kMm, u"1.5"},       {u"abc", 1, kInch, u"0.06"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FeedOffsetStepped(c.text, c.delta, c.unit, 1500), c.shown)
            << Narrow(c.text) << " " << c.delta << " unit " << c.unit;
}

// A DEVMODE whose every private byte is set, so that a write anywhere shows.
DriverDevmode Patterned() {
    DriverDevmode devmode{};
    auto* bytes = reinterpret_cast<std::uint8_t*>(&devmode);
    for (std::size_t i = 0; i < sizeof devmode; ++i) bytes[i] = static_cast<std::uint8_t>(0x5A + i * 7);
    return devmode;
}

PrintSettings EverythingChanged() {
    PrintSettings settings;
    settings.printMode = 2;
    settings.language = kLanguageEscPos;
    settings.postAction = 3;
    settings.occurrence = 2;
    settings.interval = 17;
    settings.paperSaving = 3;
    settings.sendPaperSize = 1;
    settings.sendPaperType = 1;
    settings.feedOffset = -1270;
    settings.compression = 2;
    settings.commands[0] = u"~<ESC>@";
    settings.commands[1] = u"";
    settings.commands[2] = std::u16string(260, u'x');
    settings.commands[3] = u"^?C:\\labels\\end.txt";
    return settings;
}

// The byte ranges [first, last] of the DEVMODE the page writes on Apply.
struct Range {
    std::size_t first, last;
};
bool Inside(std::size_t offset, const std::vector<Range>& ranges) {
    for (const Range& range : ranges)
        if (offset >= range.first && offset <= range.last) return true;
    return false;
}

TEST(PrintSettingsTest, ApplyWritesThePagesFieldsAndNothingElse) {
    const DriverDevmode before = Patterned();
    DriverDevmode after = before;
    const PrintSettings settings = EverythingChanged();
    ApplyPrintSettings(settings, after);

    const PrintSettings read = PrintSettingsOf(after);
    EXPECT_FALSE(PrintSettingsDiffer(settings, after));
    EXPECT_EQ(read.feedOffset, -1270);
    EXPECT_EQ(read.commands[2].size(), 260u);
    EXPECT_EQ(read.commands[3], settings.commands[3]);
    EXPECT_EQ(after.priv.effectFlags & kEffectRotate180, kEffectRotate180) << "ESC/POS";

    // Effect flags, post action, occurrence to post-feed, print mode, paper saving to the last
    // command, language and compression: nothing outside them.
    const std::vector<Range> written = {{228, 231},  {240, 243},   {248, 259},  {296, 299},
                                        {320, 2421}, {2424, 2427}, {3040, 3043}};
    const auto* a = reinterpret_cast<const std::uint8_t*>(&before);
    const auto* b = reinterpret_cast<const std::uint8_t*>(&after);
    for (std::size_t i = 0; i < sizeof before; ++i)
        if (a[i] != b[i]) EXPECT_TRUE(Inside(i, written)) << "byte " << i << " written";

    // Behind each command's terminator the slot keeps its old units.
    const std::size_t slot0 = 326;
    const std::size_t terminator = slot0 + 2 * settings.commands[0].size();
    EXPECT_EQ(b[terminator], 0);
    EXPECT_EQ(b[terminator + 1], 0);
    EXPECT_EQ(std::memcmp(a + terminator + 2, b + terminator + 2, slot0 + 524 - terminator - 2), 0);
}

TEST(PrintSettingsTest, ACommandWithoutTerminatorIsReadWithinItsSlot) {
    DriverDevmode devmode{};
    for (auto& slot : devmode.priv.commands)
        for (char16_t& unit : slot) unit = u'A';
    devmode.priv.reserved2422 = 0xBEEF;  // the bytes right after the block
    const PrintSettings settings = PrintSettingsOf(devmode);
    for (const std::u16string& command : settings.commands) EXPECT_EQ(command.size(), 260u);
    // Stored back, each slot gets its terminator and the next field is untouched.
    StorePrintSettings(settings, devmode);
    for (const auto& slot : devmode.priv.commands) EXPECT_EQ(slot[260], u'\0');
    EXPECT_EQ(devmode.priv.reserved2422, 0xBEEF);
}

TEST(PrintSettingsTest, EveryEditedFieldCountsAsAChange) {
    const DriverDevmode stored = Patterned();
    const PrintSettings same = PrintSettingsOf(stored);
    EXPECT_FALSE(PrintSettingsDiffer(same, stored));
    using Change = void (*)(PrintSettings&);
    const Change changes[] = {
        [](PrintSettings& s) { s.printMode ^= 1; },      [](PrintSettings& s) { s.language ^= 1; },
        [](PrintSettings& s) { s.postAction ^= 1; },     [](PrintSettings& s) { s.occurrence ^= 1; },
        [](PrintSettings& s) { s.interval ^= 1; },       [](PrintSettings& s) { s.paperSaving ^= 1; },
        [](PrintSettings& s) { s.sendPaperSize ^= 1; },  [](PrintSettings& s) { s.sendPaperType ^= 1; },
        [](PrintSettings& s) { s.feedOffset ^= 1; },     [](PrintSettings& s) { s.compression ^= 1; },
        [](PrintSettings& s) { s.commands[0] += u"x"; }, [](PrintSettings& s) { s.commands[3].clear(); },
    };
    for (std::size_t i = 0; i < std::size(changes); ++i) {
        PrintSettings changed = same;
        changes[i](changed);
        EXPECT_TRUE(PrintSettingsDiffer(changed, stored)) << "change " << i;
    }
}

TEST(PrintSettingsTest, TheRotateBitFollowsEscPosWithoutLosingTheDirection) {
    const struct {
        std::uint32_t flags, language, previous, expected;
        const char* why;
    } cases[] = {
        {0x20, kLanguageEscPos, kLanguageTspl, 0xA0, "ESC/POS chosen"},
        {0xA1, kLanguageEscPos, kLanguageEscPos, 0xA1, "ESC/POS kept"},
        {0xA0, kLanguageTspl, kLanguageEscPos, 0x20, "ESC/POS left: its bit goes"},
        {0xA3, kLanguageZpl, kLanguageEscPos, 0x23, "ESC/POS left, mirror and negative stay"},
        {0xA0, kLanguageTspl, kLanguageTspl, 0xA0, "180-Portrait on TSPL stays"},
        {0xA0, kLanguageZpl, kLanguageTspl, 0xA0, "180-Portrait, another language"},
        {0x20, kLanguageTspl, kLanguageZpl, 0x20, "nothing to turn"},
    };
    for (const auto& c : cases) EXPECT_EQ(EffectFlagsFor(c.flags, c.language, c.previous), c.expected) << c.why;
}

}  // namespace
}  // namespace kelno
