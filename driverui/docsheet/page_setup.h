#pragma once
// The rules of the Page Setup page, apart from its window: the label-stock list and its texts,
// the print direction, the speed and darkness lists of the model, the offsets with their
// paper-alignment default and up-down ranges, the scale width, and reading the controls' values
// into the page state. Lengths are shown in the printer's measure unit (measure_unit.h).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "driverui/core/datafile_header.h"
#include "driverui/core/paper_record.h"
#include "driverui/docsheet/measure_unit.h"

namespace kelno {

// ---- Label stocks --------------------------------------------------------------------------

inline constexpr char16_t kUserStockName[] = u"USER";

struct StockItem {
    std::u16string name;  // the stock's name, what the item carries
    std::u16string text;  // what the list shows
};

// The text of a stock: "%ws (%.1f mm x %.1f mm)", "%ws (%.2f cm x %.2f cm)" or
// "%ws (%.2f inch x %.2f inch)" with the printable width (width less both margins) and the full
// height; the name alone when the model hides sizes (never for "USER").
std::u16string StockItemText(const PaperRecord& paper, MeasureUnit unit, bool hideSizes);

// The stock list's items in list order: the form list as stored, or sorted by text when the
// model hides sizes.
std::vector<StockItem> StockListItems(const std::vector<PaperRecord>& forms, MeasureUnit unit, bool hideSizes);

// The item to select: the one named wanted, else item 0; nothing for an empty list.
std::optional<std::size_t> StockSelection(const std::vector<StockItem>& items, std::u16string_view wanted);

// A stock of the list by name.
const PaperRecord* FindStock(const std::vector<PaperRecord>& forms, std::u16string_view name);

// ---- Direction -----------------------------------------------------------------------------

inline constexpr std::int16_t kPortrait = 1;
inline constexpr std::int16_t kLandscape = 2;
inline constexpr std::uint32_t kEffectMirror = 0x01;
inline constexpr std::uint32_t kEffectNegative = 0x02;
inline constexpr std::uint32_t kEffectRotate180 = 0x80;

// The items of the direction list ("0 -Portrait", "90 -Landscape", "180-Portrait",
// "270-Landscape") as string ids.
inline constexpr std::uint32_t kDirectionStrings[] = {1951, 1952, 1953, 1954};

// The item of an orientation and effect flags: portrait 0 (2 when turned 180 degrees),
// landscape 1 (3 when turned).
int DirectionItem(std::int16_t orientation, std::uint32_t effectFlags);
// Stores an item: the orientation and the rotate-180 bit (items outside 0-3 change nothing).
void StoreDirection(int item, std::int16_t& orientation, std::uint32_t& effectFlags);

// ---- Speed and darkness --------------------------------------------------------------------

struct ListItem {
    std::u16string text;
    std::uint32_t value;
};

// The speed list after its first item ("Use Current Printer Setting", value 0): one item per
// speed from the model's minimum to its maximum in its steps, "%.2f in/s(%.1f mm/s)" or, when
// the model hides speeds, the ordinal. Empty (and the list disabled) when the model has no
// usable range.
std::vector<ListItem> SpeedItems(const ModelFields& model);
// The selected item of the whole list (0 for the first item) for a stored speed.
std::size_t SpeedSelection(const std::vector<ListItem>& items, std::uint32_t speed);

// The darkness list after its first item: items 1 to the model's maximum, showing "0" to
// maximum - 1. The stored darkness is the selected position (0 = the first item).
std::vector<std::u16string> DarknessItems(const ModelFields& model);
// The position to select for a stored darkness (the first item counts): the darkness itself
// when the list has that item; nothing otherwise, and the stored value is then kept.
std::optional<std::size_t> DarknessSelection(std::size_t itemCount, std::uint32_t darkness);

// ---- Offsets and lengths -------------------------------------------------------------------

// The horizontal offset shown for a stock: with left alignment and a stock with a left margin,
// 0 becomes the left margin; with right alignment and a right margin, minus the right margin.
std::int32_t ShownHorizontalOffset(std::int32_t offset, std::uint16_t paperAlignment, const PaperRecord* stock);

// The up-down range of an offset over a stock length (micrometres): plus or minus the length in
// tenths of a millimetre (millimetres, centimetres) or in hundredths of an inch.
CountRange OffsetRange(std::int32_t stockLength, MeasureUnit unit);

// The scale width's up-down range and the copies' range.
inline constexpr CountRange kScaleWidthRange = {25, 65535};
CountRange CopiesRange(std::uint16_t maxCopies);

// The scale modes in list order ("None", "Fit", "Scale to the scale width", "Shrink Oversized
// pages", "Crop Oversized pages"), values 0 to 4, as string ids.
inline constexpr std::uint32_t kScaleModeStrings[] = {1941, 1947, 1942, 1943, 1944};

// The text of a copies value.
std::u16string CopiesText(std::int32_t copies);
// Copies as read from its edit: the whole number, held in the range.
std::int16_t CopiesFromText(std::u16string_view text, CountRange range);

}  // namespace kelno
