// A configuration DLL for the install tests, put in place of the package's kelnodrv6ui.dll in
// the test prefix. Wine's AddPrinterW asks the queue's configuration DLL for the default
// DEVMODE (DrvDocumentPropertySheets without property-sheet info) and calls an export it does
// not find through a null pointer; these answers keep the install tests independent of the
// state of the real DLL.
#include <windows.h>
#include <winspool.h>
#include <compstui.h>

namespace {

// The header Wine hands to DrvDocumentPropertySheets (mingw's winddiui.h lacks it).
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

}  // namespace

extern "C" LONG WINAPI DrvDocumentPropertySheets(PPROPSHEETUI_INFO info, LPARAM parameter) {
    auto* header = reinterpret_cast<DocumentPropertyHeader*>(parameter);
    if (info || !header) return -1;
    if (!header->pdmOut || header->fMode == 0) return sizeof(DEVMODEW);
    DEVMODEW& out = *header->pdmOut;
    ZeroMemory(&out, sizeof(out));
    lstrcpynW(out.dmDeviceName, header->pszPrinterName ? header->pszPrinterName : L"", CCHDEVICENAME);
    out.dmSpecVersion = DM_SPECVERSION;
    out.dmSize = sizeof(DEVMODEW);
    out.dmFields = DM_ORIENTATION | DM_COPIES;
    out.dmOrientation = DMORIENT_PORTRAIT;
    out.dmCopies = 1;
    return 1;
}

extern "C" DWORD WINAPI DrvDeviceCapabilities(HANDLE, PWSTR, WORD, PVOID, PDEVMODEW) { return GDI_ERROR; }

extern "C" BOOL WINAPI DrvDriverEvent(DWORD, DWORD, LPBYTE, LPARAM) { return TRUE; }

extern "C" BOOL WINAPI DrvPrinterEvent(LPWSTR, INT, DWORD, LPARAM) { return TRUE; }
