#pragma once
// Reading text out of registry and SetupAPI buffers. Such data need not be terminated and its
// size comes in bytes; these views never look past the bytes that were returned.
#include <cstddef>
#include <string_view>

namespace kelno {

// A REG_SZ/REG_EXPAND_SZ value of byteCount bytes: the text up to the first NUL or the end of
// the data, whichever comes first. An odd last byte is ignored. Null data gives "".
std::u16string_view RegistryStringText(const char16_t* data, std::size_t byteCount);

// The first string of a REG_MULTI_SZ value (a hardware identifier list), bounded the same way.
std::u16string_view FirstMultiString(const char16_t* data, std::size_t byteCount);

}  // namespace kelno
