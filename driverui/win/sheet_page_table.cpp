#include "driverui/win/sheet_page_table.h"

#include "driverui/core/win/sheet_pages.h"
#include "driverui/devsheet/win/about_page.h"
#include "driverui/devsheet/win/printer_settings_page.h"
#include "driverui/docsheet/win/graphics_page.h"
#include "driverui/docsheet/win/page_setup_page.h"
#include "driverui/docsheet/win/watermark_page.h"
#include "driverui/docsheet/win/print_settings_page.h"
#include "resources/driverui/resource_ids.h"

namespace kelno {

void RegisterDriverPages() {
    // Printing preferences: the first page is the one the common UI's description shows; About
    // ends the sheet.
    RegisterSheetPage(Sheet::printingPreferences, {IDD_PAGE_SETUP, PageSetupPageProc});
    RegisterSheetPage(Sheet::printingPreferences, {IDD_GRAPHICS, GraphicsPageProc});
    RegisterSheetPage(Sheet::printingPreferences, {IDD_WATERMARK, WatermarkPageProc, WatermarkPageShown});
    RegisterSheetPage(Sheet::printingPreferences, {IDD_PRINT_SETTINGS, PrintSettingsPageProc});
    RegisterSheetPage(Sheet::printingPreferences, {IDD_ABOUT, AboutPageProc});
    // Printer properties: About ends the sheet.
    RegisterSheetPage(Sheet::printerProperties, {IDD_PRINTER_SETTINGS, PrinterSettingsPageProc});
    RegisterSheetPage(Sheet::printerProperties, {IDD_ABOUT, AboutPageProc});
}

}  // namespace kelno
