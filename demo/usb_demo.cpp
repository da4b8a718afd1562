// kelno_usb_demo: the main job as a person does it. Run in a fresh throwaway Wine prefix that
// holds the package folder, it connects a simulated USB printer "TavolenMX-410" (registered
// through SetupAPI the way the Windows tests do), runs "usbonestep.exe /silence" from the package
// folder, prints the queues, drivers and ports the spooler then lists, runs the silent uninstall
// "unins000.exe /silence" and prints what is left.
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/simulated_devices.h"
#include "tests/support/wine_test_support.h"

namespace {

using kelno::test::Narrow;

// An installer run has a printer to find; a run that takes longer than this has gone wrong.
constexpr DWORD kProgramTimeoutMs = 300000;

template <typename Call>
std::vector<BYTE> Enumerate(Call call, DWORD& count) {
    DWORD needed = 0;
    count = 0;
    call(nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed ? needed : 1);
    if (!call(buffer.data(), needed, &needed, &count)) count = 0;
    return buffer;
}

std::string Shown(const wchar_t* text) { return text && *text ? "\"" + Narrow(text) + "\"" : "(none)"; }

bool IsPackageName(const wchar_t* name) { return name && std::wstring(name).rfind(L"Tavolen ", 0) == 0; }

// What the spooler lists of this package: queues and drivers named "Tavolen ...", and the ports
// those queues print to. Returns the number of queues and drivers found.
int PrintSpooler() {
    int found = 0;
    DWORD count = 0;
    std::vector<std::wstring> queuePorts;
    const auto printers = Enumerate(
        [](BYTE* b, DWORD s, DWORD* n, DWORD* c) { return EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, b, s, n, c); },
        count);
    const auto* queues = reinterpret_cast<const PRINTER_INFO_2W*>(printers.data());
    for (DWORD i = 0; i < count; ++i) {
        if (!IsPackageName(queues[i].pPrinterName)) continue;
        ++found;
        std::printf("  queue   %s  port %s  driver %s  attributes 0x%lx\n", Shown(queues[i].pPrinterName).c_str(),
                    Shown(queues[i].pPortName).c_str(), Shown(queues[i].pDriverName).c_str(),
                    static_cast<unsigned long>(queues[i].Attributes));
        if (queues[i].pPortName) queuePorts.push_back(queues[i].pPortName);
    }
    const auto driverBytes = Enumerate(
        [](BYTE* b, DWORD s, DWORD* n, DWORD* c) { return EnumPrinterDriversW(nullptr, nullptr, 8, b, s, n, c); },
        count);
    const auto* drivers = reinterpret_cast<const DRIVER_INFO_8W*>(driverBytes.data());
    for (DWORD i = 0; i < count; ++i) {
        if (!IsPackageName(drivers[i].pName)) continue;
        ++found;
        const DWORDLONG v = drivers[i].dwlDriverVersion;
        std::printf("  driver  %s  version %u.%u.%u.%u  provider %s\n", Shown(drivers[i].pName).c_str(),
                    static_cast<unsigned>(v >> 48), static_cast<unsigned>((v >> 32) & 0xFFFF),
                    static_cast<unsigned>((v >> 16) & 0xFFFF), static_cast<unsigned>(v & 0xFFFF),
                    Shown(drivers[i].pszProvider).c_str());
        std::printf("          files %s, %s, %s\n", Shown(drivers[i].pDriverPath).c_str(),
                    Shown(drivers[i].pConfigFile).c_str(), Shown(drivers[i].pDataFile).c_str());
    }
    const auto portBytes =
        Enumerate([](BYTE* b, DWORD s, DWORD* n, DWORD* c) { return EnumPortsW(nullptr, 2, b, s, n, c); }, count);
    const auto* ports = reinterpret_cast<const PORT_INFO_2W*>(portBytes.data());
    for (const std::wstring& wanted : queuePorts) {
        bool listed = false;
        for (DWORD i = 0; i < count && !listed; ++i) {
            if (!ports[i].pPortName || wanted != ports[i].pPortName) continue;
            listed = true;
            std::printf("  port    %s  monitor %s\n", Shown(ports[i].pPortName).c_str(),
                        Shown(ports[i].pMonitorName).c_str());
        }
        if (!listed)
            std::printf("  port    \"%s\": not among the spooler's %lu ports (Wine has no USB port monitor; on\n"
                        "          Windows the USB printing class driver adds it)\n",
                        Narrow(wanted).c_str(), static_cast<unsigned long>(count));
    }
    if (found == 0) std::printf("  nothing of the package: no \"Tavolen ...\" queue or driver\n");
    return found;
}

void PrintTrace(kelno::test::DebugOutputCapture& capture) {
    capture.Settle(std::chrono::milliseconds(500));
    for (const std::wstring& line : capture.Messages()) std::printf("  | %s\n", Narrow(line).c_str());
    capture.Clear();
}

// "Started ... process <id>." of the uninstaller's hand-over to its temporary copy.
DWORD StartedProcessId(kelno::test::DebugOutputCapture& capture) {
    for (const std::wstring& line : capture.MessagesContaining(L"Started \"")) {
        const std::size_t at = line.rfind(L"process ");
        if (at != std::wstring::npos) return static_cast<DWORD>(std::wcstoul(line.c_str() + at + 8, nullptr, 10));
    }
    return 0;
}

}  // namespace

int wmain() {
    const std::wstring package = kelno::test::PackageFolderPath();
    std::printf("Package folder: %s\n\n", Narrow(package).c_str());
    kelno::test::DebugOutputCapture capture;

    std::printf("1. A \"TavolenMX-410\" printer is connected on USB (port 1, simulated through SetupAPI).\n");
    auto printer = kelno::test::AddUsbPrinterOfModel(L"DEMO410", 1, L"TavolenMX-410");
    if (!printer->Ok()) {
        std::printf("   could not simulate the printer: %s\n", Narrow(printer->Failure()).c_str());
        return 1;
    }

    std::printf("\n2. usbonestep.exe /silence\n");
    const auto install =
        kelno::test::RunProgram(kelno::test::JoinPath(package, L"usbonestep.exe"), L"/silence", L"", kProgramTimeoutMs);
    std::printf("   exit code %lu%s; its debugger output:\n", static_cast<unsigned long>(install.exitCode),
                install.finished ? "" : " (did not end in time, stopped)");
    PrintTrace(capture);
    std::printf("\n   What the spooler lists now:\n");
    const int installed = PrintSpooler();

    std::printf("\n3. unins000.exe /silence\n");
    const auto uninstall =
        kelno::test::RunProgram(kelno::test::JoinPath(package, L"unins000.exe"), L"/silence", L"", kProgramTimeoutMs);
    std::printf("   exit code %lu; it hands over to a temporary copy of itself, which removes the package\n",
                static_cast<unsigned long>(uninstall.exitCode));
    capture.WaitFor(L"Started \"", std::chrono::seconds(20));
    DWORD copyExit = STILL_ACTIVE;
    if (const DWORD copyId = StartedProcessId(capture)) {
        if (HANDLE copy = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, copyId)) {
            if (WaitForSingleObject(copy, kProgramTimeoutMs) != WAIT_OBJECT_0) TerminateProcess(copy, 259);
            GetExitCodeProcess(copy, &copyExit);
            CloseHandle(copy);
        }
    }
    std::printf("   the copy's exit code %lu; the debugger output:\n", static_cast<unsigned long>(copyExit));
    PrintTrace(capture);
    std::printf("\n   What is left:\n");
    const int left = PrintSpooler();
    const bool folderLeft = kelno::test::FileExists(kelno::test::JoinPath(package, L"usbonestep.exe"));
    std::printf("  package folder: %s\n", folderLeft ? "still there" : "removed");

    std::printf("\n%s\n", installed > 0 && left == 0 ? "The printer was installed and everything was removed again."
                          : installed == 0           ? "Nothing was installed."
                                                     : "Something of the package is left.");
    return installed > 0 && left == 0 ? 0 : 1;
}
