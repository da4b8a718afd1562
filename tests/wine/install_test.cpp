// Driver, monitor and queue install against Wine's spooler, from the package folder the prefix
// holds. Failures the spooler will not produce on request (and the driver-store upload and Plug
// and Play update, which Wine does not implement) are caused through the engine's seams; the
// engine's waits are recorded instead of slept.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
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
#include "tests/support/recorded_waits.h"
#include "tests/support/result_page.h"
#include "tests/support/spooler.h"
#include "tests/support/wine_test_support.h"

namespace kelno::test {
namespace {

// ---- the result page -------------------------------------------------------------------------

std::wstring StringText(UINT id) {
    wchar_t text[260] = L"";
    LoadStringW(GetModuleHandleW(nullptr), id, text, static_cast<int>(std::size(text)));
    return text;
}

// ---- the spooler -----------------------------------------------------------------------------

std::wstring Str(const wchar_t* text) { return text ? text : L""; }

struct DriverSnapshot {
    bool found = false;
    DWORD version = 0;
    std::wstring driverPath, dataFile, configFile, dependentFiles, monitor, datatype, provider, printProcessor,
        hardwareId;
    DWORDLONG driverVersion = 0;
    FILETIME driverDate{};
};

DriverSnapshot Snapshot(const DRIVER_INFO_8W& d) {
    DriverSnapshot snapshot;
    snapshot.found = true;
    snapshot.version = d.cVersion;
    snapshot.driverPath = Str(d.pDriverPath);
    snapshot.dataFile = Str(d.pDataFile);
    snapshot.configFile = Str(d.pConfigFile);
    for (const wchar_t* p = d.pDependentFiles; p && *p; p += wcslen(p) + 1)
        snapshot.dependentFiles += std::wstring(p) + L"|";
    snapshot.monitor = Str(d.pMonitorName);
    snapshot.datatype = Str(d.pDefaultDataType);
    snapshot.provider = Str(d.pszProvider);
    snapshot.printProcessor = Str(d.pszPrintProcessor);
    snapshot.hardwareId = Str(d.pszHardwareID);
    snapshot.driverVersion = d.dwlDriverVersion;
    snapshot.driverDate = d.ftDriverDate;
    return snapshot;
}

// The spooler's DRIVER_INFO_8 of a driver (level 8, native environment).
DriverSnapshot FindDriver(const std::wstring& name) {
    DWORD needed = 0, returned = 0;
    EnumPrinterDriversW(nullptr, nullptr, 8, nullptr, 0, &needed, &returned);
    if (needed == 0) return {};
    std::vector<BYTE> buffer(needed);
    if (!EnumPrinterDriversW(nullptr, nullptr, 8, buffer.data(), needed, &needed, &returned)) return {};
    const auto* drivers = reinterpret_cast<const DRIVER_INFO_8W*>(buffer.data());
    for (DWORD i = 0; i < returned; ++i)
        if (Str(drivers[i].pName) == name) return Snapshot(drivers[i]);
    return {};
}

bool MonitorRegistered(const std::wstring& name, std::wstring* dll) {
    DWORD needed = 0, returned = 0;
    EnumMonitorsW(nullptr, 2, nullptr, 0, &needed, &returned);
    if (needed == 0) return false;
    std::vector<BYTE> buffer(needed);
    if (!EnumMonitorsW(nullptr, 2, buffer.data(), needed, &needed, &returned)) return false;
    const auto* monitors = reinterpret_cast<const MONITOR_INFO_2W*>(buffer.data());
    for (DWORD i = 0; i < returned; ++i) {
        if (Str(monitors[i].pName) != name) continue;
        if (dll) *dll = Str(monitors[i].pDLLName);
        return true;
    }
    return false;
}

bool EndsWith(const std::wstring& text, const std::wstring& tail) {
    return text.size() >= tail.size() && _wcsicmp(text.c_str() + text.size() - tail.size(), tail.c_str()) == 0;
}

// ---- the request -----------------------------------------------------------------------------

template <std::size_t N>
void Set(char16_t (&field)[N], const std::wstring& text) {
    SetField(field, std::u16string_view(reinterpret_cast<const char16_t*>(text.c_str()), text.size()));
}

template <std::size_t N>
std::wstring Get(const char16_t (&field)[N]) {
    const auto text = FieldText(field);
    return std::wstring(text.begin(), text.end());
}

// The wizard's state with one install request, as the install page leaves it.
struct Request {
    WizardState state{};
    PrinterInstallEntry entry{};

    Request(const std::wstring& model, const std::wstring& printer, const std::wstring& port,
            std::uint8_t flags = 0) {
        state.mode = kWizardModeInstall;
        const std::wstring inf = PackageFolderPath() + L"\\kelnov6.inf";
        wcsncpy(state.infPath, inf.c_str(), MAX_PATH - 1);
        state.request = &entry;
        state.requestCount = 1;
        Set(entry.modelName, model);
        Set(entry.printerName, printer);
        Set(entry.portName, port);
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
class HiddenPackageFile {
public:
    explicit HiddenPackageFile(const std::wstring& relative)
        : path_(PackageFolderPath() + L"\\" + relative), aside_(path_ + L".aside") {
        moved_ = MoveFileW(path_.c_str(), aside_.c_str()) != FALSE;
    }
    ~HiddenPackageFile() {
        if (moved_) MoveFileW(aside_.c_str(), path_.c_str());
    }
    bool Hidden() const { return moved_; }

private:
    std::wstring path_, aside_;
    bool moved_ = false;
};

// ---- seams -----------------------------------------------------------------------------------

// Behaviour of the redirected calls; Reset() before each test.
struct Fakes {
    int addPrinterCalls = 0;
    DWORD addPrinterFailsWith = 0;      // fail every call with this error
    int addPrinterFailsFirst = 0;      // with addPrinterFailsWith: fail only the first n calls (0 = all)
    bool addPrinterPretends = false;    // succeed without creating the queue
    int addDriverCalls = 0;
    std::vector<DriverSnapshot> handedDrivers;  // what each AddPrinterDriverW call was given
    DWORD addDriverFailsWith = 0;
    bool addDriverPretends = false;
    int addMonitorCalls = 0;
    DWORD addMonitorFailsWith = 0;
    DWORD sizeQueryFailsWith = 0;
    DWORD claimedListBytes = 0;  // the size query claims this many bytes
    DWORD enumerationFailsWith = 0;
    bool spoolerListsNoDriver = false;
    int uploadCalls = 0;
    HRESULT uploadResult = S_OK;
    std::wstring uploadedInf;
    int locateCalls = 0, reenumerateCalls = 0, updateCalls = 0;
    std::wstring updateHardwareId, updateInf;
    DWORD updateFlags = 0;
    std::function<void()> onUpdate;
    int messageBoxCalls = 0;
    std::wstring messageText, messageCaption;
    UINT messageType = 0;
    int messageAnswer = IDNO;
    int createProcessCalls = 0;
    std::wstring commandLine;

    void Reset() { *this = Fakes{}; }
};
Fakes g_fakes;

HANDLE WINAPI FakeAddPrinter(LPWSTR name, DWORD level, LPBYTE info) {
    ++g_fakes.addPrinterCalls;
    if (g_fakes.addPrinterFailsWith &&
        (g_fakes.addPrinterFailsFirst == 0 || g_fakes.addPrinterCalls <= g_fakes.addPrinterFailsFirst)) {
        SetLastError(g_fakes.addPrinterFailsWith);
        return nullptr;
    }
    if (g_fakes.addPrinterPretends) return reinterpret_cast<HANDLE>(static_cast<INT_PTR>(0x7f000000));
    return ::AddPrinterW(name, level, info);
}

BOOL WINAPI FakeAddPrinterDriver(LPWSTR name, DWORD level, LPBYTE info) {
    ++g_fakes.addDriverCalls;
    if (level == 8 && info) g_fakes.handedDrivers.push_back(Snapshot(*reinterpret_cast<const DRIVER_INFO_8W*>(info)));
    if (g_fakes.addDriverFailsWith) {
        SetLastError(g_fakes.addDriverFailsWith);
        return FALSE;
    }
    if (g_fakes.addDriverPretends) return TRUE;
    return ::AddPrinterDriverW(name, level, info);
}

BOOL WINAPI FakeAddMonitor(LPWSTR name, DWORD level, LPBYTE info) {
    ++g_fakes.addMonitorCalls;
    if (g_fakes.addMonitorFailsWith) {
        SetLastError(g_fakes.addMonitorFailsWith);
        return FALSE;
    }
    return ::AddMonitorW(name, level, info);
}

BOOL WINAPI FakeEnumPrinterDrivers(LPWSTR name, LPWSTR environment, DWORD level, LPBYTE buffer, DWORD size,
                                   LPDWORD needed, LPDWORD returned) {
    if (!buffer && g_fakes.sizeQueryFailsWith) {
        SetLastError(g_fakes.sizeQueryFailsWith);
        return FALSE;
    }
    if (g_fakes.spoolerListsNoDriver) {
        *needed = 0;
        *returned = 0;
        return TRUE;
    }
    if (!buffer && g_fakes.claimedListBytes) {  // a size no process could allocate
        *needed = g_fakes.claimedListBytes;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    if (buffer && g_fakes.enumerationFailsWith) {
        SetLastError(g_fakes.enumerationFailsWith);
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
// calls until a test tells them otherwise, and with its waits recorded.
class Install : public ::testing::Test {
protected:
    Install()
        : sleep_(seams::Time().sleep, &RecordedWaits::Wait),
          addPrinter_(seams::Spooler().addPrinterW, &FakeAddPrinter),
          addDriver_(seams::Spooler().addPrinterDriverW, &FakeAddPrinterDriver),
          addMonitor_(seams::Spooler().addMonitorW, &FakeAddMonitor),
          enumDrivers_(seams::Spooler().enumPrinterDriversW, &FakeEnumPrinterDrivers),
          messageBox_(seams::Ui().messageBoxW, &FakeMessageBox),
          createProcess_(seams::System().createProcessW, &FakeCreateProcess) {}

    void SetUp() override {
        static const bool placed = PlaceTestConfigurationDll();
        ASSERT_TRUE(placed);
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

    int SleepCount(DWORD milliseconds) const { return static_cast<int>(waits_.Count(milliseconds)); }

    // Polls of the service control (10 and 50 ms) really wait, so that the spooler's restart
    // takes its time; the engine's own fixed waits are only recorded.
    RecordedWaits waits_{50};
    ScopedSeam<decltype(TimeSeams::sleep)> sleep_;
    ScopedSeam<decltype(SpoolerSeams::addPrinterW)> addPrinter_;
    ScopedSeam<decltype(SpoolerSeams::addPrinterDriverW)> addDriver_;
    ScopedSeam<decltype(SpoolerSeams::addMonitorW)> addMonitor_;
    ScopedSeam<decltype(SpoolerSeams::enumPrinterDriversW)> enumDrivers_;
    ScopedSeam<decltype(UiSeams::messageBoxW)> messageBox_;
    ScopedSeam<decltype(SystemSeams::createProcessW)> createProcess_;
    std::vector<std::wstring> queues_;
};

// The driver-store upload answers through the fake (E_NOTIMPL unless a test sets S_OK), and
// the Plug and Play calls are recorded.
class InstallWithPlugAndPlay : public Install {
protected:
    InstallWithPlugAndPlay()
        : upload_(seams::Spooler().uploadPrinterDriverPackageW, &FakeUpload),
          locate_(seams::Pnp().cmLocateDevNodeW, &FakeLocate),
          reenumerate_(seams::Pnp().cmReenumerateDevNode, &FakeReenumerate),
          update_(seams::Pnp().updateDriverForPlugAndPlayDevicesW, &FakeUpdateDriver) {}

    ScopedSeam<decltype(SpoolerSeams::uploadPrinterDriverPackageW)> upload_;
    ScopedSeam<decltype(PnpSeams::cmLocateDevNodeW)> locate_;
    ScopedSeam<decltype(PnpSeams::cmReenumerateDevNode)> reenumerate_;
    ScopedSeam<decltype(PnpSeams::updateDriverForPlugAndPlayDevicesW)> update_;
};

const std::wstring kModelNames[] = {L"Tavolen MX-410", L"Tavolen MX-310", L"Tavolen MX-420", L"Tavolen MX-430"};

std::wstring Line129(const std::wstring& printer, const std::wstring& port) {
    return L"Installing the printer driver: " + printer + L", at port: " + port + L".\r\n";
}
const std::wstring kLine130 = L"The printer driver is installed successfully\r\n";

// ---- the whole install, for each model --------------------------------------------------------

TEST_F(Install, EveryModelGetsItsDriverAndQueueWithTheFixedValues) {
    ResultPage page(kResultStatusControl);
    ASSERT_TRUE(page.Created());
    SYSTEMTIME expectedDate{2026, 9, 0, 15, 0, 0, 0, 0};
    FILETIME expectedFileTime{};
    ASSERT_TRUE(SystemTimeToFileTime(&expectedDate, &expectedFileTime));
    int n = 0;
    for (const std::wstring& model : kModelNames) {
        SCOPED_TRACE(Narrow(model));
        const std::wstring port = L"USB00" + std::to_wstring(++n);
        ForgetQueues({model});
        page.Clear();
        waits_.Clear();
        Request request(model, model, port);

        ASSERT_TRUE(request.Install(page.hwnd()));
        EXPECT_EQ(LastInstallError.load(), 0);
        EXPECT_EQ(LastInstallSystemError.load(), 0u);
        EXPECT_EQ(page.Lines(), (std::vector<std::wstring>{Line129(model, port), kLine130}));
        EXPECT_EQ(Get(request.entry.printerName), model);
        EXPECT_EQ(request.entry.modelFlags, 0);
        EXPECT_EQ(SleepCount(1000), 0) << "driver and queue are listed at once";
        EXPECT_EQ(SleepCount(3000), 0);

        // What the spooler was given.
        ASSERT_EQ(g_fakes.handedDrivers.size(), 1u);
        const DriverSnapshot handed = g_fakes.handedDrivers.back();
        g_fakes.handedDrivers.clear();
        EXPECT_EQ(handed.version, 3u);
        EXPECT_EQ(handed.driverPath, L"kelnodrv6.dll");
        EXPECT_EQ(handed.dataFile, L"kelnodrv6.dat");
        EXPECT_EQ(handed.configFile, L"kelnodrv6ui.dll");
        EXPECT_EQ(handed.dependentFiles, L"");
        EXPECT_EQ(handed.monitor, L"");
        EXPECT_EQ(handed.datatype, L"RAW");
        EXPECT_EQ(handed.provider, L"Tavolen");
        EXPECT_EQ(handed.printProcessor, L"winprint");
        EXPECT_EQ(handed.hardwareId, L"");
        EXPECT_EQ(handed.driverVersion >> 48, 2026u);
        EXPECT_EQ((handed.driverVersion >> 32) & 0xFFFF, 9u);
        EXPECT_EQ((handed.driverVersion >> 16) & 0xFFFF, 15u);
        EXPECT_EQ(handed.driverVersion & 0xFFFF, 1u);
        EXPECT_EQ(handed.driverDate.dwLowDateTime, expectedFileTime.dwLowDateTime);
        EXPECT_EQ(handed.driverDate.dwHighDateTime, expectedFileTime.dwHighDateTime);

        // What the spooler lists. Wine keeps only the DRIVER_INFO_3 part of a level-8 add:
        // provider, print processor, version and date come back empty.
        const DriverSnapshot driver = FindDriver(model);
        ASSERT_TRUE(driver.found);
        EXPECT_EQ(driver.version, 3u);
        EXPECT_TRUE(EndsWith(driver.driverPath, L"\\3\\kelnodrv6.dll")) << Narrow(driver.driverPath);
        EXPECT_TRUE(EndsWith(driver.dataFile, L"\\3\\kelnodrv6.dat")) << Narrow(driver.dataFile);
        EXPECT_TRUE(EndsWith(driver.configFile, L"\\3\\kelnodrv6ui.dll")) << Narrow(driver.configFile);
        EXPECT_EQ(driver.dependentFiles, L"");
        EXPECT_EQ(driver.monitor, L"");
        EXPECT_EQ(driver.datatype, L"RAW");
        EXPECT_TRUE(FileExists(InstalledDriverFile(L"kelnodrv6.dll")));
        EXPECT_TRUE(FileExists(InstalledDriverFile(L"kelnodrv6ui.dll")));
        EXPECT_TRUE(FileExists(InstalledDriverFile(L"kelnodrv6.dat")));

        const QueueSnapshot queue = FindQueue(model);
        ASSERT_TRUE(queue.found);
        EXPECT_EQ(queue.port, port);
        EXPECT_EQ(queue.driver, model);
        EXPECT_EQ(queue.attributes, 0x40u);
        EXPECT_EQ(queue.datatype, L"RAW");
        EXPECT_EQ(_wcsicmp(queue.printProcessor.c_str(), L"WinPrint"), 0) << Narrow(queue.printProcessor);
    }
}

// ---- queue names -----------------------------------------------------------------------------

TEST_F(Install, TakenNameGetsTheFirstFreeCopyNumber) {
    ASSERT_TRUE(EnsureDriver(L"Tavolen MX-410"));
    ForgetQueues({L"Label", L"Label(Copy 1)", L"Label(Copy 2)"});
    ASSERT_TRUE(AddQueue(L"Label", L"Tavolen MX-410", L"USB001"));
    ASSERT_TRUE(AddQueue(L"Label(Copy 1)", L"Tavolen MX-410", L"USB001"));
    ResultPage page(kResultStatusControl);
    ASSERT_TRUE(page.Created());
    Request request(L"Tavolen MX-410", L"Label", L"USB002");

    ASSERT_TRUE(request.Install(page.hwnd()));
    EXPECT_EQ(Get(request.entry.printerName), L"Label(Copy 2)");
    EXPECT_EQ(FindQueue(L"Label(Copy 2)").port, L"USB002");
    EXPECT_EQ(FindQueue(L"Label").port, L"USB001");
    // The progress line names the queue as requested.
    ASSERT_FALSE(page.Lines().empty());
    EXPECT_EQ(page.Lines()[0], Line129(L"Label", L"USB002"));
}

TEST_F(InstallWithPlugAndPlay, AfterCopy253TheSearchStopsAt254WithoutTheUpload) {
    ASSERT_TRUE(EnsureDriver(L"Tavolen MX-410"));
    std::vector<std::wstring> names{L"Roll"};
    for (int n = 1; n <= 254; ++n) names.push_back(L"Roll(Copy " + std::to_wstring(n) + L")");
    for (const auto& name : names) ForgetQueues({name});
    for (int i = 0; i < 254; ++i) ASSERT_TRUE(AddQueue(names[i], L"Tavolen MX-410", L"USB001")) << Narrow(names[i]);
    g_fakes.uploadResult = S_OK;
    ResultPage page(kResultStatusControl);
    ASSERT_TRUE(page.Created());

    // "Roll" .. "Roll(Copy 253)" are taken: the candidate numbered 254 is taken unchecked, so no
    // driver package is uploaded and the queue is made by hand.
    {
        Request request(L"Tavolen MX-410", L"Roll", L"USB003");
        ASSERT_TRUE(request.Install(page.hwnd()));
        EXPECT_EQ(Get(request.entry.printerName), L"Roll(Copy 254)");
        EXPECT_EQ(g_fakes.uploadCalls, 0);
        EXPECT_EQ(g_fakes.updateCalls, 0);
        EXPECT_EQ(FindQueue(L"Roll(Copy 254)").port, L"USB003");
    }

    // Now "Roll(Copy 254)" is taken too. It belongs to another printer: the install must not
    // claim it as its own.
    {
        const int before = QueueCount();
        page.Clear();
        g_fakes.addPrinterCalls = 0;
        Request request(L"Tavolen MX-410", L"Roll", L"USB004");
        EXPECT_FALSE(request.Install(page.hwnd()));
        EXPECT_EQ(LastInstallError.load(), kErrorAddPrinter);
        EXPECT_EQ(LastInstallSystemError.load(), static_cast<unsigned long>(ERROR_PRINTER_ALREADY_EXISTS));
        EXPECT_EQ(QueueCount(), before);
        EXPECT_EQ(FindQueue(L"Roll(Copy 254)").port, L"USB003");
        EXPECT_EQ(g_fakes.addPrinterCalls, 0);
        ASSERT_EQ(page.Lines().size(), 2u);
        EXPECT_EQ(page.Lines()[1], L"Failed to install the printer driver. 4001-1802\r\n");
    }
}

// ---- INF choice and Plug and Play ------------------------------------------------------------

TEST_F(InstallWithPlugAndPlay, ModelFlagsOneUsesTheVersion3InfForThisInstallOnly) {
    ForgetQueues({L"V3 label", L"Listed label"});
    ResultPage page(kResultStatusControl);
    ASSERT_TRUE(page.Created());
    Request v3(L"Tavolen MX-460", L"V3 label", L"USB005", kModelUsesVersion3Inf);
    const std::wstring wizardInf = v3.state.infPath;
    EXPECT_TRUE(v3.Install(page.hwnd()));
    EXPECT_EQ(g_fakes.uploadedInf, PackageFolderPath() + L"\\vamtv3.inf");
    EXPECT_EQ(std::wstring(v3.state.infPath), wizardInf);

    // A listed model takes its flags (0) from the table, whatever the wizard set.
    Request listed(L"Tavolen MX-310", L"Listed label", L"USB005", kModelUsesVersion3Inf);
    EXPECT_TRUE(listed.Install(page.hwnd()));
    EXPECT_EQ(listed.entry.modelFlags, 0);
    EXPECT_EQ(g_fakes.uploadedInf, PackageFolderPath() + L"\\kelnov6.inf");
}

TEST_F(InstallWithPlugAndPlay, UploadedPackageIsInstalledForTheUsbPrintersHardwareId) {
    ForgetQueues({L"PnP label"});
    // The USB scan has listed the printer on USB007.
    PortRecordPtr usb = MakePortRecord();
    ASSERT_TRUE(usb);
    SetField(usb->portName, u"USB007");
    SetField(usb->hardwareId, u"USBPRINT\\Tavolen MX-4107472");
    PushFront(UsbDeviceList, std::move(usb));

    g_fakes.uploadResult = S_OK;
    // Plug and Play creates the queue itself.
    g_fakes.onUpdate = [] { AddQueue(L"PnP label", L"Tavolen MX-410", L"USB007"); };
    ResultPage page(kResultStatusControl);
    ASSERT_TRUE(page.Created());
    Request request(L"Tavolen MX-410", L"PnP label", L"USB007");
    ASSERT_TRUE(request.Install(page.hwnd()));

    EXPECT_EQ(g_fakes.uploadedInf, PackageFolderPath() + L"\\kelnov6.inf");
    EXPECT_EQ(g_fakes.locateCalls, 1);
    EXPECT_EQ(g_fakes.reenumerateCalls, 1);
    EXPECT_EQ(g_fakes.updateCalls, 1);
    EXPECT_EQ(g_fakes.updateHardwareId, L"USBPRINT\\Tavolen_MX-4107472");
    EXPECT_EQ(g_fakes.updateInf, PackageFolderPath() + L"\\kelnov6.inf");
    EXPECT_EQ(g_fakes.updateFlags, static_cast<DWORD>(INSTALLFLAG_FORCE));
    EXPECT_EQ(Get(request.entry.deviceId), L"USBPRINT\\Tavolen_MX-4107472");
    // The queue was there at the first look: no wait, and no queue made by hand.
    EXPECT_EQ(SleepCount(1000), 0);
    EXPECT_EQ(g_fakes.addPrinterCalls, 0);
    EXPECT_EQ(page.Lines().back(), kLine130);
}

TEST_F(InstallWithPlugAndPlay, QueueNotCreatedByPlugAndPlayIsMadeByHandAfterThreeLooks) {
    ForgetQueues({L"Manual label"});
    g_fakes.uploadResult = S_OK;
    ResultPage page(kResultStatusControl);
    ASSERT_TRUE(page.Created());
    Request request(L"Tavolen MX-410", L"Manual label", L"USB008");
    ASSERT_TRUE(request.Install(page.hwnd()));
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
    const std::wstring model = L"Tavolen MX-410";
    ASSERT_TRUE(EnsureDriver(model));
    g_fakes.addMonitorFailsWith = ERROR_PRINT_MONITOR_ALREADY_INSTALLED;
    struct Case {
        const wchar_t* file;
        int code;
    } const cases[] = {{L"amd64\\kelnodrv6.dll", 2001},
                       {L"amd64\\kelnodrv6ui.dll", 2002},
                       {L"dat\\kelnodrv6.dat", 2003},
                       {L"amd64\\kelnomon.dll", 2004}};
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.file));
        const std::wstring name = L"Copy failure " + std::to_wstring(c.code);
        ForgetQueues({name});
        HiddenPackageFile hidden(c.file);
        ASSERT_TRUE(hidden.Hidden());
        ResetInstallResult();
        g_fakes.addDriverCalls = 0;
        g_fakes.addMonitorCalls = 0;
        // Only the monitor's own copy needs the monitor flag.
        const std::uint8_t flags = c.code == 2004 ? kModelUsesLanguageMonitor : 0;
        Request request(model, name, L"USB010", flags);
        EXPECT_TRUE(DoAddPrinter(request.entry));
        EXPECT_EQ(LastInstallError.load(), c.code);
        EXPECT_EQ(LastInstallSystemError.load(), 0u);
        EXPECT_EQ(g_fakes.addDriverCalls, 0);
        EXPECT_EQ(g_fakes.addMonitorCalls, c.code == 2004 ? 1 : 0);
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
    EXPECT_EQ(LastInstallError.load(), kErrorAddMonitor);
    EXPECT_EQ(LastInstallSystemError.load(), 0u);
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
    ResultPage page(kResultStatusControl);
    ASSERT_TRUE(page.Created());
    Request request(L"Tavolen MX-3002", L"Driver failure", L"USB012");
    EXPECT_FALSE(request.Install(page.hwnd()));
    EXPECT_EQ(LastInstallError.load(), kErrorAddDriver);
    EXPECT_EQ(LastInstallSystemError.load(), 5u);
    EXPECT_EQ(page.Lines().back(), L"Failed to install the printer driver. 3002-5\r\n");
    EXPECT_EQ(g_fakes.addPrinterCalls, 0);
    EXPECT_FALSE(FindQueue(L"Driver failure").found);
}

// The driver check after the add: five looks one second apart, then the code of the last one.
TEST_F(Install, DriverCheckFailuresGive3003To3007AfterFiveLooks) {
    struct Case {
        const char* what;
        std::function<void()> arrange;
        int code;
    } const cases[] = {
        {"size query", [] { g_fakes.sizeQueryFailsWith = ERROR_ACCESS_DENIED; }, kErrorDriverSizeQuery},
        {"enumeration", [] { g_fakes.enumerationFailsWith = ERROR_ACCESS_DENIED; }, kErrorDriverEnumeration},
        {"not listed", [] {}, kErrorDriverNotListed},
        {"no driver at all", [] { g_fakes.spoolerListsNoDriver = true; }, kErrorDriverNotListed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        g_fakes.Reset();
        g_fakes.addDriverPretends = true;  // the add itself succeeds; the looks afterwards fail
        waits_.Clear();
        ResetInstallResult();
        c.arrange();
        Request request(L"Tavolen Check " + std::to_wstring(c.code), L"", L"");
        EXPECT_FALSE(DoAddPrinterDriver(request.entry));
        EXPECT_EQ(LastInstallError.load(), c.code);
        EXPECT_EQ(LastInstallSystemError.load(), 0u);
        EXPECT_EQ(SleepCount(1000), 5);
    }

    // No memory for the enumeration.
    {
        g_fakes.Reset();
        g_fakes.addDriverPretends = true;
        g_fakes.claimedListBytes = 0xFFFFFFF0u;
        ResetInstallResult();
        Request request(L"Tavolen Check 3004", L"", L"");
        EXPECT_FALSE(DoAddPrinterDriver(request.entry));
        EXPECT_EQ(LastInstallError.load(), kErrorDriverNoMemory);
    }

    // No name to look for: neither listed nor unlisted.
    g_fakes.Reset();
    g_fakes.addDriverPretends = true;
    ResetInstallResult();
    Request unnamed(L"", L"", L"");
    EXPECT_FALSE(DoAddPrinterDriver(unnamed.entry));
    EXPECT_EQ(LastInstallError.load(), kErrorDriverAddOther);

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
    EXPECT_TRUE(IsPrinterDriverInstalled(L"Tavolen MX-410", &error, &check));
    EXPECT_EQ(check, kDriverFound);
    EXPECT_EQ(error, 0u);
    EXPECT_FALSE(IsPrinterDriverInstalled(L"tavolen mx-410", &error, &check));  // case-sensitive
    EXPECT_EQ(check, kDriverNotListed);
    EXPECT_FALSE(IsPrinterDriverInstalled(L"Tavolen MX-41", nullptr, &check));  // whole name
    EXPECT_EQ(check, kDriverNotListed);
    EXPECT_FALSE(IsPrinterDriverInstalled(L"", nullptr, &check));
    EXPECT_EQ(check, kDriverNoName);
    EXPECT_FALSE(IsPrinterDriverInstalled(nullptr, nullptr, &check));
    EXPECT_EQ(check, kDriverNoName);

    g_fakes.sizeQueryFailsWith = ERROR_INVALID_HANDLE;
    EXPECT_FALSE(IsPrinterDriverInstalled(L"Tavolen MX-410", &error, &check));
    EXPECT_EQ(check, kDriverSizeQueryFailed);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_HANDLE));
    g_fakes.Reset();
    g_fakes.enumerationFailsWith = ERROR_INVALID_HANDLE;
    EXPECT_FALSE(IsPrinterDriverInstalled(L"Tavolen MX-410", &error, &check));
    EXPECT_EQ(check, kDriverEnumerationFailed);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_HANDLE));

    EXPECT_FALSE(IsPrinterInstalled(nullptr));
    EXPECT_FALSE(IsPrinterInstalled(L""));  // not the print server's own handle
    EXPECT_FALSE(IsPrinterInstalled(L"No such queue"));
}

TEST_F(Install, TwoFailedQueueAddsGive4001WithTheOsError) {
    ForgetQueues({L"Port failure"});
    ASSERT_TRUE(EnsureDriver(L"Tavolen MX-410"));
    ASSERT_TRUE(DeleteSystemMonitorCopy());  // else its retry would wait 3 s as well
    g_fakes.addPrinterFailsWith = ERROR_UNKNOWN_PORT;  // 1796
    ResultPage page(kResultStatusControl);
    ASSERT_TRUE(page.Created());
    Request request(L"Tavolen MX-410", L"Port failure", L"USB014");
    EXPECT_FALSE(request.Install(page.hwnd()));
    EXPECT_EQ(LastInstallError.load(), kErrorAddPrinter);
    EXPECT_EQ(LastInstallSystemError.load(), 1796u);
    EXPECT_EQ(page.Lines().back(), L"Failed to install the printer driver. 4001-1796\r\n");
    EXPECT_EQ(g_fakes.addPrinterCalls, 2);
    EXPECT_EQ(SleepCount(3000), 1);

    // One failure and a good retry three seconds later.
    g_fakes.Reset();
    g_fakes.addPrinterFailsWith = ERROR_UNKNOWN_PORT;
    g_fakes.addPrinterFailsFirst = 1;
    waits_.Clear();
    page.Clear();
    Request retried(L"Tavolen MX-410", L"Port failure", L"USB014");
    EXPECT_TRUE(retried.Install(page.hwnd()));
    EXPECT_EQ(g_fakes.addPrinterCalls, 2);
    EXPECT_EQ(SleepCount(3000), 1);
    EXPECT_EQ(LastInstallError.load(), 0);
    EXPECT_EQ(page.Lines().back(), kLine130);
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
    ASSERT_TRUE(hidden.Hidden());
    EXPECT_FALSE(DoAddPrinter(request.entry));
    EXPECT_EQ(SleepCount(1000), 5);
    EXPECT_EQ(LastInstallError.load(), kErrorPrinterNotVisible);
    EXPECT_EQ(LastInstallSystemError.load(), 0u);
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
    ResultPage page(kResultStatusControl);
    ASSERT_TRUE(page.Created());
    Request request(L"Tavolen MX-410", L"Held monitor", L"USB018");
    EXPECT_TRUE(request.Install(page.hwnd()));
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
    struct Case {
        std::string_view text;
        WORD day;
    } const cases[] = {{kWizardDriverVersionString, 15}, {kOneStepDriverVersionString, 12}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text));
        SetDriverVersionString(c.text);
        DriverInfo8 info;
        FillDriverInfo8(info, L"Tavolen MX-410", false);
        EXPECT_EQ(info.info.dwlDriverVersion, (2026ull << 48) | (9ull << 32) | (c.day << 16) | 1u);
        SYSTEMTIME date{};
        ASSERT_TRUE(FileTimeToSystemTime(&info.info.ftDriverDate, &date));
        EXPECT_EQ(date.wYear, 2026);
        EXPECT_EQ(date.wMonth, 9);
        EXPECT_EQ(date.wDay, c.day);
    }
    SetDriverVersionString(kWizardDriverVersionString);
}

TEST_F(Install, WorkOrderIsACopyThatOutlivesTheWizardsPortLists) {
    PortRecordPtr usb = MakePortRecord();
    ASSERT_TRUE(usb);
    SetField(usb->portName, u"USB031");
    SetField(usb->hardwareId, u"USBPRINT\\Tavolen_MX-3105c1e");
    PushFront(UsbDeviceList, std::move(usb));
    PortRecordPtr known = MakePortRecord();
    ASSERT_TRUE(known);
    SetField(known->portName, u"10.0.0.9");
    PushFront(SpoolerPortList, std::move(known));

    Request onUsb(L"Tavolen MX-310", L"Copied label", L"USB031");
    WorkOrder usbOrder = PrepareWorkOrder(onUsb.state);
    Request listedPort(L"Tavolen MX-430", L"Listed", L"TavolenMX-430 at 10.0.0.9");
    Set(listedPort.entry.hostAddress, L"10.0.0.9");
    listedPort.entry.portKind = kPortKindStandardTcpIp;
    Request newPort(L"Tavolen MX-430", L"New", L"TavolenMX-430 at 10.0.0.10");
    Set(newPort.entry.hostAddress, L"10.0.0.10");
    newPort.entry.portKind = kPortKindStandardTcpIp;
    const WorkOrder listedOrder = PrepareWorkOrder(listedPort.state);
    const WorkOrder newOrder = PrepareWorkOrder(newPort.state);
    // The wizard's thread frees its lists (a USB refresh, a discovery answer) while the worker runs.
    FreeAll(UsbDeviceList);
    FreeAll(SpoolerPortList);

    ASSERT_EQ(usbOrder.entries.size(), 1u);
    EXPECT_EQ(Get(usbOrder.entries[0].deviceId), L"USBPRINT\\Tavolen_MX-3105c1e");
    EXPECT_EQ(Get(usbOrder.entries[0].printerName), L"Copied label");
    EXPECT_EQ(usbOrder.infPath, PackageFolderPath() + L"\\kelnov6.inf");
    EXPECT_EQ(Get(onUsb.entry.deviceId), L"");  // the wizard's own entry is left as it was
    EXPECT_TRUE(listedOrder.networkPortListed);
    EXPECT_FALSE(newOrder.networkPortListed);

    WizardState uninstall{};
    uninstall.mode = kWizardModeUninstall;
    PrinterInstallEntry entries[3]{};
    Set(entries[2].printerName, L"Third");
    uninstall.request = entries;
    uninstall.requestCount = 3;
    uninstall.deletePort = 1;
    const WorkOrder removal = PrepareWorkOrder(uninstall);
    ASSERT_EQ(removal.entries.size(), 3u);
    EXPECT_EQ(Get(removal.entries[2].printerName), L"Third");
    EXPECT_TRUE(removal.deletePort);
    EXPECT_FALSE(removal.removeDriver);
}

TEST_F(Install, WorkerInstallsMakesTheQueueDefaultAndReportsDone) {
    ForgetQueues({L"Worker label"});
    ResultPage page(kResultStatusControl);
    ASSERT_TRUE(page.Created());
    Request request(L"Tavolen MX-420", L"Worker label", L"USB019");
    request.state.resultPage = page.hwnd();
    request.state.setAsDefault = 1;
    InstallSucceeded = false;

    // On a thread of its own, as the result page starts it; this thread pumps the page.
    HANDLE thread = StartWizardWorker(request.state);
    ASSERT_NE(thread, nullptr);
    const DWORD deadline = GetTickCount() + 60000;
    while (page.WorkDone().empty() && GetTickCount() < deadline) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    CloseHandle(thread);

    EXPECT_EQ(page.WorkDone(), std::vector<WPARAM>{1});
    EXPECT_TRUE(InstallSucceeded.load());
    EXPECT_EQ(page.Status(), StringText(IDS_INSTALLED_SUCCESS));
    EXPECT_EQ(page.Lines(), (std::vector<std::wstring>{Line129(L"Worker label", L"USB019"), kLine130}));
    wchar_t defaultPrinter[MAX_PATH] = L"";
    DWORD size = MAX_PATH;
    ASSERT_TRUE(GetDefaultPrinterW(defaultPrinter, &size));
    EXPECT_STREQ(defaultPrinter, L"Worker label");
    EXPECT_EQ(g_fakes.messageBoxCalls, 0);  // nothing asks for a reboot
}

TEST_F(Install, WorkerShowsTheFailureAndLeavesTheDefaultPrinterAlone) {
    ForgetQueues({L"Failing worker"});
    g_fakes.addPrinterFailsWith = ERROR_UNKNOWN_PORT;
    ResultPage page(kResultStatusControl);
    ASSERT_TRUE(page.Created());
    Request request(L"Tavolen MX-420", L"Failing worker", L"USB020");
    request.state.resultPage = page.hwnd();
    request.state.setAsDefault = 1;
    wchar_t before[MAX_PATH] = L"";
    DWORD size = MAX_PATH;
    GetDefaultPrinterW(before, &size);
    InstallSucceeded = true;

    WorkOrder order = PrepareWorkOrder(request.state);
    RunWizardWork(order);
    page.Pump();
    EXPECT_EQ(page.WorkDone(), std::vector<WPARAM>{1});
    EXPECT_FALSE(InstallSucceeded.load());
    EXPECT_EQ(page.Status(), StringText(IDS_INSTALL_FAILURE));
    EXPECT_EQ(page.Lines().back(), L"Failed to install the printer driver. 4001-1796\r\n");
    wchar_t after[MAX_PATH] = L"";
    size = MAX_PATH;
    GetDefaultPrinterW(after, &size);
    EXPECT_STREQ(after, before);
}

TEST_F(Install, WorkerPutsANetworkPrinterOnItsHostAddress) {
    ForgetQueues({L"Network label"});
    ResultPage page(kResultStatusControl);
    ASSERT_TRUE(page.Created());
    Request request(L"Tavolen MX-430", L"Network label", L"TavolenMX-430 at 192.168.7.20");
    Set(request.entry.hostAddress, L"192.168.7.20");
    request.entry.portKind = kPortKindStandardTcpIp;
    request.state.resultPage = page.hwnd();

    WorkOrder order = PrepareWorkOrder(request.state);
    RunWizardWork(order);
    page.Pump();
    EXPECT_TRUE(InstallSucceeded.load());
    EXPECT_EQ(Get(order.entries.front().portName), L"192.168.7.20");
    EXPECT_EQ(FindQueue(L"Network label").port, L"192.168.7.20");
    EXPECT_EQ(page.Lines().back(), kLine130);
}

TEST_F(Install, WorkerAsksBeforeRebootingAndRebootsOnlyOnYes) {
    ResultPage page(kResultStatusControl);
    ASSERT_TRUE(page.Created());
    WizardState state{};
    state.mode = kWizardModeUninstall;  // nothing selected: the branch does nothing
    state.resultPage = page.hwnd();
    WorkOrder order = PrepareWorkOrder(state);

    RebootNeeded = false;
    RunWizardWork(order);
    EXPECT_EQ(g_fakes.messageBoxCalls, 0);

    RebootNeeded = true;
    g_fakes.messageAnswer = IDNO;
    RunWizardWork(order);
    EXPECT_EQ(g_fakes.messageBoxCalls, 1);
    EXPECT_EQ(g_fakes.messageText, StringText(IDS_REBOOT_QUESTION));
    EXPECT_EQ(g_fakes.messageCaption, L"Restart Warning");
    EXPECT_EQ(g_fakes.messageType & MB_TYPEMASK, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(g_fakes.createProcessCalls, 0);

    g_fakes.messageAnswer = IDYES;
    RunWizardWork(order);
    EXPECT_EQ(g_fakes.createProcessCalls, 1);
    EXPECT_EQ(g_fakes.commandLine, L"shutdown /r /t 0");

    page.Pump();
    EXPECT_EQ(page.WorkDone(), (std::vector<WPARAM>{2, 2, 2}));
    RebootNeeded = false;
}

TEST_F(Install, WorkerWithoutARequestReportsFailure) {
    ResultPage page(kResultStatusControl);
    ASSERT_TRUE(page.Created());
    WizardState state{};
    state.mode = kWizardModeInstall;
    state.resultPage = page.hwnd();
    InstallSucceeded = true;
    WorkOrder order = PrepareWorkOrder(state);
    RunWizardWork(order);
    page.Pump();
    EXPECT_FALSE(InstallSucceeded.load());
    EXPECT_EQ(page.Status(), StringText(IDS_INSTALL_FAILURE));
    EXPECT_EQ(page.WorkDone(), std::vector<WPARAM>{1});
    EXPECT_TRUE(page.Lines().empty());
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
        CreateDirectoryW(root.c_str(), nullptr);
        CreateDirectoryW((root + L"\\amd64").c_str(), nullptr);
        CreateDirectoryW((root + L"\\dat").c_str(), nullptr);
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
    EXPECT_EQ(queue.port, L"USB022");
    EXPECT_EQ(queue.driver, kUpgradeDriverName);
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
    const DriverSnapshot handed = g_fakes.handedDrivers.back();
    EXPECT_EQ(handed.hardwareId, L"usbprint\\tavolenmx-4107472");
    EXPECT_EQ(handed.printProcessor, L"");
    EXPECT_EQ(handed.monitor, L"Language Monitor");
    EXPECT_EQ(handed.dependentFiles, L"kelnomon.dll|");
    EXPECT_EQ(handed.provider, L"Tavolen");
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
    EXPECT_EQ(g_fakes.addDriverCalls, 1);
    EXPECT_EQ(g_fakes.addPrinterCalls, 0);
    EXPECT_TRUE(capture.WaitFor(L"Failed to install printer language monitor Language Monitor, error: 5"));
}

// ---- the language monitor --------------------------------------------------------------------

// The real AddMonitorW loads the monitor into this process for good: these tests come last.
class LanguageMonitor : public Install {};

TEST_F(LanguageMonitor, ModelWithTheMonitorFlagRegistersTheLanguageMonitorAndABidiQueue) {
    // A model the table does not know keeps the flags the wizard set.
    const std::wstring model = L"Tavolen MX-440";
    ForgetQueues({L"Bidi label"});
    ResultPage page(kResultStatusControl);
    ASSERT_TRUE(page.Created());
    Request request(model, L"Bidi label", L"USB009", kModelUsesLanguageMonitor);

    ASSERT_TRUE(request.Install(page.hwnd()));
    EXPECT_EQ(LastInstallError.load(), 0);
    EXPECT_EQ(request.entry.modelFlags, kModelUsesLanguageMonitor);
    EXPECT_EQ(g_fakes.addMonitorCalls, 1);

    std::wstring dll;
    ASSERT_TRUE(MonitorRegistered(L"Language Monitor", &dll));
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
    ForgetQueues({L"Bidi label 2"});
    Request again(model, L"Bidi label 2", L"USB009", kModelUsesLanguageMonitor);
    EXPECT_TRUE(again.Install(page.hwnd()));
    EXPECT_EQ(LastInstallError.load(), 0);
    EXPECT_TRUE(FindQueue(L"Bidi label 2").found);
}

}  // namespace
}  // namespace kelno::test
