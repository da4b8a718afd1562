// The one-click installer started the way a user starts it, from the package folder in the
// prefix, with USB printers simulated in the prefix's SetupAPI database: the unattended install,
// its search without a printer, a second instance, and the program stored as unins000.exe.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/simulated_devices.h"
#include "tests/support/spooler.h"
#include "tests/support/started_program.h"
#include "tests/support/tcpip_monitor.h"
#include "tests/support/wine_test_support.h"

namespace kelno::test {
namespace {

// Exit codes of the unattended install (README, "Unattended install and uninstall").
constexpr DWORD kExitNoPrinterInTime = 2;
constexpr DWORD kExitAlreadyInstalled = 4;
constexpr DWORD kExitInvalidArguments = 87;

// An install takes a few seconds per printer under Wine (each ends with a Spooler restart).
constexpr DWORD kInstallTimeoutMs = 240000;

std::wstring OneStep() { return JoinPath(PackageFolderPath(), L"usbonestep.exe"); }
std::wstring Uninstaller() { return JoinPath(PackageFolderPath(), L"unins000.exe"); }

std::unique_ptr<SimulatedDevice> ConnectPrinter(const std::wstring& serial, DWORD port, const std::wstring& model) {
    auto device = AddUsbPrinterOfModel(serial, port, model);
    EXPECT_TRUE(device->Ok()) << Narrow(device->Failure());
    return device;
}

std::vector<std::wstring> PackageQueues() {
    std::vector<std::wstring> found;
    for (const wchar_t* name : {L"Tavolen MX-410", L"Tavolen MX-310", L"Tavolen MX-420", L"Tavolen MX-430"})
        if (QueueExists(name)) found.push_back(name);
    return found;
}

bool Contains(const std::vector<std::wstring>& list, const std::wstring& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

// The uninstaller started here deletes its folder to the recycle bin: the bench keeps that bin
// inside the prefix, never the user's.
TEST(OneStepInstall, RecycleBinOfTheProgramsIsInsideThePrefix) {
    wchar_t dataHome[MAX_PATH] = L"";
    ASSERT_NE(GetEnvironmentVariableW(L"XDG_DATA_HOME", dataHome, MAX_PATH), 0u);
    const std::wstring folder = MakeTempFolder(L"recycled");
    ASSERT_TRUE(WriteFileBytes(JoinPath(folder, L"file.txt"), "x"));
    std::wstring from = folder + L'\0';  // a double-terminated list
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    ASSERT_EQ(SHFileOperationW(&operation), 0);
    EXPECT_FALSE(FileExists(folder));
    const std::wstring name = folder.substr(folder.find_last_of(L'\\') + 1);
    EXPECT_TRUE(FileExists(L"Z:" + std::wstring(dataHome) + L"/Trash/files/" + name)) << Narrow(dataHome);
}

TEST(OneStepInstall, WithoutPrinterSilentSearchesOnAndInstallsNothing) {
    auto unsupported = ConnectPrinter(L"SER362", 3, L"Quillon MX-362");
    DebugOutputCapture capture;
    StartedProgram searching(OneStep(), L"/silence");
    ASSERT_TRUE(searching.Started());
    // Several passes, one a second, each of which sees the unsupported printer only.
    EXPECT_TRUE(capture.WaitFor(L"Found not model Quillon MX-362", std::chrono::seconds(60)));
    EXPECT_FALSE(searching.WaitForExit(6000));
    EXPECT_GE(capture.MessagesContaining(L"Found not model Quillon MX-362").size(), 2u);
    EXPECT_TRUE(PackageQueues().empty());

    // A second instance ends at once, without a word of its own.
    const RunResult second = RunProgram(OneStep(), L"/silence", L"", 30000);
    EXPECT_TRUE(second.finished);
    EXPECT_EQ(second.exitCode, 0u);
    EXPECT_TRUE(searching.Running());
    searching.Terminate();
    EXPECT_TRUE(PackageQueues().empty());
}

TEST(OneStepInstall, WaitLimitEndsTheSearchWithItsExitCode) {
    const struct {
        const wchar_t* arguments;
        DWORD exitCode;
        DWORD atLeastMs;
    } cases[] = {
        {L"/silence /wait=3", kExitNoPrinterInTime, 3000},
        {L"/WAIT=0 /SILENCE", kExitNoPrinterInTime, 0},
        {L"/silence /wait=soon", kExitInvalidArguments, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.arguments));
        const ULONGLONG start = GetTickCount64();
        const RunResult run = RunProgram(OneStep(), c.arguments, L"", 120000);
        EXPECT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_GE(GetTickCount64() - start, c.atLeastMs);
    }
    EXPECT_TRUE(PackageQueues().empty());
}

TEST(OneStepInstall, ExistingQueueOfTheNameCountsAsInstalledAndIsLeftAlone) {
    InstallQueueDriver();
    AddTestQueue(L"Tavolen MX-420", L"FILE:");
    const std::vector<std::wstring> driversBefore = DriverNames();
    auto mx420 = ConnectPrinter(L"SER420", 2, L"TavolenMX-420");
    DebugOutputCapture capture;

    const RunResult run = RunProgram(OneStep(), L"/silence /wait=60", L"", kInstallTimeoutMs);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    const QueueSnapshot queue = FindQueue(L"Tavolen MX-420");
    ASSERT_TRUE(queue.found);
    EXPECT_EQ(queue.port, L"FILE:");
    EXPECT_EQ(queue.driver, kQueueDriverName);
    EXPECT_EQ(DriverNames(), driversBefore);
    EXPECT_TRUE(capture.WaitFor(L"The printer Tavolen MX-420 exists."));
    DeleteQueue(L"Tavolen MX-420");
}

// The copy's own trace line "usbonestep: uninstall 1, ..." shows how it read its command line.
std::wstring CopyTrace(DebugOutputCapture& capture) {
    for (const std::wstring& line : capture.MessagesContaining(L"usbonestep: uninstall 1")) return line;
    return L"";
}

// "Started "<copy>" ... -u "<folder>, process <id>."
DWORD StartedProcessId(const std::wstring& line) {
    const std::size_t at = line.rfind(L"process ");
    return at == std::wstring::npos ? 0 : static_cast<DWORD>(std::wcstoul(line.c_str() + at + 8, nullptr, 10));
}

TEST(OneStepInstall, UninstallerNameNeverInstallsButStartsATemporaryCopyInUninstallMode) {
    auto mx410 = ConnectPrinter(L"SER410", 1, L"TavolenMX-410");
    // A folder of its own: the uninstaller may delete the folder it was started from.
    const std::wstring folder = MakeTempFolder(L"uninstaller") + L"\\";
    const std::wstring uninstaller = folder + L"unins000.exe";
    ASSERT_TRUE(CopyFileW(Uninstaller().c_str(), uninstaller.c_str(), FALSE)) << GetLastError();
    const struct {
        const wchar_t* arguments;
        const wchar_t* copyOptions;
    } cases[] = {
        {L"", L"usbonestep: uninstall 1, keep folder 0, silent 0"},
        {L"/silence", L"usbonestep: uninstall 1, keep folder 0, silent 1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.arguments));
        DebugOutputCapture capture;
        const RunResult run = RunProgram(uninstaller, c.arguments, L"", 60000);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 0u);
        ASSERT_TRUE(capture.WaitFor(L"Started \"", std::chrono::seconds(20)));
        const std::wstring started = capture.MessagesContaining(L"Started \"").front();
        // The copy is a new temporary file ("uni....tmp") that holds the program, and it gets the
        // uninstaller's folder after "-u".
        const std::size_t pathEnd = started.find(L'"', 9);
        ASSERT_NE(pathEnd, std::wstring::npos) << Narrow(started);
        const std::wstring copy = started.substr(9, pathEnd - 9);
        wchar_t temp[MAX_PATH] = L"";
        GetTempPathW(MAX_PATH, temp);
        EXPECT_EQ(copy.rfind(std::wstring(temp) + L"uni", 0), 0u) << Narrow(copy);
        EXPECT_EQ(copy.substr(copy.size() - 4), L".tmp") << Narrow(copy);
        EXPECT_EQ(ReadFileBytes(copy), ReadFileBytes(Uninstaller()));
        EXPECT_NE(started.find(L" -u \"" + folder + L","), std::wstring::npos) << Narrow(started);
        EXPECT_TRUE(capture.WaitFor(L"usbonestep: uninstall 1", std::chrono::seconds(30)));
        EXPECT_NE(CopyTrace(capture).find(c.copyOptions), std::wstring::npos) << Narrow(CopyTrace(capture));
        if (const DWORD copy = StartedProcessId(started)) TerminateProcessById(copy);
        EXPECT_TRUE(capture.MessagesContaining(L"Installing printer model").empty());
    }
    EXPECT_TRUE(PackageQueues().empty());
}

// Last: it leaves the package installed.
TEST(OneStepInstall, SilentInstallsEverySupportedPrinterOfOnePass) {
    auto mx410 = ConnectPrinter(L"SER410", 1, L"TavolenMX-410");
    auto mx420 = ConnectPrinter(L"SER420", 2, L"Tavolen MX-420");
    auto other = ConnectPrinter(L"SER362", 3, L"Quillon MX-362");
    DebugOutputCapture capture;

    const RunResult run = RunProgram(OneStep(), L"/silence", L"", kInstallTimeoutMs);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);

    const struct {
        const wchar_t* queue;
        const wchar_t* port;
    } expected[] = {{L"Tavolen MX-410", L"USB001"}, {L"Tavolen MX-420", L"USB002"}};
    for (const auto& e : expected) {
        SCOPED_TRACE(Narrow(e.queue));
        const QueueSnapshot queue = FindQueue(e.queue);
        ASSERT_TRUE(queue.found);
        EXPECT_EQ(queue.port, e.port);
        EXPECT_EQ(queue.driver, e.queue);
        EXPECT_EQ(queue.attributes & (PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_ENABLE_BIDI),
                  PRINTER_ATTRIBUTE_LOCAL);
        const DriverSnapshot driver = FindDriver(e.queue);
        ASSERT_TRUE(driver.found);
        EXPECT_NE(driver.configFile.find(L"kelnodrv6ui.dll"), std::wstring::npos);
        EXPECT_NE(driver.driverPath.find(L"kelnodrv6.dll"), std::wstring::npos);
        EXPECT_NE(driver.dataFile.find(L"kelnodrv6.dat"), std::wstring::npos);
    }
    EXPECT_EQ(PackageQueues().size(), 2u);
    for (const wchar_t* file : {L"kelnodrv6.dll", L"kelnodrv6ui.dll", L"kelnodrv6.dat"})
        EXPECT_TRUE(FileExists(InstalledDriverFile(file))) << Narrow(file);

    capture.Settle();
    EXPECT_FALSE(capture.MessagesContaining(L"Found not model Quillon MX-362").empty());
    EXPECT_FALSE(
        capture.MessagesContaining(L"Installing printer model: Tavolen MX-410, name: Tavolen MX-410, port: USB001")
            .empty());
    EXPECT_FALSE(
        capture.MessagesContaining(L"Installing printer model: Tavolen MX-420, name: Tavolen MX-420, port: USB002")
            .empty());
}

// After the install above the package is installed: an unattended run ends at once with its own
// code and changes nothing; a plain start hands over to the package's uninstaller.
TEST(OneStepInstall, InstalledPackageHandsOverToItsUninstallerOrEndsUnattended) {
    ASSERT_TRUE(QueueExists(L"Tavolen MX-410"));
    auto mx430 = ConnectPrinter(L"SER430", 4, L"TavolenMX-430");
    const RunResult silent = RunProgram(OneStep(), L"/silence /wait=0", L"", kInstallTimeoutMs);
    ASSERT_TRUE(silent.finished);
    // Without the uninstaller's inventory in the program the package never counts as installed.
    if (silent.exitCode == 0) GTEST_SKIP() << "the program has no package inventory";
    EXPECT_EQ(silent.exitCode, kExitAlreadyInstalled);
    EXPECT_FALSE(QueueExists(L"Tavolen MX-430"));

    DebugOutputCapture capture;
    const RunResult plain = RunProgram(OneStep(), L"", L"", 60000);
    EXPECT_TRUE(plain.finished);
    EXPECT_EQ(plain.exitCode, 0u);
    const std::wstring handOver = L"Started \"" + Uninstaller() + L"\"";
    EXPECT_TRUE(capture.WaitFor(handOver, std::chrono::seconds(30)));
    // The uninstaller hands over to its own copy; neither is left running.
    EXPECT_TRUE(capture.WaitFor(L"Started \"", std::chrono::seconds(30)));
    capture.Settle();
    for (const std::wstring& line : capture.MessagesContaining(L"Started \""))
        if (const DWORD started = StartedProcessId(line)) TerminateProcessById(started);
    EXPECT_FALSE(QueueExists(L"Tavolen MX-430"));
}

}  // namespace
}  // namespace kelno::test
