#pragma once
// The error texts of DevQueryPrintEx: a small printf-like formatter whose "%!" inserts a
// string resource. Conversions:
//   %!   the next argument is a string-resource id; its text (at most 255 units), empty when missing
//   %s   the next argument as text; a null text gives one blank
//   %c   the next argument as one character
//   %d %u %x %X   the next argument as a 32-bit signed, unsigned, hex or upper-case hex number
// Any other character, a '%' included, is copied as it is. The arguments are typed values, so
// a format that asks for more than it is given reads no stray memory: the missing ones are
// empty texts and zeros.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "driverui/core/string_lookup.h"

namespace kelno {

class ErrorTextArg {
public:
    ErrorTextArg(std::int32_t value) : kind_(Kind::Number), number_(static_cast<std::uint32_t>(value)) {}
    ErrorTextArg(std::uint32_t value) : kind_(Kind::Number), number_(value) {}
    ErrorTextArg(std::u16string_view text) : kind_(Kind::Text), text_(text) {}
    ErrorTextArg(char16_t character) : kind_(Kind::Character), number_(character) {}

    // A text in a fixed buffer of capacity units (it need not be terminated); null gives the
    // null text.
    static ErrorTextArg Text(const char16_t* text, std::size_t capacity);

    enum class Kind { Number, Text, NullText, Character };
    Kind kind() const { return kind_; }
    std::uint32_t number() const { return number_; }
    std::u16string_view text() const { return text_; }

private:
    ErrorTextArg() = default;
    Kind kind_ = Kind::NullText;
    std::uint32_t number_ = 0;
    std::u16string_view text_;
};

// The expanded text, whole.
std::u16string ExpandErrorText(std::u16string_view format, std::span<const ErrorTextArg> args,
                               const StringLookup& strings);

// Writes the expansion into out (capacity units, always terminated when capacity > 0, cut at
// the end) and returns the units written without the terminator. needed, when given, receives
// the full expanded length plus 1.
std::size_t FormatErrorText(char16_t* out, std::size_t capacity, std::size_t* needed, std::u16string_view format,
                            std::span<const ErrorTextArg> args, const StringLookup& strings);

}  // namespace kelno
