// The Page Setup page's rules: lengths in the measure unit, the up-down clamping, the stock list,
// the direction, speed and darkness lists, and the offsets' paper-alignment default.
#include <gtest/gtest.h>

#include <string>

#include "driverui/core/narrow_text.h"
#include "driverui/docsheet/label_preview.h"
#include "driverui/docsheet/measure_unit.h"
#include "driverui/docsheet/page_setup.h"
#include "tests/support/model_fixture.h"

namespace kelno {
namespace {

using test::Paper;
constexpr MeasureUnit kMm = MeasureUnit::millimetre;
constexpr MeasureUnit kCm = MeasureUnit::centimetre;
constexpr MeasureUnit kInch = MeasureUnit::inch;

std::string Narrow(std::u16string_view text) { return std::string(text.begin(), text.end()); }

TEST(MeasureUnitTest, TypedTextIsReadAsMicrometres) {
    const struct {
        std::u16string_view text;
        MeasureUnit unit;
        std::int32_t micrometres;
    } cases[] = {
        {u"0.5", kInch, 12700},                      // half an inch
        {u"1.00", kInch, 25400},                     //
        {u"0.05", kInch, 1270},                      //
        {u"0.004", kInch, 0},                        // thousandths of an inch: below the 1/100 the unit keeps
        {u"5.00", kCm, 50000},                       //
        {u"0.29", kMm, 290},                         // exact: no floating-point 289
        {u"101.6", kMm, 101600},                     //
        {u"  -2.5", kMm, -2500},                     // blanks and a sign
        {u"3,5", kMm, 3500},                         // a decimal comma
        {u"12abc", kMm, 12000},                      // the number that starts the text
        {u"abc", kMm, 0},                            // not a number
        {u"", kCm, 0},                               //
        {u"-", kMm, 0},                              //
        {u".", kMm, 0},                              //
        {u"nan", kMm, 0},                            // no special values
        {u"inf", kInch, 0},                          //
        {u"1e3", kMm, 1000},                         // no exponents: "1"
        {u"99999999999999999999", kMm, 2147483647},  // held in range
        {u"-99999999999", kCm, -2147483647 - 1},     //
        {u"9999999", kInch, 2147483647},             //
    };
    for (const auto& c : cases)
        EXPECT_EQ(MicrometresFromText(c.text, c.unit), c.micrometres) << Narrow(c.text) << " unit " << int(c.unit);
}

TEST(MeasureUnitTest, LengthsShowInTheUnitAndReadBackTheSame) {
    const struct {
        std::int32_t micrometres;
        MeasureUnit unit;
        std::u16string_view shown;
        std::int32_t readBack;
    } cases[] = {
        {25400, kInch, u"1.00", 25400},  {12700, kInch, u"0.50", 12700},  {50000, kCm, u"5.00", 50000},
        {101600, kMm, u"101.6", 101600}, {52000, kMm, u"52.0", 52000},    {-3000, kMm, u"-3.0", -3000},
        {0, kInch, u"0.00", 0},          {152400, kCm, u"15.24", 152400},
    };
    for (const auto& c : cases) {
        const std::u16string shown = LengthText(c.micrometres, c.unit);
        EXPECT_EQ(shown, c.shown) << c.micrometres;
        EXPECT_EQ(MicrometresFromText(shown, c.unit), c.readBack) << c.micrometres;
    }
}

TEST(MeasureUnitTest, ArrowsAndFocusLossHoldTheValueInItsRange) {
    const CountRange offset{-1016, 1016};
    const struct {
        std::u16string_view text;
        MeasureUnit unit;
        std::int32_t delta;
        CountRange range;
        std::u16string_view shown;
    } cases[] = {
        {u"1.0", kMm, 1, offset, u"1.1"},        // one tenth of a millimetre per step
        {u"1.00", kCm, -1, offset, u"0.99"},     // one hundredth of a centimetre
        {u"0.50", kInch, 1, offset, u"0.51"},    //
        {u"0.29", kCm, 1, offset, u"0.30"},      // exact counts
        {u"200", kMm, 0, offset, u"101.6"},      // focus loss above the range
        {u"-200", kMm, -1, offset, u"-101.6"},   //
        {u"junk", kMm, 0, {25, 65535}, u"2.5"},  // not a number: 0, held at the lower end
        {u"5", kCm, 0, {10, 6553}, u"5.00"},     //
    };
    for (const auto& c : cases) EXPECT_EQ(StepLengthText(c.text, c.unit, c.delta, c.range), c.shown) << Narrow(c.text);

    EXPECT_EQ(StepIntegerText(u"5", 1, {1, 32767}), u"6");
    EXPECT_EQ(StepIntegerText(u"0", 0, {1, 32767}), u"1");
    EXPECT_EQ(StepIntegerText(u"99999999", 0, {1, 32767}), u"32767");
    EXPECT_EQ(StepIntegerText(u"x", 0, {1, 32767}), u"1");
    // A range whose ends are the wrong way round holds at its lower end instead of failing.
    EXPECT_EQ(ClampCount(7, {10, 5}), 10);
}

TEST(PageSetupTest, StockTextsShowThePrintableSizeInTheUnit) {
    PaperRecord paper = Paper(u"4 x 6", 257, 101600, 152400);
    paper.marginLeft = 1000;
    paper.marginRight = 600;
    PaperRecord user = Paper(u"USER", 256, 50000, 30000);
    const struct {
        const PaperRecord* paper;
        MeasureUnit unit;
        bool hide;
        std::u16string_view text;
    } cases[] = {
        {&paper, kMm, false, u"4 x 6 (100.0 mm x 152.4 mm)"},     {&paper, kCm, false, u"4 x 6 (10.00 cm x 15.24 cm)"},
        {&paper, kInch, false, u"4 x 6 (3.94 inch x 6.00 inch)"}, {&paper, kMm, true, u"4 x 6"},
        {&user, kMm, true, u"USER (50.0 mm x 30.0 mm)"},  // "USER" always shows its size
    };
    for (const auto& c : cases) EXPECT_EQ(StockItemText(*c.paper, c.unit, c.hide), c.text);
}

TEST(PageSetupTest, StockListOrderAndSelection) {
    const std::vector<PaperRecord> forms = {Paper(u"USER", 256, 50000, 30000), Paper(u"Zeta", 257, 50000, 30000),
                                            Paper(u"Alpha", 258, 50000, 30000)};
    const std::vector<StockItem> stored = StockListItems(forms, kMm, false);
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_EQ(stored[1].name, u"Zeta");
    const std::vector<StockItem> sorted = StockListItems(forms, kMm, true);
    EXPECT_EQ(sorted[0].name, u"Alpha");
    EXPECT_EQ(sorted[2].name, u"Zeta");

    EXPECT_EQ(StockSelection(stored, u"Alpha"), 2u);
    EXPECT_EQ(StockSelection(stored, u"alpha"), 0u) << "names are compared exactly; else item 0";
    EXPECT_EQ(StockSelection({}, u"Alpha"), std::nullopt);
    EXPECT_EQ(FindStock(forms, u"Zeta"), &forms[1]);
    EXPECT_EQ(FindStock(forms, u"Beta"), nullptr);
}

TEST(PageSetupTest, DirectionItemsRoundTripAndGiveThePreviewAngle) {
    const struct {
        int item;
        std::int16_t orientation;
        bool turned;
        int angle;
    } cases[] = {
        {0, kPortrait, false, 0}, {1, kLandscape, false, 270}, {2, kPortrait, true, 180}, {3, kLandscape, true, 90}};
    for (const auto& c : cases) {
        std::int16_t orientation = 0;
        std::uint32_t flags = c.turned ? 0x23u : 0xA3u;  // the other bits stay
        StoreDirection(c.item, orientation, flags);
        EXPECT_EQ(orientation, c.orientation) << c.item;
        EXPECT_EQ((flags & kEffectRotate180) != 0, c.turned) << c.item;
        EXPECT_EQ(flags & 0x7Fu, 0x23u) << c.item;
        EXPECT_EQ(DirectionItem(orientation, flags), c.item);
        EXPECT_EQ(PreviewAngle(orientation == kLandscape, c.turned), c.angle);
    }
    std::int16_t orientation = kLandscape;
    std::uint32_t flags = kEffectRotate180;
    StoreDirection(-1, orientation, flags);  // nothing selected
    EXPECT_EQ(orientation, kLandscape);
    EXPECT_EQ(flags, kEffectRotate180);
}

TEST(PageSetupTest, SpeedListFollowsTheModel) {
    ModelFields model{};
    model.minSpeed = 200;
    model.maxSpeed = 500;
    model.speedStep = 100;
    std::vector<ListItem> items = SpeedItems(model);
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].text, u"2.00 in/s(50.8 mm/s)");
    EXPECT_EQ(items[3].value, 500u);
    EXPECT_EQ(SpeedSelection(items, 400), 3u);
    EXPECT_EQ(SpeedSelection(items, 0), 0u);
    EXPECT_EQ(SpeedSelection(items, 450), 0u) << "a speed not offered selects the printer's setting";

    model.hideSpeed = 1;
    items = SpeedItems(model);
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].text, u"1");
    EXPECT_EQ(items[3].text, u"4");
    EXPECT_EQ(items[3].value, 500u);

    const struct { std::uint16_t min, max, step; } unusable[] = {{200, 500, 0}, {0, 500, 100}, {600, 500, 100}};
    for (const auto& u : unusable) {
        ModelFields bad{};
        bad.minSpeed = u.min;
        bad.maxSpeed = u.max;
        bad.speedStep = u.step;
        EXPECT_TRUE(SpeedItems(bad).empty()) << u.min << " " << u.max << " " << u.step;
    }
}

TEST(PageSetupTest, DarknessItemsShowTheLevelBelowTheirPosition) {
    ModelFields model{};
    model.maxDarkness = 16;
    const std::vector<std::u16string> items = DarknessItems(model);
    ASSERT_EQ(items.size(), 16u);
    // Darkness 9 selects the item that shows "8" (item 0 is the printer's setting).
    const std::optional<std::size_t> nine = DarknessSelection(items.size() + 1, 9);
    ASSERT_TRUE(nine);
    EXPECT_EQ(items[*nine - 1], u"8");
    EXPECT_EQ(DarknessSelection(items.size() + 1, 0), 0u);
    EXPECT_EQ(DarknessSelection(items.size() + 1, 16), 16u);
    EXPECT_EQ(DarknessSelection(items.size() + 1, 17), std::nullopt) << "beyond the list: the value is kept";
}

TEST(PageSetupTest, HorizontalOffsetFollowsThePaperAlignment) {
    PaperRecord stock = Paper(u"S", 257, 60000, 40000);
    stock.marginLeft = 2000;
    stock.marginRight = 3000;
    const PaperRecord plain = Paper(u"P", 258, 60000, 40000);
    const struct {
        std::int32_t offset;
        std::uint16_t alignment;
        const PaperRecord* stock;
        std::int32_t shown;
    } cases[] = {
        {0, 1, &stock, 2000},  {0, 2, &stock, -3000}, {0, 0, &stock, 0}, {0, 5, &stock, 0},
        {500, 1, &stock, 500}, {0, 1, &plain, 0},     {0, 2, &plain, 0}, {0, 1, nullptr, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShownHorizontalOffset(c.offset, c.alignment, c.stock), c.shown)
            << c.offset << " alignment " << c.alignment;
}

TEST(PageSetupTest, OffsetRangesAreTheStockLengthInUpDownCounts) {
    const struct {
        std::int32_t length;
        MeasureUnit unit;
        std::int32_t bound;
    } cases[] = {{101600, kMm, 1016}, {101600, kCm, 1016}, {101600, kInch, 400}, {152400, kInch, 600}, {0, kMm, 0}};
    for (const auto& c : cases) {
        const CountRange range = OffsetRange(c.length, c.unit);
        EXPECT_EQ(range.lower, -c.bound);
        EXPECT_EQ(range.upper, c.bound);
    }
    // An inch offset of 25400 µm is one inch: 100 counts, inside a 4-inch stock's range.
    EXPECT_EQ(CountOfText(LengthText(25400, kInch), kInch), 100);
}

TEST(PageSetupTest, CopiesAreHeldInTheModelsRange) {
    const CountRange range = CopiesRange(32767);
    EXPECT_EQ(CopiesFromText(u"3", range), 3);
    EXPECT_EQ(CopiesFromText(u"0", range), 1);
    EXPECT_EQ(CopiesFromText(u"40000", range), 32767);
    EXPECT_EQ(CopiesFromText(u"many", range), 1);
    EXPECT_EQ(CopiesFromText(u"5", CopiesRange(0)), 1) << "a model without copies prints one";
}

}  // namespace
}  // namespace kelno
