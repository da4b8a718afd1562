#pragma once
// Bounded text helpers shared by the portable core and the Win32 code. Every copy is
// bounded by its destination and always leaves it terminated.
#include <cstddef>
#include <string>
#include <string_view>

namespace kelno {

// Copies at most capacity-1 units of src into dst and terminates it. Returns false when src
// had to be cut. capacity 0 writes nothing and returns false.
template <typename Char>
bool CopyBounded(Char* dst, std::size_t capacity, std::basic_string_view<Char> src) {
    if (capacity == 0) return false;
    const std::size_t n = src.size() < capacity - 1 ? src.size() : capacity - 1;
    for (std::size_t i = 0; i < n; ++i) dst[i] = src[i];
    dst[n] = Char(0);
    return n == src.size();
}

// Length of a terminated text, looking at no more than capacity units.
template <typename Char>
std::size_t LengthBounded(const Char* text, std::size_t capacity) {
    std::size_t n = 0;
    while (n < capacity && text[n] != Char(0)) ++n;
    return n;
}

// The text of a fixed field, up to its terminator and never past the field.
template <std::size_t N>
std::u16string_view FieldText(const char16_t (&field)[N]) {
    return std::u16string_view(field, LengthBounded(field, N));
}

// Copies text into a fixed field, cut to N-1 characters and terminated. False when cut.
template <std::size_t N>
bool SetField(char16_t (&field)[N], std::u16string_view text) {
    const std::size_t n = text.size() < N - 1 ? text.size() : N - 1;
    for (std::size_t i = 0; i < n; ++i) field[i] = text[i];
    for (std::size_t i = n; i < N; ++i) field[i] = u'\0';
    return n == text.size();
}

// ASCII-only conversions (the names, file names and identifiers of this package are ASCII).
std::u16string AsciiToU16(std::string_view text);
std::string U16ToAscii(std::u16string_view text, char replacement = '?');

// Lowercases A-Z only, the way the hardware identifiers are compared.
std::u16string AsciiLower(std::u16string_view text);
std::string AsciiLower(std::string_view text);

}  // namespace kelno
