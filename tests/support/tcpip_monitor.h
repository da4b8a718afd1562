#pragma once
// What the port, removal and round-trip tests set up in their prefix's spooler: the stand-in "Standard
// TCP/IP Port" monitor, a queue driver of their own with queues on it, and the result page that
// collects the engine's progress lines (result_page.h).
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/result_page.h"
#include "tests/support/spooler.h"
#include "tests/support/wine_test_support.h"

namespace kelno::test {

inline constexpr wchar_t kTcpIpMonitorName[] = L"Standard TCP/IP Port";
inline constexpr wchar_t kTcpIpMonitorDll[] = L"kelno_tcpmon.dll";
inline constexpr wchar_t kTcpIpMonitorKey[] =
    L"System\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port";
inline constexpr wchar_t kQueueDriverName[] = L"Kelno Test Queue Driver";
inline constexpr wchar_t kQueueDriverDll[] = L"kelno_queueui.dll";

// Copies the monitor into the system directory and registers it with the spooler (once per
// prefix; a second call finds it installed).
inline void InstallTcpIpMonitor() {
    const std::wstring target = JoinPath(SystemDirectory(), kTcpIpMonitorDll);
    if (!FileExists(target)) {
        ASSERT_TRUE(CopyFileW(JoinPath(TestProgramFolder(), kTcpIpMonitorDll).c_str(), target.c_str(), FALSE))
            << GetLastError();
    }
    MONITOR_INFO_2W info{const_cast<LPWSTR>(kTcpIpMonitorName), nullptr, const_cast<LPWSTR>(kTcpIpMonitorDll)};
    if (!AddMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&info))) {
        ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRINT_MONITOR_ALREADY_INSTALLED));
    }
}

// A port as the monitor keeps it.
struct StoredPort {
    bool exists = false;
    std::wstring hostName;
    DWORD portNumber = 0;
    DWORD protocol = 0;
    DWORD snmpEnabled = 0xFFFFFFFF;
};

inline DWORD ReadDword(HKEY key, const wchar_t* name) {
    DWORD value = 0, size = sizeof(value);
    RegGetValueW(key, nullptr, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}

inline StoredPort ReadStoredPort(const std::wstring& port) {
    StoredPort stored;
    HKEY key = nullptr;
    const std::wstring path = std::wstring(kTcpIpMonitorKey) + L"\\Ports\\" + port;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return stored;
    stored.exists = true;
    wchar_t host[128] = L"";
    DWORD size = sizeof(host);
    RegGetValueW(key, nullptr, L"HostName", RRF_RT_REG_SZ, nullptr, host, &size);
    stored.hostName = host;
    stored.portNumber = ReadDword(key, L"Port Number");
    stored.protocol = ReadDword(key, L"Protocol");
    stored.snmpEnabled = ReadDword(key, L"SNMP Enabled");
    RegCloseKey(key);
    return stored;
}

// A number the monitor keeps about itself in this prefix; 0 when it has none.
inline DWORD MonitorValue(const wchar_t* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kTcpIpMonitorKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    const DWORD value = ReadDword(key, name);
    RegCloseKey(key);
    return value;
}

// Number of XcvDataPort calls the monitor has answered in this prefix.
inline DWORD MonitorCallCount() { return MonitorValue(L"XcvCalls"); }
inline DWORD MonitorLastGrantedAccess() { return MonitorValue(L"LastGrantedAccess"); }

// Where the monitor appends the jobs of its ports ("<folder>\<port>.prn").
inline void SetMonitorJobFolder(const std::wstring& folder) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kTcpIpMonitorKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, L"JobFolder", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                   static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

// The tests' queue driver: its configuration file stands for all three driver files.
inline void InstallQueueDriver() {
    const std::wstring staged = JoinPath(DriverDirectory(), kQueueDriverDll);
    ASSERT_TRUE(CopyFileW(JoinPath(TestProgramFolder(), kQueueDriverDll).c_str(), staged.c_str(), FALSE))
        << GetLastError();
    ASSERT_TRUE(AddDriver(kQueueDriverName, kQueueDriverDll, kQueueDriverDll, kQueueDriverDll)) << GetLastError();
}

// A RAW queue on the tests' driver.
inline void AddTestQueue(const std::wstring& name, const std::wstring& port) {
    ASSERT_TRUE(AddQueue(name, kQueueDriverName, port, PRINTER_ATTRIBUTE_LOCAL)) << GetLastError();
}

}  // namespace kelno::test
