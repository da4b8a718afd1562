#pragma once
// Lengths on the driver's pages: the printer data "MeasureUnit" chooses millimetres,
// centimetres or inches for every length a page shows, while the DEVMODE and the paper records
// keep micrometres. Typed text is read as an exact decimal (no floating-point detour), so a
// value shown by a page is read back to the same micrometres.
//
// Up-down controls count in steps of the shown precision: tenths of a millimetre ("%.1f"),
// hundredths of a centimetre or of an inch ("%.2f").
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kelno {

enum class MeasureUnit : std::uint32_t { millimetre = 0, centimetre = 1, inch = 2 };

// The unit of a stored "MeasureUnit"; nothing for a value outside 0-2.
std::optional<MeasureUnit> MeasureUnitOf(std::uint32_t stored);
// The unit a page shows lengths in: millimetres for a value outside 0-2.
MeasureUnit DisplayUnitOf(std::uint32_t stored);

// The string id of the unit's name ("mm", "cm", "inch"); nothing for a value outside 0-2.
std::optional<std::uint32_t> UnitNameString(std::uint32_t stored);

// A decimal number as typed: leading blanks, an optional sign, digits with one '.' or ','
// and the digits after it; anything after the number is ignored. The result is the value
// times 1000, truncated toward zero and held within the 32-bit range. Nothing when the text
// does not start with a number.
std::optional<std::int64_t> ParseThousandths(std::u16string_view text);

// The micrometres of a value typed in the unit: the value times 1000 (truncated), taken as
// micrometres for millimetres, times 10 for centimetres, for inches divided by 10 (truncated)
// and times 254. A text that is not a number reads as 0. Held within the 32-bit range.
std::int32_t MicrometresFromText(std::u16string_view text, MeasureUnit unit);

// The text of a length: "%.1f" millimetres, "%.2f" centimetres, "%.2f" inches.
std::u16string LengthText(std::int64_t micrometres, MeasureUnit unit);

// Up-down counts: 10 per millimetre, 100 per centimetre or inch of the shown value.
int CountsPerUnit(MeasureUnit unit);
// The count a typed text stands for (text value times 10 or 100, truncated; 0 for a text
// that is not a number).
std::int64_t CountOfText(std::u16string_view text, MeasureUnit unit);
// The text of a count: divided by 10 with "%.1f" or by 100 with "%.2f".
std::u16string CountText(std::int64_t count, MeasureUnit unit);

struct CountRange {
    std::int32_t lower;
    std::int32_t upper;
};
std::int64_t ClampCount(std::int64_t count, CountRange range);

// An up-down arrow (delta counts) or a focus loss (delta 0) on a length edit: the typed value
// plus delta, held in the range, as the text to show.
std::u16string StepLengthText(std::u16string_view text, MeasureUnit unit, std::int32_t delta, CountRange range);
// The same for a whole number ("%d"): copies.
std::u16string StepIntegerText(std::u16string_view text, std::int32_t delta, CountRange range);

// A printf-style "%.Nf" of a value into UTF-16 (the C locale's '.').
std::u16string FixedPoint(double value, int decimals);

}  // namespace kelno
