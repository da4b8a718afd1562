// drvwizard.exe "/Upgrade" in the throwaway prefix: the queues of the upgrade driver are removed
// and added again on the refreshed files, the driver itself is deleted (also where the spooler
// refuses the deletion flags) and added again, the companion service "devhubsrv" (a test service
// of ours under that name) is stopped and started again, no window appears and the exit code is 0.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "engine/win/staging.h"
#include "engine/win/upgrade_readd.h"
#include "tests/support/spooler.h"
#include "tests/support/wine_test_support.h"
#include "tests/support/wizard_window.h"

namespace kelno::test {
namespace {

struct ScCloser {
    void operator()(SC_HANDLE handle) const { CloseServiceHandle(handle); }
};
using Sc = std::unique_ptr<std::remove_pointer_t<SC_HANDLE>, ScCloser>;

Sc OpenManager() { return Sc(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)); }

SERVICE_STATUS_PROCESS ServiceStatus(const wchar_t* name) {
    SERVICE_STATUS_PROCESS status{};
    Sc manager = OpenManager();
    Sc service(manager ? OpenServiceW(manager.get(), name, SERVICE_ALL_ACCESS) : nullptr);
    DWORD needed = 0;
    if (!service || !QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<LPBYTE>(&status),
                                          sizeof(status), &needed))
        status.dwCurrentState = 0;
    return status;
}

bool WaitForServiceState(const wchar_t* name, DWORD state, DWORD timeoutMs = 20000) {
    const DWORD start = GetTickCount();
    while (ServiceStatus(name).dwCurrentState != state) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(50);
    }
    return true;
}

// The companion service played by the test service, registered and started; stopped and
// deleted again at the end.
class CompanionService {
public:
    CompanionService() {
        const std::wstring binaryPath = L"\"" + JoinPath(TestProgramFolder(), L"kelno_test_service.exe") + L"\"";
        Sc manager = OpenManager();
        Sc service(manager ? CreateServiceW(manager.get(), kName, kName, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                            SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE, binaryPath.c_str(), nullptr,
                                            nullptr, nullptr, nullptr, nullptr)
                           : nullptr);
        created_ = service != nullptr;
        if (created_) StartServiceW(service.get(), 0, nullptr);
    }
    ~CompanionService() {
        if (!created_) return;
        Sc manager = OpenManager();
        Sc service(manager ? OpenServiceW(manager.get(), kName, SERVICE_ALL_ACCESS) : nullptr);
        if (!service) return;
        SERVICE_STATUS status{};
        ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
        WaitForServiceState(kName, SERVICE_STOPPED);
        DeleteService(service.get());
    }
    CompanionService(const CompanionService&) = delete;
    CompanionService& operator=(const CompanionService&) = delete;
    bool created() const { return created_; }

    static constexpr wchar_t kName[] = L"devhubsrv";

private:
    bool created_ = false;
};

// The fixed folder the re-add takes the driver files from, filled from the package.
void FillUpgradeSource() {
    const std::wstring root = kUpgradeSourceFolder;
    for (const wchar_t* sub : {L"", L"\\amd64", L"\\dat"}) CreateDirectoryW((root + sub).c_str(), nullptr);
    const std::wstring pkg = PackageFolderPath();
    for (const wchar_t* file : {kRenderDll, kUiDll, kMonitorDll})
        CopyFileW((pkg + L"\\amd64\\" + file).c_str(), (root + L"\\amd64\\" + file).c_str(), FALSE);
    CopyFileW((pkg + L"\\dat\\kelnodrv6.dat").c_str(), (root + L"\\dat\\kelnodrv6.dat").c_str(), FALSE);
}

// What the program wrote to the debugger output, for a failed test's report.
void PrintMessages(DebugOutputCapture& capture) {
    for (const std::wstring& message : capture.Messages()) std::printf("debug: %s\n", Narrow(message).c_str());
}

// Wine's spooler runs in the calling process: adding the test's queues left the package's
// configuration DLL loaded here (leaked by the spooler calls), where on Windows it lives in the
// spooler, which upgrade mode stops before it refreshes the files. Unloaded, so that the
// refresh can replace it.
void ReleaseConfigDll() {
    for (int i = 0; i < 16; ++i) {
        HMODULE module = GetModuleHandleW(L"kelnodrv6ui.dll");
        if (!module || !FreeLibrary(module)) break;
    }
}

const std::wstring kReAddedFirst = kUpgradeDriverName;
const std::wstring kReAddedSecond = std::wstring(kUpgradeDriverName) + L" (1)";

class Upgrade : public testing::Test {
protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    static void Clean() {
        for (const std::wstring& queue : {std::wstring(L"Label A"), std::wstring(L"Label B"), std::wstring(L"Office"),
                                          kReAddedFirst, kReAddedSecond})
            DeleteQueue(queue);
        for (const wchar_t* driver : {kUpgradeDriverName, L"Tavolen MX-420"}) DeleteDriver(driver);
    }

    // Runs the upgrade, watching for windows of the program while it runs. Its exit code.
    static std::optional<DWORD> RunUpgrade(const std::wstring& arguments, bool* sawWindow) {
        WizardWindow program(WizardLaunch::Arguments(arguments));
        EXPECT_TRUE(program.Started());
        *sawWindow = false;
        const DWORD start = GetTickCount();
        while (program.Running() && GetTickCount() - start < 180000) {
            if (program.AnyWindow()) *sawWindow = true;
            Sleep(50);
        }
        return program.WaitForExit(1000);
    }
};

TEST_F(Upgrade, ReAddsTheQueuesAndRestartsTheCompanionServiceWithoutAWindow) {
    FillUpgradeSource();
    ASSERT_TRUE(AddPackageQueue(L"Label A", kUpgradeDriverName, L"FILE:")) << GetLastError();
    ASSERT_TRUE(AddPackageQueue(L"Label B", kUpgradeDriverName, L"LPT1:")) << GetLastError();
    ASSERT_TRUE(AddPackageQueue(L"Office", L"Tavolen MX-420", L"FILE:")) << GetLastError();
    CompanionService companion;
    ASSERT_TRUE(companion.created()) << GetLastError();
    ASSERT_TRUE(WaitForServiceState(CompanionService::kName, SERVICE_RUNNING));
    const DWORD companionBefore = ServiceStatus(CompanionService::kName).dwProcessId;
    ReleaseConfigDll();

    DebugOutputCapture capture;
    bool sawWindow = true;
    EXPECT_EQ(RunUpgrade(L"/Upgrade", &sawWindow), 0u);
    EXPECT_FALSE(sawWindow);
    capture.Settle();

    // The old queues are gone; one queue per removed queue is back on its port, named after the
    // driver; the other driver's queue is untouched.
    EXPECT_FALSE(QueueExists(L"Label A"));
    EXPECT_FALSE(QueueExists(L"Label B"));
    const QueueSnapshot first = FindQueue(kReAddedFirst), second = FindQueue(kReAddedSecond);
    EXPECT_TRUE(first.found && second.found);
    if (!first.found || !second.found) return PrintMessages(capture);
    std::vector<std::wstring> ports{first.port, second.port};
    std::sort(ports.begin(), ports.end());
    EXPECT_EQ(ports, (std::vector<std::wstring>{L"FILE:", L"LPT1:"}));
    EXPECT_EQ(first.driver, kUpgradeDriverName);
    EXPECT_TRUE(QueueExists(L"Office"));
    EXPECT_TRUE(DriverInstalled(kUpgradeDriverName));

    // The companion service was stopped (a new process now) and runs again.
    EXPECT_TRUE(WaitForServiceState(CompanionService::kName, SERVICE_RUNNING));
    EXPECT_NE(ServiceStatus(CompanionService::kName).dwProcessId, companionBefore);

    for (const wchar_t* line : {L"Entering upgrade mode", L"UninstallPrinters is OK.", L"devhubsrv service is stopped.",
                                L"devhubsrv service is started."})
        EXPECT_FALSE(capture.MessagesContaining(line).empty()) << Narrow(line);
    // Wine refuses the deletion flags: the driver went by the plain deletion.
    EXPECT_FALSE(capture.MessagesContaining(L"deleting the driver without them").empty());
    if (HasFailure()) PrintMessages(capture);
}

TEST_F(Upgrade, RunsWithoutMatchingQueuesAndStartsTheCompanionService) {
    ASSERT_TRUE(AddPackageQueue(L"Office", L"Tavolen MX-420", L"FILE:")) << GetLastError();
    CompanionService companion;
    ASSERT_TRUE(companion.created());
    ASSERT_TRUE(WaitForServiceState(CompanionService::kName, SERVICE_RUNNING));

    DebugOutputCapture capture;
    bool sawWindow = true;
    // Embedded in a longer word, the switch still counts.
    EXPECT_EQ(RunUpgrade(L"x/Upgradex", &sawWindow), 0u);
    EXPECT_FALSE(sawWindow);
    capture.Settle();
    EXPECT_FALSE(capture.MessagesContaining(L"devhubsrv service is stopped.").empty());
    EXPECT_FALSE(capture.MessagesContaining(L"devhubsrv service is started.").empty());
    EXPECT_TRUE(WaitForServiceState(CompanionService::kName, SERVICE_RUNNING));
    EXPECT_TRUE(QueueExists(L"Office"));
    EXPECT_FALSE(QueueExists(kReAddedFirst));
    if (HasFailure()) PrintMessages(capture);
}

}  // namespace
}  // namespace kelno::test
