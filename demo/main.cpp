// kelno_demo: the main job's program. Run in a fresh throwaway Wine prefix that holds the
// package folder, it installs one printer the way the wizard's worker does (DoInstallPrinter:
// staging, driver, queue), then prints the queue, the driver and the port the spooler now
// lists, and the setup log.
//
//   kelno_demo [model [port [queue name]]]     default: "Tavolen MX-410" on "USB001"
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/text.h"
#include "base/win/scoped.h"
#include "base/win/wide_text.h"
#include "engine/install_state.h"
#include "common/win/log.h"
#include "common/model_table.h"
#include "engine/win/printer_install.h"
#include "engine/win/staging.h"
#include "engine/win/system_paths.h"
#include "drvwizard/win/wizard_messages.h"
#include "drvwizard/win/install_worker.h"

namespace {

using kelno::Utf8;

// "(none)" for a missing or empty spooler string.
std::string Shown(const wchar_t* text) { return text && *text ? "\"" + Utf8(text) + "\"" : "(none)"; }

std::string MultiString(const wchar_t* list) {
    if (!list || !*list) return "(none)";
    std::string out;
    for (const wchar_t* p = list; *p; p += wcslen(p) + 1) out += (out.empty() ? "\"" : ", \"") + Utf8(p) + "\"";
    return out;
}

std::string DriverDate(const FILETIME& date) {
    SYSTEMTIME t{};
    if ((date.dwLowDateTime == 0 && date.dwHighDateTime == 0) || !FileTimeToSystemTime(&date, &t)) return "(none)";
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u", t.wYear, t.wMonth, t.wDay);
    return text;
}

std::string DriverVersion(DWORDLONG v) {
    char text[48];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", static_cast<unsigned>(v >> 48),
                  static_cast<unsigned>((v >> 32) & 0xFFFF), static_cast<unsigned>((v >> 16) & 0xFFFF),
                  static_cast<unsigned>(v & 0xFFFF));
    return text;
}

void PrintDriverInfo(const DRIVER_INFO_8W& d) {
    std::printf("    cVersion           %lu\n", static_cast<unsigned long>(d.cVersion));
    std::printf("    pName              %s\n", Shown(d.pName).c_str());
    std::printf("    pDriverPath        %s\n", Shown(d.pDriverPath).c_str());
    std::printf("    pDataFile          %s\n", Shown(d.pDataFile).c_str());
    std::printf("    pConfigFile        %s\n", Shown(d.pConfigFile).c_str());
    std::printf("    pDependentFiles    %s\n", MultiString(d.pDependentFiles).c_str());
    std::printf("    pMonitorName       %s\n", Shown(d.pMonitorName).c_str());
    std::printf("    pDefaultDataType   %s\n", Shown(d.pDefaultDataType).c_str());
    std::printf("    ftDriverDate       %s\n", DriverDate(d.ftDriverDate).c_str());
    std::printf("    dwlDriverVersion   %s\n", DriverVersion(d.dwlDriverVersion).c_str());
    std::printf("    pszProvider        %s\n", Shown(d.pszProvider).c_str());
    std::printf("    pszPrintProcessor  %s\n", Shown(d.pszPrintProcessor).c_str());
    std::printf("    pszHardwareID      %s\n", Shown(d.pszHardwareID).c_str());
}

// The progress lines of the install, as the wizard's result page would show them.
LRESULT CALLBACK ProgressProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kelno::WM_APPEND_LOG) {
        std::string line = Utf8(reinterpret_cast<const wchar_t*>(lParam));
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        std::printf("  | %s\n", line.c_str());
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND CreateProgressWindow() {
    WNDCLASSW cls{};
    cls.lpfnWndProc = ProgressProc;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = L"KelnoDemoProgress";
    RegisterClassW(&cls);
    return CreateWindowExW(0, cls.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, cls.hInstance, nullptr);
}

// Wine's AddPrinterW asks the queue's configuration DLL for its default DEVMODE and calls
// DrvDocumentPropertySheets without checking that the DLL exports it.
bool ConfigurationDllCanMakeAQueue(const std::wstring& dll) {
    const kelno::ScopedModule module(LoadLibraryExW(dll.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES));
    return module && GetProcAddress(module.get(), "DrvDocumentPropertySheets") != nullptr;
}

std::vector<BYTE> Enumerate(BOOL (*call)(BYTE*, DWORD, DWORD*, DWORD*), DWORD& count) {
    DWORD needed = 0;
    count = 0;
    call(nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed);
    if (needed == 0 || !call(buffer.data(), needed, &needed, &count)) {
        count = 0;
        buffer.clear();
    }
    return buffer;
}

bool ShowQueue(const std::wstring& name) {
    DWORD count = 0;
    auto buffer = Enumerate(
        [](BYTE* b, DWORD s, DWORD* n, DWORD* c) { return EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, b, s, n, c); },
        count);
    const auto* printers = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        const PRINTER_INFO_2W& p = printers[i];
        if (!p.pPrinterName || name != p.pPrinterName) continue;
        std::printf("  Queue (EnumPrintersW, level 2):\n");
        std::printf("    pPrinterName       %s\n", Shown(p.pPrinterName).c_str());
        std::printf("    pPortName          %s\n", Shown(p.pPortName).c_str());
        std::printf("    pDriverName        %s\n", Shown(p.pDriverName).c_str());
        std::printf("    pPrintProcessor    %s\n", Shown(p.pPrintProcessor).c_str());
        std::printf("    pDatatype          %s\n", Shown(p.pDatatype).c_str());
        std::printf("    Attributes         0x%lx\n", static_cast<unsigned long>(p.Attributes));
        return true;
    }
    std::printf("  Queue \"%s\": not listed by the spooler\n", Utf8(name).c_str());
    return false;
}

bool ShowDriver(const std::wstring& name) {
    DWORD count = 0;
    auto buffer = Enumerate(
        [](BYTE* b, DWORD s, DWORD* n, DWORD* c) { return EnumPrinterDriversW(nullptr, nullptr, 8, b, s, n, c); },
        count);
    const auto* drivers = reinterpret_cast<const DRIVER_INFO_8W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        if (!drivers[i].pName || name != drivers[i].pName) continue;
        std::printf("  Driver (EnumPrinterDriversW, level 8):\n");
        PrintDriverInfo(drivers[i]);
        return true;
    }
    std::printf("  Driver \"%s\": not listed by the spooler\n", Utf8(name).c_str());
    return false;
}

void ShowPort(const std::wstring& name) {
    DWORD count = 0;
    auto buffer =
        Enumerate([](BYTE* b, DWORD s, DWORD* n, DWORD* c) { return EnumPortsW(nullptr, 2, b, s, n, c); }, count);
    const auto* ports = reinterpret_cast<const PORT_INFO_2W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        if (!ports[i].pPortName || name != ports[i].pPortName) continue;
        std::printf("  Port (EnumPortsW, level 2):\n");
        std::printf("    pPortName          %s\n", Shown(ports[i].pPortName).c_str());
        std::printf("    pMonitorName       %s\n", Shown(ports[i].pMonitorName).c_str());
        std::printf("    pDescription       %s\n", Shown(ports[i].pDescription).c_str());
        return;
    }
    std::printf("  Port \"%s\": not among the spooler's %lu ports (the queue keeps the name; on Windows the USB\n"
                "  port monitor creates it when the printer is plugged in)\n",
                Utf8(name).c_str(), static_cast<unsigned long>(count));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring model = argc > 1 ? argv[1] : L"Tavolen MX-410";
    const std::wstring port = argc > 2 ? argv[2] : L"USB001";
    const std::wstring queue = argc > 3 ? argv[3] : model;

    // The setup log goes to the prefix's temporary folder, not into the folder the demo is run from.
    wchar_t temp[MAX_PATH] = L"";
    const DWORD tempLength = GetTempPathW(MAX_PATH, temp);
    if (tempLength > 0 && tempLength < MAX_PATH) SetCurrentDirectoryW(temp);
    const std::string logPath = kelno::DefaultLogPath();
    kelno::StartLog(logPath);
    kelno::InitWizardPackageFolder();
    const std::wstring package = kelno::PackageFolder();
    wchar_t driverDir[MAX_PATH] = L"";
    kelno::GetDriverDirectory(driverDir, MAX_PATH);
    std::printf("Package folder:     %s\n", Utf8(package).c_str());
    std::printf("Driver environment: %s\n", Utf8(kelno::GetDriverEnvironment()).c_str());
    std::printf("Driver directory:   %s\n\n", Utf8(driverDir).c_str());

    const std::wstring configDll = package + L"\\" + kelno::GetDriverEnvironment() + L"\\" + kelno::kUiDll;
    if (!ConfigurationDllCanMakeAQueue(configDll)) {
        std::printf("The package's %s does not export DrvDocumentPropertySheets, which the spooler needs to\n"
                    "create a queue for it (Wine's AddPrinterW would call it through a null pointer).\n"
                    "Nothing was installed.\n",
                    Utf8(configDll).c_str());
        kelno::EndLog();
        return 2;
    }

    // What the install page leaves in the wizard's state.
    kelno::PrinterInstallEntry entry{};
    kelno::SetField(entry.modelName, model);
    kelno::SetField(entry.printerName, queue);
    kelno::SetField(entry.portName, port);
    entry.tcpPortNumber = kelno::kDefaultRawTcpPort;
    const std::wstring inf = package + L"\\" + kelno::kWizardInfName;

    std::printf("Installing \"%s\" as queue \"%s\" on port \"%s\" (DoInstallPrinter):\n", Utf8(model).c_str(),
                Utf8(queue).c_str(), Utf8(port).c_str());
    HWND progress = CreateProgressWindow();
    const bool installed = kelno::DoInstallPrinter(kelno::ResultPageSink(progress), entry, inf.c_str());
    DestroyWindow(progress);
    const std::wstring queueUsed = kelno::FieldString(entry.printerName);
    std::printf("Result: %s (LastInstallError %d, LastInstallSystemError %lu), queue name used: \"%s\"\n\n",
                installed ? "installed" : "FAILED", kelno::LastInstallError.load(),
                kelno::LastInstallSystemError.load(), Utf8(queueUsed).c_str());

    std::printf("What the spooler lists now:\n");
    const bool queueListed = ShowQueue(queueUsed);
    const bool driverListed = ShowDriver(model);
    ShowPort(port);

    kelno::DriverInfo8 handed;
    kelno::FillDriverInfo8(handed, model.c_str(), (entry.modelFlags & kelno::kModelUsesLanguageMonitor) != 0);
    std::printf("\n  DRIVER_INFO_8 handed to AddPrinterDriverW (Wine's spooler keeps only its DRIVER_INFO_3\n"
                "  part, so the later values above come back empty under Wine):\n");
    PrintDriverInfo(handed.info);
    kelno::EndLog();

    std::printf("\nLog %s:\n", logPath.c_str());
    if (FILE* log = std::fopen(logPath.c_str(), "r")) {
        char line[2048];
        while (std::fgets(line, sizeof line, log)) std::printf("  %s", line);
        std::fclose(log);
    }
    return installed && queueListed && driverListed ? 0 : 1;
}
