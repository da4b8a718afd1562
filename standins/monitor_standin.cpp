// STAND-IN for the language monitor kelnomon.dll (the vendor's file is outside this system).
// It registers with the spooler as "Language Monitor" and passes job data through to the port
// monitor unchanged. It does not talk to the printer: GetPrinterDataFromPort answers nothing,
// so the printer values of the configuration DLL come from printer data instead.
#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

namespace {

// One open port: the port monitor's table and its handle for the port.
struct LanguagePort {
    MONITOR2* portMonitor;
    HANDLE portHandle;
};

BOOL WINAPI OpenPortEx(HANDLE, HANDLE, LPWSTR portName, LPWSTR, PHANDLE handle, MONITOR2* portMonitor) {
    if (!handle || !portMonitor || !portMonitor->pfnOpenPort) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    HANDLE portHandle = nullptr;
    if (!portMonitor->pfnOpenPort(nullptr, portName, &portHandle)) return FALSE;
    auto* port = static_cast<LanguagePort*>(HeapAlloc(GetProcessHeap(), 0, sizeof(LanguagePort)));
    if (!port) {
        if (portMonitor->pfnClosePort) portMonitor->pfnClosePort(portHandle);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    *port = {portMonitor, portHandle};
    *handle = port;
    return TRUE;
}

LanguagePort* Port(HANDLE handle) { return static_cast<LanguagePort*>(handle); }

BOOL WINAPI StartDocPort(HANDLE handle, LPWSTR printerName, DWORD jobId, DWORD level, LPBYTE docInfo) {
    auto* p = Port(handle);
    return p && p->portMonitor->pfnStartDocPort(p->portHandle, printerName, jobId, level, docInfo);
}

BOOL WINAPI WritePort(HANDLE handle, LPBYTE buffer, DWORD size, LPDWORD written) {
    auto* p = Port(handle);
    return p && p->portMonitor->pfnWritePort(p->portHandle, buffer, size, written);
}

BOOL WINAPI ReadPort(HANDLE handle, LPBYTE buffer, DWORD size, LPDWORD read) {
    auto* p = Port(handle);
    if (!p || !p->portMonitor->pfnReadPort) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    return p->portMonitor->pfnReadPort(p->portHandle, buffer, size, read);
}

BOOL WINAPI EndDocPort(HANDLE handle) {
    auto* p = Port(handle);
    return p && p->portMonitor->pfnEndDocPort(p->portHandle);
}

BOOL WINAPI ClosePort(HANDLE handle) {
    auto* p = Port(handle);
    if (!p) return FALSE;
    const BOOL ok = p->portMonitor->pfnClosePort ? p->portMonitor->pfnClosePort(p->portHandle) : TRUE;
    HeapFree(GetProcessHeap(), 0, p);
    return ok;
}

BOOL WINAPI GetPrinterDataFromPort(HANDLE, DWORD, LPWSTR, LPWSTR, DWORD, LPWSTR, DWORD, LPDWORD) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}

VOID WINAPI Shutdown(HANDLE) {}

MONITOR2 MakeTable() {
    MONITOR2 table{};
    // The full size: a shorter one cuts off Shutdown, which the spooler calls on unload.
    table.cbSize = sizeof(MONITOR2);
    table.pfnOpenPortEx = OpenPortEx;
    table.pfnStartDocPort = StartDocPort;
    table.pfnWritePort = WritePort;
    table.pfnReadPort = ReadPort;
    table.pfnEndDocPort = EndDocPort;
    table.pfnClosePort = ClosePort;
    table.pfnGetPrinterDataFromPort = GetPrinterDataFromPort;
    table.pfnShutdown = Shutdown;
    return table;
}

MONITOR2 g_table = MakeTable();

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}

extern "C" LPMONITOR2 WINAPI InitializePrintMonitor2(PMONITORINIT init, PHANDLE monitor) {
    if (!init || !monitor) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    *monitor = reinterpret_cast<HANDLE>(&g_table);
    return &g_table;
}
