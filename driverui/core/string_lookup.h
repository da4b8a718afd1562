#pragma once
// The DLL's string table as the portable core sees it: the text of a string-resource id, or
// an empty text when the id has none. The Win32 shell passes its LoadStringW lookup; tests
// pass a table.
#include <cstdint>
#include <functional>
#include <string>

namespace kelno {

using StringLookup = std::function<std::u16string(std::uint32_t id)>;

// Calls lookup when there is one; an empty text otherwise.
inline std::u16string LookUpString(const StringLookup& lookup, std::uint32_t id) {
    return lookup ? lookup(id) : std::u16string();
}

}  // namespace kelno
