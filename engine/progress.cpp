#include "engine/progress.h"

#include <cstdarg>
#include <iterator>

#include "base/wide_printf.h"
#include "engine/wizard_messages.h"

namespace kelno {

void LoadProgramString(UINT id, wchar_t* out, std::size_t capacity) {
    if (capacity == 0) return;
    out[0] = 0;
    if (LoadStringW(GetModuleHandleW(nullptr), id, out, static_cast<int>(capacity)) <= 0) out[0] = 0;
}

void SendProgressText(HWND page, const wchar_t* text) {
    if (page && text) SendMessageW(page, WM_APPEND_LOG, 0, reinterpret_cast<LPARAM>(text));
}

void SendProgress(HWND page, UINT id, ...) {
    if (!page) return;
    wchar_t format[260];
    LoadProgramString(id, format, std::size(format));
    char16_t text[512];
    std::va_list args;
    va_start(args, id);
    const int n = FormatWide(text, std::size(text), reinterpret_cast<const char16_t*>(format), args);
    va_end(args);
    if (n < 0) return;
    SendProgressText(page, reinterpret_cast<const wchar_t*>(text));
}

}  // namespace kelno
