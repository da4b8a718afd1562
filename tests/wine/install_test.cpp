// Driver, monitor and queue install against Wine's spooler, from the package folder the prefix
// holds. Failures the spooler will not produce on request (and the driver-store upload and Plug
// and Play update, which Wine does not implement) are caused through the engine's seams; the
// engine's waits are recorded instead of slept.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "discovery/port_record.h"
#include "engine/driver_version.h"
#include "engine/install_state.h"
#include "drvwizard/win/install_worker.h"
#include "common/model_table.h"
#include "engine/win/printer_install.h"
#include "common/win/seams.h"
#include "engine/win/staging.h"
#include "engine/win/system_paths.h"
#include "engine/win/upgrade_readd.h"
#include "drvwizard/win/wizard_messages.h"
#include "drvwizard/win/wizard_state.h"
#include "resource_ids.h"
#include "tests/support/fields.h"
#include "tests/support/recorded_waits.h"
#include "tests/support/result_page.h"
#include "tests/support/spooler.h"
#include "tests/support/wine_test_support.h"

namespace kelno::test {
namespace {

std::wstring StringText(UINT id) {
    wchar_t text[260] = L"";
    LoadStringW(GetModuleHandleW(nullptr), id, text, static_cast<int>(std::size(text)));
    return text;
}

// LastInstallError and LastInstallSystemError.
using Result = std::pair<int, unsigned long>;
Result InstallResult() { return {LastInstallError.load(), LastInstallSystemError.load()}; }

std::wstring DefaultPrinter() {
    wchar_t name[MAX_PATH] = L"";
    DWORD size = MAX_PATH;
    return GetDefaultPrinterW(name, &size) ? name : L"";
}

std::wstring Str(const wchar_t* text) { return text ? text : L""; }

bool EndsWith(const std::wstring& text, const std::wstring& tail) {
    return text.size() >= tail.size() && _wcsicmp(text.c_str() + text.size() - tail.size(), tail.c_str()) == 0;
}

// The wizard's state with one install request, as the install page leaves it.
struct Request {
    WizardState state{};
    PrinterInstallEntry entry{};

    Request(const std::wstring& model, const std::wstring& printer, const std::wstring& port, std::uint8_t flags = 0) {
        state.mode = kWizardModeInstall;
        const std::wstring inf = PackageFolderPath() + L"\\kelnov6.inf";
        wcsncpy(state.infPath, inf.c_str(), MAX_PATH - 1);
        state.request = &entry;
        state.requestCount = 1;
        SetWideField(entry.modelName, model);
        SetWideField(entry.printerName, printer);
        SetWideField(entry.portName, port);
        entry.tcpPortNumber = kDefaultRawTcpPort;
        entry.modelFlags = flags;
    }
    Request(const Request&) = delete;
    Request& operator=(const Request&) = delete;

    // The install as the worker runs it: the order prepared from the wizard's state and lists,
    // DoInstallPrinter on its entry; the entry the engine wrote comes back into this request.
    bool Install(HWND page) {
        WorkOrder order = PrepareWorkOrder(state);
        const bool installed = DoInstallPrinter(ResultPageSink(page), order.entries.front(), order.infPath.c_str());
        entry = order.entries.front();
        return installed;
    }
};

// The driver of that name, added through the engine when the spooler does not have it yet.
bool EnsureDriver(const std::wstring& model, std::uint8_t flags = 0) {
    if (FindDriver(model).found) return true;
    StageDriverFiles((flags & kModelUsesLanguageMonitor) != 0);
    Request request(model, L"", L"", flags);
    return DoAddPrinterDriver(request.entry);
}

// A file of the package folder moved aside for the test's lifetime.
struct HiddenPackageFile {
    explicit HiddenPackageFile(const std::wstring& relative)
        : path(PackageFolderPath() + L"\\" + relative),
          aside(path + L".aside"),
          hidden(MoveFileW(path.c_str(), aside.c_str()) != FALSE) {}
    ~HiddenPackageFile() {
        if (hidden) MoveFileW(aside.c_str(), path.c_str());
    }
    const std::wstring path, aside;
    const bool hidden;
};

// Behaviour of the redirected calls; Reset() before each test.
struct Fakes {
    int addPrinterCalls = 0, addDriverCalls = 0, addMonitorCalls = 0, uploadCalls = 0, locateCalls = 0,
        reenumerateCalls = 0, updateCalls = 0, messageBoxCalls = 0, createProcessCalls = 0;
    // Calls fail with these errors (0: they pass through).
    DWORD addPrinterFailsWith = 0, addDriverFailsWith = 0, addMonitorFailsWith = 0, sizeQueryFailsWith = 0,
          enumerationFailsWith = 0;
    int addPrinterFailsFirst = 0;     // with addPrinterFailsWith: fail only the first n calls (0 = all)
    bool addPrinterPretends = false;  // succeed without creating the queue
    bool addDriverPretends = false;
    std::vector<DriverSnapshot> handedDrivers;  // what each AddPrinterDriverW call was given
    DWORD claimedListBytes = 0;                 // the size query claims this many bytes
    bool spoolerListsNoDriver = false;
    HRESULT uploadResult = S_OK;
    std::wstring uploadedInf, updateHardwareId, updateInf, messageText, messageCaption, commandLine;
    DWORD updateFlags = 0;
    std::function<void()> onUpdate;
    UINT messageType = 0;
    int messageAnswer = IDNO;

    void Reset() { *this = Fakes{}; }
};
Fakes g_fakes;

// A failure to give with that error (none when it is 0).
bool FailWith(DWORD error) {
    if (error) SetLastError(error);
    return error != 0;
}

HANDLE WINAPI FakeAddPrinter(LPWSTR name, DWORD level, LPBYTE info) {
    const int call = ++g_fakes.addPrinterCalls;
    const bool failing = g_fakes.addPrinterFailsFirst == 0 || call <= g_fakes.addPrinterFailsFirst;
    if (failing && FailWith(g_fakes.addPrinterFailsWith)) return nullptr;
    if (g_fakes.addPrinterPretends) return reinterpret_cast<HANDLE>(static_cast<INT_PTR>(0x7f000000));
    return ::AddPrinterW(name, level, info);
}

BOOL WINAPI FakeAddPrinterDriver(LPWSTR name, DWORD level, LPBYTE info) {
    ++g_fakes.addDriverCalls;
    if (level == 8 && info) g_fakes.handedDrivers.push_back(Snapshot(*reinterpret_cast<const DRIVER_INFO_8W*>(info)));
    if (FailWith(g_fakes.addDriverFailsWith)) return FALSE;
    return g_fakes.addDriverPretends || ::AddPrinterDriverW(name, level, info);
}

BOOL WINAPI FakeAddMonitor(LPWSTR name, DWORD level, LPBYTE info) {
    ++g_fakes.addMonitorCalls;
    return !FailWith(g_fakes.addMonitorFailsWith) && ::AddMonitorW(name, level, info);
}

BOOL WINAPI FakeEnumPrinterDrivers(LPWSTR name, LPWSTR environment, DWORD level, LPBYTE buffer, DWORD size,
                                   LPDWORD needed, LPDWORD returned) {
    if (FailWith(buffer ? g_fakes.enumerationFailsWith : g_fakes.sizeQueryFailsWith)) return FALSE;
    if (g_fakes.spoolerListsNoDriver) {
        *needed = *returned = 0;
        return TRUE;
    }
    if (!buffer && g_fakes.claimedListBytes) {  // a size no process could allocate
        *needed = g_fakes.claimedListBytes;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    return ::EnumPrinterDriversW(name, environment, level, buffer, size, needed, returned);
}

HRESULT WINAPI FakeUpload(LPCWSTR, LPCWSTR infPath, LPCWSTR, DWORD, HWND, LPWSTR destination, PULONG capacity) {
    ++g_fakes.uploadCalls;
    g_fakes.uploadedInf = Str(infPath);
    if (g_fakes.uploadResult == S_OK && destination && capacity && *capacity > 0)
        wcsncpy(destination, L"C:\\windows\\inf\\oem7.inf", *capacity - 1);
    return g_fakes.uploadResult;
}

CONFIGRET WINAPI FakeLocate(PDEVINST devInst, DEVINSTID_W, ULONG) {
    ++g_fakes.locateCalls;
    *devInst = 1;
    return CR_SUCCESS;
}

CONFIGRET WINAPI FakeReenumerate(DEVINST, ULONG) {
    ++g_fakes.reenumerateCalls;
    return CR_SUCCESS;
}

BOOL WINAPI FakeUpdateDriver(HWND, LPCWSTR hardwareId, LPCWSTR infPath, DWORD flags, PBOOL) {
    ++g_fakes.updateCalls;
    g_fakes.updateHardwareId = Str(hardwareId);
    g_fakes.updateInf = Str(infPath);
    g_fakes.updateFlags = flags;
    if (g_fakes.onUpdate) g_fakes.onUpdate();
    return TRUE;
}

int WINAPI FakeMessageBox(HWND, LPCWSTR text, LPCWSTR caption, UINT type) {
    ++g_fakes.messageBoxCalls;
    g_fakes.messageText = Str(text);
    g_fakes.messageCaption = Str(caption);
    g_fakes.messageType = type;
    return g_fakes.messageAnswer;
}

BOOL WINAPI FakeCreateProcess(LPCWSTR, LPWSTR commandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD,
                              LPVOID, LPCWSTR, LPSTARTUPINFOW, LPPROCESS_INFORMATION process) {
    ++g_fakes.createProcessCalls;
    g_fakes.commandLine = Str(commandLine);
    // Real handles for the caller to close.
    process->hProcess = OpenProcess(SYNCHRONIZE, FALSE, GetCurrentProcessId());
    process->hThread = OpenThread(SYNCHRONIZE, FALSE, GetCurrentThreadId());
    return TRUE;
}

// The package's configuration DLL is replaced by the tests' own (tests/wine/stub_config_ui), built
// beside this program.
bool PlaceTestConfigurationDll() {
    const std::wstring source = TestProgramFolder() + L"\\install_config_ui\\kelnodrv6ui.dll";
    const std::wstring target = PackageFolderPath() + L"\\amd64\\kelnodrv6ui.dll";
    return CopyFileW(source.c_str(), target.c_str(), FALSE) != FALSE;
}

// Every test runs with the spooler calls behind counting fakes that pass through to the real
// calls until a test tells them otherwise, with its waits recorded and a result page.
class Install : public ::testing::Test {
protected:
    void SetUp() override {
        static const bool placed = PlaceTestConfigurationDll();
        ASSERT_TRUE(placed);
        ASSERT_TRUE(page_.Created());
        InitWizardPackageFolder();
        ResetInstallResult();
        RebootNeeded = false;
        g_fakes.Reset();
        g_fakes.uploadResult = E_NOTIMPL;  // what Wine answers
    }
    void TearDown() override {
        for (const auto& name : queues_) DeleteQueue(name);
        FreeAll(UsbDeviceList);
        FreeAll(SpoolerPortList);
    }
    // Queues the test may create, removed at its end (and before it, from earlier runs).
    void ForgetQueues(std::initializer_list<std::wstring> names) {
        for (const auto& name : names) {
            DeleteQueue(name);
            queues_.push_back(name);
        }
    }
    bool InstallOnPage(Request& request) { return request.Install(page_.hwnd()); }
    // The wizard's state without a request, reporting to the result page.
    WizardState PageState(decltype(WizardState::mode) mode) {
        WizardState state{};
        state.mode = mode;
        state.resultPage = page_.hwnd();
        return state;
    }
    // A request the worker reports to the result page.
    WizardState& ForWorker(Request& request) {
        request.state.resultPage = page_.hwnd();
        return request.state;
    }

    int SleepCount(DWORD milliseconds) const { return static_cast<int>(waits_.Count(milliseconds)); }

    // Polls of the service control (10 and 50 ms) really wait, so that the spooler's restart
    // takes its time; the engine's own fixed waits are only recorded.
    RecordedWaits waits_{50};
    ScopedSeam<decltype(TimeSeams::sleep)> sleep_{seams::Time().sleep, &RecordedWaits::Wait};
    ScopedSeam<decltype(SpoolerSeams::addPrinterW)> addPrinter_{seams::Spooler().addPrinterW, &FakeAddPrinter};
    ScopedSeam<decltype(SpoolerSeams::addPrinterDriverW)> addDriver_{seams::Spooler().addPrinterDriverW,
                                                                     &FakeAddPrinterDriver};
    ScopedSeam<decltype(SpoolerSeams::addMonitorW)> addMonitor_{seams::Spooler().addMonitorW, &FakeAddMonitor};
    ScopedSeam<decltype(SpoolerSeams::enumPrinterDriversW)> enumDrivers_{seams::Spooler().enumPrinterDriversW,
                                                                         &FakeEnumPrinterDrivers};
    ScopedSeam<decltype(UiSeams::messageBoxW)> messageBox_{seams::Ui().messageBoxW, &FakeMessageBox};
    ScopedSeam<decltype(SystemSeams::createProcessW)> createProcess_{seams::System().createProcessW,
                                                                     &FakeCreateProcess};
    std::vector<std::wstring> queues_;
    ResultPage page_{kResultStatusControl};
};

// The driver-store upload answers through the fake (E_NOTIMPL unless a test sets S_OK), and
// the Plug and Play calls are recorded.
class InstallWithPlugAndPlay : public Install {
protected:
    ScopedSeam<decltype(SpoolerSeams::uploadPrinterDriverPackageW)> upload_{
        seams::Spooler().uploadPrinterDriverPackageW, &FakeUpload};
    ScopedSeam<decltype(PnpSeams::cmLocateDevNodeW)> locate_{seams::Pnp().cmLocateDevNodeW, &FakeLocate};
    ScopedSeam<decltype(PnpSeams::cmReenumerateDevNode)> reenumerate_{seams::Pnp().cmReenumerateDevNode,
                                                                      &FakeReenumerate};
    ScopedSeam<decltype(PnpSeams::updateDriverForPlugAndPlayDevicesW)> update_{
        seams::Pnp().updateDriverForPlugAndPlayDevicesW, &FakeUpdateDriver};
};

const std::wstring kModelNames[] = {L"Tavolen MX-410", L"Tavolen MX-310", L"Tavolen MX-420", L"Tavolen MX-430"};

std::wstring Line129(const std::wstring& printer, const std::wstring& port) {
    return L"Installing the printer driver: " + printer + L", at port: " + port + L".\r\n";
}
const std::wstring kLine130 = L"The printer driver is installed successfully\r\n";

// A port the wizard's scans have listed.
void ListPort(PortList& list, const char16_t* port, const char16_t* hardwareId = u"") {
    PortRecordPtr record = MakePortRecord();
    ASSERT_TRUE(record);
    SetField(record->portName, port);
    SetField(record->hardwareId, hardwareId);
    PushFront(list, std::move(record));
}

// The request for a network printer on a Standard TCP/IP port at that address.
void OnNetwork(Request& request, const std::wstring& host) {
    SetWideField(request.entry.hostAddress, host);
    request.entry.portKind = kPortKindStandardTcpIp;
}

// ---- the whole install, for each model --------------------------------------------------------

TEST_F(Install, EveryModelGetsItsDriverAndQueueWithTheFixedValues) {
    SYSTEMTIME expectedDate{2026, 9, 0, 15, 0, 0, 0, 0};
    FILETIME date{};
    ASSERT_TRUE(SystemTimeToFileTime(&expectedDate, &date));
    const DriverSnapshot handed(true, 3, L"kelnodrv6.dll", L"kelnodrv6.dat", L"kelnodrv6ui.dll", L"", L"", L"RAW",
                                L"Tavolen", L"winprint", L"", (2026ull << 48) | (9ull << 32) | (15ull << 16) | 1u,
                                FileTimeValue(date));
    int n = 0;
    for (const std::wstring& model : kModelNames) {
        SCOPED_TRACE(Narrow(model));
        const std::wstring port = L"USB00" + std::to_wstring(++n);
        ForgetQueues({model});
        page_.Clear();
        waits_.Clear();
        g_fakes.handedDrivers.clear();
        Request request(model, model, port);

        ASSERT_TRUE(InstallOnPage(request));
        EXPECT_EQ(InstallResult(), Result(0, 0u));
        EXPECT_EQ(page_.Lines(), (std::vector<std::wstring>{Line129(model, port), kLine130}));
        EXPECT_EQ(std::make_tuple(WideField(request.entry.printerName), request.entry.modelFlags),
                  std::make_tuple(model, 0));
        EXPECT_EQ(std::make_pair(SleepCount(1000), SleepCount(3000)), std::make_pair(0, 0))
            << "driver and queue are listed at once";
        EXPECT_EQ(g_fakes.handedDrivers, std::vector<DriverSnapshot>{handed});

        // What the spooler lists. Wine keeps only the DRIVER_INFO_3 part of a level-8 add:
        // provider, print processor, version and date come back empty.
        const DriverSnapshot driver = FindDriver(model);
        ASSERT_TRUE(driver.found);
        EXPECT_EQ(std::tie(driver.version, driver.dependentFiles, driver.monitor, driver.datatype),
                  std::make_tuple(3u, L"", L"", L"RAW"));
        for (const auto& [listed, file] :
             {std::pair{&driver.driverPath, L"kelnodrv6.dll"}, std::pair{&driver.dataFile, L"kelnodrv6.dat"},
              std::pair{&driver.configFile, L"kelnodrv6ui.dll"}}) {
            EXPECT_TRUE(EndsWith(*listed, std::wstring(L"\\3\\") + file)) << Narrow(*listed);
            EXPECT_TRUE(FileExists(InstalledDriverFile(file))) << Narrow(file);
        }

        const QueueSnapshot queue = FindQueue(model);
        ASSERT_TRUE(queue.found);
        EXPECT_EQ(std::tie(queue.port, queue.driver, queue.attributes, queue.datatype),
                  std::make_tuple(port, model, 0x40u, L"RAW"));
        EXPECT_EQ(_wcsicmp(queue.printProcessor.c_str(), L"WinPrint"), 0) << Narrow(queue.printProcessor);
    }
}

// ---- queue names -----------------------------------------------------------------------------

TEST_F(Install, TakenNameGetsTheFirstFreeCopyNumber) {
    ASSERT_TRUE(EnsureDriver(L"Tavolen MX-410"));
    ForgetQueues({L"Label", L"Label(Copy 1)", L"Label(Copy 2)"});
    ASSERT_TRUE(AddQueue(L"Label", L"Tavolen MX-410", L"USB001"));
    ASSERT_TRUE(AddQueue(L"Label(Copy 1)", L"Tavolen MX-410", L"USB001"));
    Request request(L"Tavolen MX-410", L"Label", L"USB002");

    ASSERT_TRUE(InstallOnPage(request));
    EXPECT_EQ(WideField(request.entry.printerName), L"Label(Copy 2)");
    EXPECT_EQ(FindQueue(L"Label(Copy 2)").port, L"USB002");
    EXPECT_EQ(FindQueue(L"Label").port, L"USB001");
    // The progress line names the queue as requested.
    ASSERT_FALSE(page_.Lines().empty());
    EXPECT_EQ(page_.Lines()[0], Line129(L"Label", L"USB002"));
}

TEST_F(InstallWithPlugAndPlay, AfterCopy253TheSearchStopsAt254WithoutTheUpload) {
    ASSERT_TRUE(EnsureDriver(L"Tavolen MX-410"));
    std::vector<std::wstring> names{L"Roll"};
    for (int n = 1; n <= 254; ++n) names.push_back(L"Roll(Copy " + std::to_wstring(n) + L")");
    for (const auto& name : names) ForgetQueues({name});
    for (int i = 0; i < 254; ++i) ASSERT_TRUE(AddQueue(names[i], L"Tavolen MX-410", L"USB001")) << Narrow(names[i]);
    g_fakes.uploadResult = S_OK;

    // "Roll" .. "Roll(Copy 253)" are taken: the candidate numbered 254 is taken unchecked, so no
    // driver package is uploaded and the queue is made by hand.
    Request first(L"Tavolen MX-410", L"Roll", L"USB003");
    ASSERT_TRUE(InstallOnPage(first));
    EXPECT_EQ(WideField(first.entry.printerName), L"Roll(Copy 254)");
    EXPECT_EQ(g_fakes.uploadCalls, 0);
    EXPECT_EQ(g_fakes.updateCalls, 0);
    EXPECT_EQ(FindQueue(L"Roll(Copy 254)").port, L"USB003");

    // Now "Roll(Copy 254)" is taken too. It belongs to another printer: the install must not
    // claim it as its own.
    const int before = QueueCount();
    page_.Clear();
    g_fakes.addPrinterCalls = 0;
    Request second(L"Tavolen MX-410", L"Roll", L"USB004");
    EXPECT_FALSE(InstallOnPage(second));
    EXPECT_EQ(InstallResult(), Result(kErrorAddPrinter, ERROR_PRINTER_ALREADY_EXISTS));
    EXPECT_EQ(QueueCount(), before);
    EXPECT_EQ(FindQueue(L"Roll(Copy 254)").port, L"USB003");
    EXPECT_EQ(g_fakes.addPrinterCalls, 0);
    ASSERT_EQ(page_.Lines().size(), 2u);
    EXPECT_EQ(page_.Lines()[1], L"Failed to install the printer driver. 4001-1802\r\n");
}

// ---- INF choice and Plug and Play ------------------------------------------------------------

TEST_F(InstallWithPlugAndPlay, ModelFlagsOneUsesTheVersion3InfForThisInstallOnly) {
    ForgetQueues({L"V3 label", L"Listed label"});
    Request v3(L"Tavolen MX-460", L"V3 label", L"USB005", kModelUsesVersion3Inf);
    const std::wstring wizardInf = v3.state.infPath;
    EXPECT_TRUE(InstallOnPage(v3));
    EXPECT_EQ(g_fakes.uploadedInf, PackageFolderPath() + L"\\vamtv3.inf");
    EXPECT_EQ(std::wstring(v3.state.infPath), wizardInf);

    // A listed model takes its flags (0) from the table, whatever the wizard set.
    Request listed(L"Tavolen MX-310", L"Listed label", L"USB005", kModelUsesVersion3Inf);
    EXPECT_TRUE(InstallOnPage(listed));
    EXPECT_EQ(listed.entry.modelFlags, 0);
    EXPECT_EQ(g_fakes.uploadedInf, PackageFolderPath() + L"\\kelnov6.inf");
}

TEST_F(InstallWithPlugAndPlay, UploadedPackageIsInstalledForTheUsbPrintersHardwareId) {
    ForgetQueues({L"PnP label"});
    ListPort(UsbDeviceList, u"USB007", u"USBPRINT\\Tavolen MX-4107472");
    g_fakes.uploadResult = S_OK;
    // Plug and Play creates the queue itself.
    g_fakes.onUpdate = [] { AddQueue(L"PnP label", L"Tavolen MX-410", L"USB007"); };
    Request request(L"Tavolen MX-410", L"PnP label", L"USB007");
    ASSERT_TRUE(InstallOnPage(request));

    const std::wstring inf = PackageFolderPath() + L"\\kelnov6.inf";
    EXPECT_EQ(g_fakes.uploadedInf, inf);
    EXPECT_EQ(std::tie(g_fakes.locateCalls, g_fakes.reenumerateCalls, g_fakes.updateCalls), std::make_tuple(1, 1, 1));
    EXPECT_EQ(std::tie(g_fakes.updateHardwareId, g_fakes.updateInf, g_fakes.updateFlags),
              std::make_tuple(L"USBPRINT\\Tavolen_MX-4107472", inf, static_cast<DWORD>(INSTALLFLAG_FORCE)));
    EXPECT_EQ(WideField(request.entry.deviceId), L"USBPRINT\\Tavolen_MX-4107472");
    // The queue was there at the first look: no wait, and no queue made by hand.
    EXPECT_EQ(SleepCount(1000), 0);
    EXPECT_EQ(g_fakes.addPrinterCalls, 0);
    EXPECT_EQ(page_.Lines().back(), kLine130);
}

TEST_F(InstallWithPlugAndPlay, QueueNotCreatedByPlugAndPlayIsMadeByHandAfterThreeLooks) {
    ForgetQueues({L"Manual label"});
    g_fakes.uploadResult = S_OK;
    Request request(L"Tavolen MX-410", L"Manual label", L"USB008");
    ASSERT_TRUE(InstallOnPage(request));
    EXPECT_EQ(g_fakes.updateCalls, 1);
    EXPECT_EQ(g_fakes.updateHardwareId, L"");  // USB008 is not among the scanned USB printers
    EXPECT_EQ(SleepCount(1000), 3);
    EXPECT_EQ(g_fakes.addPrinterCalls, 1);
    EXPECT_EQ(FindQueue(L"Manual label").port, L"USB008");
}

// ---- result codes ----------------------------------------------------------------------------

// A queue for an existing driver, with one package file missing: the copy's code is left, the
// driver add is skipped and the queue is made with the driver the spooler has.
TEST_F(Install, FailedCopiesLeaveTheirCodeAndTheQueueIsStillMade) {
    ASSERT_TRUE(EnsureDriver(L"Tavolen MX-410"));
    g_fakes.addMonitorFailsWith = ERROR_PRINT_MONITOR_ALREADY_INSTALLED;
    const std::pair<const wchar_t*, int> cases[] = {{L"amd64\\kelnodrv6.dll", 2001},
                                                    {L"amd64\\kelnodrv6ui.dll", 2002},
                                                    {L"dat\\kelnodrv6.dat", 2003},
                                                    {L"amd64\\kelnomon.dll", 2004}};
    for (const auto& [file, code] : cases) {
        SCOPED_TRACE(Narrow(file));
        const std::wstring name = L"Copy failure " + std::to_wstring(code);
        ForgetQueues({name});
        HiddenPackageFile hidden(file);
        ASSERT_TRUE(hidden.hidden);
        ResetInstallResult();
        g_fakes.addDriverCalls = g_fakes.addMonitorCalls = 0;
        // Only the monitor's own copy needs the monitor flag.
        Request request(L"Tavolen MX-410", name, L"USB010", code == 2004 ? kModelUsesLanguageMonitor : 0);
        EXPECT_TRUE(DoAddPrinter(request.entry));
        EXPECT_EQ(InstallResult(), Result(code, 0));
        EXPECT_EQ(std::make_pair(g_fakes.addDriverCalls, g_fakes.addMonitorCalls),
                  std::make_pair(0, code == 2004 ? 1 : 0));
        EXPECT_TRUE(FindQueue(name).found);
    }
}

TEST_F(Install, MonitorFailureGives3001AndSkipsTheDriver) {
    ForgetQueues({L"Monitor failure"});
    ASSERT_TRUE(EnsureDriver(L"Tavolen MX-410"));
    g_fakes.addMonitorFailsWith = ERROR_ACCESS_DENIED;
    Request request(L"Tavolen MX-410", L"Monitor failure", L"USB011", kModelUsesLanguageMonitor);
    // The driver exists, so the queue is still made.
    EXPECT_TRUE(DoAddPrinter(request.entry));
    EXPECT_EQ(InstallResult(), Result(kErrorAddMonitor, 0u));
    EXPECT_EQ(g_fakes.addDriverCalls, 0);
    EXPECT_TRUE(FindQueue(L"Monitor failure").found);

    // "Already installed" is success.
    ResetInstallResult();
    g_fakes.addMonitorFailsWith = ERROR_PRINT_MONITOR_ALREADY_INSTALLED;
    EXPECT_TRUE(InstallPrinterLanguageMonitor());
    g_fakes.addMonitorFailsWith = ERROR_INVALID_PARAMETER;
    EXPECT_FALSE(InstallPrinterLanguageMonitor());
}

TEST_F(Install, DriverAddFailureShows3002WithTheOsError) {
    ForgetQueues({L"Driver failure"});
    g_fakes.addDriverFailsWith = ERROR_ACCESS_DENIED;
    Request request(L"Tavolen MX-3002", L"Driver failure", L"USB012");
    EXPECT_FALSE(InstallOnPage(request));
    EXPECT_EQ(InstallResult(), Result(kErrorAddDriver, 5u));
    EXPECT_EQ(page_.Lines().back(), L"Failed to install the printer driver. 3002-5\r\n");
    EXPECT_EQ(g_fakes.addPrinterCalls, 0);
    EXPECT_FALSE(FindQueue(L"Driver failure").found);
}

// The driver check after the add: five looks one second apart, then the code of the last one.
TEST_F(Install, DriverCheckFailuresGive3003To3007AfterFiveLooks) {
    struct Case {
        const char* what;
        std::function<void()> arrange;
        std::wstring model;
        int code;
        int looks;  // -1: not counted
    } const cases[] = {
        {"size query", [] { g_fakes.sizeQueryFailsWith = ERROR_ACCESS_DENIED; }, L"Tavolen Check 3003",
         kErrorDriverSizeQuery, 5},
        {"enumeration", [] { g_fakes.enumerationFailsWith = ERROR_ACCESS_DENIED; }, L"Tavolen Check 3005",
         kErrorDriverEnumeration, 5},
        {"not listed", [] {}, L"Tavolen Check 3006", kErrorDriverNotListed, 5},
        {"no driver at all", [] { g_fakes.spoolerListsNoDriver = true; }, L"Tavolen Check 3006", kErrorDriverNotListed,
         5},
        {"no memory for the list", [] { g_fakes.claimedListBytes = 0xFFFFFFF0u; }, L"Tavolen Check 3004",
         kErrorDriverNoMemory, -1},
        // No name to look for: neither listed nor unlisted.
        {"no name", [] {}, L"", kErrorDriverAddOther, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        g_fakes.Reset();
        g_fakes.addDriverPretends = true;  // the add itself succeeds; the looks afterwards fail
        waits_.Clear();
        ResetInstallResult();
        c.arrange();
        Request request(c.model, L"", L"");
        EXPECT_FALSE(DoAddPrinterDriver(request.entry));
        EXPECT_EQ(LastInstallError.load(), c.code);
        if (c.looks < 0) continue;
        EXPECT_EQ(LastInstallSystemError.load(), 0u);
        EXPECT_EQ(SleepCount(1000), c.looks);
    }

    // Through DoAddPrinter: the driver step's code stands and no queue is made.
    g_fakes.Reset();
    g_fakes.sizeQueryFailsWith = ERROR_ACCESS_DENIED;
    ResetInstallResult();
    ForgetQueues({L"Check failure"});
    Request request(L"Tavolen MX-410", L"Check failure", L"USB013");
    EXPECT_FALSE(DoAddPrinter(request.entry));
    EXPECT_EQ(LastInstallError.load(), kErrorDriverSizeQuery);
    EXPECT_EQ(g_fakes.addPrinterCalls, 0);
}

TEST_F(Install, IsPrinterDriverInstalledReportsWhatItFound) {
    ASSERT_TRUE(EnsureDriver(L"Tavolen MX-410"));
    DWORD error = 99;
    int check = 99;
    // The answer and the check's code (and with errorOut, the error) of one look.
    const auto look = [&](const wchar_t* name, DWORD* errorOut) {
        const bool installed = IsPrinterDriverInstalled(name, errorOut, &check);
        return std::make_tuple(installed, check, errorOut ? *errorOut : DWORD{99});
    };
    EXPECT_EQ(look(L"Tavolen MX-410", &error), std::make_tuple(true, kDriverFound, DWORD{0}));
    const auto caseSensitive = look(L"tavolen mx-410", &error);
    EXPECT_EQ(std::tie(std::get<0>(caseSensitive), std::get<1>(caseSensitive)),
              std::make_tuple(false, kDriverNotListed));
    EXPECT_EQ(look(L"Tavolen MX-41", nullptr), std::make_tuple(false, kDriverNotListed, DWORD{99}));  // whole name
    EXPECT_EQ(look(L"", nullptr), std::make_tuple(false, kDriverNoName, DWORD{99}));
    EXPECT_EQ(look(nullptr, nullptr), std::make_tuple(false, kDriverNoName, DWORD{99}));
    g_fakes.sizeQueryFailsWith = ERROR_INVALID_HANDLE;
    EXPECT_EQ(look(L"Tavolen MX-410", &error), std::make_tuple(false, kDriverSizeQueryFailed, DWORD{6}));
    g_fakes.Reset();
    g_fakes.enumerationFailsWith = ERROR_INVALID_HANDLE;
    EXPECT_EQ(look(L"Tavolen MX-410", &error), std::make_tuple(false, kDriverEnumerationFailed, DWORD{6}));

    EXPECT_FALSE(IsPrinterInstalled(nullptr));
    EXPECT_FALSE(IsPrinterInstalled(L""));  // not the print server's own handle
    EXPECT_FALSE(IsPrinterInstalled(L"No such queue"));
}

TEST_F(Install, TwoFailedQueueAddsGive4001WithTheOsError) {
    ForgetQueues({L"Port failure"});
    ASSERT_TRUE(EnsureDriver(L"Tavolen MX-410"));
    ASSERT_TRUE(DeleteSystemMonitorCopy());            // else its retry would wait 3 s as well
    g_fakes.addPrinterFailsWith = ERROR_UNKNOWN_PORT;  // 1796
    Request request(L"Tavolen MX-410", L"Port failure", L"USB014");
    EXPECT_FALSE(InstallOnPage(request));
    EXPECT_EQ(InstallResult(), Result(kErrorAddPrinter, 1796u));
    EXPECT_EQ(page_.Lines().back(), L"Failed to install the printer driver. 4001-1796\r\n");
    EXPECT_EQ(g_fakes.addPrinterCalls, 2);
    EXPECT_EQ(SleepCount(3000), 1);

    // One failure and a good retry three seconds later.
    g_fakes.Reset();
    g_fakes.addPrinterFailsWith = ERROR_UNKNOWN_PORT;
    g_fakes.addPrinterFailsFirst = 1;
    waits_.Clear();
    page_.Clear();
    Request retried(L"Tavolen MX-410", L"Port failure", L"USB014");
    EXPECT_TRUE(InstallOnPage(retried));
    EXPECT_EQ(g_fakes.addPrinterCalls, 2);
    EXPECT_EQ(SleepCount(3000), 1);
    EXPECT_EQ(LastInstallError.load(), 0);
    EXPECT_EQ(page_.Lines().back(), kLine130);
}

TEST_F(Install, QueueThatNeverShowsUp) {
    ForgetQueues({L"Invisible"});
    g_fakes.addPrinterPretends = true;
    Request request(L"Tavolen MX-410", L"Invisible", L"USB015");

    // Every file was staged: the add counts as done after five looks.
    EXPECT_TRUE(DoAddPrinter(request.entry));
    EXPECT_EQ(SleepCount(1000), 5);
    EXPECT_EQ(LastInstallError.load(), 0);

    // A copy failed as well: 4002.
    waits_.Clear();
    HiddenPackageFile hidden(L"dat\\kelnodrv6.dat");
    ASSERT_TRUE(hidden.hidden);
    EXPECT_FALSE(DoAddPrinter(request.entry));
    EXPECT_EQ(SleepCount(1000), 5);
    EXPECT_EQ(InstallResult(), Result(kErrorPrinterNotVisible, 0u));
}

TEST_F(Install, ExistingQueueOfTheSameNameIsNotAddedAgain) {
    ForgetQueues({L"Existing"});
    ASSERT_TRUE(AddQueue(L"Existing", L"Tavolen MX-410", L"USB016"));
    Request request(L"Tavolen MX-410", L"Existing", L"USB017");
    EXPECT_TRUE(DoAddPrinter(request.entry));
    EXPECT_EQ(g_fakes.addPrinterCalls, 0);
    EXPECT_EQ(g_fakes.addDriverCalls, 0);  // the driver of that name exists: not replaced
    EXPECT_EQ(FindQueue(L"Existing").port, L"USB016");
}

TEST_F(Install, MonitorCopyThatCannotBeDeletedIsRetriedAroundASpoolerRestart) {
    const std::wstring copy = SystemDirectory() + L"\\kelnomon.dll";
    ASSERT_TRUE(WriteFileBytes(copy, "held monitor"));
    ASSERT_TRUE(SetFileAttributesW(copy.c_str(), FILE_ATTRIBUTE_READONLY));
    ForgetQueues({L"Held monitor"});
    Request request(L"Tavolen MX-410", L"Held monitor", L"USB018");
    EXPECT_TRUE(InstallOnPage(request));
    EXPECT_EQ(SleepCount(3000), 1);
    SetFileAttributesW(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(DeleteSystemMonitorCopy());
}

// ---- the worker ------------------------------------------------------------------------------

TEST(DefaultPrinter, Ordinal204IsTheSpoolersSetDefaultPrinter) {
    HMODULE winspool = GetModuleHandleW(L"winspool.drv");
    ASSERT_NE(winspool, nullptr);
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(winspool, MAKEINTRESOURCEA(204))),
              reinterpret_cast<void*>(GetProcAddress(winspool, "SetDefaultPrinterW")));
}

TEST(DriverVersion, EachProgramRegistersTheDriverUnderItsOwnVersion) {
    const std::pair<std::string_view, WORD> cases[] = {{kWizardDriverVersionString, 15},
                                                       {kOneStepDriverVersionString, 12}};
    for (const auto& [text, day] : cases) {
        SCOPED_TRACE(std::string(text));
        SetDriverVersionString(text);
        DriverInfo8 info;
        FillDriverInfo8(info, L"Tavolen MX-410", false);
        EXPECT_EQ(info.info.dwlDriverVersion, (2026ull << 48) | (9ull << 32) | (day << 16) | 1u);
        SYSTEMTIME date{};
        ASSERT_TRUE(FileTimeToSystemTime(&info.info.ftDriverDate, &date));
        EXPECT_EQ(std::tie(date.wYear, date.wMonth, date.wDay), std::make_tuple(WORD{2026}, WORD{9}, day));
    }
    SetDriverVersionString(kWizardDriverVersionString);
}

TEST_F(Install, WorkOrderIsACopyThatOutlivesTheWizardsPortLists) {
    ListPort(UsbDeviceList, u"USB031", u"USBPRINT\\Tavolen_MX-3105c1e");
    ListPort(SpoolerPortList, u"10.0.0.9");

    Request onUsb(L"Tavolen MX-310", L"Copied label", L"USB031");
    WorkOrder usbOrder = PrepareWorkOrder(onUsb.state);
    Request listedPort(L"Tavolen MX-430", L"Listed", L"TavolenMX-430 at 10.0.0.9");
    OnNetwork(listedPort, L"10.0.0.9");
    Request newPort(L"Tavolen MX-430", L"New", L"TavolenMX-430 at 10.0.0.10");
    OnNetwork(newPort, L"10.0.0.10");
    const WorkOrder listedOrder = PrepareWorkOrder(listedPort.state);
    const WorkOrder newOrder = PrepareWorkOrder(newPort.state);
    // The wizard's thread frees its lists (a USB refresh, a discovery answer) while the worker runs.
    FreeAll(UsbDeviceList);
    FreeAll(SpoolerPortList);

    ASSERT_EQ(usbOrder.entries.size(), 1u);
    EXPECT_EQ(WideField(usbOrder.entries[0].deviceId), L"USBPRINT\\Tavolen_MX-3105c1e");
    EXPECT_EQ(WideField(usbOrder.entries[0].printerName), L"Copied label");
    EXPECT_EQ(usbOrder.infPath, PackageFolderPath() + L"\\kelnov6.inf");
    EXPECT_EQ(WideField(onUsb.entry.deviceId), L"");  // the wizard's own entry is left as it was
    EXPECT_TRUE(listedOrder.networkPortListed);
    EXPECT_FALSE(newOrder.networkPortListed);

    WizardState uninstall{};
    uninstall.mode = kWizardModeUninstall;
    PrinterInstallEntry entries[3]{};
    SetWideField(entries[2].printerName, L"Third");
    uninstall.request = entries;
    uninstall.requestCount = 3;
    uninstall.deletePort = 1;
    const WorkOrder removal = PrepareWorkOrder(uninstall);
    ASSERT_EQ(removal.entries.size(), 3u);
    EXPECT_EQ(WideField(removal.entries[2].printerName), L"Third");
    EXPECT_TRUE(removal.deletePort);
    EXPECT_FALSE(removal.removeDriver);
}

TEST_F(Install, WorkerInstallsMakesTheQueueDefaultAndReportsDone) {
    ForgetQueues({L"Worker label"});
    Request request(L"Tavolen MX-420", L"Worker label", L"USB019");
    ForWorker(request).setAsDefault = 1;
    InstallSucceeded = false;

    // On a thread of its own, as the result page starts it; this thread pumps the page.
    HANDLE thread = StartWizardWorker(request.state);
    ASSERT_NE(thread, nullptr);
    const DWORD deadline = GetTickCount() + 60000;
    while (page_.WorkDone().empty() && GetTickCount() < deadline) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    CloseHandle(thread);

    EXPECT_EQ(page_.WorkDone(), std::vector<WPARAM>{1});
    EXPECT_TRUE(InstallSucceeded.load());
    EXPECT_EQ(page_.Status(), StringText(IDS_INSTALLED_SUCCESS));
    EXPECT_EQ(page_.Lines(), (std::vector<std::wstring>{Line129(L"Worker label", L"USB019"), kLine130}));
    EXPECT_EQ(DefaultPrinter(), L"Worker label");
    EXPECT_EQ(g_fakes.messageBoxCalls, 0);  // nothing asks for a reboot
}

TEST_F(Install, WorkerShowsTheFailureAndLeavesTheDefaultPrinterAlone) {
    ForgetQueues({L"Failing worker"});
    g_fakes.addPrinterFailsWith = ERROR_UNKNOWN_PORT;
    Request request(L"Tavolen MX-420", L"Failing worker", L"USB020");
    ForWorker(request).setAsDefault = 1;
    const std::wstring before = DefaultPrinter();
    InstallSucceeded = true;

    WorkOrder order = PrepareWorkOrder(request.state);
    RunWizardWork(order);
    page_.Pump();
    EXPECT_EQ(page_.WorkDone(), std::vector<WPARAM>{1});
    EXPECT_FALSE(InstallSucceeded.load());
    EXPECT_EQ(page_.Status(), StringText(IDS_INSTALL_FAILURE));
    EXPECT_EQ(page_.Lines().back(), L"Failed to install the printer driver. 4001-1796\r\n");
    EXPECT_EQ(DefaultPrinter(), before);
}

TEST_F(Install, WorkerPutsANetworkPrinterOnItsHostAddress) {
    ForgetQueues({L"Network label"});
    Request request(L"Tavolen MX-430", L"Network label", L"TavolenMX-430 at 192.168.7.20");
    OnNetwork(request, L"192.168.7.20");

    WorkOrder order = PrepareWorkOrder(ForWorker(request));
    RunWizardWork(order);
    page_.Pump();
    EXPECT_TRUE(InstallSucceeded.load());
    EXPECT_EQ(WideField(order.entries.front().portName), L"192.168.7.20");
    EXPECT_EQ(FindQueue(L"Network label").port, L"192.168.7.20");
    EXPECT_EQ(page_.Lines().back(), kLine130);
}

TEST_F(Install, WorkerAsksBeforeRebootingAndRebootsOnlyOnYes) {
    WorkOrder order = PrepareWorkOrder(PageState(kWizardModeUninstall));  // nothing selected: the branch does nothing

    RebootNeeded = false;
    RunWizardWork(order);
    EXPECT_EQ(g_fakes.messageBoxCalls, 0);

    RebootNeeded = true;
    g_fakes.messageAnswer = IDNO;
    RunWizardWork(order);
    EXPECT_EQ(std::tie(g_fakes.messageBoxCalls, g_fakes.messageText, g_fakes.messageCaption),
              std::make_tuple(1, StringText(IDS_REBOOT_QUESTION), L"Restart Warning"));
    EXPECT_EQ(g_fakes.messageType & MB_TYPEMASK, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(g_fakes.createProcessCalls, 0);

    g_fakes.messageAnswer = IDYES;
    RunWizardWork(order);
    EXPECT_EQ(std::tie(g_fakes.createProcessCalls, g_fakes.commandLine), std::make_tuple(1, L"shutdown /r /t 0"));

    page_.Pump();
    EXPECT_EQ(page_.WorkDone(), (std::vector<WPARAM>{2, 2, 2}));
    RebootNeeded = false;
}

TEST_F(Install, WorkerWithoutARequestReportsFailure) {
    InstallSucceeded = true;
    WorkOrder order = PrepareWorkOrder(PageState(kWizardModeInstall));
    RunWizardWork(order);
    page_.Pump();
    EXPECT_FALSE(InstallSucceeded.load());
    EXPECT_EQ(page_.Status(), StringText(IDS_INSTALL_FAILURE));
    EXPECT_EQ(page_.WorkDone(), std::vector<WPARAM>{1});
    EXPECT_TRUE(page_.Lines().empty());
}

// ---- upgrade re-add ---------------------------------------------------------------------------

UpgradePrinterRecord MakeRecord(const std::wstring& port, const std::wstring& printer) {
    UpgradePrinterRecord record{};
    wcsncpy(record.driverName, kUpgradeDriverName, MAX_PATH - 1);
    wcsncpy(record.portName, port.c_str(), MAX_PATH - 1);
    wcsncpy(record.printerName, printer.c_str(), MAX_PATH - 1);
    return record;
}

// The upgrade source folder holding the package's files.
class UpgradeSource {
public:
    UpgradeSource() {
        const std::wstring root = kUpgradeSourceFolder;
        for (const wchar_t* sub : {L"", L"\\amd64", L"\\dat"}) CreateDirectoryW((root + sub).c_str(), nullptr);
        const std::wstring pkg = PackageFolderPath();
        for (const wchar_t* file : {kRenderDll, kUiDll, kMonitorDll})
            CopyFileW((pkg + L"\\amd64\\" + file).c_str(), (root + L"\\amd64\\" + file).c_str(), FALSE);
        CopyFileW((pkg + L"\\dat\\kelnodrv6.dat").c_str(), (root + L"\\dat\\kelnodrv6.dat").c_str(), FALSE);
    }
};

class Upgrade : public Install {
protected:
    void SetUp() override {
        Install::SetUp();
        ForgetQueues({kUpgradeDriverName, std::wstring(kUpgradeDriverName) + L" (1)",
                      std::wstring(kUpgradeDriverName) + L" (2)"});
    }
};

TEST_F(Upgrade, QueueIsReAddedUnderTheDriverNameWithTheNextFreeNumber) {
    ASSERT_TRUE(EnsureDriver(kUpgradeDriverName));
    UpgradePrinterRecord first = MakeRecord(L"USB021", L"Old label");
    ASSERT_TRUE(AddPrinterForUpgrade(first));
    EXPECT_EQ(first.status, kUpgradeStatusReAdded);
    EXPECT_STREQ(first.printerName, kUpgradeDriverName);
    EXPECT_EQ(g_fakes.addDriverCalls, 0);  // the driver is there

    UpgradePrinterRecord second = MakeRecord(L"USB022", L"Other label");
    ASSERT_TRUE(AddPrinterForUpgrade(second));
    EXPECT_EQ(std::wstring(second.printerName), std::wstring(kUpgradeDriverName) + L" (1)");
    const QueueSnapshot queue = FindQueue(second.printerName);
    ASSERT_TRUE(queue.found);
    EXPECT_EQ(std::tie(queue.port, queue.driver), std::make_tuple(L"USB022", kUpgradeDriverName));
    EXPECT_NE(queue.attributes & PRINTER_ATTRIBUTE_QUEUED, 0u);

    g_fakes.addPrinterFailsWith = ERROR_UNKNOWN_PORT;
    UpgradePrinterRecord failed = MakeRecord(L"USB023", L"Lost label");
    EXPECT_FALSE(AddPrinterForUpgrade(failed));
    EXPECT_EQ(failed.status, kUpgradeStatusFailed);
    EXPECT_STREQ(failed.printerName, L"Lost label");
}

TEST_F(Upgrade, MissingDriverIsAddedFromTheUpgradeSourceWithTheMonitor) {
    UpgradeSource source;
    DeleteDriver(kUpgradeDriverName);
    ASSERT_FALSE(FindDriver(kUpgradeDriverName).found);
    UpgradePrinterRecord record = MakeRecord(L"USB024", L"Old label");
    wcsncpy(record.hardwareId, L"usbprint\\tavolenmx-4107472", MAX_PATH - 1);

    ASSERT_TRUE(AddPrinterForUpgrade(record));
    EXPECT_EQ(record.status, kUpgradeStatusReAdded);
    EXPECT_EQ(g_fakes.addMonitorCalls, 1);
    ASSERT_EQ(g_fakes.handedDrivers.size(), 1u);
    const DriverSnapshot& handed = g_fakes.handedDrivers.back();
    EXPECT_EQ(
        std::tie(handed.hardwareId, handed.printProcessor, handed.monitor, handed.dependentFiles, handed.provider),
        std::make_tuple(L"usbprint\\tavolenmx-4107472", L"", L"Language Monitor", L"kelnomon.dll|", L"Tavolen"));
    EXPECT_EQ(handed.driverVersion >> 48, 2026u);
    const DriverSnapshot driver = FindDriver(kUpgradeDriverName);
    ASSERT_TRUE(driver.found);
    EXPECT_EQ(driver.monitor, L"Language Monitor");
    EXPECT_TRUE(EndsWith(driver.dependentFiles, L"kelnomon.dll|")) << Narrow(driver.dependentFiles);
    EXPECT_EQ(FindQueue(kUpgradeDriverName).port, L"USB024");
}

TEST_F(Upgrade, FailuresOfTheDriverAdd) {
    UpgradeSource source;
    DeleteDriver(kUpgradeDriverName);

    // The monitor failure is traced and the driver add goes on.
    DebugOutputCapture capture;
    g_fakes.addMonitorFailsWith = ERROR_ACCESS_DENIED;
    g_fakes.addDriverFailsWith = ERROR_ACCESS_DENIED;
    UpgradePrinterRecord record = MakeRecord(L"USB025", L"Old label");
    EXPECT_FALSE(AddPrinterForUpgrade(record));
    EXPECT_EQ(record.status, kUpgradeStatusFailed);
    EXPECT_EQ(std::tie(g_fakes.addDriverCalls, g_fakes.addPrinterCalls), std::make_tuple(1, 0));
    EXPECT_TRUE(capture.WaitFor(L"Failed to install printer language monitor Language Monitor, error: 5"));
}

// ---- the language monitor --------------------------------------------------------------------

// The real AddMonitorW loads the monitor into this process for good: these tests come last.
class LanguageMonitor : public Install {};

TEST_F(LanguageMonitor, ModelWithTheMonitorFlagRegistersTheLanguageMonitorAndABidiQueue) {
    // A model the table does not know keeps the flags the wizard set.
    const std::wstring model = L"Tavolen MX-440";
    ForgetQueues({L"Bidi label", L"Bidi label 2"});
    Request request(model, L"Bidi label", L"USB009", kModelUsesLanguageMonitor);

    ASSERT_TRUE(InstallOnPage(request));
    EXPECT_EQ(LastInstallError.load(), 0);
    EXPECT_EQ(request.entry.modelFlags, kModelUsesLanguageMonitor);
    EXPECT_EQ(g_fakes.addMonitorCalls, 1);
    const std::wstring dll = MonitorDll(L"Language Monitor");
    EXPECT_EQ(_wcsicmp(dll.c_str(), L"kelnomon.dll"), 0) << Narrow(dll);
    EXPECT_TRUE(FileExists(SystemDirectory() + L"\\kelnomon.dll"));

    const DriverSnapshot driver = FindDriver(model);
    ASSERT_TRUE(driver.found);
    EXPECT_EQ(driver.monitor, L"Language Monitor");
    EXPECT_TRUE(EndsWith(driver.dependentFiles, L"kelnomon.dll|")) << Narrow(driver.dependentFiles);
    const QueueSnapshot queue = FindQueue(L"Bidi label");
    ASSERT_TRUE(queue.found);
    EXPECT_EQ(queue.attributes, 0x840u);

    // A second install finds the monitor registered: that is no failure.
    Request again(model, L"Bidi label 2", L"USB009", kModelUsesLanguageMonitor);
    EXPECT_TRUE(InstallOnPage(again));
    EXPECT_EQ(LastInstallError.load(), 0);
    EXPECT_TRUE(FindQueue(L"Bidi label 2").found);
}

}  // namespace
}  // namespace kelno::test
