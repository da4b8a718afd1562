#include "engine/win/progress.h"

#include <cstdarg>
#include <algorithm>
#include <iterator>
#include <string_view>

#include "base/wide_printf.h"
#include "base/win/wide_text.h"

namespace kelno {

void LoadEngineText(const ProgressSink& sink, EngineText text, wchar_t* out, std::size_t capacity) {
    if (capacity == 0) return;
    out[0] = 0;
    const auto index = static_cast<std::size_t>(text);
    if (!sink.textIds || index >= kEngineTextCount) return;
    HINSTANCE module = sink.resources ? sink.resources : GetModuleHandleW(nullptr);
    if (LoadStringW(module, sink.textIds[index], out, static_cast<int>(capacity)) <= 0) out[0] = 0;
}

void SendProgressText(const ProgressSink& sink, const wchar_t* text) {
    if (sink.window && text) SendMessageW(sink.window, sink.message, 0, reinterpret_cast<LPARAM>(text));
}

void SendProgress(const ProgressSink& sink, EngineText text, ...) {
    if (!sink.window) return;
    wchar_t format[260];
    LoadEngineText(sink, text, format, std::size(format));
    char16_t line[kProgressLineChars + 1];
    const std::size_t capacity = std::min(std::size(line), std::max<std::size_t>(sink.lineChars, 2) + 1);
    std::va_list args;
    va_start(args, text);
    const int n = FormatWideCut(line, capacity, U16Ptr(format), args);
    va_end(args);
    if (n < 0) return;
    // A cut line still ends the way the format does, so the next line starts on its own.
    const std::wstring_view formatText(format);
    const bool endsLine = formatText.size() >= 2 && formatText.substr(formatText.size() - 2) == L"\r\n";
    if (endsLine && static_cast<std::size_t>(n) == capacity - 1 && n >= 2 &&
        !(line[n - 2] == u'\r' && line[n - 1] == u'\n')) {
        line[n - 2] = u'\r';
        line[n - 1] = u'\n';
    }
    SendProgressText(sink, WidePtr(line));
}

}  // namespace kelno
