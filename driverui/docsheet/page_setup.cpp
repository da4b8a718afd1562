#include "driverui/docsheet/page_setup.h"

#include <algorithm>
#include <string>

#include "driverui/core/narrow_text.h"

namespace kelno {

namespace {

std::u16string Ascii(const std::string& text) { return std::u16string(text.begin(), text.end()); }

// The unit in the stock texts (not translated: part of the stock's size).
std::u16string_view UnitSymbol(MeasureUnit unit) {
    switch (unit) {
        case MeasureUnit::centimetre: return u"cm";
        case MeasureUnit::inch: return u"inch";
        default: return u"mm";
    }
}

}  // namespace

std::u16string StockItemText(const PaperRecord& paper, MeasureUnit unit, bool hideSizes) {
    const std::u16string_view name = FixedText(paper.name);
    if (hideSizes && name != kUserStockName) return std::u16string(name);
    const std::int64_t printable = std::int64_t{paper.width} - paper.marginLeft - paper.marginRight;
    std::u16string text(name);
    text += u" (";
    text += LengthText(printable, unit);
    text += u' ';
    text += UnitSymbol(unit);
    text += u" x ";
    text += LengthText(paper.height, unit);
    text += u' ';
    text += UnitSymbol(unit);
    text += u')';
    return text;
}

std::vector<StockItem> StockListItems(const std::vector<PaperRecord>& forms, MeasureUnit unit, bool hideSizes) {
    std::vector<StockItem> items;
    items.reserve(forms.size());
    for (const PaperRecord& paper : forms)
        items.push_back({std::u16string(FixedText(paper.name)), StockItemText(paper, unit, hideSizes)});
    if (hideSizes)
        std::stable_sort(items.begin(), items.end(),
                         [](const StockItem& a, const StockItem& b) { return a.text < b.text; });
    return items;
}

std::optional<std::size_t> StockSelection(const std::vector<StockItem>& items, std::u16string_view wanted) {
    if (items.empty()) return std::nullopt;
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i].name == wanted) return i;
    return 0;
}

const PaperRecord* FindStock(const std::vector<PaperRecord>& forms, std::u16string_view name) {
    for (const PaperRecord& paper : forms)
        if (FixedText(paper.name) == name) return &paper;
    return nullptr;
}

int DirectionItem(std::int16_t orientation, std::uint32_t effectFlags) {
    const bool turned = (effectFlags & kEffectRotate180) != 0;
    if (orientation == kLandscape) return turned ? 3 : 1;
    return turned ? 2 : 0;
}

void StoreDirection(int item, std::int16_t& orientation, std::uint32_t& effectFlags) {
    if (item < 0 || item > 3) return;
    orientation = (item == 1 || item == 3) ? kLandscape : kPortrait;
    if (item >= 2) effectFlags |= kEffectRotate180;
    else effectFlags &= ~kEffectRotate180;
}

std::vector<ListItem> SpeedItems(const ModelFields& model) {
    std::vector<ListItem> items;
    if (model.speedStep == 0 || model.minSpeed == 0 || model.minSpeed > model.maxSpeed) return items;
    unsigned ordinal = 1;
    for (std::uint32_t speed = model.minSpeed; speed <= model.maxSpeed; speed += model.speedStep, ++ordinal) {
        std::u16string text;
        if (model.hideSpeed) {
            text = Ascii(std::to_string(ordinal));
        } else {
            text = FixedPoint(speed / 100.0, 2) + u" in/s(" + FixedPoint(speed * 25.4 / 100.0, 1) + u" mm/s)";
        }
        items.push_back({std::move(text), speed});
    }
    return items;
}

std::size_t SpeedSelection(const std::vector<ListItem>& items, std::uint32_t speed) {
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i].value == speed) return i + 1;
    return 0;
}

std::vector<std::u16string> DarknessItems(const ModelFields& model) {
    std::vector<std::u16string> items;
    for (unsigned level = 0; level < model.maxDarkness; ++level) items.push_back(Ascii(std::to_string(level)));
    return items;
}

std::optional<std::size_t> DarknessSelection(std::size_t itemCount, std::uint32_t darkness) {
    if (darkness >= itemCount) return std::nullopt;
    return darkness;
}

std::int32_t ShownHorizontalOffset(std::int32_t offset, std::uint16_t paperAlignment, const PaperRecord* stock) {
    if (offset != 0 || !stock) return offset;
    if (paperAlignment == 1 && stock->marginLeft != 0) return stock->marginLeft;
    if (paperAlignment == 2 && stock->marginRight != 0) return -stock->marginRight;
    return offset;
}

CountRange OffsetRange(std::int32_t stockLength, MeasureUnit unit) {
    const std::int64_t tenths = std::abs(std::int64_t{stockLength}) / 100;
    const std::int64_t counts = unit == MeasureUnit::inch ? tenths * 100 / 254 : tenths;
    const auto bound = static_cast<std::int32_t>(std::min<std::int64_t>(counts, 0x7FFFFFFF));
    return {-bound, bound};
}

CountRange CopiesRange(std::uint16_t maxCopies) { return {1, std::max<std::int32_t>(1, maxCopies)}; }

std::u16string CopiesText(std::int32_t copies) { return Ascii(std::to_string(copies)); }

std::int16_t CopiesFromText(std::u16string_view text, CountRange range) {
    const std::int64_t value = ParseThousandths(text).value_or(0) / 1000;
    return static_cast<std::int16_t>(std::clamp<std::int64_t>(ClampCount(value, range), 1, 0x7FFF));
}

}  // namespace kelno
