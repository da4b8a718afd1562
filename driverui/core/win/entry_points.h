#pragma once
// What the exports of kelnodrv6ui do. exports.cpp wraps each in the export with the Windows
// printer-driver signature and keeps exceptions from crossing into the caller.
#include <windows.h>
#include <commctrl.h>
#include <compstui.h>

#include "driverui/core/win/driver_interface.h"

namespace kelno {

// DrvDocumentPropertySheets: printing preferences, and without property-sheet info the
// DEVMODE queries of DocumentProperties.
LONG DocumentPropertySheets(PROPSHEETUI_INFO* info, LPARAM parameter);
// DrvDevicePropertySheets: the printer properties sheet.
LONG DevicePropertySheets(PROPSHEETUI_INFO* info, LPARAM parameter);

// DrvDeviceCapabilities and DrvSplDeviceCaps.
DWORD DeviceCapabilities(HANDLE printer, const wchar_t* deviceName, WORD index, void* output, const DEVMODEW* devmode);
DWORD SplDeviceCapabilities(HANDLE printer, const wchar_t* deviceName, WORD index, void* output, DWORD outputUnits,
                            const DEVMODEW* devmode);

// DrvConvertDevMode.
BOOL ConvertDevMode(const wchar_t* printerName, const DEVMODEW* input, DEVMODEW* output, LONG* size, DWORD mode);

// DrvPrinterEvent and DrvUpgradePrinter: the model's papers become the printer's "FORMS".
BOOL PrinterEvent(const wchar_t* printerName, int event, DWORD flags, LPARAM parameter);
BOOL UpgradePrinter(DWORD level, const BYTE* upgradeInfo);

// DevQueryPrintEx.
BOOL QueryPrintJob(DevQueryPrintInfo* info);

}  // namespace kelno
