#pragma once
// The rules of the Edit Label Stock dialog, apart from its window: the dimensions a stock is
// edited by and their up-down ranges, the paper types, reading the typed texts into a paper
// record, and the printer's "FORMS" list after a save.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "driverui/core/paper_record.h"
#include "driverui/docsheet/measure_unit.h"

namespace kelno {

// The edited dimensions, in the order of the dialog's edits.
enum class StockDimension : std::size_t { width, length, left, right, gap, offset };
inline constexpr std::size_t kStockDimensions = 6;

// The up-down range of a dimension in a unit (counts of measure_unit.h).
CountRange StockRange(StockDimension dimension, MeasureUnit unit);

// The paper types in list order, each with its string id and the flag bit it sets: labels with
// gaps (bit 0), black marks (bit 1), continuous (bit 2), un-fixed continuous (bit 3).
inline constexpr std::uint32_t kPaperTypeStrings[] = {2207, 2208, 2209, 1901};
inline constexpr int kContinuousPaperType = 2;
// The type item of stored flags: the lowest of bits 0-3 that is set; item 0 when none is.
int PaperTypeItem(std::uint32_t flags);
// The flags stored for a type item: the previous flags without bits 4 and 5, the type's bit
// and the built-in bit. An item outside the list counts as item 0.
std::uint32_t FlagsForPaperType(std::uint32_t previousFlags, int item);
// Whether a type has gaps or marks whose height and offset are edited.
bool PaperTypeHasGaps(int item);
// The gap or mark height proposed when the type is chosen: 3 mm for gaps and marks, else 0.
std::u16string ProposedGapText(int item, MeasureUnit unit);

// A stock as the dialog shows it: the name and the six dimensions' texts.
struct StockTexts {
    std::u16string name;
    std::array<std::u16string, kStockDimensions> lengths;
};
StockTexts ShowStock(const PaperRecord& stock, MeasureUnit unit);

// The limits a read stock is raised to (the model's minimum label width and length).
struct StockMinimum {
    std::int32_t width;
    std::int32_t length;
};

// The record the texts describe, built on previous (flags kept apart from the type): name,
// width = left + shown width + right, length, margins, type, gap and offset; top and bottom
// margins and both extra values 0. Width and length are raised to the minimum. A name longer
// than 31 units is cut (StockNameProblem tells the dialog first).
PaperRecord ReadStock(const StockTexts& texts, int typeItem, MeasureUnit unit, const PaperRecord& previous,
                      StockMinimum minimum);

// Why a typed name cannot name a stock: none, empty, or 32 units or more.
enum class StockNameProblem { none, empty, tooLong };
StockNameProblem CheckStockName(std::u16string_view name);

// The printer's "FORMS" after saving stock: the stock replaces the entry of its name in place,
// or is appended; when it was opened under another name (renamed), the entry of that old name
// is removed. The list is the stored bytes' whole records (a partial record at the end is
// dropped). Nothing when there is no list to save into (no value, or an empty one).
std::optional<std::vector<std::uint8_t>> FormsAfterSave(std::optional<std::span<const std::uint8_t>> stored,
                                                        const PaperRecord& stock, std::u16string_view openedName);

// The stock the dialog opens with: the stock of that name in the printer's list, or else a copy
// of the model's first paper named newName.
PaperRecord StartingStock(const std::vector<PaperRecord>& forms, const std::vector<PaperRecord>& modelPapers,
                          std::u16string_view name, std::u16string_view newName);

}  // namespace kelno
