// A configuration DLL of the tests' own, for print queues that must not depend on the package's
// kelnodrv6ui.dll: the install tests put it in that DLL's place, the port and removal tests use it
// for their own queue driver ("Kelno Test Queue Driver"). Wine's AddPrinterW asks the queue's
// configuration DLL for the default DEVMODE (DrvDocumentPropertySheets without property-sheet
// info) and calls an export it does not find through a null pointer, so every export the
// spooler calls is here. The default is the plain public DEVMODEW; there are no pages.
#include <windows.h>
#include <winspool.h>

#include "driverui/core/win/driver_interface.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}

// fMode 0 (or no output) asks for the size; otherwise the default DEVMODE goes to pdmOut.
extern "C" LONG WINAPI DrvDocumentPropertySheets(PPROPSHEETUI_INFO info, LPARAM parameter) {
    auto* header = reinterpret_cast<kelno::DocumentPropertyHeader*>(parameter);
    if (info || !header) return -1;
    if (header->fMode == 0 || !header->pdmOut) return sizeof(DEVMODEW);
    DEVMODEW devmode{};
    devmode.dmSize = sizeof(devmode);
    devmode.dmSpecVersion = DM_SPECVERSION;
    devmode.dmDriverVersion = 0x0100;
    devmode.dmFields = DM_ORIENTATION | DM_COPIES;
    devmode.dmOrientation = DMORIENT_PORTRAIT;
    devmode.dmCopies = 1;
    if (header->pszPrinterName) lstrcpynW(devmode.dmDeviceName, header->pszPrinterName, CCHDEVICENAME);
    CopyMemory(header->pdmOut, &devmode, sizeof(devmode));
    return IDOK;
}

extern "C" DWORD WINAPI DrvDeviceCapabilities(HANDLE, PWSTR, WORD, PVOID, PDEVMODEW) { return GDI_ERROR; }

extern "C" BOOL WINAPI DrvDriverEvent(DWORD, DWORD, LPBYTE, LPARAM) { return TRUE; }

extern "C" BOOL WINAPI DrvPrinterEvent(LPWSTR, INT, DWORD, LPARAM) { return TRUE; }
