// Arbitrary format texts with a fixed argument pack: the formatter must never read or write
// outside its buffer, whatever the format asks for. Formats that consume more arguments than
// the pack holds are skipped (that would be the caller's fault, not the formatter's).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "base/wide_printf.h"

namespace {

// Counts the arguments a format consumes, or returns -1 when it is not countable.
int ArgumentsNeeded(const std::u16string& format) {
    int count = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != u'%') continue;
        ++i;
        while (i < format.size() && std::u16string_view(u"-+ #0").find(format[i]) != std::u16string_view::npos) ++i;
        while (i < format.size() &&
               (format[i] == u'*' || format[i] == u'.' || (format[i] >= u'0' && format[i] <= u'9'))) {
            if (format[i] == u'*') ++count;
            ++i;
        }
        while (i < format.size() && std::u16string_view(u"hlwIztj36").find(format[i]) != std::u16string_view::npos) ++i;
        if (i < format.size() && format[i] != u'%') ++count;
    }
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::u16string format(size / 2, u'\0');
    if (!format.empty()) std::memcpy(format.data(), data, format.size() * 2);
    format = format.c_str();  // up to the first NUL
    if (ArgumentsNeeded(format) > 4) return 0;
    // Every argument is a pointer-sized value that is valid as an integer and as either kind
    // of string.
    static const char16_t wide[] = u"wide";
    static const char narrow[] = "narrow";
    (void)narrow;
    char16_t out[40];
    const std::size_t capacity = 1 + (size % 39);
    kelno::FormatWideArgs(out, capacity, format.c_str(), wide, wide, wide, wide);
    return 0;
}
