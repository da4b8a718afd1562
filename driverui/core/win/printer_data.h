#pragma once
// The printer's driver data through the spooler (GetPrinterDataW/SetPrinterDataW): the keyed
// binary values, the label-stock list "FORMS", "InstalledForm" and the UI settings. The byte
// formats and their checks are the portable core's (forms.h); this file only moves bytes.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "driverui/core/forms.h"
#include "driverui/core/paper_record.h"

namespace kelno {

struct DriverContext;

// A REG_BINARY or other value with its type, when the printer has it.
struct PrinterValue {
    DWORD type = 0;
    std::vector<std::uint8_t> bytes;
};
std::optional<PrinterValue> ReadPrinterValue(HANDLE printer, const wchar_t* name);

// Keyed binary values (forms.h: KeyedValueFor). The read asks for the size first and goes on
// only when the value has exactly the key's size and REG_BINARY; buffer must hold that size
// and is left as it was on any failure.
bool ReadKeyedValue(HANDLE printer, std::span<std::uint8_t> buffer, DWORD key);
bool WriteKeyedValue(HANDLE printer, std::span<const std::uint8_t> buffer, DWORD key);

// "InstalledForm" through key 3.
std::optional<CurrentFormRecord> ReadInstalledForm(HANDLE printer);
bool WriteInstalledForm(HANDLE printer, const CurrentFormRecord& form);

// "FORMS" as stored (count = size / 112); nothing when the printer has no such value.
std::optional<std::vector<std::uint8_t>> ReadFormBytes(HANDLE printer);
std::optional<std::vector<PaperRecord>> ReadFormList(HANDLE printer);

// Reads "FORMS" and reports it the way the list queries do: entries 1 to count-1 with their
// index, then once without an entry (index count) for "USER"; at most limit calls. Returns the
// number of calls, or nothing when the list cannot be read.
std::optional<std::size_t> ReadFormList(HANDLE printer,
                                        const std::function<void(const PaperRecord*, std::size_t)>& visit,
                                        std::size_t limit);

// Printer initialisation and driver upgrade: stores the context's paper list without the
// papers below the model's minimum label size. TRUE without writing when none remains.
// Sets permission bit 0 on a successful write and clears it on a failed one.
bool SaveForms(DriverContext& context, HANDLE printer);

// Page Setup "Delete": removes the first stock of that name from "FORMS" and writes the list
// back through the printer named by the context DEVMODE. 0 when the list was written (and
// permission bit 0 is cleared), otherwise the spooler's error or ERROR_INVALID_DATA.
DWORD DeleteFormByName(DriverContext& context, std::u16string_view name);

// "PPDataFlags", "MeasureUnit" (first reset to 0) and "LogFolder", each read on its own; a
// missing or malformed value leaves the context field as it was.
void ReadUiSettings(HANDLE printer, DriverContext& context);

}  // namespace kelno
