#include "discovery/ansi_text.h"

namespace kelno {

std::string AsciiAnsiFromU16(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else {
            // A surrogate pair is one character.
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
                ++i;
            out.push_back('?');
        }
    }
    return out;
}

std::u16string U16FromAsciiAnsi(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (unsigned char c : text) out.push_back(c < 0x80 ? static_cast<char16_t>(c) : u'\uFFFD');
    return out;
}

}  // namespace kelno
