// The one-click installer's form of the install in this process, against Wine's spooler, with
// the package folder of the prefix: the Plug and Play path (through the seams, as Wine's upload
// is refused), adding by hand and its failures, the Spooler restart for an unknown port, the
// replace-at-reboot fallback of a file copy, and the unattended loop's exit codes.
#include <windows.h>
#include <cfgmgr32.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/text.h"
#include "base/win/wide_text.h"
#include "common/model_table.h"
#include "common/win/seams.h"
#include "discovery/port_record.h"
#include "engine/driver_version.h"
#include "engine/win/printer_install.h"
#include "engine/win/service_control.h"
#include "engine/win/staging.h"
#include "usbonestep/onestep_rules.h"
#include "usbonestep/win/install_engine.h"
#include "usbonestep/win/install_loop.h"
#include "usbonestep/win/install_start.h"
#include "tests/support/held_files.h"
#include "tests/support/recorded_waits.h"
#include "tests/support/simulated_devices.h"
#include "tests/support/spooler.h"
#include "tests/support/tcpip_monitor.h"
#include "tests/support/wine_test_support.h"

namespace kelno::test {
namespace {

constexpr wchar_t kModel[] = L"Tavolen MX-410";
constexpr DWORD kAccessDenied = ERROR_ACCESS_DENIED;
constexpr DWORD kUnknownPort = ERROR_UNKNOWN_PORT;

// What the fakes were asked and how they answer. Every fake passes on to the real call unless
// told to fail.
struct Fakes {
    HRESULT uploadResult = E_NOTIMPL;  // what Wine answers
    int uploads = 0, reenumerations = 0, updates = 0, driverAdds = 0, queueAdds = 0;
    ULONG reenumerateFlags = 0xFFFFFFFF;
    std::wstring updatedDeviceId, updatedInf;
    bool updateMakesQueue = false;  // the Plug and Play update creates the queue, as on Windows
    std::wstring queuePort;
    bool failDriverAdd = false, failQueueAdd = false;
} g_fakes;

HRESULT WINAPI FakeUpload(LPCWSTR, LPCWSTR, LPCWSTR, DWORD, HWND, LPWSTR destination, PULONG capacity) {
    ++g_fakes.uploads;
    if (destination && capacity && *capacity) destination[0] = 0;
    return g_fakes.uploadResult;
}

CONFIGRET WINAPI FakeLocate(PDEVINST root, DEVINSTID_W, ULONG) {
    *root = 1;
    return CR_SUCCESS;
}

CONFIGRET WINAPI FakeReenumerate(DEVINST, ULONG flags) {
    ++g_fakes.reenumerations;
    g_fakes.reenumerateFlags = flags;
    return CR_SUCCESS;
}

BOOL WINAPI FakeUpdate(HWND, LPCWSTR deviceId, LPCWSTR inf, DWORD, PBOOL) {
    ++g_fakes.updates;
    g_fakes.updatedDeviceId = deviceId ? deviceId : L"";
    g_fakes.updatedInf = inf ? inf : L"";
    if (g_fakes.updateMakesQueue)
        return StagePackageDriverFiles() && AddDriver(kModel, L"kelnodrv6ui.dll") &&
               AddQueue(kModel, kModel, g_fakes.queuePort);
    SetLastError(ERROR_NO_SUCH_DEVINST);
    return FALSE;
}

BOOL WINAPI FakeAddDriver(LPWSTR server, DWORD level, LPBYTE info) {
    ++g_fakes.driverAdds;
    if (g_fakes.failDriverAdd) {
        SetLastError(kAccessDenied);
        return FALSE;
    }
    return ::AddPrinterDriverW(server, level, info);
}

HANDLE WINAPI FakeAddPrinter(LPWSTR server, DWORD level, LPBYTE info) {
    ++g_fakes.queueAdds;
    if (g_fakes.failQueueAdd) {
        SetLastError(kUnknownPort);
        return nullptr;
    }
    return ::AddPrinterW(server, level, info);
}

PrinterInstallEntry EntryFor(const wchar_t* port, const char16_t* hardwareId) {
    PortRecordPtr record = MakePortRecord();
    SetField(record->portName, port);
    SetField(record->description, u"TavolenMX-410");
    SetField(record->hardwareId, hardwareId);
    return OneStepEntry(*record, *FindModel(u"TavolenMX-410"));
}

// Each test starts with the Spooler running and without the model's queue and driver, with the fakes in place and the
// fixed waits recorded (the service polls really wait, so that a Spooler restart takes its time).
class OneStepEngine : public ::testing::Test {
protected:
    void SetUp() override {
        SetOneStepProgramFolder((PackageFolderPath() + L"\\").c_str());
        SetDriverVersionString(kOneStepDriverVersionString);
        // The program starts the Spooler at its start; a fresh prefix has it stopped.
        ASSERT_TRUE(StartSpooler());
        g_fakes = Fakes{};
        DeleteQueue(kModel);
        DeleteDriver(kModel);
        OneStepInfPath(infPath_);
    }
    void TearDown() override {
        DeleteQueue(kModel);
        FreeAll(devices_);
    }
    std::size_t Waits(DWORD milliseconds) const { return waits_.Count(milliseconds); }

    PortList devices_;
    wchar_t infPath_[MAX_PATH] = L"";
    RecordedWaits waits_{50};
    ScopedSeam<decltype(TimeSeams::sleep)> sleep_{seams::Time().sleep, &RecordedWaits::Wait};
    ScopedSeam<decltype(SpoolerSeams::uploadPrinterDriverPackageW)> upload_{
        seams::Spooler().uploadPrinterDriverPackageW, &FakeUpload};
    ScopedSeam<decltype(PnpSeams::cmLocateDevNodeW)> locate_{seams::Pnp().cmLocateDevNodeW, &FakeLocate};
    ScopedSeam<decltype(PnpSeams::cmReenumerateDevNode)> reenumerate_{seams::Pnp().cmReenumerateDevNode,
                                                                      &FakeReenumerate};
    ScopedSeam<decltype(PnpSeams::updateDriverForPlugAndPlayDevicesW)> update_{
        seams::Pnp().updateDriverForPlugAndPlayDevicesW, &FakeUpdate};
    ScopedSeam<decltype(SpoolerSeams::addPrinterDriverW)> addDriver_{seams::Spooler().addPrinterDriverW,
                                                                     &FakeAddDriver};
    ScopedSeam<decltype(SpoolerSeams::addPrinterW)> addPrinter_{seams::Spooler().addPrinterW, &FakeAddPrinter};
};

// On Windows the uploaded package and the Plug and Play update make the queue: nothing is added
// by hand. The device id is the listed printer's, blanks and all; the ten waits all run (the
// model has no language monitor to copy again).
TEST_F(OneStepEngine, QueueMadeByPlugAndPlayIsNotAddedByHand) {
    g_fakes.uploadResult = S_OK;
    g_fakes.updateMakesQueue = true;
    g_fakes.queuePort = L"USB001";
    PortRecordPtr listed = MakePortRecord();
    SetField(listed->portName, u"USB001");
    SetField(listed->hardwareId, u"USBPRINT\\Tavolen MX-4107472");
    PushFront(devices_, std::move(listed));
    PrinterInstallEntry entry = EntryFor(L"USB001", u"stale id");

    EXPECT_EQ(OneStepInstallPrinter(entry, infPath_, devices_), kOneStepInstalled);
    EXPECT_EQ(g_fakes.reenumerations, 1);
    EXPECT_EQ(g_fakes.reenumerateFlags, 0u);
    EXPECT_EQ(g_fakes.updatedDeviceId, L"USBPRINT\\Tavolen MX-4107472");
    EXPECT_EQ(g_fakes.updatedInf, PackageFolderPath() + L"\\kelnov6.inf");
    EXPECT_EQ(g_fakes.driverAdds, 0);
    EXPECT_EQ(g_fakes.queueAdds, 0);
    EXPECT_EQ(Waits(1000), 10u);
    EXPECT_EQ(FindQueue(kModel).port, L"USB001");
}

// Wine refuses the upload: the queue is added by hand, and its failures end the install.
TEST_F(OneStepEngine, AddingByHandAndItsFailures) {
    const struct {
        const char* name;
        const wchar_t* port;
        bool failDriverAdd, failQueueAdd;
        int result;
        const wchar_t* trace;  // a debugger-output line the install must write
        int queueAdds;
        std::size_t queueChecks;      // 1 s waits for the queue to show
        std::size_t spoolerRestarts;  // 3 s waits before the Spooler starts again
    } cases[] = {
        {"new port", L"USB001", false, false, kOneStepInstalled, nullptr, 1, 0, 1},
        {"port the spooler knows: no restart", L"FILE:", false, false, kOneStepInstalled, nullptr, 1, 0, 0},
        {"driver add refused", L"USB001", true, false, 0, L"AddPrinterDriver failed, errcode:5.", 0, 0, 0},
        {"queue add refused: no retry", L"USB001", false, true, 0, L"AddPrinter Tavolen MX-410 failed, errcode:1796.",
         1, 5, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        waits_.Clear();
        g_fakes.failDriverAdd = c.failDriverAdd;
        g_fakes.failQueueAdd = c.failQueueAdd;
        DebugOutputCapture capture;
        PrinterInstallEntry entry = EntryFor(c.port, u"USBPRINT\\TavolenMX-4107472");

        EXPECT_EQ(OneStepInstallPrinter(entry, infPath_, devices_), c.result);
        EXPECT_EQ(g_fakes.uploads, 1);
        EXPECT_EQ(g_fakes.updates, 0);
        EXPECT_EQ(g_fakes.driverAdds, 1);
        EXPECT_EQ(g_fakes.queueAdds, c.queueAdds);
        EXPECT_EQ(Waits(1000), c.queueChecks);
        EXPECT_EQ(Waits(3000), c.spoolerRestarts);
        const QueueSnapshot queue = FindQueue(kModel);
        EXPECT_EQ(queue.found, c.result != 0);
        if (queue.found) {
            EXPECT_EQ(queue.port, c.port);
            EXPECT_EQ(queue.driver, kModel);
            EXPECT_EQ(queue.attributes & (PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_ENABLE_BIDI),
                      PRINTER_ATTRIBUTE_LOCAL);
        }
        if (c.trace) EXPECT_TRUE(capture.WaitFor(c.trace)) << Narrow(c.trace);
        for (const wchar_t* file : {kRenderDll, kUiDll, kDataFile})
            EXPECT_TRUE(FileExists(JoinPath(DriverDirectory(), file))) << Narrow(file);
    }
}

TEST_F(OneStepEngine, ExistingQueueIsReportedWithoutAnySpoolerCall) {
    InstallQueueDriver();
    AddTestQueue(kModel, L"FILE:");
    PrinterInstallEntry entry = EntryFor(L"USB001", u"");
    EXPECT_EQ(OneStepInstallPrinter(entry, infPath_, devices_), kOneStepQueueExisted);
    EXPECT_EQ(g_fakes.uploads + g_fakes.driverAdds + g_fakes.queueAdds, 0);
    EXPECT_EQ(FindQueue(kModel).driver, kQueueDriverName);
    EXPECT_EQ(Waits(3000), 0u);
}

// A destination the spooler holds open is replaced at the next boot, and the queued rename may
// replace the file that is there; a source that is not there queues nothing.
TEST_F(OneStepEngine, CopyDefersAFileHeldOpenToTheNextBoot) {
    const std::wstring destination = JoinPath(DriverDirectory(), kRenderDll);
    ASSERT_TRUE(WriteFileBytes(destination, "loaded render dll"));
    {
        ExclusiveFile held(destination);
        ASSERT_TRUE(held.IsOpen());
        EXPECT_TRUE(OneStepCopyDriverFile(kRenderDll));
    }
    EXPECT_EQ(ReadFileBytes(destination), "loaded render dll");
    const auto renames = QueuedRenamesOf(PackageFolderPath() + L"\\amd64\\kelnodrv6.dll");
    ASSERT_EQ(renames.size(), 1u);
    EXPECT_EQ(renames[0].rfind("!", 0), 0u) << renames[0];
    EXPECT_NE(renames[0].find(LowerAscii(Narrow(destination))), std::string::npos) << renames[0];

    const std::size_t before = PendingFileRenameOperations().size();
    EXPECT_FALSE(OneStepCopyDriverFile(L"nosuch.dll"));
    EXPECT_EQ(PendingFileRenameOperations().size(), before);
}

// The unattended loop on a connected printer: 0 when it is installed, the install-failed code
// when it is not.
TEST_F(OneStepEngine, UnattendedLoopEndsWithTheInstallsOutcome) {
    auto printer = AddUsbPrinterOfModel(L"LOOP410", 1, L"TavolenMX-410");
    ASSERT_TRUE(printer->Ok()) << Narrow(printer->Failure());
    OneStepOptions options;
    options.silent = true;
    options.waitLimited = true;
    options.waitSeconds = 30;

    const struct {
        bool failDriverAdd;
        int exitCode;
        bool queue;
    } cases[] = {{true, kExitInstallFailed, false}, {false, kExitOk, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.exitCode);
        SetUp();
        g_fakes.failDriverAdd = c.failDriverAdd;
        EXPECT_EQ(RunInstallLoop(nullptr, options), c.exitCode);
        EXPECT_EQ(FindQueue(kModel).found, c.queue);
    }
}

}  // namespace
}  // namespace kelno::test
