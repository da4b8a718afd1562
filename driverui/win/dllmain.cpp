// kelnodrv6ui: DLL entry. Keeps the module handle for resource lookups and fills the table of
// the property sheets' pages.
#include <windows.h>

#include "driverui/core/win/module.h"
#include "driverui/win/sheet_page_table.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        kelno::g_module = instance;
        DisableThreadLibraryCalls(instance);
        kelno::RegisterDriverPages();
    }
    return TRUE;
}
