#pragma once
// The driver context of the Win32 shell: the portable context state (model record, merged
// DEVMODE, current form, printer-data settings) with the handles, the common-UI pieces and the
// caller's DEVMODEs of one export call or one open property sheet.
#include <windows.h>
#include <commctrl.h>
#include <compstui.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/win/scoped.h"
#include "driverui/core/driver_context.h"
#include "driverui/core/win/printer_info.h"

namespace kelno {

// Options of CreateContext.
inline constexpr unsigned kContextForEvents = 1;      // printer events, upgrades, job checks, DC_MEDIAREADY
inline constexpr unsigned kContextHelpPath = 2;       // resolve the help-file path
inline constexpr unsigned kContextDescription = 4;    // the common-UI description is wanted
inline constexpr unsigned kDocumentSheetOptions = 6;  // kContextHelpPath | kContextDescription
inline constexpr unsigned kDeviceSheetOptions = 7;

// Permission bit 0: the user may change settings.
inline constexpr std::uint16_t kPermissionChange = 1;

// The common-UI description appended to a context for a property sheet, with the texts and
// tables it points to.
struct CommonUiDescription {
    COMPROPSHEETUI sheet{};
    std::wstring callerName;
    std::wstring optionItemName;
    std::vector<DLGPAGE> pages;
};

struct DriverContext {
    HANDLE printer = nullptr;    // the printer the context is for (not owned)
    ScopedPrinter ownedPrinter;  // opened by name when the caller had no handle
    std::wstring helpPath;
    std::vector<std::uint8_t> spare;
    DriverContextState state;  // model record, permission, merge mask, DEVMODE, current form, settings
    std::wstring driverName;
    std::wstring printerName;  // PRINTER_INFO_1 pName (31 units at most)
    std::unique_ptr<OPTITEM> optionItem;
    WORD optionItemCount = 0;
    HANDLE commonUi = nullptr;  // returned by the common UI for the description
    std::unique_ptr<CommonUiDescription> description;
    std::array<HWND, 4> pageWindows{};        // Page Setup and the next three pages
    const DEVMODEW* callerDevmode = nullptr;  // not owned
    DEVMODEW* outputDevmode = nullptr;        // not owned; Apply writes here
    // "FORMS" as read while the context was built (nothing when the printer has none).
    std::optional<std::vector<std::uint8_t>> storedForms;
    ScopedGdiplus gdiplus;  // started for a property sheet, shut down with the context
    unsigned options = 0;
};

// Builds a context for the printer (or, when printer is null, for the printer called name,
// which the context opens and closes). errorId, when given, receives 1902 on failure.
std::unique_ptr<DriverContext> CreateContext(HANDLE printer, const wchar_t* name, const DEVMODEW* callerDevmode,
                                             DWORD* errorId, unsigned options);

}  // namespace kelno
