// kelnodrv6ui: DLL entry. Keeps the module handle for resource lookups.
#include <windows.h>

#include "driverui/core/module.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        kelno::g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
