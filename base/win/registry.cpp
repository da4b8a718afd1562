#include "base/win/registry.h"

#include <memory>
#include <new>

#include "base/win/wide_text.h"

namespace kelno {

std::optional<std::u16string> ReadRegistryString(HKEY key, const wchar_t* name, std::size_t maxChars, LONG* error) {
    LONG dummy = ERROR_SUCCESS;
    LONG& result = error ? *error : dummy;
    DWORD type = 0;
    DWORD bytes = 0;
    result = RegQueryValueExW(key, name, nullptr, &type, nullptr, &bytes);
    if (result != ERROR_SUCCESS) return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ) {
        result = ERROR_INVALID_DATATYPE;
        return std::nullopt;
    }
    // The stored text may lack its terminator: room for maxChars characters and one more.
    const std::size_t limitBytes = (maxChars + 1) * sizeof(wchar_t);
    if (bytes > limitBytes) {
        result = ERROR_MORE_DATA;
        return std::nullopt;
    }
    const std::size_t units = bytes / sizeof(wchar_t) + 1;
    std::unique_ptr<wchar_t[]> buffer(new (std::nothrow) wchar_t[units]());
    if (!buffer) {
        result = ERROR_NOT_ENOUGH_MEMORY;
        return std::nullopt;
    }
    DWORD read = static_cast<DWORD>(units * sizeof(wchar_t));
    result = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.get()), &read);
    if (result != ERROR_SUCCESS) return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ) {
        result = ERROR_INVALID_DATATYPE;
        return std::nullopt;
    }
    const std::u16string_view text = U16View(buffer.get(), read / sizeof(wchar_t));
    if (text.size() > maxChars) {
        result = ERROR_MORE_DATA;
        return std::nullopt;
    }
    return std::u16string(text);
}

std::optional<DWORD> ReadRegistryDword(HKEY key, const wchar_t* name) {
    DWORD type = 0;
    DWORD value = 0;
    DWORD bytes = sizeof(value);
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    if (type != REG_DWORD || bytes != sizeof(value)) return std::nullopt;
    return value;
}

}  // namespace kelno
