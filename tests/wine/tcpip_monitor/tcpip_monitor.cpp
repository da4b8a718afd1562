// Test stand-in for the system's "Standard TCP/IP Port" monitor, which Wine does not have. The
// engine reaches it exactly as it reaches the real one: OpenPrinterW(",XcvMonitor Standard
// TCP/IP Port") and XcvDataW "AddPort", "ConfigPort", "DeletePort" with the monitor's
// PORT_DATA_1 / DELETE_PORT_DATA_1 records; "GetConfigInfo" on ",XcvPort <port>" reads a port
// back. Jobs printed to one of its ports are appended to "<JobFolder>\<port>.prn".
//
// The spooler loads the monitor into the calling process and unloads and re-initialises it
// often, so nothing lives in globals: every port is a key
//   HKLM\System\CurrentControlSet\Control\Print\Monitors\Standard TCP/IP Port\Ports\<port>
// (where Wine's spooler also looks when it routes a job to a port), with the values of the real
// monitor ("HostName", "Port Number", "Protocol", "SNMP Enabled", ...). The monitor key itself
// holds what the tests read or set: "XcvCalls" (count of XcvDataPort calls), "LastCommand",
// "LastGrantedAccess" and "JobFolder".
//
// The records are declared here on their own, from the monitor's published layout, and not taken
// from the engine: a layout fault on the engine's side must show as a refused or wrong port.
#include <windows.h>
#include <winspool.h>
#include <winsplp.h>
#include <strsafe.h>

#include <cstddef>
#include <cstring>
#include <cwchar>
#include <iterator>

namespace {

constexpr wchar_t kMonitorName[] = L"Standard TCP/IP Port";
constexpr wchar_t kMonitorKey[] = L"System\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port";
constexpr wchar_t kPortsKey[] = L"System\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports";
constexpr wchar_t kDescription[] = L"Standard TCP/IP Port";

struct PortData1 {  // PORT_DATA_1
    WCHAR sztPortName[64];
    DWORD dwVersion;
    DWORD dwProtocol;
    DWORD cbSize;
    DWORD dwReserved;
    WCHAR sztHostAddress[49];
    WCHAR sztSNMPCommunity[33];
    DWORD dwDoubleSpool;
    WCHAR sztQueue[33];
    WCHAR sztIPAddress[16];
    BYTE Reserved[540];
    DWORD dwPortNumber;
    DWORD dwSNMPEnabled;
    DWORD dwSNMPDevIndex;
};
struct DeletePortData1 {  // DELETE_PORT_DATA_1
    WCHAR psztPortName[64];
    BYTE Reserved[98];
    DWORD dwVersion;
    DWORD dwReserved;
};
struct ConfigInfoData1 {  // CONFIG_INFO_DATA_1
    BYTE Reserved[128];
    DWORD dwVersion;
};
static_assert(sizeof(PortData1) == 964);
static_assert(offsetof(PortData1, sztHostAddress) == 144);
static_assert(offsetof(PortData1, dwPortNumber) == 952);
static_assert(sizeof(DeletePortData1) == 236);
static_assert(offsetof(DeletePortData1, dwVersion) == 228);
static_assert(sizeof(ConfigInfoData1) == 132);

constexpr DWORD kProtocolRaw = 1;
constexpr DWORD kProtocolLpr = 2;

// ---- registry --------------------------------------------------------------------------------

class Key {
public:
    Key() = default;
    ~Key() {
        if (key_) RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY* Receive() { return &key_; }
    HKEY get() const { return key_; }
    explicit operator bool() const { return key_ != nullptr; }

private:
    HKEY key_ = nullptr;
};

bool OpenMonitorKey(Key& key, REGSAM access) {
    return RegCreateKeyExW(HKEY_LOCAL_MACHINE, kMonitorKey, 0, nullptr, 0, access, nullptr, key.Receive(), nullptr) ==
           ERROR_SUCCESS;
}

bool OpenPortsKey(Key& key, REGSAM access) {
    return RegCreateKeyExW(HKEY_LOCAL_MACHINE, kPortsKey, 0, nullptr, 0, access, nullptr, key.Receive(), nullptr) ==
           ERROR_SUCCESS;
}

bool PortExists(const wchar_t* port) {
    Key ports, key;
    return OpenPortsKey(ports, KEY_READ) &&
           RegOpenKeyExW(ports.get(), port, 0, KEY_READ, key.Receive()) == ERROR_SUCCESS;
}

void SetDword(HKEY key, const wchar_t* name, DWORD value) {
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

void SetString(HKEY key, const wchar_t* name, const wchar_t* value) {
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                   static_cast<DWORD>((std::wcslen(value) + 1) * sizeof(wchar_t)));
}

DWORD GetDword(HKEY key, const wchar_t* name) {
    DWORD value = 0, size = sizeof(value), type = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
        return 0;
    return value;
}

// Reads a string value into a buffer of `capacity` units, always terminated; "" when missing.
void GetString(HKEY key, const wchar_t* name, wchar_t* out, std::size_t capacity) {
    out[0] = 0;
    DWORD type = 0, size = static_cast<DWORD>((capacity - 1) * sizeof(wchar_t));
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(out), &size) != ERROR_SUCCESS ||
        type != REG_SZ) {
        out[0] = 0;
        return;
    }
    out[size / sizeof(wchar_t)] = 0;
    out[capacity - 1] = 0;
}

void NoteCall(const wchar_t* command, ACCESS_MASK granted) {
    Key key;
    if (!OpenMonitorKey(key, KEY_READ | KEY_WRITE)) return;
    SetDword(key.get(), L"XcvCalls", GetDword(key.get(), L"XcvCalls") + 1);
    SetString(key.get(), L"LastCommand", command);
    SetDword(key.get(), L"LastGrantedAccess", granted);
}

// ---- record checks ---------------------------------------------------------------------------

template <std::size_t N>
bool Terminated(const WCHAR (&field)[N]) {
    return wmemchr(field, 0, N) != nullptr;
}

// A port name the registry can hold as a key name: present, terminated, no backslash.
template <std::size_t N>
bool UsablePortName(const WCHAR (&field)[N]) {
    return Terminated(field) && field[0] != 0 && !std::wcschr(field, L'\\');
}

DWORD CheckPortData(const BYTE* input, DWORD size, PortData1& data) {
    if (!input || size < sizeof(PortData1)) return ERROR_INVALID_PARAMETER;
    std::memcpy(&data, input, sizeof(data));
    if (data.dwVersion != 1) return ERROR_INVALID_LEVEL;
    if (!UsablePortName(data.sztPortName) || !Terminated(data.sztHostAddress) || !Terminated(data.sztSNMPCommunity) ||
        !Terminated(data.sztQueue) || !Terminated(data.sztIPAddress))
        return ERROR_INVALID_PARAMETER;
    if (data.dwProtocol != kProtocolRaw && data.dwProtocol != kProtocolLpr) return ERROR_INVALID_PARAMETER;
    if (data.sztHostAddress[0] == 0 && data.sztIPAddress[0] == 0) return ERROR_INVALID_PARAMETER;
    return ERROR_SUCCESS;
}

DWORD StorePort(const PortData1& data) {
    Key ports, key;
    if (!OpenPortsKey(ports, KEY_READ | KEY_WRITE)) return ERROR_ACCESS_DENIED;
    const LONG rc = RegCreateKeyExW(ports.get(), data.sztPortName, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                                    key.Receive(), nullptr);
    if (rc != ERROR_SUCCESS) return static_cast<DWORD>(rc);
    SetDword(key.get(), L"Protocol", data.dwProtocol);
    SetDword(key.get(), L"Version", data.dwVersion);
    SetString(key.get(), L"HostName", data.sztHostAddress);
    SetString(key.get(), L"IPAddress", data.sztIPAddress);
    SetString(key.get(), L"HWAddress", L"");
    SetDword(key.get(), L"Port Number", data.dwPortNumber);
    SetString(key.get(), L"SNMP Community", data.sztSNMPCommunity);
    SetDword(key.get(), L"SNMP Enabled", data.dwSNMPEnabled);
    SetDword(key.get(), L"SNMP Index", data.dwSNMPDevIndex);
    SetString(key.get(), L"Queue", data.sztQueue);
    SetDword(key.get(), L"Double Spool", data.dwDoubleSpool);
    return ERROR_SUCCESS;
}

// ---- transceive ------------------------------------------------------------------------------

struct XcvHandle {
    WCHAR object[MAX_PATH];  // "" for the monitor, else the port name
    ACCESS_MASK granted;
};

bool MayAdminister(const XcvHandle& xcv) { return (xcv.granted & SERVER_ACCESS_ADMINISTER) != 0; }

DWORD AddPort(const XcvHandle& xcv, const BYTE* input, DWORD size) {
    if (!MayAdminister(xcv)) return ERROR_ACCESS_DENIED;
    PortData1 data;
    if (const DWORD rc = CheckPortData(input, size, data); rc != ERROR_SUCCESS) return rc;
    if (PortExists(data.sztPortName)) return ERROR_ALREADY_EXISTS;
    return StorePort(data);
}

DWORD ConfigPort(const XcvHandle& xcv, const BYTE* input, DWORD size) {
    if (!MayAdminister(xcv)) return ERROR_ACCESS_DENIED;
    PortData1 data;
    if (const DWORD rc = CheckPortData(input, size, data); rc != ERROR_SUCCESS) return rc;
    if (!PortExists(data.sztPortName)) return ERROR_UNKNOWN_PORT;
    return StorePort(data);
}

DWORD DeletePort(const XcvHandle& xcv, const BYTE* input, DWORD size) {
    if (!MayAdminister(xcv)) return ERROR_ACCESS_DENIED;
    if (!input || size < sizeof(DeletePortData1)) return ERROR_INVALID_PARAMETER;
    DeletePortData1 data;
    std::memcpy(&data, input, sizeof(data));
    if (data.dwVersion != 1) return ERROR_INVALID_LEVEL;
    if (!UsablePortName(data.psztPortName)) return ERROR_INVALID_PARAMETER;
    Key ports;
    if (!OpenPortsKey(ports, KEY_READ | KEY_WRITE)) return ERROR_ACCESS_DENIED;
    const LONG rc = RegDeleteKeyW(ports.get(), data.psztPortName);
    if (rc == ERROR_FILE_NOT_FOUND) return ERROR_UNKNOWN_PORT;
    return static_cast<DWORD>(rc);
}

// The port of an ",XcvPort <port>" handle as a PORT_DATA_1.
DWORD GetConfigInfo(const XcvHandle& xcv, const BYTE* input, DWORD inputSize, BYTE* output, DWORD outputSize,
                    DWORD* needed) {
    if (!input || inputSize < sizeof(ConfigInfoData1)) return ERROR_INVALID_PARAMETER;
    ConfigInfoData1 info;
    std::memcpy(&info, input, sizeof(info));
    if (info.dwVersion != 1) return ERROR_INVALID_LEVEL;
    if (needed) *needed = sizeof(PortData1);
    if (!output || outputSize < sizeof(PortData1)) return ERROR_INSUFFICIENT_BUFFER;
    Key ports, key;
    if (xcv.object[0] == 0 || !OpenPortsKey(ports, KEY_READ) ||
        RegOpenKeyExW(ports.get(), xcv.object, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS)
        return ERROR_UNKNOWN_PORT;
    PortData1 data{};
    lstrcpynW(data.sztPortName, xcv.object, static_cast<int>(std::size(data.sztPortName)));
    data.dwVersion = 1;
    data.dwProtocol = GetDword(key.get(), L"Protocol");
    data.cbSize = sizeof(PortData1);
    GetString(key.get(), L"HostName", data.sztHostAddress, std::size(data.sztHostAddress));
    GetString(key.get(), L"SNMP Community", data.sztSNMPCommunity, std::size(data.sztSNMPCommunity));
    data.dwDoubleSpool = GetDword(key.get(), L"Double Spool");
    GetString(key.get(), L"Queue", data.sztQueue, std::size(data.sztQueue));
    GetString(key.get(), L"IPAddress", data.sztIPAddress, std::size(data.sztIPAddress));
    data.dwPortNumber = GetDword(key.get(), L"Port Number");
    data.dwSNMPEnabled = GetDword(key.get(), L"SNMP Enabled");
    data.dwSNMPDevIndex = GetDword(key.get(), L"SNMP Index");
    std::memcpy(output, &data, sizeof(data));
    return ERROR_SUCCESS;
}

BOOL WINAPI XcvOpenPort(HANDLE, LPCWSTR object, ACCESS_MASK granted, PHANDLE handle) {
    if (!handle) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto* xcv = static_cast<XcvHandle*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(XcvHandle)));
    if (!xcv) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    if (object) lstrcpynW(xcv->object, object, static_cast<int>(std::size(xcv->object)));
    xcv->granted = granted;
    *handle = xcv;
    return TRUE;
}

DWORD WINAPI XcvDataPort(HANDLE handle, LPCWSTR command, PBYTE input, DWORD inputSize, PBYTE output, DWORD outputSize,
                         PDWORD needed) {
    const auto* xcv = static_cast<const XcvHandle*>(handle);
    if (!xcv || !command) return ERROR_INVALID_PARAMETER;
    NoteCall(command, xcv->granted);
    if (needed) *needed = 0;
    if (std::wcscmp(command, L"AddPort") == 0) return AddPort(*xcv, input, inputSize);
    if (std::wcscmp(command, L"ConfigPort") == 0) return ConfigPort(*xcv, input, inputSize);
    if (std::wcscmp(command, L"DeletePort") == 0) return DeletePort(*xcv, input, inputSize);
    if (std::wcscmp(command, L"GetConfigInfo") == 0)
        return GetConfigInfo(*xcv, input, inputSize, output, outputSize, needed);
    return ERROR_INVALID_PARAMETER;
}

BOOL WINAPI XcvClosePort(HANDLE handle) {
    if (handle) HeapFree(GetProcessHeap(), 0, handle);
    return TRUE;
}

// ---- port list -------------------------------------------------------------------------------

// PORT_INFO_1/2 records first, their strings packed from the end of the buffer.
BOOL WINAPI EnumPorts(HANDLE, LPWSTR, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
    if (!needed || !returned || (level != 1 && level != 2)) {
        SetLastError(level != 1 && level != 2 ? ERROR_INVALID_LEVEL : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *needed = 0;
    *returned = 0;
    Key ports;
    if (!OpenPortsKey(ports, KEY_READ)) return TRUE;

    const DWORD record = level == 1 ? sizeof(PORT_INFO_1W) : sizeof(PORT_INFO_2W);
    const DWORD fixed = level == 2 ? static_cast<DWORD>(sizeof(kMonitorName) + sizeof(kDescription)) : 0;
    DWORD count = 0, total = 0;
    WCHAR name[MAX_PATH];
    for (DWORD i = 0;; ++i) {
        DWORD length = static_cast<DWORD>(std::size(name));
        if (RegEnumKeyExW(ports.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        total += record + (length + 1) * sizeof(WCHAR) + fixed;
        ++count;
    }
    *needed = total;
    if (!buffer || size < total) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }

    BYTE* strings = buffer + total;
    auto place = [&](const WCHAR* text) {
        const DWORD bytes = static_cast<DWORD>((std::wcslen(text) + 1) * sizeof(WCHAR));
        strings -= bytes;
        std::memcpy(strings, text, bytes);
        return reinterpret_cast<LPWSTR>(strings);
    };
    DWORD filled = 0;
    for (DWORD i = 0; filled < count; ++i) {
        DWORD length = static_cast<DWORD>(std::size(name));
        if (RegEnumKeyExW(ports.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        if (level == 1) {
            auto* info = reinterpret_cast<PORT_INFO_1W*>(buffer) + filled;
            info->pName = place(name);
        } else {
            auto* info = reinterpret_cast<PORT_INFO_2W*>(buffer) + filled;
            info->pPortName = place(name);
            info->pMonitorName = place(kMonitorName);
            info->pDescription = place(kDescription);
            info->fPortType = PORT_TYPE_WRITE | PORT_TYPE_NET_ATTACHED;
            info->Reserved = 0;
        }
        ++filled;
    }
    *returned = filled;
    return TRUE;
}

// ---- jobs ------------------------------------------------------------------------------------

struct PortHandle {
    WCHAR port[MAX_PATH];
    HANDLE file;
};

// "<JobFolder>\<port>.prn"; the folder defaults to the temporary-files folder.
bool JobFilePath(const WCHAR* port, WCHAR* path, std::size_t capacity) {
    WCHAR folder[MAX_PATH] = L"";
    Key key;
    if (OpenMonitorKey(key, KEY_READ)) GetString(key.get(), L"JobFolder", folder, std::size(folder));
    if (folder[0] == 0 && !GetTempPathW(static_cast<DWORD>(std::size(folder)), folder)) return false;
    const std::size_t folderLength = std::wcslen(folder);
    const bool slash = folderLength > 0 && (folder[folderLength - 1] == L'\\' || folder[folderLength - 1] == L'/');
    if (FAILED(StringCchPrintfW(path, capacity, slash ? L"%ws%ws.prn" : L"%ws\\%ws.prn", folder, port))) return false;
    // A port name may hold characters a file name may not.
    for (WCHAR* p = path + folderLength + (slash ? 0 : 1); *p; ++p)
        if (*p == L':' || *p == L'/' || *p == L'*' || *p == L'?' || *p == L'"' || *p == L'<' || *p == L'>' ||
            *p == L'|')
            *p = L'_';
    return true;
}

BOOL WINAPI OpenPort(HANDLE, LPWSTR name, PHANDLE handle) {
    if (!name || !handle || !PortExists(name)) {
        SetLastError(ERROR_UNKNOWN_PORT);
        return FALSE;
    }
    auto* port = static_cast<PortHandle*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(PortHandle)));
    if (!port) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    lstrcpynW(port->port, name, static_cast<int>(std::size(port->port)));
    port->file = INVALID_HANDLE_VALUE;
    *handle = port;
    return TRUE;
}

BOOL WINAPI StartDocPort(HANDLE handle, LPWSTR, DWORD, DWORD, LPBYTE) {
    auto* port = static_cast<PortHandle*>(handle);
    if (!port) return FALSE;
    WCHAR path[MAX_PATH];
    if (!JobFilePath(port->port, path, std::size(path))) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return FALSE;
    }
    if (port->file != INVALID_HANDLE_VALUE) CloseHandle(port->file);
    port->file =
        CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return port->file != INVALID_HANDLE_VALUE;
}

BOOL WINAPI WritePort(HANDLE handle, LPBYTE data, DWORD size, LPDWORD written) {
    auto* port = static_cast<PortHandle*>(handle);
    if (written) *written = 0;
    if (!port || port->file == INVALID_HANDLE_VALUE) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    DWORD done = 0;
    const BOOL ok = WriteFile(port->file, data, size, &done, nullptr);
    if (written) *written = done;
    return ok;
}

BOOL WINAPI ReadPort(HANDLE, LPBYTE, DWORD, LPDWORD read) {
    if (read) *read = 0;
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}

BOOL WINAPI EndDocPort(HANDLE handle) {
    auto* port = static_cast<PortHandle*>(handle);
    if (!port) return FALSE;
    if (port->file != INVALID_HANDLE_VALUE) CloseHandle(port->file);
    port->file = INVALID_HANDLE_VALUE;
    return TRUE;
}

BOOL WINAPI ClosePort(HANDLE handle) {
    auto* port = static_cast<PortHandle*>(handle);
    if (!port) return FALSE;
    if (port->file != INVALID_HANDLE_VALUE) CloseHandle(port->file);
    HeapFree(GetProcessHeap(), 0, port);
    return TRUE;
}

VOID WINAPI Shutdown(HANDLE) {}

// The table of entry points (it never changes: not state).
MONITOR2 g_table = [] {
    MONITOR2 table{};
    // The full size: a shorter one cuts off Shutdown, which the spooler calls on unload.
    table.cbSize = sizeof(MONITOR2);
    table.pfnEnumPorts = EnumPorts;
    table.pfnOpenPort = OpenPort;
    table.pfnStartDocPort = StartDocPort;
    table.pfnWritePort = WritePort;
    table.pfnReadPort = ReadPort;
    table.pfnEndDocPort = EndDocPort;
    table.pfnClosePort = ClosePort;
    table.pfnXcvOpenPort = XcvOpenPort;
    table.pfnXcvDataPort = XcvDataPort;
    table.pfnXcvClosePort = XcvClosePort;
    table.pfnShutdown = Shutdown;
    return table;
}();

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
