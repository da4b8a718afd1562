#include "discovery/registry_text.h"

namespace kelno {

std::u16string_view RegistryStringText(const char16_t* data, std::size_t byteCount) {
    if (!data) return {};
    const std::size_t units = byteCount / sizeof(char16_t);
    std::size_t n = 0;
    while (n < units && data[n] != u'\0') ++n;
    return std::u16string_view(data, n);
}

std::u16string_view FirstMultiString(const char16_t* data, std::size_t byteCount) {
    return RegistryStringText(data, byteCount);
}

}  // namespace kelno
