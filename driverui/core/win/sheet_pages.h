#pragma once
// The pages of the driver's two property sheets. The core knows no page: the page modules
// register theirs once, when the DLL is attached (driverui/win/sheet_page_table.cpp), and the
// sheet builders add them in the order they were registered.
#include <windows.h>

#include <span>

namespace kelno {

enum class Sheet { printingPreferences, printerProperties };

struct DriverContext;

struct SheetPage {
    WORD dialogId;
    DLGPROC procedure;
    // When set, the sheet of a context shows the page only when this answers true.
    bool (*shown)(const DriverContext& context) = nullptr;
};

// Room per sheet; a page beyond it is not registered (false).
inline constexpr std::size_t kMaxSheetPages = 16;

bool RegisterSheetPage(Sheet sheet, const SheetPage& page);
std::span<const SheetPage> SheetPages(Sheet sheet);

}  // namespace kelno
