// Arbitrary bytes as a stored "FORMS" list saved into by the stock editor, and as the texts a
// user types into the length edits (read in every unit, stepped, shown again), and the preview
// layout of whatever stock the list holds.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "driverui/core/forms.h"
#include "driverui/core/narrow_text.h"
#include "driverui/docsheet/label_preview.h"
#include "driverui/docsheet/label_stock.h"
#include "driverui/docsheet/measure_unit.h"
#include "driverui/docsheet/page_setup.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> value(data, data + size);  // exact size: ASan sees any overrun
    const std::span<const std::uint8_t> bytes(value);

    // The bytes as UTF-16 text typed into an edit.
    std::u16string typed;
    for (std::size_t i = 0; i + 1 < size; i += 2) typed.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
    for (kelno::MeasureUnit unit :
         {kelno::MeasureUnit::millimetre, kelno::MeasureUnit::centimetre, kelno::MeasureUnit::inch}) {
        const std::int32_t micrometres = kelno::MicrometresFromText(typed, unit);
        (void)kelno::LengthText(micrometres, unit);
        (void)kelno::StepLengthText(typed, unit, 1, {-1000000, 1000000});
        (void)kelno::StepIntegerText(typed, -1, {1, 32767});
        kelno::StockTexts texts;
        texts.name = typed;
        texts.lengths.fill(typed);
        const kelno::PaperRecord stock =
            kelno::ReadStock(texts, size % 5, unit, kelno::PaperRecord{}, kelno::StockMinimum{20000, 10000});
        (void)kelno::ShowStock(stock, unit);
        (void)kelno::FormsAfterSave(bytes, stock, typed.substr(0, 8));
    }

    for (const kelno::PaperRecord& paper : kelno::ParseFormList(bytes)) {
        for (std::uint16_t alignment : {0, 1, 2, 7}) {
            const kelno::PreviewLayout layout =
                kelno::LayOutPreview(paper, static_cast<std::int32_t>(size) * 997, alignment);
            kelno::PreviewLine arrow{};
            for (int d = 0; d <= 6; ++d)
                (void)kelno::DimensionArrow(layout, static_cast<kelno::PreviewDimension>(d), arrow);
        }
        (void)kelno::StockItemText(paper, kelno::MeasureUnit::inch, size % 2 == 0);
        (void)kelno::ShownHorizontalOffset(0, 1, &paper);
        (void)kelno::OffsetRange(paper.width, kelno::MeasureUnit::inch);
    }
    return 0;
}
