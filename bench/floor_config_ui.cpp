// The benchmark's floor: a configuration DLL that answers the two measured queries from
// constants, so that a run measures what the spooler and GDI cost around any driver.
#include <windows.h>
#include <commctrl.h>
#include <compstui.h>

#include <cstring>
#include <iterator>

#include "driverui/core/win/driver_interface.h"

namespace {

constexpr DWORD kDevmodeSize = 5196;
constexpr const wchar_t* kPaperNames[] = {L"101.6 mm x 152.4 mm", L"76 mm x 130 mm", L"76 mm x 100 mm",
                                          L"72 mm x 130 mm",      L"72 mm x 100 mm", L"Custom size"};
constexpr int kPaperSlot = 64;

using kelno::DocumentPropertyHeader;

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}

extern "C" LONG WINAPI DrvDocumentPropertySheets(PPROPSHEETUI_INFO info, LPARAM parameter) {
    auto* header = reinterpret_cast<DocumentPropertyHeader*>(parameter);
    if (info || !header) return -1;
    if (!header->pdmOut || header->fMode == 0) {
        header->cbOut = kDevmodeSize;
        return kDevmodeSize;
    }
    std::memset(header->pdmOut, 0, kDevmodeSize);
    DEVMODEW& out = *header->pdmOut;
    if (header->pszPrinterName) lstrcpynW(out.dmDeviceName, header->pszPrinterName, CCHDEVICENAME);
    out.dmSpecVersion = 0x0401;
    out.dmDriverVersion = 0x0600;
    out.dmSize = sizeof(DEVMODEW);
    out.dmDriverExtra = static_cast<WORD>(kDevmodeSize - sizeof(DEVMODEW));
    out.dmFields = DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES;
    out.dmOrientation = DMORIENT_PORTRAIT;
    out.dmPaperSize = 256;
    out.dmCopies = 1;
    std::memcpy(reinterpret_cast<BYTE*>(&out) + sizeof(DEVMODEW), "MDVQ", 4);
    return 1;
}

extern "C" DWORD WINAPI DrvDeviceCapabilities(HANDLE, PWSTR, WORD index, PVOID output, PDEVMODEW) {
    if (index != DC_PAPERNAMES) return GDI_ERROR;
    if (output) {
        auto* slots = static_cast<wchar_t*>(output);
        for (const wchar_t* name : kPaperNames) {
            std::memset(slots, 0, kPaperSlot * sizeof(wchar_t));
            lstrcpynW(slots, name, kPaperSlot);
            slots += kPaperSlot;
        }
    }
    return static_cast<DWORD>(std::size(kPaperNames));
}

extern "C" BOOL WINAPI DrvDriverEvent(DWORD, DWORD, LPBYTE, LPARAM) { return TRUE; }
extern "C" BOOL WINAPI DrvPrinterEvent(LPWSTR, INT, DWORD, LPARAM) { return TRUE; }
