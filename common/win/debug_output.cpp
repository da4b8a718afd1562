#include "common/win/debug_output.h"

#include <cstdarg>
#include <iterator>

#include "base/wide_printf.h"
#include "base/win/wide_text.h"

namespace kelno {

void DebugOut(const wchar_t* text) { OutputDebugStringW(text); }

void DebugOutF(const wchar_t* format, ...) {
    char16_t buffer[768];
    std::va_list args;
    va_start(args, format);
    const int n = FormatWideCut(buffer, std::size(buffer), U16Ptr(format), args);
    va_end(args);
    if (n < 0) return;
    OutputDebugStringW(WidePtr(buffer));
}

}  // namespace kelno
