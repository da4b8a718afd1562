#pragma once
// Conversions between the driver's UTF-16 texts and the narrow texts of the data file, the
// model database and the private DEVMODE. Windows keeps those in the ANSI code page; the
// portable core treats them as UTF-8, which is the same for the ASCII names the package ships.
// Every conversion is bounded and never fails: malformed input becomes U+FFFD.
#include <cstddef>
#include <string>
#include <string_view>

namespace kelno {

std::u16string Utf8ToU16(std::string_view text);
std::string U16ToUtf8(std::u16string_view text);

// The text in a fixed array up to its first NUL, never looking past capacity units.
template <typename Char>
std::basic_string_view<Char> FixedText(const Char* text, std::size_t capacity) {
    std::size_t n = 0;
    while (n < capacity && text[n] != Char(0)) ++n;
    return std::basic_string_view<Char>(text, n);
}

template <typename Char, std::size_t N>
std::basic_string_view<Char> FixedText(const Char (&text)[N]) {
    return FixedText(text, N);
}

// Copies text into a fixed array, cut to N-1 units and zero-filled behind it. Returns false
// when the text had to be cut.
template <typename Char, std::size_t N>
bool StoreFixedText(Char (&dst)[N], std::basic_string_view<Char> text) {
    const std::size_t n = text.size() < N - 1 ? text.size() : N - 1;
    for (std::size_t i = 0; i < N; ++i) dst[i] = i < n ? text[i] : Char(0);
    return n == text.size();
}

}  // namespace kelno
