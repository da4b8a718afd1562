// The engine from both ends, against Wine's spooler and the package's own driver files: the
// wizard's worker installs a printer of each kind of port — USB, a file, the network (through
// the stand-in Standard TCP/IP port monitor) — and then removes everything again: queues,
// the network port, the drivers with their files and the driver package.
#include <windows.h>
#include <strsafe.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/text.h"
#include "engine/install_state.h"
#include "drvwizard/win/install_worker.h"
#include "common/win/seams.h"
#include "engine/win/system_paths.h"
#include "tests/support/recorded_waits.h"
#include "tests/support/spooler.h"
#include "tests/support/tcpip_monitor.h"
#include "tests/support/wine_test_support.h"

namespace kelno::test {
namespace {

std::vector<std::wstring> g_questions;

// The unattended user: OK to the notice, No to forcing the package out and to rebooting.
int WINAPI AnswerNo(HWND, LPCWSTR text, LPCWSTR, UINT type) {
    g_questions.emplace_back(text ? text : L"");
    return (type & 0xF) == MB_OK ? IDOK : IDNO;
}

BOOL WINAPI NoProcess(LPCWSTR, LPWSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID, LPCWSTR,
                      LPSTARTUPINFOW, LPPROCESS_INFORMATION) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

PrinterInstallEntry MakeEntry(const std::u16string& model, const std::u16string& queue, const std::u16string& port,
                              std::uint16_t kind, const std::u16string& host = u"") {
    PrinterInstallEntry entry{};
    CopyBounded(entry.modelName, std::size(entry.modelName), std::u16string_view(model));
    CopyBounded(entry.printerName, std::size(entry.printerName), std::u16string_view(queue));
    CopyBounded(entry.portName, std::size(entry.portName), std::u16string_view(port));
    CopyBounded(entry.hostAddress, std::size(entry.hostAddress), std::u16string_view(host));
    entry.tcpPortNumber = kDefaultRawTcpPort;
    entry.portKind = kind;
    return entry;
}

const wchar_t* W(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

bool Contains(const std::vector<std::wstring>& lines, const std::wstring& text) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::wstring& l) { return l.find(text) != std::wstring::npos; });
}

// Runs the worker on this thread for one wizard state and collects what it tells the page.
void RunWorker(WizardState& state, ResultPage& page) {
    state.resultPage = page.hwnd();
    WorkOrder order = PrepareWorkOrder(state);
    RunWizardWork(order);
    // What the engine wrote (queue name and port used) for the removal that follows.
    if (state.mode == kWizardModeInstall && state.request && !order.entries.empty()) *state.request = order.entries[0];
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

class EngineRoundTrip : public ::testing::Test {
protected:
    EngineRoundTrip()
        : wait_(seams::Time().sleep, &RecordedWaits::Wait),
          ask_(seams::Ui().messageBoxW, &AnswerNo),
          run_(seams::System().createProcessW, &NoProcess) {}
    // Polls of the service manager keep their short waits; the engine's fixed waits are cut short.
    RecordedWaits waits_{50};
    ScopedSeam<decltype(TimeSeams::sleep)> wait_;
    ScopedSeam<decltype(UiSeams::messageBoxW)> ask_;
    ScopedSeam<decltype(SystemSeams::createProcessW)> run_;
};

TEST_F(EngineRoundTrip, InstallOnUsbFileAndNetworkPortsThenRemoveEverything) {
    InitWizardPackageFolder();
    InstallTcpIpMonitor();
    const std::wstring filePort = JoinPath(MakeTempFolder(L"labels"), L"mx310.prn");
    const std::u16string filePortU16(filePort.begin(), filePort.end());
    std::vector<PrinterInstallEntry> entries = {
        MakeEntry(u"Tavolen MX-410", u"Label USB", u"USB001", 1),
        MakeEntry(u"Tavolen MX-310", u"Label File", filePortU16, 7),
        MakeEntry(u"Tavolen MX-420", u"Label Net", u"", kPortKindStandardTcpIp, u"192.168.1.60"),
    };

    // Install, one wizard run per printer.
    ResultPage page;
    for (auto& entry : entries) {
        WizardState state{};
        state.mode = kWizardModeInstall;
        StringCchPrintfW(state.infPath, MAX_PATH, L"%ws\\kelnov6.inf", PackageFolder());
        PrinterInstallEntry request = entry;
        state.request = &request;
        state.requestCount = 1;
        RunWorker(state, page);
        EXPECT_TRUE(InstallSucceeded.load())
            << Narrow(W(entry.printerName)) << " " << LastInstallError.load() << "-" << LastInstallSystemError.load();
        entry = request;  // the engine writes back the queue name and port it used
    }
    const auto& lines = page.Lines();
    EXPECT_TRUE(Contains(lines, L"Installing the printer driver: Label USB, at port: USB001.\r\n"));
    EXPECT_TRUE(Contains(lines, L"Installing the printer driver: Label Net, at port: 192.168.1.60.\r\n"));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), L"The printer driver is installed successfully\r\n"), 3);

    // What the spooler holds now.
    const std::wstring expectedPorts[] = {L"USB001", filePort, L"192.168.1.60"};
    for (size_t i = 0; i < entries.size(); ++i) {
        const QueueSnapshot queue = FindQueue(W(entries[i].printerName));
        ASSERT_TRUE(queue.found) << i;
        EXPECT_EQ(queue.port, expectedPorts[i]);
        EXPECT_EQ(queue.driver, W(entries[i].modelName));
        EXPECT_EQ(queue.attributes & (PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_ENABLE_BIDI),
                  PRINTER_ATTRIBUTE_LOCAL);
    }
    const auto drivers = DriverNames();
    for (const auto& entry : entries)
        EXPECT_NE(std::find(drivers.begin(), drivers.end(), W(entry.modelName)), drivers.end());
    for (const wchar_t* file : {L"kelnodrv6.dll", L"kelnodrv6ui.dll", L"kelnodrv6.dat"})
        EXPECT_TRUE(FileExists(InstalledDriverFile(file))) << Narrow(file);
    const StoredPort port = ReadStoredPort(L"192.168.1.60");
    ASSERT_TRUE(port.exists);
    EXPECT_EQ(port.hostName, L"192.168.1.60");
    EXPECT_EQ(port.portNumber, 9100u);
    EXPECT_EQ(port.snmpEnabled, 0u);

    // On Windows the driver-store upload leaves the package's INF as an OEM INF ("oem<n>.inf" in
    // the INF folder); Wine's upload is not implemented, so put it there by hand.
    wchar_t windowsDir[MAX_PATH] = L"";
    GetWindowsDirectoryW(windowsDir, MAX_PATH);
    const std::wstring oemInf = std::wstring(windowsDir) + L"\\INF\\oem12.inf";
    ASSERT_TRUE(CopyFileW(JoinPath(PackageFolderPath(), L"kelnov6.inf").c_str(), oemInf.c_str(), FALSE))
        << GetLastError();

    // Remove everything in one uninstall run.
    page.Clear();
    g_questions.clear();
    WizardState state{};
    state.mode = kWizardModeUninstall;
    state.request = entries.data();
    state.requestCount = static_cast<std::int32_t>(entries.size());
    state.deletePort = state.removeDriver = state.removePackage = 1;
    RunWorker(state, page);

    for (const auto& entry : entries) {
        EXPECT_FALSE(FindQueue(W(entry.printerName)).found) << Narrow(W(entry.printerName));
        EXPECT_TRUE(Contains(page.Lines(), std::wstring(L"Remove printer: ") + W(entry.printerName)));
    }
    EXPECT_FALSE(ReadStoredPort(L"192.168.1.60").exists);
    EXPECT_TRUE(Contains(page.Lines(), L"Remove port: 192.168.1.60 ..."));
    const auto left = DriverNames();
    for (const auto& entry : entries)
        EXPECT_EQ(std::find(left.begin(), left.end(), W(entry.modelName)), left.end()) << Narrow(W(entry.modelName));
    // The driver files are gone, or, where this process still has one loaded, marked for
    // deletion at the next reboot (and the user was asked about rebooting).
    const auto pending = PendingFileRenameOperations();
    for (const wchar_t* file : {L"kelnodrv6.dll", L"kelnodrv6ui.dll", L"kelnodrv6.dat"}) {
        const std::wstring path = InstalledDriverFile(file);
        const bool scheduled = std::any_of(pending.begin(), pending.end(), [&](const std::wstring& p) {
            return _wcsicmp(p.c_str() + (p.rfind(L'\\') == std::wstring::npos ? 0 : p.rfind(L'\\') + 1), file) == 0;
        });
        EXPECT_TRUE(!FileExists(path) || scheduled) << Narrow(path);
    }
    // The package step found the package's OEM INF by its provider and uninstalled it (Wine
    // reports success without deleting the file).
    const auto& removal = page.Lines();
    const auto packageLine =
        std::find(removal.begin(), removal.end(), L"Delete printer driver package, inf: oem12.inf...");
    ASSERT_NE(packageLine, removal.end());
    ASSERT_NE(packageLine + 1, removal.end());
    EXPECT_EQ(packageLine[1], L"OK\r\n");
    EXPECT_EQ(RebootNeeded.load(), !pending.empty());
    EXPECT_FALSE(g_questions.empty());  // the notice before the removal at least
}

}  // namespace
}  // namespace kelno::test
