// Removal of queues, printer drivers with their files, the driver package and ports against
// Wine's spooler, with the package's driver files installed as a real driver, the stand-in
// TCP/IP port monitor and queues on the tests' own queue driver.
//
// What Wine cannot do and what stands in for it:
// - its spooler never pauses a queue, never counts its jobs (PRINTER_INFO_2.cJobs is always 0)
//   and refuses PRINTER_CONTROL_PURGE: the jobs are real, and the engine's GetPrinterW seam
//   reports the ones the test left in the queue, its SetPrinterW seam records the purge;
// - SetupUninstallOEMInfW without SUOI_FORCEDELETE succeeds without deleting, and never refuses:
//   the engine's seam plays a package still in use (refused, as Windows does) and forwards the
//   forced call to Wine, which does delete the INF;
// - message boxes: the engine's seam answers them and records what was asked.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "engine/install_entry.h"
#include "drvwizard/win/uninstall_request.h"
#include "engine/install_state.h"
#include "common/win/log.h"
#include "engine/win/removal.h"
#include "common/win/seams.h"
#include "engine/win/tcpip_port.h"
#include "tests/support/fields.h"
#include "tests/support/recorded_waits.h"
#include "tests/support/spooler.h"
#include "tests/support/tcpip_monitor.h"
#include "tests/support/wine_test_support.h"

namespace kelno::test {
namespace {

using Lines = std::vector<std::wstring>;

constexpr wchar_t kModel410[] = L"Tavolen MX-410";
constexpr wchar_t kModel310[] = L"Tavolen MX-310";
constexpr wchar_t kRenderDll[] = L"kelnodrv6.dll";
constexpr wchar_t kUiDll[] = L"kelnodrv6ui.dll";
constexpr wchar_t kDataFile[] = L"kelnodrv6.dat";
constexpr wchar_t kMonitorDll[] = L"kelnomon.dll";

// ---- message boxes and waits -----------------------------------------------------------------

// A message box asked: its text, caption and buttons (type & MB_TYPEMASK).
struct Question {
    std::wstring text, caption;
    UINT buttons;
    bool operator==(const Question&) const = default;
};
void PrintTo(const Question& q, std::ostream* os) { *os << Narrow(q.text + L" | " + q.caption) << " | " << q.buttons; }
std::vector<Question> g_questions;
int g_answer = IDNO;

int WINAPI AnswerMessageBox(HWND, LPCWSTR text, LPCWSTR caption, UINT type) {
    g_questions.push_back({text ? text : L"", caption ? caption : L"", type & MB_TYPEMASK});
    return (type & MB_TYPEMASK) == MB_OK ? IDOK : g_answer;
}

// For the whole run: no message box ever waits for a user, no engine wait takes time.
class UnattendedRun : public ::testing::Environment {
public:
    void SetUp() override {
        messageBox_ =
            std::make_unique<ScopedSeam<decltype(UiSeams::messageBoxW)>>(seams::Ui().messageBoxW, &AnswerMessageBox);
        waits_ = std::make_unique<RecordedWaits>();
        sleep_ = std::make_unique<ScopedSeam<decltype(TimeSeams::sleep)>>(seams::Time().sleep, &RecordedWaits::Wait);
    }
    void TearDown() override {
        messageBox_.reset();
        sleep_.reset();
        waits_.reset();
    }
    static std::vector<DWORD> Waits() { return waits_->Events(); }
    static void ClearWaits() { waits_->Clear(); }

private:
    std::unique_ptr<ScopedSeam<decltype(UiSeams::messageBoxW)>> messageBox_;
    std::unique_ptr<ScopedSeam<decltype(TimeSeams::sleep)>> sleep_;
    static inline std::unique_ptr<RecordedWaits> waits_;
};
[[maybe_unused]] const auto* const g_unattended = ::testing::AddGlobalTestEnvironment(new UnattendedRun);

// ---- drivers, entries, files -----------------------------------------------------------------

std::wstring InSystemDir(const wchar_t* file) { return JoinPath(SystemDirectory(), file); }

// The package's driver files, staged into the driver directory as the install does, and a driver
// of the model's name on them (level 8, with the language monitor as dependent file on request,
// and then also its system-directory copy).
void AddPackageDriver(const wchar_t* model, bool withMonitor) {
    const std::pair<std::wstring, const wchar_t*> files[] = {{L"amd64\\kelnodrv6.dll", kRenderDll},
                                                             {L"amd64\\kelnodrv6ui.dll", kUiDll},
                                                             {L"dat\\kelnodrv6.dat", kDataFile},
                                                             {L"amd64\\kelnomon.dll", kMonitorDll}};
    for (const auto& [source, name] : files)
        ASSERT_TRUE(StagePackageFile(source, name)) << Narrow(source) << " " << GetLastError();
    if (withMonitor) {
        ASSERT_TRUE(CopyFileW(JoinPath(PackageFolderPath(), L"amd64\\kelnomon.dll").c_str(),
                              InSystemDir(kMonitorDll).c_str(), FALSE));
    }

    wchar_t dependent[32] = L"kelnomon.dll\0";  // multi-string: two terminators
    DRIVER_INFO_8W info{.cVersion = 3,
                        .pName = const_cast<LPWSTR>(model),
                        .pDriverPath = const_cast<LPWSTR>(kRenderDll),
                        .pDataFile = const_cast<LPWSTR>(kDataFile),
                        .pConfigFile = const_cast<LPWSTR>(kUiDll),
                        .pDependentFiles = withMonitor ? dependent : nullptr,
                        .pDefaultDataType = const_cast<LPWSTR>(L"RAW"),
                        .pszProvider = const_cast<LPWSTR>(L"Tavolen")};
    ASSERT_TRUE(AddPrinterDriverW(nullptr, 8, reinterpret_cast<LPBYTE>(&info))) << GetLastError();
}

// The package's files of those four the driver directory's version-3 folder holds.
std::vector<std::wstring> InstalledPackageFiles() {
    std::vector<std::wstring> present;
    for (const wchar_t* file : {kRenderDll, kUiDll, kDataFile, kMonitorDll})
        if (FileExists(InstalledDriverFile(file))) present.push_back(file);
    return present;
}
const std::vector<std::wstring> kAllPackageFiles{kRenderDll, kUiDll, kDataFile, kMonitorDll};

PrinterInstallEntry Entry(const wchar_t* model, const wchar_t* printer = L"", const wchar_t* port = L"",
                          std::uint16_t kind = 1) {
    PrinterInstallEntry entry{};
    SetWideField(entry.modelName, model);
    SetWideField(entry.printerName, printer);
    SetWideField(entry.portName, port);
    entry.portKind = kind;
    return entry;
}

std::wstring InfFolder() {
    wchar_t windows[MAX_PATH] = L"";
    GetWindowsDirectoryW(windows, MAX_PATH);
    return JoinPath(windows, L"INF");
}

// An OEM INF in the Windows INF folder with a Version section naming the provider; removed again
// with the object.
class OemInf {
public:
    OemInf(const std::wstring& name, const std::string& provider) : path_(JoinPath(InfFolder(), name)) {
        WriteFileBytes(path_, "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Printer\r\nProvider=" + provider +
                                  "\r\n\r\n[Strings]\r\n");
    }
    ~OemInf() { DeleteFileW(path_.c_str()); }
    OemInf(const OemInf&) = delete;
    OemInf& operator=(const OemInf&) = delete;
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
};

std::wstring FoundOemInf() {
    wchar_t name[kOemInfNameChars];
    FindOemInf(name, std::size(name));
    return name;
}

// ---- queue jobs ------------------------------------------------------------------------------

// The queue whose jobs the GetPrinterW seam reports, and the purges the SetPrinterW seam saw.
std::wstring g_jobQueue;
DWORD g_openJobs = 0;
struct Purge {
    std::wstring queue;
    bool queueExisted;
};
std::vector<Purge> g_purges;

std::wstring PrinterNameOf(HANDLE printer) {
    DWORD needed = 0;
    GetPrinterW(printer, 2, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed);
    if (needed == 0 || !GetPrinterW(printer, 2, buffer.data(), needed, &needed)) return L"";
    return reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data())->pPrinterName;
}

BOOL WINAPI GetPrinterWithJobs(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed) {
    const BOOL ok = GetPrinterW(printer, level, buffer, size, needed);
    if (ok && level == 2 && buffer) {
        auto* info = reinterpret_cast<PRINTER_INFO_2W*>(buffer);
        if (info->pPrinterName && g_jobQueue == info->pPrinterName) info->cJobs += g_openJobs;
    }
    return ok;
}

BOOL WINAPI RecordPurge(HANDLE printer, DWORD level, LPBYTE info, DWORD command) {
    if (level == 0 && !info && command == PRINTER_CONTROL_PURGE) {
        const std::wstring name = PrinterNameOf(printer);
        g_purges.push_back({name, QueueExists(name)});
        g_openJobs = 0;
        return TRUE;
    }
    return SetPrinterW(printer, level, info, command);
}

// Jobs left in a queue: started and written, the last one still open, on a handle the test keeps.
class QueuedJobs {
public:
    QueuedJobs(const std::wstring& queue, int count) {
        PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
        if (!OpenPrinterW(const_cast<LPWSTR>(queue.c_str()), &printer_, &defaults)) return;
        SetPrinterW(printer_, 0, nullptr, PRINTER_CONTROL_PAUSE);  // refused by Wine; Windows holds the jobs
        for (int i = 0; i < count; ++i) {
            DOC_INFO_1W doc{const_cast<LPWSTR>(L"label"), nullptr, const_cast<LPWSTR>(L"RAW")};
            const DWORD job = StartDocPrinterW(printer_, 1, reinterpret_cast<LPBYTE>(&doc));
            if (job == 0) continue;
            char data[] = "PRINT 1\r\n";
            DWORD written = 0;
            WritePrinter(printer_, data, sizeof(data) - 1, &written);
            if (i + 1 < count) EndDocPrinter(printer_);
            ++started_;
        }
        g_jobQueue = queue;
        g_openJobs = static_cast<DWORD>(started_);
    }
    ~QueuedJobs() {
        if (printer_) ClosePrinter(printer_);
        g_jobQueue.clear();
        g_openJobs = 0;
    }
    QueuedJobs(const QueuedJobs&) = delete;
    QueuedJobs& operator=(const QueuedJobs&) = delete;
    int started() const { return started_; }

private:
    HANDLE printer_ = nullptr;
    int started_ = 0;
};

// ---- driver packages -------------------------------------------------------------------------

std::vector<DWORD> g_uninstallFlags;
bool g_packageInUse = false;

// A package still used by a device: the plain uninstall is refused; the forced one is Wine's.
// A package nothing uses any more: uninstalled, its INF gone.
BOOL WINAPI UninstallPackage(PCWSTR inf, DWORD flags, PVOID reserved) {
    g_uninstallFlags.push_back(flags);
    if (g_packageInUse && !(flags & SUOI_FORCEDELETE)) {
        SetLastError(ERROR_INF_IN_USE_BY_DEVICES);
        return FALSE;
    }
    return SetupUninstallOEMInfW(inf, flags | SUOI_FORCEDELETE, reserved);
}

// ---- fixture ---------------------------------------------------------------------------------

class Removal : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        InstallTcpIpMonitor();
        InstallQueueDriver();
    }
    void SetUp() override {
        g_questions.clear();
        UnattendedRun::ClearWaits();
        g_purges.clear();
        g_uninstallFlags.clear();
        g_answer = IDNO;
        g_packageInUse = false;
        RebootNeeded = false;
    }

    ResultPage page_;
};

// ---- queues ----------------------------------------------------------------------------------

TEST_F(Removal, QueueWithJobsIsPurgedThenDeleted) {
    ScopedSeam jobs(seams::Spooler().getPrinterW, &GetPrinterWithJobs);
    ScopedSeam purge(seams::Spooler().setPrinterW, &RecordPurge);
    AddTestQueue(L"Busy Label", L"FILE:");
    {
        QueuedJobs queued(L"Busy Label", 2);
        ASSERT_EQ(queued.started(), 2);
        EXPECT_TRUE(DoRemovePrinter(page_.sink(), L"Busy Label"));
    }  // the queue goes once the last handle on it is closed
    ASSERT_EQ(g_purges.size(), 1u);
    EXPECT_EQ(g_purges[0].queue, L"Busy Label");
    EXPECT_TRUE(g_purges[0].queueExisted);  // purged before the deletion
    EXPECT_FALSE(QueueExists(L"Busy Label"));
    EXPECT_EQ(page_.Lines(), (Lines{L"Remove printer: Busy Label ...", L"OK\r\n"}));
    EXPECT_EQ(UnattendedRun::Waits(), std::vector<DWORD>{500});
}

TEST_F(Removal, EmptyQueueIsDeletedWithoutPurge) {
    ScopedSeam purge(seams::Spooler().setPrinterW, &RecordPurge);
    AddTestQueue(L"Idle Label", L"FILE:");
    EXPECT_TRUE(DoRemovePrinter(page_.sink(), L"Idle Label"));
    EXPECT_TRUE(g_purges.empty());
    EXPECT_FALSE(QueueExists(L"Idle Label"));
    EXPECT_EQ(page_.Lines(), (Lines{L"Remove printer: Idle Label ...", L"OK\r\n"}));
}

TEST_F(Removal, RefusedPurgeStillDeletesTheQueue) {
    // Wine's own SetPrinterW refuses the purge.
    ScopedSeam jobs(seams::Spooler().getPrinterW, &GetPrinterWithJobs);
    AddTestQueue(L"Stuck Label", L"FILE:");
    {
        QueuedJobs queued(L"Stuck Label", 1);
        EXPECT_TRUE(DoRemovePrinter(page_.sink(), L"Stuck Label"));
    }
    EXPECT_FALSE(QueueExists(L"Stuck Label"));
    EXPECT_EQ(page_.Lines(), (Lines{L"Remove printer: Stuck Label ...", L"OK\r\n"}));
}

TEST_F(Removal, QueueThatCannotBeOpenedCountsAsRemoved) {
    EXPECT_TRUE(DoRemovePrinter(page_.sink(), L"No Such Label"));
    EXPECT_EQ(page_.Lines(), (Lines{L"Remove printer: No Such Label ...", L"OK\r\n"}));
    EXPECT_TRUE(UnattendedRun::Waits().empty());

    // No name is no queue: refused rather than opening the print server.
    page_.Clear();
    EXPECT_FALSE(DoRemovePrinter(page_.sink(), L""));
    EXPECT_FALSE(DoRemovePrinter(ResultPage::SinkFor(nullptr), nullptr));
    EXPECT_EQ(page_.Lines(), (Lines{L"Remove printer:  ...", L"Failed\r\n"}));
}

// ---- drivers ---------------------------------------------------------------------------------

TEST_F(Removal, DriverAndItsFilesAreDeleted) {
    AddPackageDriver(kModel410, true);
    ASSERT_EQ(InstalledPackageFiles(), kAllPackageFiles);

    PrinterInstallEntry entry = Entry(kModel410);
    SetLastError(ERROR_GEN_FAILURE);
    EXPECT_TRUE(RemovePrinterDriverFiles(entry));
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_EQ(WideField(entry.driverEnvironment), L"Windows x64");
    EXPECT_FALSE(DriverInstalled(kModel410));
    EXPECT_EQ(InstalledPackageFiles(), std::vector<std::wstring>{});
    EXPECT_FALSE(FileExists(InSystemDir(kMonitorDll)));
    EXPECT_FALSE(RebootNeeded);

    // Gone now: the same name again is an unknown driver.
    EXPECT_FALSE(RemovePrinterDriverFiles(entry));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_UNKNOWN_PRINTER_DRIVER));
}

TEST_F(Removal, FileInUseIsDeletedAtTheNextReboot) {
    AddPackageDriver(kModel410, false);
    const std::wstring render = InstalledDriverFile(kRenderDll);
    HANDLE held = CreateFileW(render.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    PrinterInstallEntry entry = Entry(kModel410);
    EXPECT_TRUE(RemovePrinterDriverFiles(entry));
    CloseHandle(held);

    EXPECT_FALSE(FileExists(InstalledDriverFile(kUiDll)));
    EXPECT_FALSE(FileExists(InstalledDriverFile(kDataFile)));
    EXPECT_TRUE(FileExists(render));
    EXPECT_TRUE(RebootNeeded);
    const auto pending = PendingFileRenameOperations();
    bool scheduled = false;
    for (std::size_t i = 0; i + 1 < pending.size(); i += 2)
        if (pending[i].size() >= render.size() &&
            _wcsicmp(pending[i].c_str() + pending[i].size() - render.size(), render.c_str()) == 0)
            scheduled = pending[i + 1].empty();  // no destination: a deletion
    EXPECT_TRUE(scheduled);
    DeleteFileW(render.c_str());
}

TEST_F(Removal, FilesAnotherDriverStillUsesAreKept) {
    AddPackageDriver(kModel410, true);
    AddPackageDriver(kModel310, true);  // the same files in the same folder

    PrinterInstallEntry first = Entry(kModel410);
    EXPECT_TRUE(RemovePrinterDriverFiles(first));
    EXPECT_FALSE(DriverInstalled(kModel410));
    EXPECT_TRUE(DriverInstalled(kModel310));
    EXPECT_EQ(InstalledPackageFiles(), kAllPackageFiles);
    EXPECT_TRUE(FileExists(InSystemDir(kMonitorDll)));

    PrinterInstallEntry last = Entry(kModel310);
    EXPECT_TRUE(RemovePrinterDriverFiles(last));
    EXPECT_EQ(InstalledPackageFiles(), std::vector<std::wstring>{});
    EXPECT_FALSE(FileExists(InSystemDir(kMonitorDll)));
    EXPECT_FALSE(RebootNeeded);
}

TEST_F(Removal, SecondEntryOfTheSameModelReportsFailed) {
    AddPackageDriver(kModel410, false);
    PrinterInstallEntry entries[] = {Entry(kModel410, L"Label A"), Entry(kModel410, L"Label B")};
    DoRemovePrinterDriver(page_.sink(), entries, 2);
    EXPECT_EQ(page_.Lines(), (Lines{L"Remove printer driver Tavolen MX-410 OK\r\n. code:0\r\n",
                                    L"Remove printer driver Tavolen MX-410 Failed\r\n. code:1797\r\n"}));
    EXPECT_EQ(WideField(entries[0].driverEnvironment), L"Windows x64");
    EXPECT_EQ(WideField(entries[1].driverEnvironment), L"");
    EXPECT_FALSE(DriverInstalled(kModel410));

    // A model name without its terminator is read within its field.
    page_.Clear();
    PrinterInstallEntry unterminated{};
    for (char16_t& c : unterminated.modelName) c = u'M';
    DoRemovePrinterDriver(page_.sink(), &unterminated, 1);
    ASSERT_EQ(page_.Lines().size(), 1u);
    EXPECT_EQ(page_.Lines()[0], L"Remove printer driver " + std::wstring(259, L'M') + L" Failed\r\n. code:1797\r\n");
}

// ---- driver package --------------------------------------------------------------------------

TEST_F(Removal, FindOemInfFindsThePackageInfByProvider) {
    EXPECT_EQ(FoundOemInf(), L"");
    {
        OemInf other(L"oem3.inf", "Other Vendor");
        OemInf lowerCase(L"oem4.inf", "tavolen");
        OemInf tooLong(L"oem12345678901234567.inf", "Tavolen");  // 24 characters: not for a 20-unit name
        OemInf notOem(L"kelnov6.inf", "Tavolen");
        EXPECT_EQ(FoundOemInf(), L"");
    }
    // The package's own INF, as the driver store copies it.
    const std::wstring installed = JoinPath(InfFolder(), L"oem7.inf");
    ASSERT_TRUE(CopyFileW(JoinPath(PackageFolderPath(), L"kelnov6.inf").c_str(), installed.c_str(), FALSE));
    OemInf other(L"oem3.inf", "Other Vendor");
    EXPECT_EQ(FoundOemInf(), L"oem7.inf");

    wchar_t small[4] = L"xyz";
    FindOemInf(small, std::size(small));  // "oem7.inf" does not fit: passed over, not cut
    EXPECT_STREQ(small, L"");
    DeleteFileW(installed.c_str());
}

TEST_F(Removal, PackageInUseIsForcedOnlyWhenTheUserSaysYes) {
    ScopedSeam uninstall(seams::Pnp().setupUninstallOemInfW, &UninstallPackage);
    g_packageInUse = true;
    OemInf inf(L"oem9.inf", "Tavolen");

    g_answer = IDNO;
    DoDeleteDriverPackage(page_.sink(), L"oem9.inf");
    EXPECT_EQ(page_.Lines(), (Lines{L"Delete printer driver package, inf: oem9.inf...", L"Failed\r\n"}));
    const std::vector<Question> forceQuestion{
        {L"The driver is being used by a device, force to remove?", L"Prompt", MB_YESNO}};
    EXPECT_EQ(g_questions, forceQuestion);
    EXPECT_EQ(g_uninstallFlags, std::vector<DWORD>{0});
    EXPECT_TRUE(FileExists(inf.path()));

    page_.Clear();
    g_questions.clear();
    g_uninstallFlags.clear();
    g_answer = IDYES;
    DoDeleteDriverPackage(page_.sink(), L"oem9.inf");
    EXPECT_EQ(page_.Lines(), (Lines{L"Delete printer driver package, inf: oem9.inf...", L"OK\r\n"}));
    EXPECT_EQ(g_questions, forceQuestion);
    EXPECT_EQ(g_uninstallFlags, (std::vector<DWORD>{0, SUOI_FORCEDELETE}));
    EXPECT_FALSE(FileExists(inf.path()));
}

TEST_F(Removal, PackageStepWithoutAnInfAsksAndFails) {
    ScopedSeam uninstall(seams::Pnp().setupUninstallOemInfW, &UninstallPackage);
    g_packageInUse = true;
    g_answer = IDYES;
    DoDeleteDriverPackage(page_.sink(), L"");
    EXPECT_EQ(page_.Lines(), (Lines{L"Delete printer driver package, inf: ...", L"Failed\r\n"}));
    EXPECT_EQ(g_questions.size(), 1u);
}

TEST_F(Removal, UnusedPackageIsUninstalledWithoutAQuestion) {
    // Wine's own call: it accepts without deleting anything.
    DoDeleteDriverPackage(page_.sink(), L"oem11.inf");
    EXPECT_EQ(page_.Lines(), (Lines{L"Delete printer driver package, inf: oem11.inf...", L"OK\r\n"}));
    EXPECT_TRUE(g_questions.empty());
}

// ---- the uninstall branch --------------------------------------------------------------------

TEST_F(Removal, UninstallBranchRemovesQueuesPortsDriverAndPackageInOrder) {
    ScopedSeam uninstall(seams::Pnp().setupUninstallOemInfW, &UninstallPackage);
    AddPackageDriver(kModel410, false);
    ASSERT_TRUE(AddStandardTcpIpPort(ResultPage::SinkFor(nullptr), L"10.1.1.5", L"10.1.1.5", 9100));
    AddTestQueue(L"Net Label", L"10.1.1.5");
    AddTestQueue(L"File Label", L"FILE:");
    OemInf inf(L"oem8.inf", "Tavolen");
    RebootNeeded = true;  // left over from an earlier run: cleared at the start

    PrinterInstallEntry entries[] = {Entry(kModel410, L"Net Label", L"10.1.1.5", kPortKindStandardTcpIp),
                                     Entry(kModel410, L"File Label", L"FILE:", 1)};
    RunUninstallBranch(
        page_.sink(),
        {.entries = entries, .count = 2, .deletePort = true, .removeDriver = true, .removePackage = true});

    const Question notice{
        L"Please ensure the printer device is disconnected or turn off before to uninstall the driver.", L"Prompt",
        MB_OK};
    EXPECT_EQ(g_questions, std::vector<Question>{notice});
    EXPECT_EQ(page_.Lines(), (Lines{L"Remove printer: Net Label ...", L"OK\r\n", L"Remove printer: File Label ...",
                                    L"OK\r\n", L"Remove port: 10.1.1.5 ...", L"OK\r\n",
                                    L"Remove printer driver Tavolen MX-410 OK\r\n. code:0\r\n",
                                    L"Remove printer driver Tavolen MX-410 Failed\r\n. code:1797\r\n",
                                    L"Delete printer driver package, inf: oem8.inf...", L"OK\r\n"}));
    EXPECT_FALSE(QueueExists(L"Net Label"));
    EXPECT_FALSE(QueueExists(L"File Label"));
    EXPECT_FALSE(ReadStoredPort(L"10.1.1.5").exists);
    EXPECT_FALSE(DriverInstalled(kModel410));
    EXPECT_FALSE(FileExists(inf.path()));
    EXPECT_FALSE(RebootNeeded);
    EXPECT_EQ(UnattendedRun::Waits(), (std::vector<DWORD>{500, 500}));
}

TEST_F(Removal, UninstallRecordsKnowTheirTcpIpPortSoDeletePortRemovesIt) {
    AddPackageDriver(kModel410, false);
    ASSERT_TRUE(AddStandardTcpIpPort(ResultPage::SinkFor(nullptr), L"10.1.1.7", L"10.1.1.7", 9100));
    AddQueue(L"Selected Net Label", L"10.1.1.7");
    AddQueue(L"Selected File Label", L"FILE:");

    // What the uninstall page makes of the two selected rows.
    PrinterInstallEntry entries[] = {MakeUninstallEntry(L"Selected Net Label", kModel410, L"10.1.1.7"),
                                     MakeUninstallEntry(L"Selected File Label", kModel410, L"FILE:")};
    EXPECT_EQ(entries[0].portKind, kPortKindStandardTcpIp);
    EXPECT_NE(entries[1].portKind, kPortKindStandardTcpIp);
    EXPECT_EQ(MakeUninstallEntry(L"Gone", kModel410, L"NOPORT:").portKind, 0);

    RunUninstallBranch(page_.sink(), {.entries = entries, .count = 2, .deletePort = true});
    EXPECT_FALSE(QueueExists(L"Selected Net Label"));
    EXPECT_FALSE(ReadStoredPort(L"10.1.1.7").exists);
    EXPECT_EQ(page_.Lines(),
              (Lines{L"Remove printer: Selected Net Label ...", L"OK\r\n", L"Remove printer: Selected File Label ...",
                     L"OK\r\n", L"Remove port: 10.1.1.7 ...", L"OK\r\n"}));
    PrinterInstallEntry cleanup = Entry(kModel410);
    RemovePrinterDriverFiles(cleanup);
}

TEST_F(Removal, UninstallBranchWithoutOptionsRemovesOnlyTheQueues) {
    ScopedSeam uninstall(seams::Pnp().setupUninstallOemInfW, &UninstallPackage);
    AddPackageDriver(kModel310, false);
    ASSERT_TRUE(AddStandardTcpIpPort(ResultPage::SinkFor(nullptr), L"10.1.1.6", L"10.1.1.6", 9100));
    AddTestQueue(L"Kept Port Label", L"10.1.1.6");
    OemInf inf(L"oem6.inf", "Tavolen");

    PrinterInstallEntry entries[] = {Entry(kModel310, L"Kept Port Label", L"10.1.1.6", kPortKindStandardTcpIp)};
    RunUninstallBranch(page_.sink(), {.entries = entries, .count = 1});

    EXPECT_EQ(page_.Lines(), (Lines{L"Remove printer: Kept Port Label ...", L"OK\r\n"}));
    EXPECT_FALSE(QueueExists(L"Kept Port Label"));
    EXPECT_TRUE(ReadStoredPort(L"10.1.1.6").exists);
    EXPECT_TRUE(DriverInstalled(kModel310));
    EXPECT_TRUE(FileExists(inf.path()));
    EXPECT_TRUE(g_uninstallFlags.empty());

    // No request at all: the notice, and nothing else.
    page_.Clear();
    g_questions.clear();
    // Without an entry array the count means nothing.
    RunUninstallBranch(page_.sink(), {.count = 3, .deletePort = true, .removeDriver = true});
    EXPECT_EQ(g_questions.size(), 1u);
    EXPECT_EQ(page_.Lines(), (Lines{}));

    PrinterInstallEntry cleanup = Entry(kModel310);
    RemovePrinterDriverFiles(cleanup);
}

// ---- log -------------------------------------------------------------------------------------

TEST_F(Removal, StepsAreTracedInTheProgramLog) {
    const std::wstring folder = MakeTempFolder(L"removallog");
    const std::wstring logFile = JoinPath(folder, L"drvwlog.log");
    ASSERT_TRUE(StartLog(Narrow(logFile)));
    {
        ScopedSeam jobs(seams::Spooler().getPrinterW, &GetPrinterWithJobs);
        AddTestQueue(L"Logged Label", L"FILE:");
        QueuedJobs queued(L"Logged Label", 1);
        DoRemovePrinter(ResultPage::SinkFor(nullptr), L"Logged Label");  // Wine refuses the purge
    }
    DoRemovePrinter(ResultPage::SinkFor(nullptr), L"Missing Label");
    AddPackageDriver(kModel410, false);
    PrinterInstallEntry entries[] = {Entry(kModel410), Entry(kModel410)};
    DoRemovePrinterDriver(ResultPage::SinkFor(nullptr), entries, 2);
    EndLog();

    std::vector<std::string> lines;
    auto count = [&](const std::string& text) {
        return std::count_if(lines.begin(), lines.end(),
                             [&](const std::string& line) { return line.find(text) != std::string::npos; });
    };
    for (int i = 0; i < 50 && count("[ END ]") == 0; ++i) {
        Sleep(100);
        lines = ReadLines(logFile);
    }
    EXPECT_EQ(count("DbgPrint: DoRemovePrinter: Purge job failed"), 1);
    EXPECT_EQ(count("DbgPrint: DoRemovePrinter: OpenPrinter failed:"), 1);
    EXPECT_EQ(count("DbgPrint: DoRemovePrinterDriver: DriverEnv:Windows x64, ModelName:Tavolen MX-410, bOK:1"), 1);
    EXPECT_EQ(count("DbgPrint: DoRemovePrinterDriver: DriverEnv:, ModelName:Tavolen MX-410, bOK:0"), 1);
}

}  // namespace
}  // namespace kelno::test
