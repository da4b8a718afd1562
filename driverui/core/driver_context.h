#pragma once
// The portable state of a driver context: what every export of the configuration DLL builds
// for one printer before it does its work. The Win32 shell adds the handles and the common-UI
// pieces and supplies the printer's data; everything computed from that data lives here.
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "driverui/core/devmode.h"
#include "driverui/core/forms.h"
#include "driverui/core/paper_record.h"
#include "driverui/core/printer_model.h"

namespace kelno {

struct DriverContextState {
    PrinterModel model;
    std::uint16_t permission = 0;  // bit 0: the user may change settings
    std::uint32_t mergeMask = 0;   // of the last DEVMODE merge
    DriverDevmode devmode{};
    CurrentFormRecord currentForm{};
    std::uint32_t printerDataFlags = kPrinterDataFlagsUnread;
    char16_t logFolder[kLogFolderUnits] = {};
    std::uint32_t measureUnit = 0;  // 0 mm, 1 cm, 2 inch
};

struct ContextSources {
    std::u16string_view printerName;
    // The printer's "FORMS" bytes, when it has that value.
    std::optional<std::span<const std::uint8_t>> storedForms;
    // PRINTER_INFO_2's pDevMode and the caller's DEVMODE; empty when there is none.
    std::span<const std::uint8_t> printerDevmode;
    std::span<const std::uint8_t> callerDevmode;
    PrinterDataSource printer;
};

// Fills a context whose model record is loaded: the printer's forms replace the model's
// papers, the driver default is merged with the printer's and the caller's DEVMODE, and the
// current form is chosen. Afterwards dmPaperWidth and dmPaperLength of the context DEVMODE
// hold the printable area of the current form (tenths of a millimetre).
void PrepareContext(DriverContextState& context, const ContextSources& sources);

}  // namespace kelno
