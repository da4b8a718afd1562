// Configuration file of the tests' queue driver ("Kelno Test Queue Driver"). The port and removal
// tests need print queues that do not depend on the package's own configuration DLL; the spooler
// loads this one when a queue is added and asks it for the default DEVMODE, which is the plain
// public DEVMODEW with no private part. It shows no pages.
#include <windows.h>
#include <winddiui.h>

#include <cstddef>

namespace {

// The spooler's DOCUMENTPROPERTYHEADER (not in mingw-w64's winddiui.h).
struct DocumentPropertyHeader {
    WORD cbSize;
    WORD Reserved;
    HANDLE hPrinter;
    LPWSTR pszPrinterName;
    PDEVMODEW pdmIn;
    PDEVMODEW pdmOut;
    DWORD cbOut;
    DWORD fMode;
};
static_assert(offsetof(DocumentPropertyHeader, pdmOut) == 32);
static_assert(sizeof(DocumentPropertyHeader) == 48);

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH)
        DisableThreadLibraryCalls(instance);
    return TRUE;
}

// Without property-sheet info: fMode 0 asks for the size; with DM_COPY the default DEVMODE goes
// to pdmOut (whatever came in: these queues have no settings of their own).
extern "C" LONG WINAPI DrvDocumentPropertySheets(PPROPSHEETUI_INFO info, LPARAM parameter) {
    if (info)
        return -1;  // no pages to show
    auto* header = reinterpret_cast<DocumentPropertyHeader*>(parameter);
    if (!header)
        return -1;
    if (header->fMode == 0 || !header->pdmOut)
        return sizeof(DEVMODEW);
    if (!(header->fMode & DM_COPY))
        return IDOK;
    DEVMODEW devmode{};
    devmode.dmSize = sizeof(devmode);
    devmode.dmSpecVersion = DM_SPECVERSION;
    devmode.dmDriverVersion = 0x0100;
    if (header->pszPrinterName)
        lstrcpynW(devmode.dmDeviceName, header->pszPrinterName, CCHDEVICENAME);
    CopyMemory(header->pdmOut, &devmode, sizeof(devmode));
    return IDOK;
}

extern "C" BOOL WINAPI DrvDriverEvent(DWORD, DWORD, LPBYTE, LPARAM) {
    return TRUE;
}

extern "C" BOOL WINAPI DrvPrinterEvent(LPWSTR, INT, DWORD, LPARAM) {
    return TRUE;
}
