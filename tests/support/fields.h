#pragma once
// The engine's fixed UTF-16 fields (char16_t arrays) written and read as wide strings.
#include <cstddef>
#include <string>
#include <string_view>

#include "base/text.h"

namespace kelno::test {

template <std::size_t N>
void SetWideField(char16_t (&field)[N], const std::wstring& text) {
    SetField(field, std::u16string_view(reinterpret_cast<const char16_t*>(text.c_str()), text.size()));
}

template <std::size_t N>
std::wstring WideField(const char16_t (&field)[N]) {
    const auto text = FieldText(field);
    return std::wstring(text.begin(), text.end());
}

}  // namespace kelno::test
