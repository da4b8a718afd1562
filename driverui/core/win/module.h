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

}  // namespace kelno
