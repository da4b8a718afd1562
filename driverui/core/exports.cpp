// The exports of kelnodrv6ui with the Windows printer-driver signatures. Each one forwards to
// entry_points.h and keeps exceptions (an allocation failure) from reaching the spooler, GDI or
// the common UI: the caller gets the export's failure value instead.
#include <windows.h>
#include <commctrl.h>
#include <compstui.h>

#include <new>

#include "driverui/core/driver_interface.h"
#include "driverui/core/entry_points.h"
#include "driverui/core/module.h"

namespace {

template <typename Result, typename Call>
Result Guarded(const char16_t* exportName, Result failure, Call call) noexcept {
    try {
        return call();
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    } catch (...) {
        SetLastError(ERROR_INTERNAL_ERROR);
    }
    try {
        kelno::DebugLine(std::u16string(exportName) + u": stopped by an exception");
    } catch (...) {
    }
    return failure;
}

}  // namespace

extern "C" LONG WINAPI DrvDocumentPropertySheets(PPROPSHEETUI_INFO info, LPARAM parameter) {
    return Guarded<LONG>(u"DrvDocumentPropertySheets", -1,
                         [&] { return kelno::DocumentPropertySheets(info, parameter); });
}

extern "C" LONG WINAPI DrvDevicePropertySheets(PPROPSHEETUI_INFO info, LPARAM parameter) {
    return Guarded<LONG>(u"DrvDevicePropertySheets", -1, [&] { return kelno::DevicePropertySheets(info, parameter); });
}

extern "C" DWORD WINAPI DrvDeviceCapabilities(HANDLE printer, PWSTR deviceName, WORD index, PVOID output,
                                              PDEVMODEW devmode) {
    return Guarded<DWORD>(u"DrvDeviceCapabilities", GDI_ERROR,
                          [&] { return kelno::DeviceCapabilities(printer, deviceName, index, output, devmode); });
}

extern "C" DWORD WINAPI DrvSplDeviceCaps(HANDLE printer, PWSTR deviceName, WORD index, PVOID output,
                                         DWORD outputUnits, PDEVMODEW devmode) {
    return Guarded<DWORD>(u"DrvSplDeviceCaps", GDI_ERROR, [&] {
        return kelno::SplDeviceCapabilities(printer, deviceName, index, output, outputUnits, devmode);
    });
}

extern "C" BOOL WINAPI DrvConvertDevMode(LPWSTR printerName, PDEVMODEW input, PDEVMODEW output, PLONG size,
                                         DWORD mode) {
    return Guarded<BOOL>(u"DrvConvertDevMode", FALSE,
                         [&] { return kelno::ConvertDevMode(printerName, input, output, size, mode); });
}

extern "C" BOOL WINAPI DrvPrinterEvent(LPWSTR printerName, INT event, DWORD flags, LPARAM parameter) {
    return Guarded<BOOL>(u"DrvPrinterEvent", FALSE,
                         [&] { return kelno::PrinterEvent(printerName, event, flags, parameter); });
}

extern "C" BOOL WINAPI DrvUpgradePrinter(DWORD level, LPBYTE upgradeInfo) {
    return Guarded<BOOL>(u"DrvUpgradePrinter", FALSE, [&] { return kelno::UpgradePrinter(level, upgradeInfo); });
}

extern "C" BOOL WINAPI DevQueryPrintEx(kelno::DevQueryPrintInfo* info) {
    return Guarded<BOOL>(u"DevQueryPrintEx", FALSE, [&] { return kelno::QueryPrintJob(info); });
}
