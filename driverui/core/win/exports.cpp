// The exports of kelnodrv6ui with the Windows printer-driver signatures. Each one forwards to
// entry_points.h and keeps exceptions (an allocation failure) from reaching the spooler, GDI or
// the common UI: the caller gets the export's failure value and the last error instead, and the
// debugger output says which export stopped what.
#include <windows.h>
#include <commctrl.h>
#include <compstui.h>

#include "base/win/boundary.h"
#include "driverui/core/win/driver_interface.h"
#include "driverui/core/win/entry_points.h"
#include "driverui/core/win/module.h"

using kelno::Guarded;
using kelno::LastError;

extern "C" LONG WINAPI DrvDocumentPropertySheets(PPROPSHEETUI_INFO info, LPARAM parameter) {
    return Guarded<LONG>(
        "DrvDocumentPropertySheets", -1, [&] { return kelno::DocumentPropertySheets(info, parameter); },
        LastError::set);
}

extern "C" LONG WINAPI DrvDevicePropertySheets(PPROPSHEETUI_INFO info, LPARAM parameter) {
    return Guarded<LONG>(
        "DrvDevicePropertySheets", -1, [&] { return kelno::DevicePropertySheets(info, parameter); }, LastError::set);
}

extern "C" DWORD WINAPI DrvDeviceCapabilities(HANDLE printer, PWSTR deviceName, WORD index, PVOID output,
                                              PDEVMODEW devmode) {
    return Guarded<DWORD>(
        "DrvDeviceCapabilities", GDI_ERROR,
        [&] { return kelno::DeviceCapabilities(printer, deviceName, index, output, devmode); }, LastError::set);
}

extern "C" DWORD WINAPI DrvSplDeviceCaps(HANDLE printer, PWSTR deviceName, WORD index, PVOID output, DWORD outputUnits,
                                         PDEVMODEW devmode) {
    return Guarded<DWORD>(
        "DrvSplDeviceCaps", GDI_ERROR,
        [&] { return kelno::SplDeviceCapabilities(printer, deviceName, index, output, outputUnits, devmode); },
        LastError::set);
}

extern "C" BOOL WINAPI DrvConvertDevMode(LPWSTR printerName, PDEVMODEW input, PDEVMODEW output, PLONG size,
                                         DWORD mode) {
    return Guarded<BOOL>(
        "DrvConvertDevMode", FALSE, [&] { return kelno::ConvertDevMode(printerName, input, output, size, mode); },
        LastError::set);
}

extern "C" BOOL WINAPI DrvPrinterEvent(LPWSTR printerName, INT event, DWORD flags, LPARAM parameter) {
    return Guarded<BOOL>(
        "DrvPrinterEvent", FALSE, [&] { return kelno::PrinterEvent(printerName, event, flags, parameter); },
        LastError::set);
}

extern "C" BOOL WINAPI DrvUpgradePrinter(DWORD level, LPBYTE upgradeInfo) {
    return Guarded<BOOL>(
        "DrvUpgradePrinter", FALSE, [&] { return kelno::UpgradePrinter(level, upgradeInfo); }, LastError::set);
}

extern "C" BOOL WINAPI DevQueryPrintEx(kelno::DevQueryPrintInfo* info) {
    return Guarded<BOOL>(
        "DevQueryPrintEx", FALSE, [&] { return kelno::QueryPrintJob(info); }, LastError::set);
}
