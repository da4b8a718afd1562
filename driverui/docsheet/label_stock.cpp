#include "driverui/docsheet/label_stock.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "driverui/core/forms.h"
#include "driverui/core/narrow_text.h"

namespace kelno {

namespace {

constexpr std::uint32_t kTypeBits = 0x0F;
constexpr std::uint32_t kMediaKindBits = 0x30;
constexpr std::size_t kTypeCount = std::size(kPaperTypeStrings);

// Up-down ranges by dimension (rows) and unit (columns: mm, cm, inch).
constexpr CountRange kRanges[kStockDimensions][3] = {
    {{100, 65535}, {10, 6553}, {39, 25801}},        // width
    {{100, 6553500}, {10, 655350}, {39, 2580118}},  // length
    {{0, 100}, {0, 10}, {0, 39}},                   // left liner
    {{0, 100}, {0, 10}, {0, 39}},                   // right liner
    {{0, 200}, {0, 200}, {0, 200}},                 // gap or mark height
    {{0, 200}, {0, 200}, {0, 200}},                 // gap or mark offset
};

std::int32_t Held(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

std::int32_t Read(const StockTexts& texts, StockDimension dimension, MeasureUnit unit) {
    return MicrometresFromText(texts.lengths[static_cast<std::size_t>(dimension)], unit);
}

}  // namespace

CountRange StockRange(StockDimension dimension, MeasureUnit unit) {
    return kRanges[static_cast<std::size_t>(dimension)][static_cast<std::size_t>(unit)];
}

int PaperTypeItem(std::uint32_t flags) {
    for (std::size_t bit = 0; bit < kTypeCount; ++bit)
        if (flags & (1u << bit)) return static_cast<int>(bit);
    return 0;
}

std::uint32_t FlagsForPaperType(std::uint32_t previousFlags, int item) {
    const std::uint32_t bit = (item >= 0 && static_cast<std::size_t>(item) < kTypeCount) ? item : 0;
    return (previousFlags & ~(kMediaKindBits | kTypeBits)) | (1u << bit) | kBuiltInPaperFlag;
}

bool PaperTypeHasGaps(int item) { return item <= 1; }

std::u16string ProposedGapText(int item, MeasureUnit unit) {
    if (!PaperTypeHasGaps(item)) return u"0";
    switch (unit) {
        case MeasureUnit::centimetre: return u"0.3";
        case MeasureUnit::inch: return u"0.12";
        default: return u"3";
    }
}

StockTexts ShowStock(const PaperRecord& stock, MeasureUnit unit) {
    StockTexts texts;
    texts.name = std::u16string(FixedText(stock.name));
    const std::int64_t shownWidth = std::int64_t{stock.width} - stock.marginLeft - stock.marginRight;
    const std::int64_t values[kStockDimensions] = {shownWidth,        stock.height, stock.marginLeft,
                                                   stock.marginRight, stock.gap,    stock.gapOffset};
    for (std::size_t i = 0; i < kStockDimensions; ++i) texts.lengths[i] = LengthText(values[i], unit);
    return texts;
}

PaperRecord ReadStock(const StockTexts& texts, int typeItem, MeasureUnit unit, const PaperRecord& previous,
                      StockMinimum minimum) {
    PaperRecord stock{};
    stock.id = previous.id;
    StoreFixedText(stock.name, std::u16string_view(texts.name));
    stock.marginLeft = Read(texts, StockDimension::left, unit);
    stock.marginRight = Read(texts, StockDimension::right, unit);
    const std::int64_t width =
        std::int64_t{stock.marginLeft} + Read(texts, StockDimension::width, unit) + stock.marginRight;
    stock.width = std::max(Held(width), minimum.width);
    stock.height = std::max(Read(texts, StockDimension::length, unit), minimum.length);
    stock.flags = FlagsForPaperType(previous.flags, typeItem);
    stock.gap = Read(texts, StockDimension::gap, unit);
    stock.gapOffset = Read(texts, StockDimension::offset, unit);
    return stock;
}

StockNameProblem CheckStockName(std::u16string_view name) {
    if (name.empty()) return StockNameProblem::empty;
    if (name.size() >= kPaperNameUnits) return StockNameProblem::tooLong;
    return StockNameProblem::none;
}

std::optional<std::vector<std::uint8_t>> FormsAfterSave(std::optional<std::span<const std::uint8_t>> stored,
                                                        const PaperRecord& stock, std::u16string_view openedName) {
    if (!stored || stored->size() < sizeof(PaperRecord)) return std::nullopt;
    std::vector<PaperRecord> papers = ParseFormList(*stored);
    const std::u16string_view name = FixedText(stock.name);
    const auto named = [&](std::u16string_view wanted) {
        return std::find_if(papers.begin(), papers.end(),
                            [&](const PaperRecord& paper) { return FixedText(paper.name) == wanted; });
    };
    if (auto same = named(name); same != papers.end()) *same = stock;
    else papers.push_back(stock);
    if (!openedName.empty() && openedName != name)
        if (auto old = named(openedName); old != papers.end()) papers.erase(old);
    return SerializeFormList(papers);
}

PaperRecord StartingStock(const std::vector<PaperRecord>& forms, const std::vector<PaperRecord>& modelPapers,
                          std::u16string_view name, std::u16string_view newName) {
    for (const PaperRecord& paper : forms)
        if (FixedText(paper.name) == name) return paper;
    PaperRecord stock = modelPapers.empty() ? PaperRecord{} : modelPapers.front();
    StoreFixedText(stock.name, newName);
    return stock;
}

}  // namespace kelno
