// Staging of the driver files against Wine's spooler driver directory and system directory,
// from the package folder the prefix holds ("C:\Program Files (x86)\Tavolen printer driver for
// windows"). The processor architecture and the engine's waits are redirected through the
// engine's seams where a test needs another machine or wants to count the waits.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "engine/install_state.h"
#include "common/win/log.h"
#include "common/win/seams.h"
#include "engine/win/staging.h"
#include "engine/win/system_paths.h"
#include "tests/support/recorded_waits.h"
#include "tests/support/spooler.h"
#include "tests/support/wine_test_support.h"

namespace kelno::test {
namespace {

// ---- machine seams ---------------------------------------------------------------------------

WORD g_architecture = PROCESSOR_ARCHITECTURE_AMD64;

void WINAPI FakeNativeSystemInfo(LPSYSTEM_INFO info) {
    ZeroMemory(info, sizeof(*info));
    info->wProcessorArchitecture = g_architecture;
}

// Makes the engine see another processor for the lifetime of the object.
class ArchitectureOverride {
public:
    explicit ArchitectureOverride(WORD architecture)
        : seam_(seams::System().getNativeSystemInfo, &FakeNativeSystemInfo) {
        g_architecture = architecture;
    }

private:
    ScopedSeam<decltype(SystemSeams::getNativeSystemInfo)> seam_;
};

// Records every wait of the engine; the waits take place only when asked for.
class SleepRecorder {
public:
    explicit SleepRecorder(bool sleepForReal) : waits_(sleepForReal ? INFINITE : 0) {}
    std::vector<DWORD> Sleeps() const { return waits_.Events(); }
    RecordedWaits& waits() { return waits_; }

private:
    RecordedWaits waits_;
    ScopedSeam<decltype(TimeSeams::sleep)> seam_{seams::Time().sleep, &RecordedWaits::Wait};
};

// ---- files -----------------------------------------------------------------------------------

std::wstring InDriverDir(const wchar_t* file) { return JoinPath(DriverDirectory(), file); }
std::wstring InSystemDir(const wchar_t* file) { return JoinPath(SystemDirectory(), file); }
std::wstring InPackage(const std::wstring& relative) { return JoinPath(PackageFolderPath(), relative); }

void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(JoinPath(folder, L"*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = JoinPath(folder, name);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(path);
            else DeleteFileW(path.c_str());
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
}

// A folder that the test fills and that is removed again afterwards.
class ScratchFolder {
public:
    explicit ScratchFolder(std::wstring path) : path_(std::move(path)) {
        RemoveTree(path_);
        CreateFolders(path_);
    }
    ~ScratchFolder() { RemoveTree(path_); }
    const std::wstring& Path() const { return path_; }
    std::wstring File(const std::wstring& relative) const { return JoinPath(path_, relative); }
    static void CreateFolders(const std::wstring& path) {
        for (size_t i = 3; i <= path.size(); ++i)
            if (i == path.size() || path[i] == L'\\') CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
    }

private:
    std::wstring path_;
};

// Keeps a file's content (or its absence) and puts it back when the test ends.
class FileRestore {
public:
    explicit FileRestore(std::wstring path) : path_(std::move(path)), existed_(FileExists(path_)) {
        if (existed_) bytes_ = ReadFileBytes(path_);
    }
    ~FileRestore() {
        if (existed_) WriteFileBytes(path_, bytes_);
        else DeleteFileW(path_.c_str());
    }

private:
    std::wstring path_;
    bool existed_;
    std::string bytes_;
};

// An open handle that shares nothing: the file can be neither read, written nor deleted.
class ExclusiveHandle {
public:
    explicit ExclusiveHandle(const std::wstring& path)
        : handle_(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {}
    ~ExclusiveHandle() { Close(); }
    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    void Close() {
        if (IsOpen()) CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE handle_;
};

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool SameBytes(const std::wstring& a, const std::wstring& b) {
    return FileExists(a) && FileExists(b) && ReadFileBytes(a) == ReadFileBytes(b);
}

int CountContaining(const std::vector<std::string>& lines, const std::string& text) {
    int n = 0;
    for (const auto& line : lines)
        if (line.find(text) != std::string::npos) ++n;
    return n;
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The queued boot-time renames of the source file (NT paths, compared without case); each
// entry is the pair's destination.
std::vector<std::string> PendingRenamesOf(const std::wstring& source) {
    std::vector<std::string> destinations;
    const auto pending = PendingFileRenameOperations();
    const std::string from = Lower(Narrow(source));
    for (size_t i = 0; i + 1 < pending.size(); i += 2)
        if (EndsWith(Lower(Narrow(pending[i])), from)) destinations.push_back(Lower(Narrow(pending[i + 1])));
    return destinations;
}

const wchar_t* const kDriverFiles[] = {kRenderDll, kUiDll, kDataFile, kMonitorDll};

// Every test starts from the wizard's package folder, no install result, and none of the
// driver files in the driver directory or the monitor in the system directory.
class Staging : public ::testing::Test {
protected:
    void SetUp() override {
        InitWizardPackageFolder();
        ASSERT_EQ(std::wstring(PackageFolder()), PackageFolderPath());
        ResetInstallResult();
        ASSERT_FALSE(DriverDirectory().empty());
        for (const wchar_t* file : kDriverFiles) DeleteFileW(InDriverDir(file).c_str());
        DeleteFileW(InSystemDir(kMonitorDll).c_str());
    }
    void TearDown() override {
        for (const wchar_t* file : kDriverFiles) DeleteFileW(InDriverDir(file).c_str());
        DeleteFileW(InSystemDir(kMonitorDll).c_str());
    }
};

// ---- driver environment ----------------------------------------------------------------------

TEST(DriverEnvironment, NamesTheFourArchitecturesAndNothingElse) {
    EXPECT_EQ(GetDriverEnvironment(), L"amd64");  // wine64, unredirected
    const struct {
        WORD architecture;
        const wchar_t* environment;
    } cases[] = {
        {PROCESSOR_ARCHITECTURE_INTEL, L"i386"},
        {PROCESSOR_ARCHITECTURE_ARM, L"arm"},
        {PROCESSOR_ARCHITECTURE_AMD64, L"amd64"},
        {12 /* ARM64 */, L"arm64"},
        {PROCESSOR_ARCHITECTURE_IA64, L""},
        {PROCESSOR_ARCHITECTURE_UNKNOWN, L""},
        {13, L""},
    };
    for (const auto& c : cases) {
        ArchitectureOverride arch(c.architecture);
        EXPECT_EQ(GetDriverEnvironment(), c.environment) << "architecture " << c.architecture;
    }
    EXPECT_EQ(GetDriverEnvironment(), L"amd64");  // the seam is restored
}

// ---- fresh install ---------------------------------------------------------------------------

TEST_F(Staging, FreshInstallPutsThePackageFilesIntoTheDriverDirectory) {
    // A stale file from an earlier install is replaced.
    ASSERT_TRUE(WriteFileBytes(InDriverDir(kRenderDll), "stale render dll"));

    EXPECT_TRUE(StageDriverFiles(false));
    EXPECT_EQ(LastInstallError.load(), 0);
    EXPECT_TRUE(SameBytes(InDriverDir(kRenderDll), InPackage(L"amd64\\kelnodrv6.dll")));
    EXPECT_TRUE(SameBytes(InDriverDir(kUiDll), InPackage(L"amd64\\kelnodrv6ui.dll")));
    EXPECT_TRUE(SameBytes(InDriverDir(kDataFile), InPackage(L"dat\\kelnodrv6.dat")));
    EXPECT_FALSE(FileExists(InDriverDir(kMonitorDll)));
    // The package keeps its files.
    EXPECT_TRUE(FileExists(InPackage(L"amd64\\kelnodrv6.dll")));
}

TEST_F(Staging, SourcesFollowTheProcessorArchitecture) {
    ScratchFolder arm64(InPackage(L"arm64"));
    for (const wchar_t* file : {kRenderDll, kUiDll, kMonitorDll})
        ASSERT_TRUE(WriteFileBytes(arm64.File(file), "arm64 build of " + Narrow(file)));

    {
        ArchitectureOverride arch(12);  // ARM64
        EXPECT_TRUE(StageDriverFiles(true));
    }
    for (const wchar_t* file : {kRenderDll, kUiDll, kMonitorDll})
        EXPECT_EQ(ReadFileBytes(InDriverDir(file)), "arm64 build of " + Narrow(file)) << Narrow(file);
    EXPECT_EQ(ReadFileBytes(InSystemDir(kMonitorDll)), "arm64 build of kelnomon.dll");
    // The data file has no per-architecture build.
    EXPECT_TRUE(SameBytes(InDriverDir(kDataFile), InPackage(L"dat\\kelnodrv6.dat")));

    {
        ArchitectureOverride arch(PROCESSOR_ARCHITECTURE_AMD64);
        EXPECT_TRUE(StageDriverFiles(true));
    }
    for (const wchar_t* file : {kRenderDll, kUiDll, kMonitorDll})
        EXPECT_TRUE(SameBytes(InDriverDir(file), InPackage(std::wstring(L"amd64\\") + file))) << Narrow(file);
}

TEST_F(Staging, MissingDataFileGives2003WhileTheOtherCopiesStillRun) {
    const std::wstring dat = InPackage(L"dat\\kelnodrv6.dat");
    FileRestore restore(dat);
    ASSERT_TRUE(DeleteFileW(dat.c_str()));

    EXPECT_FALSE(StageDriverFiles(true));
    EXPECT_EQ(LastInstallError.load(), kErrorCopyDataFile);
    EXPECT_EQ(LastInstallSystemError.load(), 0u);
    EXPECT_TRUE(SameBytes(InDriverDir(kRenderDll), InPackage(L"amd64\\kelnodrv6.dll")));
    EXPECT_TRUE(SameBytes(InDriverDir(kUiDll), InPackage(L"amd64\\kelnodrv6ui.dll")));
    EXPECT_TRUE(SameBytes(InDriverDir(kMonitorDll), InPackage(L"amd64\\kelnomon.dll")));
    EXPECT_FALSE(FileExists(InDriverDir(kDataFile)));
}

TEST_F(Staging, TheLastFailingCopyDecidesTheCode) {
    // An ARM64 folder holding only the render DLL: the UI DLL and the monitor fail.
    ScratchFolder arm64(InPackage(L"arm64"));
    ASSERT_TRUE(WriteFileBytes(arm64.File(kRenderDll), "arm64 render"));
    ArchitectureOverride arch(12);

    EXPECT_FALSE(StageDriverFiles(true));
    EXPECT_EQ(LastInstallError.load(), kErrorCopyMonitor);
    EXPECT_EQ(LastInstallSystemError.load(), 0u);
    EXPECT_EQ(ReadFileBytes(InDriverDir(kRenderDll)), "arm64 render");
    EXPECT_TRUE(FileExists(InDriverDir(kDataFile)));

    ResetInstallResult();
    EXPECT_FALSE(StageDriverFiles(false));
    EXPECT_EQ(LastInstallError.load(), kErrorCopyUiDll);
}

TEST_F(Staging, ModelWithoutTheMonitorNeverTouchesIt) {
    // Copies that belong to something else must survive: neither deleted nor overwritten.
    ASSERT_TRUE(WriteFileBytes(InDriverDir(kMonitorDll), "driver directory monitor"));
    ASSERT_TRUE(WriteFileBytes(InSystemDir(kMonitorDll), "system directory monitor"));

    EXPECT_TRUE(StageDriverFiles(false));
    EXPECT_EQ(ReadFileBytes(InDriverDir(kMonitorDll)), "driver directory monitor");
    EXPECT_EQ(ReadFileBytes(InSystemDir(kMonitorDll)), "system directory monitor");
}

TEST_F(Staging, MonitorAlsoLandsInTheSystemDirectory) {
    ASSERT_TRUE(WriteFileBytes(InSystemDir(kMonitorDll), "old system monitor"));
    EXPECT_TRUE(StageDriverFiles(true));
    EXPECT_EQ(LastInstallError.load(), 0);
    EXPECT_TRUE(SameBytes(InDriverDir(kMonitorDll), InPackage(L"amd64\\kelnomon.dll")));
    EXPECT_TRUE(SameBytes(InSystemDir(kMonitorDll), InPackage(L"amd64\\kelnomon.dll")));
}

TEST_F(Staging, UnsupportedArchitectureTouchesNoPerArchitectureFile) {
    ASSERT_TRUE(WriteFileBytes(InDriverDir(kRenderDll), "installed render dll"));
    ArchitectureOverride arch(PROCESSOR_ARCHITECTURE_IA64);

    EXPECT_FALSE(CopyDriverFile(kRenderDll));
    EXPECT_FALSE(CopyDriverFile(kMonitorDll));
    EXPECT_EQ(ReadFileBytes(InDriverDir(kRenderDll)), "installed render dll");
    EXPECT_FALSE(FileExists(InDriverDir(kMonitorDll)));
    EXPECT_FALSE(FileExists(InSystemDir(kMonitorDll)));

    EXPECT_FALSE(StageDriverFiles(true));
    EXPECT_EQ(LastInstallError.load(), kErrorCopyMonitor);
    EXPECT_EQ(ReadFileBytes(InDriverDir(kRenderDll)), "installed render dll");
}

TEST_F(Staging, OverLongPathsFailWithoutTouchingAnyFile) {
    const std::wstring longName(300, L'x');
    EXPECT_FALSE(CopyDriverFile(longName.c_str()));
    EXPECT_FALSE(CopyDriverFile(std::wstring(250, L'y').c_str()));  // fits alone, not joined
    EXPECT_FALSE(CopyDriverFile(nullptr));
    EXPECT_FALSE(CopyDriverFile(L""));
    EXPECT_FALSE(StageUpgradeDriverFile(longName.c_str()));
    EXPECT_FALSE(StageUpgradeDataFile(std::wstring(250, L'z').c_str()));
    EXPECT_FALSE(StageUpgradeDriverFile(nullptr));
    EXPECT_FALSE(ReplaceFileOrDefer(nullptr, InDriverDir(kUiDll).c_str(), false));

    const std::wstring longFolder = L"C:\\" + std::wstring(250, L'p');
    {
        SleepRecorder sleeps(false);
        EXPECT_FALSE(RefreshInstalledDriverFiles(longFolder.c_str(), L"amd64"));
        EXPECT_FALSE(RefreshInstalledDriverFiles(nullptr, L"amd64"));
        EXPECT_FALSE(RefreshInstalledDriverFiles(PackageFolder(), nullptr));
        EXPECT_FALSE(RefreshInstalledDriverFiles(PackageFolder(), L""));
    }

    SetPackageFolder(longFolder.c_str());
    EXPECT_FALSE(CopyDriverDataFile());
    EXPECT_FALSE(StageDriverFiles(false));
    EXPECT_EQ(LastInstallError.load(), kErrorCopyDataFile);
    InitWizardPackageFolder();

    for (const wchar_t* file : kDriverFiles) EXPECT_FALSE(FileExists(InDriverDir(file))) << Narrow(file);
}

TEST_F(Staging, CopiesAreTracedInTheProgramLog) {
    const std::wstring folder = MakeTempFolder(L"stagelog");
    const std::wstring logFile = JoinPath(folder, L"drvwlog.log");
    ASSERT_TRUE(StartLog(Narrow(logFile)));
    EXPECT_TRUE(StageDriverFiles(true));  // nothing in the driver directory yet: the removals fail
    {
        const std::wstring dat = InPackage(L"dat\\kelnodrv6.dat");
        FileRestore restore(dat);
        DeleteFileW(dat.c_str());
        EXPECT_FALSE(CopyDriverDataFile());
    }
    EXPECT_TRUE(CopyDriverFile(kUiDll));  // now the removal succeeds
    EndLog();

    std::vector<std::string> lines;
    for (int i = 0; i < 50; ++i) {
        lines = ReadLines(logFile);
        if (CountContaining(lines, "[ END ]") > 0) break;
        Sleep(100);
    }
    ASSERT_EQ(CountContaining(lines, "[ END ]"), 1);

    const std::string driverDir = Narrow(DriverDirectory());
    const std::string pkg = Narrow(PackageFolderPath());
    for (const char* file : {"kelnodrv6.dll", "kelnodrv6ui.dll", "kelnomon.dll"}) {
        const std::string destination = driverDir + "\\" + file;
        const std::string source = pkg + "\\amd64\\" + file;
        EXPECT_EQ(CountContaining(lines, "DbgPrint: Remove file:" + destination + ", 0, errcode:2."), 1) << file;
        EXPECT_EQ(CountContaining(lines, "DbgPrint: CopyFile file:" + source + " to " + destination + ", 1, errcode:"),
                  std::string(file) == "kelnodrv6ui.dll" ? 2 : 1)
            << file;
    }
    EXPECT_EQ(CountContaining(lines, "DbgPrint: Remove file:" + driverDir + "\\kelnodrv6ui.dll, 1, errcode:"), 1);

    const std::string datSource = pkg + "\\dat\\kelnodrv6.dat";
    const std::string datDestination = driverDir + "\\kelnodrv6.dat";
    EXPECT_EQ(
        CountContaining(lines, "DbgPrint: CopyFile file:" + datSource + " to " + datDestination + ", 1, errcode:"), 1);
    EXPECT_EQ(
        CountContaining(lines, "DbgPrint: CopyFile file:" + datSource + " to " + datDestination + ", 0, errcode:2."),
        1);
    // The data file's removal is not traced; the monitor's system copy is not traced either.
    EXPECT_EQ(CountContaining(lines, "Remove file:" + datDestination), 0);
    EXPECT_EQ(CountContaining(lines, "DbgPrint: "), 10);
}

// ---- system copy of the monitor ---------------------------------------------------------------

TEST_F(Staging, DeleteSystemMonitorCopy) {
    EXPECT_TRUE(DeleteSystemMonitorCopy());  // never there

    ASSERT_TRUE(WriteFileBytes(InSystemDir(kMonitorDll), "monitor"));
    EXPECT_TRUE(DeleteSystemMonitorCopy());
    EXPECT_FALSE(FileExists(InSystemDir(kMonitorDll)));

    // Held by someone (the spooler, on Windows): it stays and the call says so.
    ASSERT_TRUE(WriteFileBytes(InSystemDir(kMonitorDll), "monitor in use"));
    {
        ExclusiveHandle held(InSystemDir(kMonitorDll));
        ASSERT_TRUE(held.IsOpen());
        EXPECT_FALSE(DeleteSystemMonitorCopy());
    }
    EXPECT_EQ(ReadFileBytes(InSystemDir(kMonitorDll)), "monitor in use");
    EXPECT_TRUE(DeleteSystemMonitorCopy());
}

// ---- copy with retries -----------------------------------------------------------------------

TEST(CopyFileWithRetry, MissingSourceMakesThreeAttemptsOverTwoSeconds) {
    const std::wstring folder = MakeTempFolder(L"retry");
    const std::wstring source = JoinPath(folder, L"absent.dll");
    const std::wstring destination = JoinPath(folder, L"copy.dll");
    DebugOutputCapture capture;
    SleepRecorder sleeps(true);

    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(CopyFileWithRetry(source.c_str(), destination.c_str()));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    capture.Settle();

    EXPECT_EQ(sleeps.Sleeps(), (std::vector<DWORD>{1000, 1000}));
    EXPECT_GE(elapsed, std::chrono::milliseconds(1900));
    EXPECT_LT(elapsed, std::chrono::milliseconds(5000));
    const auto attempts = capture.MessagesContaining(L"Copy attempt ");
    ASSERT_EQ(attempts.size(), 2u);
    for (int n = 1; n <= 2; ++n)
        EXPECT_EQ(attempts[n - 1], L"Copy attempt " + std::to_wstring(n) + L" failed: " + source + L" to " +
                                       destination + L", error: 0x2");
    EXPECT_TRUE(capture.MessagesContaining(L"Successfully copied").empty());
    EXPECT_FALSE(FileExists(destination));
}

TEST(CopyFileWithRetry, RetriesUntilTheSourceCanBeRead) {
    const std::wstring folder = MakeTempFolder(L"retry");
    const std::wstring source = JoinPath(folder, L"busy.dll");
    const std::wstring destination = JoinPath(folder, L"copy.dll");
    ASSERT_TRUE(WriteFileBytes(source, "busy for one attempt"));
    DebugOutputCapture capture;
    SleepRecorder sleeps(false);
    ExclusiveHandle held(source);
    ASSERT_TRUE(held.IsOpen());
    sleeps.waits().OnWait([&held] { held.Close(); });

    EXPECT_TRUE(CopyFileWithRetry(source.c_str(), destination.c_str()));
    capture.Settle();
    EXPECT_EQ(sleeps.Sleeps().size(), 1u);
    EXPECT_EQ(ReadFileBytes(destination), "busy for one attempt");
    const auto attempts = capture.MessagesContaining(L"Copy attempt ");
    ASSERT_EQ(attempts.size(), 1u);
    EXPECT_EQ(attempts[0].rfind(L"Copy attempt 1 failed: " + source + L" to " + destination + L", error: 0x", 0), 0u);
    EXPECT_EQ(capture.MessagesContaining(L"Successfully copied: " + source + L" to " + destination).size(), 1u);
}

// ---- upgrade refresh -------------------------------------------------------------------------

class UpgradeRefresh : public Staging {
protected:
    void SetUp() override {
        Staging::SetUp();
        ScratchFolder::CreateFolders(JoinPath(DriverDirectory(), L"3"));
        for (const wchar_t* file : kDriverFiles) DeleteFileW(InstalledFile(file).c_str());
    }
    void TearDown() override {
        for (const wchar_t* file : kDriverFiles) DeleteFileW(InstalledFile(file).c_str());
        Staging::TearDown();
    }
    static std::wstring InstalledFile(const wchar_t* file) { return JoinPath(JoinPath(DriverDirectory(), L"3"), file); }
};

TEST_F(UpgradeRefresh, OverwritesTheInstalledFilesAndTheSystemMonitor) {
    for (const wchar_t* file : kDriverFiles) ASSERT_TRUE(WriteFileBytes(InstalledFile(file), "old version"));
    ASSERT_TRUE(WriteFileBytes(InSystemDir(kMonitorDll), "old version"));
    SleepRecorder sleeps(false);

    EXPECT_TRUE(RefreshInstalledDriverFiles(PackageFolder(), L"amd64"));
    EXPECT_TRUE(sleeps.Sleeps().empty());
    EXPECT_TRUE(SameBytes(InstalledFile(kRenderDll), InPackage(L"amd64\\kelnodrv6.dll")));
    EXPECT_TRUE(SameBytes(InstalledFile(kUiDll), InPackage(L"amd64\\kelnodrv6ui.dll")));
    EXPECT_TRUE(SameBytes(InstalledFile(kMonitorDll), InPackage(L"amd64\\kelnomon.dll")));
    EXPECT_TRUE(SameBytes(InstalledFile(kDataFile), InPackage(L"dat\\kelnodrv6.dat")));
    EXPECT_TRUE(SameBytes(InSystemDir(kMonitorDll), InPackage(L"amd64\\kelnomon.dll")));
    // The root of the driver directory is the fresh install's, not the refresh's.
    for (const wchar_t* file : kDriverFiles) EXPECT_FALSE(FileExists(InDriverDir(file))) << Narrow(file);
}

TEST_F(UpgradeRefresh, EveryCopyRunsAndAnyFailureMakesItFalse) {
    // An ARM64 folder without the UI DLL and the monitor: three of the five copies fail.
    ScratchFolder arm64(InPackage(L"arm64"));
    ASSERT_TRUE(WriteFileBytes(arm64.File(kRenderDll), "arm64 render"));
    for (const wchar_t* file : kDriverFiles) ASSERT_TRUE(WriteFileBytes(InstalledFile(file), "old version"));
    SleepRecorder sleeps(false);

    EXPECT_FALSE(RefreshInstalledDriverFiles(PackageFolder(), L"arm64"));
    EXPECT_EQ(sleeps.Sleeps(), (std::vector<DWORD>(6, 1000)));  // two waits per failing copy
    EXPECT_EQ(ReadFileBytes(InstalledFile(kRenderDll)), "arm64 render");
    EXPECT_TRUE(SameBytes(InstalledFile(kDataFile), InPackage(L"dat\\kelnodrv6.dat")));
    EXPECT_EQ(ReadFileBytes(InstalledFile(kUiDll)), "old version");
    EXPECT_EQ(ReadFileBytes(InstalledFile(kMonitorDll)), "old version");
    EXPECT_FALSE(FileExists(InSystemDir(kMonitorDll)));
}

// ---- upgrade re-add staging ------------------------------------------------------------------

class UpgradeStaging : public Staging {
protected:
    UpgradeStaging() : source_(kUpgradeSourceFolder) {}
    void SetUp() override {
        Staging::SetUp();
        ScratchFolder::CreateFolders(source_.File(L"amd64"));
        ScratchFolder::CreateFolders(source_.File(L"dat"));
        for (const wchar_t* file : {kRenderDll, kUiDll, kMonitorDll})
            ASSERT_TRUE(WriteFileBytes(Source(std::wstring(L"amd64\\") + file), "upgrade " + Narrow(file)));
        ASSERT_TRUE(WriteFileBytes(Source(L"dat\\kelnodrv6.dat"), "upgrade data file"));
    }
    std::wstring Source(const std::wstring& relative) const { return source_.File(relative); }

    ScratchFolder source_;
};

TEST_F(UpgradeStaging, StagesFromTheUpgradeSourceFolder) {
    ASSERT_EQ(source_.Path(), L"C:\\Program Files (x86)\\Quillon Windows Driver for VWB");
    ASSERT_TRUE(WriteFileBytes(InDriverDir(kRenderDll), "previous render dll"));

    EXPECT_TRUE(StageUpgradeDriverFile(kRenderDll));
    EXPECT_TRUE(StageUpgradeDriverFile(kUiDll));
    EXPECT_TRUE(StageUpgradeDataFile(kDataFile));
    EXPECT_EQ(ReadFileBytes(InDriverDir(kRenderDll)), "upgrade kelnodrv6.dll");
    EXPECT_EQ(ReadFileBytes(InDriverDir(kUiDll)), "upgrade kelnodrv6ui.dll");
    EXPECT_EQ(ReadFileBytes(InDriverDir(kDataFile)), "upgrade data file");
    // The sources stay where they are.
    EXPECT_TRUE(FileExists(Source(L"amd64\\kelnodrv6.dll")));
    EXPECT_TRUE(FileExists(Source(L"dat\\kelnodrv6.dat")));
}

DWORD SpoolerState() {
    DWORD state = 0;
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager) return state;
    if (SC_HANDLE service = OpenServiceW(manager, L"Spooler", SERVICE_QUERY_STATUS)) {
        SERVICE_STATUS status{};
        if (QueryServiceStatus(service, &status)) state = status.dwCurrentState;
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return state;
}

TEST_F(UpgradeStaging, MonitorIsAlsoCopiedToTheSystemDirectoryWithTheSpoolerStopped) {
    SleepRecorder sleeps(true);
    EXPECT_TRUE(StageUpgradeDriverFile(kMonitorDll));
    EXPECT_EQ(ReadFileBytes(InDriverDir(kMonitorDll)), "upgrade kelnomon.dll");
    EXPECT_EQ(ReadFileBytes(InSystemDir(kMonitorDll)), "upgrade kelnomon.dll");
    EXPECT_EQ(sleeps.waits().Count(200u), 1u);
    EXPECT_EQ(SpoolerState(), static_cast<DWORD>(SERVICE_RUNNING));

    // Only the exact name is the monitor.
    ASSERT_TRUE(WriteFileBytes(Source(L"amd64\\KELNOMON.DLL"), "upgrade KELNOMON.DLL"));
    DeleteFileW(InSystemDir(kMonitorDll).c_str());
    EXPECT_TRUE(StageUpgradeDriverFile(L"KELNOMON.DLL"));
    EXPECT_FALSE(FileExists(InSystemDir(kMonitorDll)));
}

TEST_F(UpgradeStaging, MissingSourceFailsWithItsPaths) {
    DeleteFileW(Source(L"amd64\\kelnodrv6ui.dll").c_str());
    DeleteFileW(Source(L"dat\\kelnodrv6.dat").c_str());
    DebugOutputCapture capture;

    EXPECT_FALSE(StageUpgradeDriverFile(kUiDll));
    EXPECT_FALSE(StageUpgradeDataFile(kDataFile));
    capture.Settle();
    EXPECT_EQ(capture
                  .MessagesContaining(L"Failed to copy driver file from " + Source(L"amd64\\kelnodrv6ui.dll") +
                                      L" to " + InDriverDir(kUiDll))
                  .size(),
              1u);
    EXPECT_EQ(capture
                  .MessagesContaining(L"Failed to copy driver data file from " + Source(L"dat\\kelnodrv6.dat") +
                                      L" to " + InDriverDir(kDataFile))
                  .size(),
              1u);
    EXPECT_FALSE(FileExists(InDriverDir(kUiDll)));
    // Nothing is queued for the next boot in place of the missing sources.
    EXPECT_TRUE(PendingRenamesOf(Source(L"amd64\\kelnodrv6ui.dll")).empty());
    EXPECT_TRUE(PendingRenamesOf(Source(L"dat\\kelnodrv6.dat")).empty());
}

TEST_F(UpgradeStaging, UnsupportedArchitectureIsReportedNotThrown) {
    DebugOutputCapture capture;
    {
        ArchitectureOverride arch(PROCESSOR_ARCHITECTURE_IA64);
        bool staged = true;
        EXPECT_NO_THROW(staged = StageUpgradeDriverFile(kRenderDll));
        EXPECT_FALSE(staged);
        // The data file has no architecture.
        EXPECT_TRUE(StageUpgradeDataFile(kDataFile));
    }
    capture.Settle();
    EXPECT_EQ(capture.MessagesContaining(L"Unsupported processor architecture").size(), 1u);
    EXPECT_EQ(capture.MessagesContaining(L"Failed to determine system architecture").size(), 1u);
    EXPECT_FALSE(FileExists(InDriverDir(kRenderDll)));
    EXPECT_EQ(ReadFileBytes(InDriverDir(kDataFile)), "upgrade data file");
}

TEST_F(UpgradeStaging, FileHeldOpenIsReplacedAtTheNextReboot) {
    ASSERT_TRUE(WriteFileBytes(InDriverDir(kUiDll), "loaded ui dll"));
    ExclusiveHandle held(InDriverDir(kUiDll));
    ASSERT_TRUE(held.IsOpen());

    EXPECT_TRUE(StageUpgradeDriverFile(kUiDll));
    held.Close();
    EXPECT_EQ(ReadFileBytes(InDriverDir(kUiDll)), "loaded ui dll");  // nothing replaced yet

    const auto renames = PendingRenamesOf(Source(L"amd64\\kelnodrv6ui.dll"));
    ASSERT_EQ(renames.size(), 1u);
    EXPECT_TRUE(EndsWith(renames[0], Lower(Narrow(InDriverDir(kUiDll))))) << renames[0];
    // "!" marks a rename that may replace an existing file.
    EXPECT_EQ(renames[0].front(), '!') << renames[0];
}

// ---- OpenMP runtime check at program start ---------------------------------------------------

// Runs the package's own drvwizard from a new working folder; returns its log.
std::vector<std::string> RunWizardStartUp() {
    const std::wstring work = MakeTempFolder(L"wizard");
    const RunResult run = RunProgram(InPackage(L"drvwizard.exe"), L"", work);
    EXPECT_TRUE(run.started);
    EXPECT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    return ReadLines(JoinPath(work, L"drvwlog.log"));
}

class OpenMpRuntime : public ::testing::Test {
protected:
    OpenMpRuntime()
        : systemCopy_(InSystemDir(kOpenMpRuntime)),
          packageCopy_(InPackage(L"amd64\\vcomp140.dll")),
          restoreSystem_(systemCopy_),
          restorePackage_(packageCopy_) {}

    std::wstring systemCopy_, packageCopy_;
    FileRestore restoreSystem_, restorePackage_;
};

TEST_F(OpenMpRuntime, PresentRuntimeIsLeftAsItIs) {
    ASSERT_TRUE(FileExists(systemCopy_)) << "Wine ships vcomp140.dll";
    const std::string shipped = ReadFileBytes(systemCopy_);
    WIN32_FILE_ATTRIBUTE_DATA before{}, after{};
    ASSERT_TRUE(GetFileAttributesExW(systemCopy_.c_str(), GetFileExInfoStandard, &before));
    ASSERT_TRUE(WriteFileBytes(packageCopy_, "packaged runtime"));

    CheckAndCopySystemFile(false);
    const auto log = RunWizardStartUp();

    ASSERT_TRUE(GetFileAttributesExW(systemCopy_.c_str(), GetFileExInfoStandard, &after));
    EXPECT_EQ(CompareFileTime(&before.ftLastWriteTime, &after.ftLastWriteTime), 0);
    EXPECT_EQ(ReadFileBytes(systemCopy_), shipped);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(CountContaining(log, "Dest file does not exist"), 0);
}

TEST_F(OpenMpRuntime, MissingRuntimeIsCopiedFromTheProgramFolder) {
    ASSERT_TRUE(WriteFileBytes(packageCopy_, "packaged runtime"));
    DeleteFileW(systemCopy_.c_str());
    ASSERT_FALSE(FileExists(systemCopy_));

    const auto log = RunWizardStartUp();
    EXPECT_EQ(ReadFileBytes(systemCopy_), "packaged runtime");
    EXPECT_EQ(CountContaining(log, "Dest file does not exist, copying..., result: OK!"), 1);
    EXPECT_EQ(CountContaining(log, "result: Failed!"), 0);
}

TEST_F(OpenMpRuntime, MissingEverywhereIsLoggedAsFailed) {
    DeleteFileW(packageCopy_.c_str());
    DeleteFileW(systemCopy_.c_str());

    const auto log = RunWizardStartUp();
    EXPECT_FALSE(FileExists(systemCopy_));
    EXPECT_EQ(CountContaining(log, "Dest file does not exist, copying..., result: Failed!"), 1);
}

}  // namespace
}  // namespace kelno::test
