#pragma once
// The records and constants of the printer-driver interface that the spooler, GDI and the
// common property-sheet UI hand to the configuration DLL. mingw-w64's winddiui.h lacks most
// of them, and the Windows SDK's names would clash with our own definitions under MSVC, so
// they are defined here under names of our own, with their layout pinned to the SDK's.
// winddiui.h itself is not included anywhere in the DLL.
#include <windows.h>
#include <winspool.h>
#include <commctrl.h>
#include <compstui.h>

#include <cstddef>

namespace kelno {

// DOCUMENTPROPERTYHEADER: the parameter of DrvDocumentPropertySheets.
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

// DEVICEPROPERTYHEADER: the parameter of DrvDevicePropertySheets.
struct DevicePropertyHeader {
    WORD cbSize;
    WORD Flags;
    HANDLE hPrinter;
    LPWSTR pszPrinterName;
};

// DEVQUERYPRINT_INFO: the parameter of DevQueryPrintEx.
struct DevQueryPrintInfo {
    WORD cbSize;
    WORD Level;
    HANDLE hPrinter;
    DEVMODEW* pDevMode;
    LPWSTR pszErrorStr;
    DWORD cchErrorStr;
    DWORD cchNeeded;
};

// PROPSHEETPAGEW as Windows Vista extended it (PROPSHEETPAGEW_V4: the header bitmap after
// hActCtx); mingw-w64 stops at version 3. The pages are handed over with this size.
struct PropertySheetPageV4 {
    PROPSHEETPAGEW v3;
    union {
        HBITMAP hbmHeader;
        LPCWSTR pszbmHeader;
    };
};

// DRIVER_UPGRADE_INFO_1; level 2 begins with the same two members.
struct DriverUpgradeInfo1 {
    LPWSTR pPrinterName;
    LPWSTR pOldDriverDirectory;
};

#if defined(_WIN64)
static_assert(sizeof(DocumentPropertyHeader) == 48);
static_assert(offsetof(DocumentPropertyHeader, hPrinter) == 8);
static_assert(offsetof(DocumentPropertyHeader, pszPrinterName) == 16);
static_assert(offsetof(DocumentPropertyHeader, pdmIn) == 24);
static_assert(offsetof(DocumentPropertyHeader, pdmOut) == 32);
static_assert(offsetof(DocumentPropertyHeader, cbOut) == 40);
static_assert(offsetof(DocumentPropertyHeader, fMode) == 44);
static_assert(sizeof(DevicePropertyHeader) == 24);
static_assert(offsetof(DevicePropertyHeader, pszPrinterName) == 16);
static_assert(sizeof(DevQueryPrintInfo) == 40);
static_assert(offsetof(DevQueryPrintInfo, pDevMode) == 16);
static_assert(offsetof(DevQueryPrintInfo, pszErrorStr) == 24);
static_assert(offsetof(DevQueryPrintInfo, cchErrorStr) == 32);
static_assert(offsetof(DevQueryPrintInfo, cchNeeded) == 36);
static_assert(sizeof(DriverUpgradeInfo1) == 16);
// The sizes the common UI checks in the records we hand it.
static_assert(sizeof(PropertySheetPageV4) == 104);
static_assert(sizeof(COMPROPSHEETUI) == 128);
static_assert(sizeof(OPTITEM) == 88);
static_assert(sizeof(DLGPAGE) == 40);
#else
static_assert(sizeof(DocumentPropertyHeader) == 28);
static_assert(offsetof(DocumentPropertyHeader, fMode) == 24);
static_assert(sizeof(DevicePropertyHeader) == 12);
static_assert(sizeof(DevQueryPrintInfo) == 24);
static_assert(offsetof(DevQueryPrintInfo, cchNeeded) == 20);
#endif

// fMode bits of DocumentPropertyHeader beyond DM_UPDATE/DM_COPY/DM_PROMPT/DM_MODIFY.
inline constexpr DWORD kDmNoPermission = 0x20;  // DM_NOPERMISSION
// DevicePropertyHeader.Flags: the user may not change the printer's settings.
inline constexpr WORD kDpsNoPermission = 0x0001;  // DPS_NOPERMISSION

// DrvPrinterEvent events.
inline constexpr int kPrinterEventInitialize = 3;  // PRINTER_EVENT_INITIALIZE

// The common UI's printer icon the sheets start from (IDI_CPSUI_LF_PEN_PLOTTER).
inline constexpr ULONG_PTR kCommonUiPrinterIcon = 64087;

// Window messages the device sheet lets through the message filter.
inline constexpr UINT kWmDropFiles = 0x0233;       // WM_DROPFILES (563)
inline constexpr UINT kWmCopyGlobalData = 0x0049;  // WM_COPYGLOBALDATA (73)

}  // namespace kelno
