#pragma once
// The DLL's module handle and what is read through it: string resources, the model database
// document, and the debugger output of the DLL's diagnostics.
#include <windows.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "driverui/core/string_lookup.h"

namespace kelno {

// The module whose resources the DLL uses; set by DllMain on process attach.
extern HINSTANCE g_module;

// The text of string resource id in the thread's UI language (empty when there is none).
std::u16string ResourceString(std::uint32_t id);
std::wstring ResourceWString(std::uint32_t id);

// ResourceString as the portable core's lookup.
StringLookup ResourceStrings();

// The model database document (resource "JSON" 119); empty when it is missing.
std::span<const std::uint8_t> ModelDatabaseDocument();

// Writes one diagnostic line to the debugger output: cut to 767 units and ended with a line
// feed when it has none.
void DebugLine(std::u16string_view line);

// Conversions between the portable core's UTF-16 text and the wide Win32 text.
inline const wchar_t* AsWide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
inline wchar_t* AsWide(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }
inline const char16_t* AsU16(const wchar_t* text) { return reinterpret_cast<const char16_t*>(text); }
inline std::u16string_view AsU16View(const wchar_t* text) {
    return text ? std::u16string_view(AsU16(text)) : std::u16string_view();
}
static_assert(sizeof(wchar_t) == sizeof(char16_t));

}  // namespace kelno
