// The label preview's geometry and the Edit Label Stock dialog's rules: reading a stock from
// the typed texts, the paper types, and the printer's "FORMS" list after a save.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "driverui/core/forms.h"
#include "driverui/core/narrow_text.h"
#include "driverui/docsheet/label_preview.h"
#include "driverui/docsheet/label_stock.h"
#include "tests/support/model_fixture.h"

namespace kelno {
namespace {

using test::Name;
using test::Paper;
constexpr MeasureUnit kMm = MeasureUnit::millimetre;
constexpr MeasureUnit kInch = MeasureUnit::inch;
constexpr std::uint32_t kGaps = kBuiltInPaperFlag | 0x11;
constexpr std::uint32_t kMarks = kBuiltInPaperFlag | 0x12;
constexpr std::uint32_t kContinuous = kBuiltInPaperFlag | 0x14;

std::string Narrow(std::u16string_view text) { return std::string(text.begin(), text.end()); }

// ---- Preview geometry ----

TEST(LabelPreviewTest, WidestModelLabelIsDrawn144PixelsWideAtEachAlignment) {
    // A 108 mm model and a 101.6 x 152.4 mm stock: about 135 pixels wide.
    const PaperRecord stock = Paper(u"4 x 6", 257, 101600, 152400, kGaps);
    const struct {
        std::uint16_t alignment;
        float x;
    } cases[] = {{0, 30.27f}, {1, 26.0f}, {2, 34.53f}, {5, 30.27f}};  // 5: drawn centred
    for (const auto& c : cases) {
        const PreviewLayout layout = LayOutPreview(stock, 108000, c.alignment);
        EXPECT_NEAR(layout.width, 135.47f, 0.01f);
        EXPECT_NEAR(layout.x, c.x, 0.01f) << "alignment " << c.alignment;
        EXPECT_EQ(layout.y, 34.0f);
        ASSERT_FALSE(layout.labels.empty());
        EXPECT_NEAR(layout.labels[0].rect.x, c.x, 0.01f);
    }
    // The model's widest label fills the whole width.
    EXPECT_NEAR(LayOutPreview(Paper(u"W", 257, 108000, 50000, kGaps), 108000, 0).width, 144.0f, 0.001f);
}

TEST(LabelPreviewTest, LabelsWithGapsFollowEachOtherDownThePaper) {
    // 54 mm model: 1 pixel per 375 µm. A 27 x 15 mm label (72 x 40 pixels) with 3 mm gaps (8 px).
    PaperRecord stock = Paper(u"L", 257, 27000, 15000, kGaps);
    stock.gap = 3000;
    const PreviewLayout layout = LayOutPreview(stock, 54000, 0);
    EXPECT_FLOAT_EQ(layout.width, 72.0f);
    EXPECT_FLOAT_EQ(layout.height, 40.0f);
    EXPECT_FLOAT_EQ(layout.x, 62.0f);
    // (226 - 4) / 48 = 4.6: five labels, the last one running out of the frame.
    ASSERT_EQ(layout.labels.size(), 5u);
    EXPECT_FLOAT_EQ(layout.labels[0].rect.y, 38.0f);
    EXPECT_FLOAT_EQ(layout.labels[1].rect.y, 86.0f);
    EXPECT_FLOAT_EQ(layout.labels[0].text.x, 62.0f + 12.0f);
    EXPECT_FLOAT_EQ(layout.labels[0].text.y, 38.0f + 7.5f);
    EXPECT_FLOAT_EQ(layout.labels[0].centre.x, 98.0f);
    EXPECT_FLOAT_EQ(layout.labels[0].centre.y, 58.0f);
}

TEST(LabelPreviewTest, ExposedLinerLiesBesideTheLabelInsideTheStockWidth) {
    PaperRecord stock = Paper(u"L", 257, 54000, 15000, kGaps);
    stock.marginLeft = 3000;   // 8 px
    stock.marginRight = 1500;  // 4 px
    const PreviewLayout layout = LayOutPreview(stock, 54000, 1);
    EXPECT_FLOAT_EQ(layout.paperPath.width, 144.0f) << "the liner is the stock's whole width";
    EXPECT_FLOAT_EQ(layout.labels[0].rect.x, 26.0f + 8.0f);
    EXPECT_FLOAT_EQ(layout.labels[0].rect.width, 132.0f);
    EXPECT_FLOAT_EQ(layout.labels[0].rect.x + layout.labels[0].rect.width + layout.right,
                    layout.paperPath.x + layout.paperPath.width);
}

TEST(LabelPreviewTest, ContinuousAndBlackMarkPaperArePagesWithSeparators) {
    PaperRecord stock = Paper(u"C", 257, 27000, 30000, kContinuous);  // 80 px pages
    stock.gap = 1500;                                                 // 4 px
    stock.gapOffset = 750;                                            // 2 px
    const PreviewLayout continuous = LayOutPreview(stock, 54000, 0);
    EXPECT_EQ(continuous.kind, PreviewPaperKind::continuous);
    ASSERT_EQ(continuous.labels.size(), 3u);  // 223 / 80
    EXPECT_FLOAT_EQ(continuous.firstSeparator.from.y, 37.0f);
    EXPECT_FLOAT_EQ(continuous.labels[0].separator.from.y, 117.0f);
    EXPECT_FLOAT_EQ(continuous.labels[1].rect.y, 117.0f);

    stock.flags = kMarks;
    const PreviewLayout marks = LayOutPreview(stock, 54000, 0);
    EXPECT_EQ(marks.kind, PreviewPaperKind::blackMarks);
    const PreviewRect& mark = marks.labels[0].mark;
    EXPECT_FLOAT_EQ(mark.y, 117.0f - 4.0f - 2.0f);
    EXPECT_FLOAT_EQ(mark.height, 4.0f);
    EXPECT_FLOAT_EQ(mark.width, marks.width);

    // Un-fixed continuous paper (bit 3) and paper with no type bit draw as continuous paper.
    EXPECT_EQ(PaperKindOf(kBuiltInPaperFlag | 0x18), PreviewPaperKind::continuous);
    EXPECT_EQ(PaperKindOf(0), PreviewPaperKind::continuous);
}

TEST(LabelPreviewTest, DegenerateStocksDrawNoLabelsAndNeverDivideByZero) {
    const struct {
        std::int32_t width, height, gap, maxWidth;
        std::uint32_t flags;
    } cases[] = {
        {50000, 100, 0, 108000, kGaps},         // less than a pixel high, no gap
        {50000, 100, 3000, 108000, kGaps},      // a gap but no label height
        {50000, 100, 0, 108000, kContinuous},   //
        {50000, 0, 0, 108000, kMarks},          //
        {0, 0, 0, 0, kGaps},                    // no model width and no stock width
        {50000, -30000, -3000, 108000, kGaps},  // negative lengths from a damaged list
    };
    for (const auto& c : cases) {
        PaperRecord stock = Paper(u"D", 257, c.width, c.height, c.flags);
        stock.gap = c.gap;
        const PreviewLayout layout = LayOutPreview(stock, c.maxWidth, 0);
        EXPECT_TRUE(layout.labels.empty()) << c.width << " x " << c.height;
        EXPECT_TRUE(std::isfinite(layout.x));
    }
    // A model without a width draws the stock itself across the whole area.
    EXPECT_FLOAT_EQ(LayOutPreview(Paper(u"S", 257, 40000, 30000, kGaps), 0, 0).width, 144.0f);
}

TEST(LabelPreviewTest, ArrowsMarkTheFocusedDimension) {
    PaperRecord stock = Paper(u"L", 257, 27000, 15000, kMarks);
    stock.marginLeft = 1500;
    stock.gap = 1500;
    stock.gapOffset = 750;
    const PreviewLayout layout = LayOutPreview(stock, 54000, 0);
    const PreviewRect& first = layout.first;
    PreviewLine arrow{};
    ASSERT_TRUE(DimensionArrow(layout, PreviewDimension::width, arrow));
    EXPECT_FLOAT_EQ(arrow.from.x, first.x);
    EXPECT_FLOAT_EQ(arrow.to.x, first.x + first.width);
    EXPECT_FLOAT_EQ(arrow.from.y, first.y + 10.0f);
    ASSERT_TRUE(DimensionArrow(layout, PreviewDimension::length, arrow));
    EXPECT_FLOAT_EQ(arrow.from.x, first.x + 10.0f);
    EXPECT_FLOAT_EQ(arrow.to.y - arrow.from.y, first.height);
    ASSERT_TRUE(DimensionArrow(layout, PreviewDimension::left, arrow));
    EXPECT_FLOAT_EQ(arrow.to.x - arrow.from.x, 4.0f);
    ASSERT_TRUE(DimensionArrow(layout, PreviewDimension::gap, arrow));
    EXPECT_FLOAT_EQ(arrow.to.y - arrow.from.y, 4.0f);
    ASSERT_TRUE(DimensionArrow(layout, PreviewDimension::offset, arrow));
    EXPECT_FLOAT_EQ(arrow.to.y, layout.labels[0].separator.from.y);
    // Nothing to mark: no dimension, and a right liner of zero width.
    EXPECT_FALSE(DimensionArrow(layout, PreviewDimension::none, arrow));
    EXPECT_FALSE(DimensionArrow(layout, PreviewDimension::right, arrow));
}

// ---- Reading a stock ----

StockTexts Texts(std::u16string_view name, std::u16string_view width, std::u16string_view length,
                 std::u16string_view left = u"0", std::u16string_view right = u"0", std::u16string_view gap = u"3",
                 std::u16string_view offset = u"0") {
    StockTexts texts;
    texts.name = name;
    texts.lengths = {std::u16string(width), std::u16string(length), std::u16string(left),
                     std::u16string(right), std::u16string(gap),    std::u16string(offset)};
    return texts;
}

TEST(LabelStockTest, TypedDimensionsBecomeTheRecord) {
    const StockMinimum minimum{20000, 10000};
    const struct {
        StockTexts texts;
        MeasureUnit unit;
        std::int32_t width, height, left, right, gap;
    } cases[] = {
        {Texts(u"A", u"50", u"30", u"1", u"1"), kMm, 52000, 30000, 1000, 1000, 3000},  // liners outside the width
        {Texts(u"A", u"2.00", u"1.00", u"0", u"0", u"0.12"), kInch, 50800, 25400, 0, 0, 3048},
        {Texts(u"A", u"2.00", u"0.05"), kInch, 50800, 10000, 0, 0, 0},   // raised to the minimum length
        {Texts(u"A", u"10", u"30"), kMm, 20000, 30000, 0, 0, 3000},      // raised to the minimum width
        {Texts(u"A", u"wide", u"long"), kMm, 20000, 10000, 0, 0, 3000},  // not numbers
        {Texts(u"A", u"99999999", u"30", u"99999999", u"99999999"), kMm, 2147483647, 30000, 2147483647, 2147483647,
         3000},  // held in range, never wrapped
    };
    for (const auto& c : cases) {
        const PaperRecord stock = ReadStock(c.texts, 0, c.unit, PaperRecord{}, minimum);
        EXPECT_EQ(stock.width, c.width) << Narrow(c.texts.lengths[0]);
        EXPECT_EQ(stock.height, c.height) << Narrow(c.texts.lengths[1]);
        EXPECT_EQ(stock.marginLeft, c.left);
        EXPECT_EQ(stock.marginRight, c.right);
        if (c.unit == kMm) EXPECT_EQ(stock.gap, c.gap);
        EXPECT_EQ(stock.marginTop, 0);
        EXPECT_EQ(stock.extra1, 0u);
    }
    // A stored 52 mm stock with 1 mm liners shows 50.0 again.
    const PaperRecord stored = ReadStock(Texts(u"A", u"50", u"30", u"1", u"1"), 0, kMm, PaperRecord{}, minimum);
    EXPECT_EQ(ShowStock(stored, kMm).lengths[0], u"50.0");
    EXPECT_EQ(ShowStock(stored, kInch).lengths[1], u"1.18");
}

TEST(LabelStockTest, PaperTypesSetTheirBitAndClearTheOthers) {
    const struct {
        std::uint32_t previous;
        int item;
        std::uint32_t flags;
    } cases[] = {
        {0, 0, 0x80000001u},
        {0x80000011u, 2, 0x80000004u},  // gaps to continuous: the gap bit and the media kind go
        {0x00000104u, 1, 0x80000102u},  // other bits stay
        {0, 7, 0x80000001u},            // outside the list: the first type
        {0, -1, 0x80000001u},
    };
    for (const auto& c : cases) {
        const std::uint32_t flags = FlagsForPaperType(c.previous, c.item);
        EXPECT_EQ(flags, c.flags) << c.previous << " item " << c.item;
        if (c.item >= 0 && c.item < 4) EXPECT_EQ(PaperTypeItem(flags), c.item);
    }
    EXPECT_EQ(PaperTypeItem(0x80000000u), 0);
    EXPECT_EQ(PaperTypeItem(0x0Cu), 2) << "the lowest type bit wins";
    EXPECT_EQ(ProposedGapText(1, kInch), u"0.12");
    EXPECT_EQ(MicrometresFromText(ProposedGapText(0, MeasureUnit::centimetre), MeasureUnit::centimetre), 3000);
    EXPECT_EQ(ProposedGapText(kContinuousPaperType, kMm), u"0");
}

TEST(LabelStockTest, NamesNeedOneToThirtyOneUnits) {
    EXPECT_EQ(CheckStockName(u""), StockNameProblem::empty);
    EXPECT_EQ(CheckStockName(std::u16string(31, u'x')), StockNameProblem::none);
    EXPECT_EQ(CheckStockName(std::u16string(32, u'x')), StockNameProblem::tooLong);
    // ReadStock never overruns the name field.
    const PaperRecord stock =
        ReadStock(Texts(std::u16string(40, u'y'), u"50", u"30"), 0, kMm, PaperRecord{}, StockMinimum{0, 0});
    EXPECT_EQ(Name(stock.name).size(), 31u);
    EXPECT_EQ(stock.name[31], 0);
}

// ---- "FORMS" after a save ----

std::vector<std::uint8_t> StoredList(const std::vector<PaperRecord>& papers) { return SerializeFormList(papers); }

std::vector<std::u16string> NamesIn(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::u16string> names;
    for (const PaperRecord& paper : ParseFormList(bytes)) names.push_back(Name(paper.name));
    return names;
}

TEST(LabelStockTest, SavedStocksReplaceAppendOrRename) {
    const std::vector<std::uint8_t> stored =
        StoredList({Paper(u"USER", 256, 50000, 30000), Paper(u"A", 257, 60000, 40000), Paper(u"B", 258, 70000, 40000)});
    const struct {
        std::u16string_view name, opened;
        std::vector<std::u16string> names;
        std::size_t changed;  // index of the saved stock
    } cases[] = {
        {u"A", u"A", {u"USER", u"A", u"B"}, 1},        // edited in place
        {u"C", u"", {u"USER", u"A", u"B", u"C"}, 3},   // new: appended
        {u"C", u"A", {u"USER", u"B", u"C"}, 2},        // renamed A to C: only C
        {u"B", u"A", {u"USER", u"B"}, 1},              // renamed onto B: B overwritten, A gone
        {u"USER", u"USER", {u"USER", u"A", u"B"}, 0},  //
        {u"New paper", u"New paper", {u"USER", u"A", u"B", u"New paper"}, 3},
    };
    for (const auto& c : cases) {
        PaperRecord stock = Paper(c.name, 0, 99000, 11000);
        const auto saved = FormsAfterSave(std::span<const std::uint8_t>(stored), stock, c.opened);
        ASSERT_TRUE(saved) << Narrow(c.name);
        EXPECT_EQ(NamesIn(*saved), c.names) << Narrow(c.name) << " opened as " << Narrow(c.opened);
        EXPECT_EQ(ParseFormList(*saved)[c.changed].width, 99000);
        EXPECT_EQ(saved->size() % sizeof(PaperRecord), 0u);
    }
}

TEST(LabelStockTest, NothingIsSavedWithoutAListAndPartialRecordsAreDropped) {
    const PaperRecord stock = Paper(u"A", 0, 50000, 30000);
    EXPECT_FALSE(FormsAfterSave(std::nullopt, stock, u""));
    EXPECT_FALSE(FormsAfterSave(std::span<const std::uint8_t>(), stock, u""));
    const std::vector<std::uint8_t> tooShort(111, 0);
    EXPECT_FALSE(FormsAfterSave(std::span<const std::uint8_t>(tooShort), stock, u""));

    // 2 records and 50 stray bytes: the stray bytes are not carried into the new list.
    std::vector<std::uint8_t> damaged = StoredList({Paper(u"USER", 256, 50000, 30000), Paper(u"B", 257, 1, 1)});
    damaged.resize(damaged.size() + 50, 0xEE);
    const auto saved = FormsAfterSave(std::span<const std::uint8_t>(damaged), stock, u"");
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->size(), 3 * sizeof(PaperRecord));
    EXPECT_EQ(NamesIn(*saved), (std::vector<std::u16string>{u"USER", u"B", u"A"}));
}

TEST(LabelStockTest, StartingStockIsTheListEntryOrANewCopyOfTheFirstModelPaper) {
    const std::vector<PaperRecord> forms = {Paper(u"USER", 256, 50000, 30000), Paper(u"A", 257, 60000, 40000)};
    const std::vector<PaperRecord> model = {Paper(u"USER", 256, 101600, 152300)};
    EXPECT_EQ(StartingStock(forms, model, u"A", u"New paper").width, 60000);
    const PaperRecord fresh = StartingStock(forms, model, u"", u"New paper");
    EXPECT_EQ(Name(fresh.name), u"New paper");
    EXPECT_EQ(fresh.width, 101600);
    EXPECT_EQ(Name(StartingStock(forms, {}, u"Z", u"New paper").name), u"New paper");
}

TEST(LabelStockTest, UpDownRangesKeepTheirLowerEndBelowTheUpper) {
    for (std::size_t d = 0; d < kStockDimensions; ++d)
        for (MeasureUnit unit : {kMm, MeasureUnit::centimetre, kInch}) {
            const CountRange range = StockRange(static_cast<StockDimension>(d), unit);
            EXPECT_LT(range.lower, range.upper) << d;
        }
    // The same physical width limit in millimetres and inches (10 mm to 6553.5 mm).
    EXPECT_EQ(MicrometresFromText(CountText(StockRange(StockDimension::width, kInch).upper, kInch), kInch) / 1000,
              MicrometresFromText(CountText(StockRange(StockDimension::width, kMm).upper, kMm), kMm) / 1000);
}

}  // namespace
}  // namespace kelno
