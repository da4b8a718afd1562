// STAND-IN for the render DLL kelnodrv6.dll (the vendor's file is outside this system).
// It loads and answers the GDI driver handshake, but renders nothing: DrvEnableDriver refuses,
// so a job rendered through it fails instead of printing garbage. RAW jobs, which the
// installers' queues default to, never load it.
#include <windows.h>

namespace {
constexpr DWORD kDriverVersion = 0x00020000;  // DDI_DRIVER_VERSION_NT5 (winddi.h)
constexpr DWORD kQueryDriverVersion = 1;      // DRVQUERY_USERMODE
}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}

// DRVQUERY_USERMODE: this is a user-mode driver.
extern "C" BOOL WINAPI DrvQueryDriverInfo(DWORD query, PVOID buffer, DWORD size, PDWORD needed) {
    if (needed) *needed = sizeof(DWORD);
    if (query != kQueryDriverVersion) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!buffer || size < sizeof(DWORD)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    *static_cast<DWORD*>(buffer) = TRUE;
    return TRUE;
}

extern "C" BOOL WINAPI DrvEnableDriver(ULONG engineVersion, ULONG size, PVOID driverEnableData) {
    (void)engineVersion;
    (void)size;
    (void)driverEnableData;
    (void)kDriverVersion;
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}

extern "C" VOID WINAPI DrvDisableDriver() {}
