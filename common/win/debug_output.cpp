#include "common/win/debug_output.h"

#include <cstdarg>
#include <iterator>

#include "base/wide_printf.h"

namespace kelno {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 units");

void DebugOut(const wchar_t* text) { OutputDebugStringW(text); }

void DebugOutF(const wchar_t* format, ...) {
    char16_t buffer[768];
    std::va_list args;
    va_start(args, format);
    const int n = FormatWideCut(buffer, std::size(buffer), reinterpret_cast<const char16_t*>(format), args);
    va_end(args);
    if (n < 0) return;
    OutputDebugStringW(reinterpret_cast<const wchar_t*>(buffer));
}

}  // namespace kelno
