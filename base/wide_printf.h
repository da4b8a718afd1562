#pragma once
// A bounded printf-style formatter with the Windows wide-printf conventions, used for the
// engine's trace lines. It never writes past its destination and reports a malformed format
// instead of guessing, so a bad trace line is dropped rather than logged wrong.
#include <cstdarg>
#include <cstddef>

namespace kelno {

// Conventions (those of swprintf in the Windows C runtime):
//   %s %ls %ws  wide string (char16_t / 16-bit wchar_t)   %hs %S  narrow string
//   %c %lc %wc  wide character                             %hc %C  narrow character
//   %d %i %u %o %x %X with h, hh, l, ll, I64, I32, I, z, j, t;  %p;  %%
//   flags - + space # 0, width and precision as digits or *.
// A null string prints "(null)". Floating point, %n and unknown conversions are errors.
// Returns the length written (dst is terminated), or -1 when the format is malformed or the
// text with its terminator does not fit into capacity units (dst then holds "" when capacity > 0).
int FormatWide(char16_t* dst, std::size_t capacity, const char16_t* format, std::va_list args);
// The same, but a text that does not fit is cut to capacity-1 units (never inside a surrogate
// pair) and terminated: the length kept is returned. -1 only for a malformed format.
int FormatWideCut(char16_t* dst, std::size_t capacity, const char16_t* format, std::va_list args);
int FormatWideArgs(char16_t* dst, std::size_t capacity, const char16_t* format, ...);

}  // namespace kelno
