#include "driverui/core/error_text.h"

#include <algorithm>

#include "driverui/core/narrow_text.h"

namespace kelno {

namespace {

constexpr std::size_t kResourceTextUnits = 255;  // a 256-unit buffer with its terminator

void AppendNumber(std::u16string& out, std::uint32_t value, char16_t conversion) {
    if (conversion == u'd' && static_cast<std::int32_t>(value) < 0) {
        out.push_back(u'-');
        value = 0u - value;
    }
    const unsigned base = (conversion == u'x' || conversion == u'X') ? 16 : 10;
    const char16_t* digits = conversion == u'X' ? u"0123456789ABCDEF" : u"0123456789abcdef";
    char16_t reversed[16];
    std::size_t n = 0;
    do {
        reversed[n++] = digits[value % base];
        value /= base;
    } while (value != 0);
    while (n > 0) out.push_back(reversed[--n]);
}

}  // namespace

ErrorTextArg ErrorTextArg::Text(const char16_t* text, std::size_t capacity) {
    if (!text) return ErrorTextArg();
    return ErrorTextArg(FixedText(text, capacity));
}

std::u16string ExpandErrorText(std::u16string_view format, std::span<const ErrorTextArg> args,
                               const StringLookup& strings) {
    static const ErrorTextArg kMissing = ErrorTextArg::Text(nullptr, 0);
    std::size_t next = 0;
    const auto take = [&]() -> const ErrorTextArg& { return next < args.size() ? args[next++] : kMissing; };

    std::u16string out;
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char16_t c = format[i];
        const char16_t conversion = i + 1 < format.size() ? format[i + 1] : u'\0';
        if (c != u'%' || std::u16string_view(u"!scduxX").find(conversion) == std::u16string_view::npos ||
            conversion == u'\0') {
            out.push_back(c);
            continue;
        }
        ++i;
        const ErrorTextArg& arg = take();
        switch (conversion) {
            case u'!': {
                if (arg.kind() != ErrorTextArg::Kind::Number) break;
                const std::u16string text = LookUpString(strings, arg.number());
                const std::u16string_view view = FixedText(text.data(), std::min(text.size(), kResourceTextUnits));
                out.append(view);
                break;
            }
            case u's':
                if (arg.kind() == ErrorTextArg::Kind::Text) out.append(arg.text());
                else out.push_back(u' ');
                break;
            case u'c':
                if ((arg.kind() == ErrorTextArg::Kind::Character || arg.kind() == ErrorTextArg::Kind::Number) &&
                    arg.number() != 0)
                    out.push_back(static_cast<char16_t>(arg.number()));
                break;
            default: AppendNumber(out, arg.kind() == ErrorTextArg::Kind::Text ? 0 : arg.number(), conversion); break;
        }
    }
    return out;
}

std::size_t FormatErrorText(char16_t* out, std::size_t capacity, std::size_t* needed, std::u16string_view format,
                            std::span<const ErrorTextArg> args, const StringLookup& strings) {
    const std::u16string text = ExpandErrorText(format, args, strings);
    if (needed) *needed = text.size() + 1;
    if (!out || capacity == 0) return 0;
    const std::size_t n = std::min(text.size(), capacity - 1);
    std::copy_n(text.data(), n, out);
    out[n] = u'\0';
    return n;
}

}  // namespace kelno
