#include "base/wide_printf.h"

#include <cstdint>
#include <type_traits>

namespace kelno {
namespace {

class Output {
public:
    Output(char16_t* dst, std::size_t capacity) : dst_(dst), capacity_(capacity) {}
    void Put(char16_t c) {
        if (length_ + 1 < capacity_) dst_[length_] = c;
        else overflow_ = true;
        ++length_;
    }
    void Repeat(char16_t c, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) Put(c);
    }
    // The text that did not fit is either refused ("" and -1) or cut to the destination, never
    // in the middle of a surrogate pair.
    int Finish(bool cut) {
        if (capacity_ == 0) return -1;
        if (overflow_ && !cut) {
            dst_[0] = 0;
            return -1;
        }
        if (overflow_) {
            std::size_t n = capacity_ - 1;
            if (n > 0 && dst_[n - 1] >= 0xD800 && dst_[n - 1] <= 0xDBFF) --n;
            dst_[n] = 0;
            return static_cast<int>(n);
        }
        dst_[length_] = 0;
        return static_cast<int>(length_);
    }

private:
    char16_t* dst_;
    std::size_t capacity_;
    std::size_t length_ = 0;
    bool overflow_ = false;
};

struct Directive {
    bool left = false, plus = false, space = false, alt = false, zero = false;
    int width = 0;
    int precision = -1;
};

enum class Size { Default, Char, Short, Long, LongLong, Pointer, Wide, Narrow };

// Emits body with sign/prefix and padding as the directive's flags and width ask.
void EmitPadded(Output& out, const Directive& directive, const char16_t* prefix, const char16_t* body,
                std::size_t bodyLen, bool numeric) {
    std::size_t prefixLen = 0;
    while (prefix[prefixLen]) ++prefixLen;
    const std::size_t total = prefixLen + bodyLen;
    const std::size_t pad = directive.width > 0 && static_cast<std::size_t>(directive.width) > total
                                ? static_cast<std::size_t>(directive.width) - total
                                : 0;
    const bool zeroPad = numeric && directive.zero && !directive.left && directive.precision < 0;
    if (!directive.left && !zeroPad) out.Repeat(u' ', pad);
    for (std::size_t i = 0; i < prefixLen; ++i) out.Put(prefix[i]);
    if (zeroPad) out.Repeat(u'0', pad);
    for (std::size_t i = 0; i < bodyLen; ++i) out.Put(body[i]);
    if (directive.left) out.Repeat(u' ', pad);
}

void EmitInteger(Output& out, const Directive& directive, std::uint64_t magnitude, bool negative, unsigned base,
                 bool upper, bool isSigned) {
    char16_t digits[72];
    std::size_t n = 0;
    const char16_t* alphabet = upper ? u"0123456789ABCDEF" : u"0123456789abcdef";
    do {
        digits[n++] = alphabet[magnitude % base];
        magnitude /= base;
    } while (magnitude != 0 && n < 64);
    // Precision is the minimum number of digits; precision 0 with value 0 prints nothing.
    if (directive.precision == 0 && n == 1 && digits[0] == u'0') n = 0;
    const std::size_t minDigits =
        directive.precision > 0 ? static_cast<std::size_t>(directive.precision > 64 ? 64 : directive.precision) : 0;
    while (n < minDigits) digits[n++] = u'0';
    char16_t body[72];
    for (std::size_t i = 0; i < n; ++i) body[i] = digits[n - 1 - i];

    const char16_t* prefix = u"";
    if (isSigned) {
        if (negative) prefix = u"-";
        else if (directive.plus) prefix = u"+";
        else if (directive.space) prefix = u" ";
    } else if (directive.alt && n > 0 && !(n == 1 && body[0] == u'0')) {
        if (base == 16) prefix = upper ? u"0X" : u"0x";
        else if (base == 8 && body[0] != u'0') prefix = u"0";
    }
    EmitPadded(out, directive, prefix, body, n, true);
}

template <typename Char>
void EmitString(Output& out, const Directive& directive, const Char* text) {
    static constexpr char16_t kNull[] = u"(null)";
    std::size_t len = 0;
    if (!text) {
        len = 6;
    } else {
        while ((directive.precision < 0 || len < static_cast<std::size_t>(directive.precision)) && text[len]) ++len;
    }
    if (text == nullptr && directive.precision >= 0 && len > static_cast<std::size_t>(directive.precision))
        len = static_cast<std::size_t>(directive.precision);
    const std::size_t pad = directive.width > 0 && static_cast<std::size_t>(directive.width) > len
                                ? static_cast<std::size_t>(directive.width) - len
                                : 0;
    if (!directive.left) out.Repeat(u' ', pad);
    for (std::size_t i = 0; i < len; ++i)
        out.Put(text ? static_cast<char16_t>(static_cast<std::make_unsigned_t<Char>>(text[i])) : kNull[i]);
    if (directive.left) out.Repeat(u' ', pad);
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Reads a decimal count; false when it would exceed a sane field width.
bool ReadCount(const char16_t*& p, int& value) {
    value = 0;
    while (IsDigit(*p)) {
        value = value * 10 + (*p - u'0');
        if (value > 100000) return false;
        ++p;
    }
    return true;
}

int Format(char16_t* dst, std::size_t capacity, const char16_t* format, std::va_list args, bool cut) {
    if (!dst || !format) return -1;
    Output out(dst, capacity);
    std::va_list ap;
    va_copy(ap, args);
    bool malformed = false;

    for (const char16_t* p = format; *p && !malformed; ++p) {
        if (*p != u'%') {
            out.Put(*p);
            continue;
        }
        ++p;
        Directive directive;
        for (;; ++p) {
            if (*p == u'-') directive.left = true;
            else if (*p == u'+') directive.plus = true;
            else if (*p == u' ') directive.space = true;
            else if (*p == u'#') directive.alt = true;
            else if (*p == u'0') directive.zero = true;
            else break;
        }
        if (*p == u'*') {
            directive.width = va_arg(ap, int);
            if (directive.width < 0) {
                directive.left = true;
                directive.width = directive.width == INT32_MIN ? 0 : -directive.width;
            }
            if (directive.width > 100000) {
                malformed = true;
                break;
            }
            ++p;
        } else if (!ReadCount(p, directive.width)) {
            malformed = true;
            break;
        }
        if (*p == u'.') {
            ++p;
            if (*p == u'*') {
                directive.precision = va_arg(ap, int);
                if (directive.precision < 0) directive.precision = -1;
                if (directive.precision > 100000) {
                    malformed = true;
                    break;
                }
                ++p;
            } else if (!ReadCount(p, directive.precision)) {
                malformed = true;
                break;
            }
        }
        Size size = Size::Default;
        if (*p == u'h') {
            ++p;
            size = Size::Short;
            if (*p == u'h') {
                size = Size::Char;
                ++p;
            }
        } else if (*p == u'l') {
            ++p;
            size = Size::Long;
            if (*p == u'l') {
                size = Size::LongLong;
                ++p;
            }
        } else if (*p == u'w') {
            size = Size::Wide;
            ++p;
        } else if (*p == u'I') {
            ++p;
            if (p[0] == u'6' && p[1] == u'4') {
                size = Size::LongLong;
                p += 2;
            } else if (p[0] == u'3' && p[1] == u'2') {
                size = Size::Default;
                p += 2;
            } else size = Size::Pointer;
        } else if (*p == u'z' || *p == u't') {
            size = Size::Pointer;
            ++p;
        } else if (*p == u'j') {
            size = Size::LongLong;
            ++p;
        }

        const char16_t conv = *p;
        switch (conv) {
            case u'%': out.Put(u'%'); break;
            case u'd':
            case u'i': {
                std::int64_t v;
                switch (size) {
                    case Size::Char: v = static_cast<signed char>(va_arg(ap, int)); break;
                    case Size::Short: v = static_cast<short>(va_arg(ap, int)); break;
                    case Size::Long: v = va_arg(ap, long); break;
                    case Size::LongLong: v = va_arg(ap, long long); break;
                    case Size::Pointer: v = static_cast<std::int64_t>(va_arg(ap, std::ptrdiff_t)); break;
                    case Size::Default: v = va_arg(ap, int); break;
                    default:
                        malformed = true;
                        v = 0;
                        break;
                }
                if (malformed) break;
                const bool negative = v < 0;
                const std::uint64_t magnitude =
                    negative ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
                EmitInteger(out, directive, magnitude, negative, 10, false, true);
                break;
            }
            case u'u':
            case u'o':
            case u'x':
            case u'X': {
                std::uint64_t v;
                switch (size) {
                    case Size::Char: v = static_cast<unsigned char>(va_arg(ap, unsigned)); break;
                    case Size::Short: v = static_cast<unsigned short>(va_arg(ap, unsigned)); break;
                    case Size::Long: v = va_arg(ap, unsigned long); break;
                    case Size::LongLong: v = va_arg(ap, unsigned long long); break;
                    case Size::Pointer: v = va_arg(ap, std::size_t); break;
                    case Size::Default: v = va_arg(ap, unsigned); break;
                    default:
                        malformed = true;
                        v = 0;
                        break;
                }
                if (malformed) break;
                const unsigned base = conv == u'u' ? 10 : conv == u'o' ? 8 : 16;
                EmitInteger(out, directive, v, false, base, conv == u'X', false);
                break;
            }
            case u'p': {
                Directive pointerDirective = directive;
                pointerDirective.precision = static_cast<int>(sizeof(void*) * 2);
                EmitInteger(out, pointerDirective, reinterpret_cast<std::uintptr_t>(va_arg(ap, void*)), false, 16, true,
                            false);
                break;
            }
            case u'c':
            case u'C': {
                const bool narrow = (conv == u'C' && size != Size::Long && size != Size::Wide) || size == Size::Short;
                const int value = va_arg(ap, int);
                char16_t c =
                    narrow ? static_cast<char16_t>(static_cast<unsigned char>(value)) : static_cast<char16_t>(value);
                Directive charDirective = directive;
                charDirective.precision = -1;
                EmitPadded(out, charDirective, u"", &c, 1, false);
                break;
            }
            case u's':
            case u'S': {
                const bool narrow = (conv == u'S' && size != Size::Long && size != Size::Wide) || size == Size::Short;
                const void* text = va_arg(ap, const void*);
                if (narrow) EmitString(out, directive, static_cast<const char*>(text));
                else EmitString(out, directive, static_cast<const char16_t*>(text));
                break;
            }
            default:  // end of format, floating point, %n or an unknown conversion
                malformed = true;
                break;
        }
        if (conv == 0) break;
    }
    va_end(ap);
    const int result = out.Finish(cut);
    if (malformed) {
        if (capacity > 0) dst[0] = 0;
        return -1;
    }
    return result;
}

}  // namespace

int FormatWide(char16_t* dst, std::size_t capacity, const char16_t* format, std::va_list args) {
    return Format(dst, capacity, format, args, false);
}

int FormatWideCut(char16_t* dst, std::size_t capacity, const char16_t* format, std::va_list args) {
    return Format(dst, capacity, format, args, true);
}

int FormatWideArgs(char16_t* dst, std::size_t capacity, const char16_t* format, ...) {
    std::va_list args;
    va_start(args, format);
    const int n = FormatWide(dst, capacity, format, args);
    va_end(args);
    return n;
}

}  // namespace kelno
