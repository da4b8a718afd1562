#pragma once
// What the port and removal tests set up in their prefix's spooler: the stand-in "Standard
// TCP/IP Port" monitor, a queue driver of their own with queues on it, and a result page that
// collects the engine's progress lines.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drvwizard/win/engine_texts.h"
#include "drvwizard/win/wizard_messages.h"
#include "engine/win/progress.h"
#include "tests/support/wine_test_support.h"

namespace kelno::test {

inline constexpr wchar_t kTcpIpMonitorName[] = L"Standard TCP/IP Port";
inline constexpr wchar_t kTcpIpMonitorDll[] = L"kelno_tcpmon.dll";
inline constexpr wchar_t kTcpIpMonitorKey[] =
    L"System\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port";
inline constexpr wchar_t kQueueDriverName[] = L"Kelno Test Queue Driver";
inline constexpr wchar_t kQueueDriverDll[] = L"kelno_queueui.dll";

inline std::wstring SystemDirectory() {
    wchar_t dir[MAX_PATH] = L"";
    GetSystemDirectoryW(dir, MAX_PATH);
    return dir;
}

inline std::wstring DriverDirectory() {
    wchar_t dir[MAX_PATH] = L"";
    DWORD needed = 0;
    GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(dir), sizeof(dir), &needed);
    return dir;
}

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
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return stored;
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

// Number of XcvDataPort calls the monitor has answered in this prefix.
inline DWORD MonitorCallCount() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kTcpIpMonitorKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    const DWORD count = ReadDword(key, L"XcvCalls");
    RegCloseKey(key);
    return count;
}

inline DWORD MonitorLastGrantedAccess() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kTcpIpMonitorKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    const DWORD access = ReadDword(key, L"LastGrantedAccess");
    RegCloseKey(key);
    return access;
}

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
    DRIVER_INFO_3W info{};
    info.cVersion = 3;
    info.pName = const_cast<LPWSTR>(kQueueDriverName);
    info.pDriverPath = const_cast<LPWSTR>(kQueueDriverDll);
    info.pDataFile = const_cast<LPWSTR>(kQueueDriverDll);
    info.pConfigFile = const_cast<LPWSTR>(kQueueDriverDll);
    info.pDefaultDataType = const_cast<LPWSTR>(L"RAW");
    ASSERT_TRUE(AddPrinterDriverW(nullptr, 3, reinterpret_cast<LPBYTE>(&info))) << GetLastError();
}

// A RAW queue on the tests' driver.
inline void AddQueue(const std::wstring& name, const std::wstring& port) {
    PRINTER_INFO_2W info{};
    info.pPrinterName = const_cast<LPWSTR>(name.c_str());
    info.pPortName = const_cast<LPWSTR>(port.c_str());
    info.pDriverName = const_cast<LPWSTR>(kQueueDriverName);
    info.pPrintProcessor = const_cast<LPWSTR>(L"WinPrint");
    info.pDatatype = const_cast<LPWSTR>(L"RAW");
    info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    HANDLE printer = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
    ASSERT_NE(printer, nullptr) << GetLastError();
    ClosePrinter(printer);
}

inline bool QueueExists(const std::wstring& name) {
    HANDLE printer = nullptr;
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, 0};
    if (!OpenPrinterW(const_cast<LPWSTR>(name.c_str()), &printer, &defaults))
        return false;
    ClosePrinter(printer);
    return true;
}

// A message-only window standing for the result page: it keeps every WM_APPEND_LOG text.
class ResultPage {
public:
    ResultPage() {
        WNDCLASSW cls{};
        cls.lpfnWndProc = &ResultPage::Proc;
        cls.hInstance = GetModuleHandleW(nullptr);
        cls.lpszClassName = L"KelnoTestResultPage";
        RegisterClassW(&cls);  // a second page finds the class registered
        window_ =
            CreateWindowExW(0, cls.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, cls.hInstance, nullptr);
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~ResultPage() {
        if (window_)
            DestroyWindow(window_);
    }
    ResultPage(const ResultPage&) = delete;
    ResultPage& operator=(const ResultPage&) = delete;

    HWND hwnd() const { return window_; }
    // The wizard's texts, lines kept whole so that tests see every character the engine wrote.
    ProgressSink sink() const { return SinkFor(window_); }
    static ProgressSink SinkFor(HWND window) {
        ProgressSink sink;
        sink.window = window;
        sink.message = WM_APPEND_LOG;
        sink.textIds = WizardEngineTextIds();
        return sink;
    }
    const std::vector<std::wstring>& Lines() const { return lines_; }
    void Clear() { lines_.clear(); }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_APPEND_LOG) {
            auto* self = reinterpret_cast<ResultPage*>(GetWindowLongPtrW(window, GWLP_USERDATA));
            if (self)
                self->lines_.emplace_back(reinterpret_cast<const wchar_t*>(lParam));
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    HWND window_ = nullptr;
    std::vector<std::wstring> lines_;
};

}  // namespace kelno::test
