#pragma once
// Small Win32 helpers of the discovery code: UTF-8 text for the log lines, the ANSI code-page
// conversions that the portable rules take as function pointers, and owners of SetupAPI device
// information sets and registry keys.
#include <windows.h>
#include <setupapi.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "base/text.h"

namespace kelno {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide text is UTF-16");

// Views of wide text as the portable code takes it. A null pointer gives "".
inline std::u16string_view U16View(const wchar_t* text) {
    return text ? std::u16string_view(reinterpret_cast<const char16_t*>(text)) : std::u16string_view();
}
// Text of a fixed buffer: up to its terminator, never past capacity units.
inline std::u16string_view U16View(const wchar_t* text, std::size_t capacity) {
    return text ? std::u16string_view(reinterpret_cast<const char16_t*>(text), LengthBounded(text, capacity))
                : std::u16string_view();
}
inline const wchar_t* WidePtr(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
inline const wchar_t* WidePtr(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

// UTF-8 for the log. Unpaired surrogates become U+FFFD; a null pointer gives "".
std::string Utf8(std::u16string_view text);
inline std::string Utf8(const wchar_t* text) { return Utf8(U16View(text)); }

// The system's ANSI code page (CP_ACP), in the shapes of discovery/ansi_text.h.
std::string AnsiFromU16(std::u16string_view text);
std::u16string U16FromAnsi(std::string_view text);

// Owns a SetupAPI device information set.
class DevInfoSet {
public:
    DevInfoSet() = default;
    explicit DevInfoSet(HDEVINFO set) : set_(set) {}
    ~DevInfoSet() { Reset(); }
    DevInfoSet(const DevInfoSet&) = delete;
    DevInfoSet& operator=(const DevInfoSet&) = delete;

    bool Valid() const { return set_ != INVALID_HANDLE_VALUE && set_ != nullptr; }
    HDEVINFO Get() const { return set_; }
    void Reset();

private:
    HDEVINFO set_ = INVALID_HANDLE_VALUE;
};

// Owns an open registry key. SetupAPI reports a failed open as INVALID_HANDLE_VALUE, which is
// treated as no key.
class RegKey {
public:
    RegKey() = default;
    explicit RegKey(HKEY key) : key_(key) {}
    ~RegKey() { Reset(); }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    bool Valid() const { return key_ != nullptr && key_ != static_cast<HKEY>(INVALID_HANDLE_VALUE); }
    HKEY Get() const { return key_; }
    // For calls that return a key through a pointer; closes the key held before.
    HKEY* Receive() {
        Reset();
        return &key_;
    }
    void Reset();

private:
    HKEY key_ = nullptr;
};

// The detail of one device interface: its device path and, when asked for, its device.
class InterfaceDetail {
public:
    enum class Status { ok, sizeQueryFailed, sizeInvalid, allocationFailed, readFailed };

    // Size query, allocation, read. error() is the system error of a failed query or read.
    Status Read(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& deviceInterface, SP_DEVINFO_DATA* device = nullptr);

    DWORD RequiredSize() const { return required_; }
    DWORD Error() const { return error_; }
    // The path, bounded by the bytes the system returned; "" before a successful read.
    std::u16string_view Path() const { return path_; }
    // The same path, terminated.
    const wchar_t* PathZ() const { return WidePtr(path_.c_str()); }

private:
    DWORD required_ = 0;
    DWORD error_ = ERROR_SUCCESS;
    std::u16string path_;
};

// A string value (REG_SZ or REG_EXPAND_SZ) of any length up to maxChars characters: size query,
// then read. nullopt when the value is missing, has another type, is longer, or changed between
// the two calls; error (when given) receives the reason (ERROR_FILE_NOT_FOUND, ERROR_INVALID_DATATYPE,
// ERROR_MORE_DATA, ...).
std::optional<std::u16string> ReadRegistryString(HKEY key, const wchar_t* name, std::size_t maxChars,
                                                 LONG* error = nullptr);

// A REG_DWORD value; nullopt when missing or of another type or size.
std::optional<DWORD> ReadRegistryDword(HKEY key, const wchar_t* name);

}  // namespace kelno
