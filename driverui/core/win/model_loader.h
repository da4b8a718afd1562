#pragma once
// The model-record loader: the driver data file's header named by the printer's driver,
// joined with the model database for the driver's name.
#include <windows.h>

#include <optional>
#include <string>

#include "driverui/core/printer_model.h"

namespace kelno {

struct LoadedModel {
    PrinterModel model;
    std::wstring driverName;   // DRIVER_INFO_2 pName
    std::wstring printerName;  // PRINTER_INFO_1 pName cut to 31 units; filled only when asked for
};

// Reads the printer's driver (GetPrinterDriverW level 2), optionally its name (GetPrinterW
// level 1), the data file header, and applies the model database. Nothing when the driver
// information or the data file cannot be read or the header is not accepted.
std::optional<LoadedModel> LoadPrinterModel(HANDLE printer, bool withPrinterName);

// Applies the model database to a record built from a data-file header. The database is the
// DLL's own constant resource, so the result for the same header, driver name and UI language
// is kept for the life of the process (immutable, shared between threads) and handed out as
// a copy; the debug line a load writes is written again on every use.
PrinterModel ApplyModelDatabase(const PrinterModel& fromDataFile, std::u16string_view driverName);

}  // namespace kelno
