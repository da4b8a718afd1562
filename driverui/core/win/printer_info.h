#pragma once
// Spooler queries that return a structure with the strings it points to. The answer is read
// into a buffer that usually fits; when the spooler reports ERROR_INSUFFICIENT_BUFFER it is
// read again with the size the spooler asks for. Any other failure gives nothing.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/win/scoped.h"

namespace kelno {

// GetPrinterW at the level; the buffer holds the PRINTER_INFO_n and the strings it points to.
std::optional<std::vector<std::uint8_t>> QueryPrinter(HANDLE printer, DWORD level);
// GetPrinterDriverW at the level for the native environment.
std::optional<std::vector<std::uint8_t>> QueryPrinterDriver(HANDLE printer, DWORD level);

// Opens a printer by name; with allAccess the handle may change the printer's data.
ScopedPrinter OpenPrinterByName(const wchar_t* name, bool allAccess);

// The driver name of the printer called name (PRINTER_INFO_2 pDriverName), when it can be read.
std::optional<std::wstring> DriverNameOfPrinter(const wchar_t* name);

}  // namespace kelno
