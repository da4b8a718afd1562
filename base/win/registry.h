#pragma once
// Reads of registry values that bound what they take: a stored string may lack its terminator
// or be longer than asked for, a DWORD may be stored with another type or size.
#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>

namespace kelno {

// A string value (REG_SZ or REG_EXPAND_SZ) of any length up to maxChars characters: size query,
// then read. nullopt when the value is missing, has another type, is longer, or changed between
// the two calls; error (when given) receives the reason (ERROR_FILE_NOT_FOUND, ERROR_INVALID_DATATYPE,
// ERROR_MORE_DATA, ...).
std::optional<std::u16string> ReadRegistryString(HKEY key, const wchar_t* name, std::size_t maxChars,
                                                 LONG* error = nullptr);

// A REG_DWORD value; nullopt when missing or of another type or size.
std::optional<DWORD> ReadRegistryDword(HKEY key, const wchar_t* name);

}  // namespace kelno
