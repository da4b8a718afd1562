// The package's uninstaller as a person and an administrator meet it: the dialog lists the
// package folder, the driver and its queues, and Remove takes everything away; the silent
// uninstall does the same with no window and says how it went in its exit code.
//
// A person starts the package's "unins000.exe", which copies itself to a temporary file and starts
// that copy with "-u <folder>" (silent, it waits for the copy's exit code); the other cases start
// usbonestep.exe with "-u <folder>" (no closing quote, as the copy is started) from a copy of the
// package outside the folder it removes.
//
// What Wine cannot do and what stands in for it:
// - it has no driver store: the test writes a package entry into the registry and a copy of the
//   INF; DeletePrinterDriverPackageW does not exist in Wine's winspool, so that package always
//   stays (the uninstaller reports the failure, as on a system that refuses the deletion);
// - its recycle bin is the XDG trash of the Linux home: HOME, XDG_DATA_HOME and WINEHOMEDIR point
//   at a folder of the throwaway prefix for every program the test starts;
// - its spooler refuses the flag that deletes a driver's unused files (87); the uninstaller then
//   removes driver and files one by one, which is what is checked here.
#include <windows.h>
#include <winspool.h>
#include <shellapi.h>
#include <shlobj.h>
#include <setupapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <optional>
#include <chrono>
#include <string>
#include <vector>

#include "base/win/scoped.h"
#include "base/win/scoped_seam.h"
#include "common/win/seams.h"
#include "engine/win/service_control.h"
#include "tests/support/process_windows.h"
#include "tests/support/recorded_waits.h"
#include "tests/support/simulated_devices.h"
#include "tests/support/spooler.h"
#include "tests/support/started_program.h"
#include "tests/support/throwaway_home.h"
#include "tests/support/wine_test_support.h"
#include "usbonestep/win/uninstall_system.h"
#include "usbonestep/win/uninstaller.h"

namespace kelno::test {
namespace {

using namespace std::chrono_literals;

constexpr wchar_t kModel[] = L"Tavolen MX-410";
constexpr wchar_t kQueueUsb[] = L"Label USB";
constexpr wchar_t kQueueFile[] = L"Label File";
constexpr wchar_t kStoreKey[] =
    L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Print\\PackageInstallation\\Windows x64\\DriverPackages";
constexpr wchar_t kStoreEntry[] = L"kelnov6.inf_amd64_5f2c9a1e";
constexpr DWORD kPackageMissingResult = 0x8007007F;  // DeletePrinterDriverPackageW not exported

std::wstring PristinePackage() { return L"C:\\kelno-package-pristine"; }
std::wstring Host() { return JoinPath(PristinePackage(), L"usbonestep.exe"); }
std::wstring MonitorCopy() { return JoinPath(SystemDirectory(), L"kelnomon.dll"); }

// "-u <folder>\" with no closing quote, as usbonestep starts its uninstaller.
std::wstring UninstallArguments(const std::wstring& folder, const std::wstring& more = L"") {
    std::wstring arguments = more.empty() ? L"" : more + L" ";
    return arguments + L"-u \"" + folder + L"\\";
}

bool CopyTree(const std::wstring& from, const std::wstring& to) {
    std::wstring source = from + L"\\*";
    source.push_back(L'\0');
    std::wstring target = to;
    target.push_back(L'\0');
    CreateDirectoryW(to.c_str(), nullptr);
    SHFILEOPSTRUCTW copy{};
    copy.wFunc = FO_COPY;
    copy.pFrom = source.c_str();
    copy.pTo = target.c_str();
    copy.fFlags = FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_SILENT | FOF_NOERRORUI;
    return SHFileOperationW(&copy) == 0 && !copy.fAnyOperationsAborted;
}

// For the whole run: a throwaway home, the package folder kept aside to be put back, the
// engine's fixed waits cut short while the test installs.
class UninstallerBench : public ::testing::Environment {
public:
    void SetUp() override {
        home = UseThrowawayHome();
        ASSERT_FALSE(home.empty());
        ASSERT_TRUE(CopyTree(PackageFolderPath(), PristinePackage()));
    }
    static inline std::wstring home;
};
[[maybe_unused]] const auto* const g_bench = ::testing::AddGlobalTestEnvironment(new UninstallerBench);

class Uninstaller : public ::testing::Test {
public:
    void SetUp() override {
        if (!FileExists(JoinPath(PackageFolderPath(), L"unins000.exe"))) {
            ASSERT_TRUE(CopyTree(PristinePackage(), PackageFolderPath()));
        }
    }
    void TearDown() override { RemoveStoreEntry(); }

    // Driver, language monitor and two queues of the package, as the setup installs them (in a
    // process of their own: see install_printers.cpp).
    static void InstallPrinters() {
        const RunResult run = RunProgram(JoinPath(TestProgramFolder(), L"install_printers\\kelno_install_printers.exe"),
                                         L"\"" + std::wstring(kQueueUsb) + L"\" USB001 \"" + kQueueFile + L"\" FILE:");
        ASSERT_TRUE(run.finished);
        ASSERT_EQ(run.exitCode, 0u);
        ASSERT_TRUE(QueueExists(kQueueUsb));
        ASSERT_TRUE(DriverInstalled(kModel));
        ASSERT_TRUE(FileExists(MonitorCopy()));
        // Wine's spooler keeps no driver version of its own: the tree shows what it lists.
        const DWORDLONG v = FindDriver(kModel).driverVersion;
        driverVersion = std::to_wstring(v >> 48) + L"." + std::to_wstring((v >> 32) & 0xFFFF) + L"." +
                        std::to_wstring((v >> 16) & 0xFFFF) + L"." + std::to_wstring(v & 0xFFFF);
    }
    static inline std::wstring driverVersion;
    static std::wstring DriverLine(const std::wstring& status) {
        return L">>Printer Driver:Tavolen MX-410, , version:" + driverVersion + L", " + status;
    }

    // A package entry in the driver store's registry list and the INF it names.
    static std::wstring AddStoreEntry() {
        const std::wstring folder = L"C:\\windows\\System32\\DriverStore\\FileRepository\\" + std::wstring(kStoreEntry);
        SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
        const std::wstring inf = JoinPath(folder, L"kelnov6.inf");
        EXPECT_TRUE(CopyFileW(JoinPath(PristinePackage(), L"kelnov6.inf").c_str(), inf.c_str(), FALSE));
        HKEY key = nullptr;
        const std::wstring path = std::wstring(kStoreKey) + L"\\" + kStoreEntry;
        EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        std::wstring value = inf;
        value.push_back(L'\0');  // a multi-string: its own terminator and the list's
        RegSetValueExW(key, L"DriverStorePath", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
        return inf;
    }
    static void RemoveStoreEntry() { RegDeleteTreeW(HKEY_LOCAL_MACHINE, kStoreKey); }

    static std::wstring InfDriverVer() {
        wchar_t version[64] = L"";
        GetPrivateProfileStringW(L"Version", L"DriverVer", L"", version, 64,
                                 JoinPath(PristinePackage(), L"kelnov6.inf").c_str());
        return version;
    }

    static void ExpectNothingOfThePackageLeft() {
        EXPECT_FALSE(QueueExists(kQueueUsb));
        EXPECT_FALSE(QueueExists(kQueueFile));
        EXPECT_FALSE(DriverInstalled(kModel));
        EXPECT_FALSE(FileExists(MonitorCopy()));
        EXPECT_FALSE(FileExists(InstalledDriverFile(L"kelnodrv6.dll")));
    }
};

// The dialog of a started uninstaller, once its inventory is in the tree.
struct OpenDialog {
    HWND window = nullptr;
    std::vector<std::wstring> tree;
};
OpenDialog WaitForDialog(DWORD processId) {
    OpenDialog dialog;
    dialog.window = WaitForProcessWindow(processId, L"#32770", 1001);
    if (dialog.window && WaitForEnabled(dialog.window, IDOK))
        dialog.tree = RemoteTreeTexts(GetDlgItem(dialog.window, 1001), processId);
    return dialog;
}
OpenDialog WaitForDialog(const StartedProgram& program) { return WaitForDialog(program.ProcessId()); }

// The process id of the temporary copy unins000.exe started (its debugger line "Started <command
// line>, process <id>."), 0 when none was started.
DWORD StartedCopy(DebugOutputCapture& capture) {
    for (const std::wstring& line : capture.MessagesContaining(L" -u \"")) {
        const std::size_t at = line.rfind(L", process ");
        if (line.rfind(L"Started ", 0) == 0 && at != std::wstring::npos)
            return static_cast<DWORD>(std::wcstoul(line.c_str() + at + 10, nullptr, 10));
    }
    return 0;
}

// "unins000.exe" started as a person starts it: the process id of the temporary copy it starts.
DWORD StartUninstallerCopy(const std::wstring& arguments) {
    DebugOutputCapture capture;
    StartedProgram program(JoinPath(PackageFolderPath(), L"unins000.exe"), arguments);
    if (!program.Started() || !program.WaitForExit(60000) || program.ExitCode() != 0) return 0;
    if (!capture.WaitFor(L" -u \"", std::chrono::seconds(10))) return 0;
    return StartedCopy(capture);
}

bool WaitGone(HWND window) {
    for (int i = 0; i < 600 && IsWindow(window); ++i) Sleep(50);
    return !IsWindow(window);
}

bool Contains(const std::vector<std::wstring>& lines, const std::wstring& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::string Joined(const std::vector<std::wstring>& lines) {
    std::string out;
    for (const auto& line : lines) out += Narrow(line) + "\n";
    return out;
}

TEST_F(Uninstaller, DialogListsTheInstallationAndRemovesIt) {
    InstallPrinters();
    const std::wstring folder = PackageFolderPath();
    const DWORD copy = StartUninstallerCopy(L"");
    ASSERT_NE(copy, 0u);
    const OpenDialog dialog = WaitForDialog(copy);
    ASSERT_TRUE(dialog.window);
    EXPECT_EQ(WindowText(dialog.window), L"Uninstall printer driver");
    // The queues in the spooler's order.
    std::vector<std::wstring> tree = dialog.tree;
    if (tree.size() == 5) std::sort(tree.begin() + 3, tree.end());
    const std::vector<std::wstring> expected{L"The driver folder: " + folder + L"\\", L">Printer driver list:",
                                             DriverLine(L""), L">>>Printer:Label File on the port: FILE:. ",
                                             L">>>Printer:Label USB on the port: USB001. "};
    EXPECT_EQ(tree, expected) << Joined(dialog.tree);

    PressButton(dialog.window, IDOK);
    // Closing is refused while the removal runs.
    PressButton(dialog.window, IDCANCEL);
    // Moving the folder to the recycle bin asks first.
    bool confirmed = false;
    MessageBoxSeen box = WaitForMessageBox(copy, dialog.window, 120s);
    ASSERT_TRUE(box.window);
    if (GetDlgItem(box.window, IDYES)) {
        confirmed = true;
        PressButton(box.window, IDYES);
        ASSERT_TRUE(WaitGone(box.window));
        box = WaitForMessageBox(copy, dialog.window, 60s);
        ASSERT_TRUE(box.window);
    }
    EXPECT_TRUE(confirmed);
    EXPECT_EQ(box.text, L"The driver is uninstalled.");
    EXPECT_EQ(box.caption, L"Message");
    PressButton(box.window, IDOK);
    EXPECT_EQ(WaitForProcessExit(copy, 60s), std::optional<DWORD>(0));

    ExpectNothingOfThePackageLeft();
    EXPECT_FALSE(FileExists(folder));
    const auto recycled = RecycledNames(UninstallerBench::home);
    EXPECT_TRUE(Contains(recycled, L"Tavolen printer driver for windows")) << Joined(recycled);
}

TEST_F(Uninstaller, ADriverPackageThatStaysIsShownFailedAndKeepsTheFolder) {
    InstallPrinters();
    const std::wstring inf = AddStoreEntry();
    const std::wstring folder = PackageFolderPath();
    StartedProgram program(Host(), UninstallArguments(folder));
    ASSERT_TRUE(program.Started());
    const OpenDialog dialog = WaitForDialog(program);
    ASSERT_TRUE(dialog.window);
    const std::wstring package = L">Driver Package:kelnov6.inf, version:" + InfDriverVer() + L", " + inf + L", ";
    ASSERT_GE(dialog.tree.size(), 2u) << Joined(dialog.tree);
    EXPECT_EQ(dialog.tree[1], package);

    PressButton(dialog.window, IDOK);
    const MessageBoxSeen box = WaitForMessageBox(program.ProcessId(), dialog.window, 120s);
    ASSERT_TRUE(box.window);
    EXPECT_EQ(box.text, L"Uninstall driver failed. Please try again, or reboot your OS then try again, or contact "
                        L"our support for assistance.");
    PressButton(box.window, IDOK);
    // The dialog stays, with every item's outcome in the tree.
    ASSERT_TRUE(WaitForEnabled(dialog.window, IDOK));
    const auto tree = RemoteTreeTexts(GetDlgItem(dialog.window, 1001), program.ProcessId());
    EXPECT_TRUE(Contains(tree, package + L"Failed. Error:" + std::to_wstring(static_cast<int>(kPackageMissingResult))))
        << Joined(tree);
    EXPECT_TRUE(Contains(tree, DriverLine(L"Removed."))) << Joined(tree);
    SaveScreenshot(dialog.window, JoinPath(ArtifactFolder(), L"uninstaller_en_package_failed.bmp"));
    EXPECT_TRUE(Contains(tree, L">>>Printer:Label USB on the port: USB001. Removed.")) << Joined(tree);
    PressButton(dialog.window, IDCANCEL);
    ASSERT_TRUE(program.WaitForExit(30000));
    EXPECT_EQ(program.ExitCode(), 1u);

    // Everything but the package is gone; the folder and the monitor copy stay for another try.
    EXPECT_FALSE(QueueExists(kQueueUsb));
    EXPECT_FALSE(DriverInstalled(kModel));
    EXPECT_TRUE(FileExists(JoinPath(folder, L"unins000.exe")));
}

TEST_F(Uninstaller, NothingInstalledShowsOneLine) {
    StartedProgram program(Host(), UninstallArguments(PackageFolderPath(), L"-DP"));
    ASSERT_TRUE(program.Started());
    const OpenDialog dialog = WaitForDialog(program);
    ASSERT_TRUE(dialog.window);
    EXPECT_EQ(dialog.tree, std::vector<std::wstring>{L"Nothing need to be removed there"});
    PressButton(dialog.window, IDCANCEL);
    ASSERT_TRUE(program.WaitForExit(30000));
    EXPECT_EQ(program.ExitCode(), 1u);
}

// The dialog in the language of the user's session (the German run of this test starts Wine in
// a German locale, which the programs it starts take over).
TEST_F(Uninstaller, DialogInTheUserLanguage) {
    struct Language {
        LANGID id;
        const wchar_t *caption, *folder, *remove, *screenshot;
    };
    const Language languages[] = {
        {0x0409, L"Uninstall printer driver", L"The driver folder: ", L"Remove", L"uninstaller_en.bmp"},
        {0x0407, L"Druckertreiber deinstallieren", L"Treiberordner: ", L"Entfernen", L"uninstaller_de.bmp"},
    };
    const LANGID session = GetUserDefaultUILanguage();
    const Language* language = nullptr;
    for (const Language& l : languages)
        if (l.id == session) language = &l;
    if (!language) GTEST_SKIP() << "no expectations for language " << session;

    InstallPrinters();
    StartedProgram program(Host(), UninstallArguments(PackageFolderPath(), L"-DP"));
    ASSERT_TRUE(program.Started());
    const OpenDialog dialog = WaitForDialog(program);
    ASSERT_TRUE(dialog.window);
    EXPECT_EQ(WindowText(dialog.window), language->caption);
    EXPECT_EQ(WindowText(GetDlgItem(dialog.window, IDOK)), language->remove);
    ASSERT_FALSE(dialog.tree.empty());
    EXPECT_EQ(dialog.tree[0], language->folder + PackageFolderPath() + L"\\");
    EXPECT_TRUE(SaveScreenshot(dialog.window, JoinPath(ArtifactFolder(), language->screenshot)));
    PressButton(dialog.window, IDCANCEL);
    ASSERT_TRUE(program.WaitForExit(30000));
}

// ---- silent ------------------------------------------------------------------------------------

struct SilentRun {
    bool finished = false;
    DWORD exitCode = 0;
    bool windowSeen = false;
};
SilentRun RunSilent(const std::wstring& arguments) {
    SilentRun run;
    StartedProgram program(Host(), arguments);
    if (!program.Started()) return run;
    const auto deadline = std::chrono::steady_clock::now() + 180s;
    while (!program.WaitForExit(100) && std::chrono::steady_clock::now() < deadline)
        if (WaitForProcessWindow(program.ProcessId(), L"#32770", 0, 0ms)) run.windowSeen = true;
    run.finished = program.WaitForExit(0);
    run.exitCode = program.ExitCode();
    return run;
}

// "unins000.exe /silence" started as a deployment tool starts it: its own exit code, which is the
// uninstall's, and the temporary copy that ran the uninstall, held open from its start so that
// its end is seen however soon it comes.
struct UninstallerRun {
    bool finished = false;
    DWORD exitCode = 0;
    bool copyStarted = false;
    bool windowSeen = false;
    std::optional<DWORD> copyExitCode;  // nothing: still running after two minutes
};
UninstallerRun RunUninstallerSilently(DebugOutputCapture& capture) {
    UninstallerRun run;
    StartedProgram program(JoinPath(PackageFolderPath(), L"unins000.exe"), L"/silence");
    if (!program.Started()) return run;
    ScopedHandle copy;
    const auto deadline = std::chrono::steady_clock::now() + 300s;
    while (!program.WaitForExit(100) && std::chrono::steady_clock::now() < deadline) {
        if (!copy)
            if (const DWORD id = StartedCopy(capture))
                copy.reset(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
        if (copy && WaitForProcessWindow(GetProcessId(copy.get()), L"#32770", 0, 0ms)) run.windowSeen = true;
    }
    run.finished = program.WaitForExit(0);
    run.exitCode = program.ExitCode();
    run.copyStarted = static_cast<bool>(copy);
    // The copy moves the folder away once unins000.exe has ended, then ends itself.
    DWORD copyExit = 0;
    if (copy && WaitForSingleObject(copy.get(), 120000) == WAIT_OBJECT_0 && GetExitCodeProcess(copy.get(), &copyExit))
        run.copyExitCode = copyExit;
    return run;
}

// unins000.exe /silence ends with the uninstall's code although the folder it was started from is
// moved away at the end: its copy sends the code first and waits for it to end.
TEST_F(Uninstaller, SilentUninstallerEndsWithTheUninstallsCode) {
    struct Case {
        const char* what;
        bool storeEntry;
        DWORD exitCode;
        const wchar_t* reason;
        bool folderStays;
    } cases[] = {
        {"everything removed", false, 0, L"silent uninstall ends with exit code 0: everything is removed", false},
        {"a driver package that stays", true, 5, L"silent uninstall ends with exit code 5: a driver package", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (!FileExists(JoinPath(PackageFolderPath(), L"unins000.exe"))) {
            ASSERT_TRUE(CopyTree(PristinePackage(), PackageFolderPath()));
        }
        InstallPrinters();
        if (c.storeEntry) AddStoreEntry();
        DebugOutputCapture capture;
        const UninstallerRun run = RunUninstallerSilently(capture);
        ASSERT_TRUE(run.finished);
        EXPECT_TRUE(run.copyStarted);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(run.copyExitCode, std::optional<DWORD>(c.exitCode));
        EXPECT_FALSE(run.windowSeen);
        EXPECT_TRUE(capture.WaitFor(c.reason)) << Joined(capture.MessagesContaining(L"Uninstall:"));
        EXPECT_FALSE(QueueExists(kQueueUsb));
        EXPECT_FALSE(DriverInstalled(kModel));
        EXPECT_EQ(FileExists(JoinPath(PackageFolderPath(), L"unins000.exe")), c.folderStays);
        if (!c.folderStays) {
            ExpectNothingOfThePackageLeft();
            EXPECT_FALSE(FileExists(PackageFolderPath()));
        }
        RemoveStoreEntry();
    }
}

TEST_F(Uninstaller, SilentUninstallExitCodes) {
    struct Case {
        const char* what;
        bool installed, storeEntry;
        const wchar_t* options;
        DWORD exitCode;
        bool folderStays;
    } cases[] = {
        {"nothing installed", false, false, L"/silence", 0, false},
        {"nothing installed, folder kept", false, false, L"/silence -DP", 0, true},
        {"a driver package that stays", true, true, L"/silence", 5, true},
        // Handle values given by hand are no handles of a starting unins000.exe: ignored.
        {"handles given by hand", false, false, L"/silence /codepipe=4 /starter=8", 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (!FileExists(JoinPath(PackageFolderPath(), L"unins000.exe"))) {
            ASSERT_TRUE(CopyTree(PristinePackage(), PackageFolderPath()));
        }
        if (c.installed) InstallPrinters();
        if (c.storeEntry) AddStoreEntry();
        const SilentRun run = RunSilent(UninstallArguments(PackageFolderPath(), c.options));
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_FALSE(run.windowSeen);
        EXPECT_EQ(FileExists(JoinPath(PackageFolderPath(), L"unins000.exe")), c.folderStays);
        RemoveStoreEntry();
    }
}

TEST_F(Uninstaller, SilentUninstallNeverTakesAFolderThatIsNotThePackage) {
    const std::wstring other = MakeTempFolder(L"not-the-package");
    ASSERT_TRUE(WriteFileBytes(JoinPath(other, L"keep.txt"), "mine"));
    const SilentRun run = RunSilent(UninstallArguments(other, L"/silence"));
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 7u);
    EXPECT_TRUE(FileExists(JoinPath(other, L"keep.txt")));
}

// ---- the removal steps in this process ---------------------------------------------------------
//
// Wine's spooler deletes a driver that a queue still uses and has no Plug and Play print queues:
// the uninstaller's seam plays the refusals, and the test makes the print-queue setup class and
// its devices in the prefix's SetupAPI database. These run last: the installed-check reads the
// spooler in this process, which then holds the language monitor.
namespace steps {

constexpr wchar_t kPrintQueueClassKey[] =
    L"SYSTEM\\CurrentControlSet\\Control\\Class\\{1ed2bbf9-11f0-4084-b21f-ad83a8e6dcdc}";
constexpr GUID kPrintQueueClass = {0x1ed2bbf9, 0x11f0, 0x4084, {0xb2, 0x1f, 0xad, 0x83, 0xa8, 0xe6, 0xdc, 0xdc}};
constexpr GUID kOtherClass = {0x4d36e979, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

// A registered device of a setup class with a friendly name.
bool AddDevice(const GUID& setupClass, const std::wstring& instanceId, const std::wstring& friendlyName) {
    HDEVINFO set = SetupDiCreateDeviceInfoList(&setupClass, nullptr);
    if (set == INVALID_HANDLE_VALUE) return false;
    SP_DEVINFO_DATA data{};
    data.cbSize = sizeof(data);
    bool ok = SetupDiCreateDeviceInfoW(set, instanceId.c_str(), &setupClass, nullptr, nullptr, 0, &data) &&
              SetupDiRegisterDeviceInfo(set, &data, 0, nullptr, nullptr, nullptr) &&
              SetupDiSetDeviceRegistryPropertyW(set, &data, SPDRP_FRIENDLYNAME,
                                                reinterpret_cast<const BYTE*>(friendlyName.c_str()),
                                                static_cast<DWORD>((friendlyName.size() + 1) * sizeof(wchar_t)));
    SetupDiDestroyDeviceInfoList(set);
    return ok;
}

bool DeviceExists(const GUID& setupClass, const std::wstring& instanceId) {
    HDEVINFO set = SetupDiCreateDeviceInfoList(&setupClass, nullptr);
    SP_DEVINFO_DATA data{};
    data.cbSize = sizeof(data);
    const bool found = SetupDiOpenDeviceInfoW(set, instanceId.c_str(), nullptr, 0, &data) != FALSE;
    SetupDiDestroyDeviceInfoList(set);
    return found;
}

// The driver deletion as the seam plays it: one scripted answer per call, the last repeating.
struct DeletionScript {
    std::vector<DWORD> errors;  // 0: the deletion succeeds
    std::vector<DWORD> flags;   // what each call asked for
    static inline DeletionScript* current = nullptr;
    static BOOL WINAPI Delete(LPWSTR, LPWSTR, LPWSTR, DWORD flags, DWORD) {
        DeletionScript& s = *current;
        const DWORD error = s.errors[std::min(s.flags.size(), s.errors.size() - 1)];
        s.flags.push_back(flags);
        SetLastError(error);
        return error == 0;
    }
};

FoundDriver NamedDriver(const wchar_t* name) {
    FoundDriver driver;
    driver.name = std::u16string(reinterpret_cast<const char16_t*>(name));
    return driver;
}

TEST(UninstallSteps, AQueueGoneSinceTheInventoryCountsAsRemoved) {
    const StepResult result = RemoveQueue({u"Deleted meanwhile", u"USB001", u"Tavolen MX-410"});
    EXPECT_TRUE(result.ok) << result.error;
}

TEST(UninstallSteps, OnlyPrintQueueDevicesOfThatNameGo) {
    ASSERT_TRUE(SetMachineString(kPrintQueueClassKey, L"Class", L"PrintQueue"));
    ASSERT_TRUE(AddDevice(kPrintQueueClass, L"SWD\\PRINTENUM\\LABEL1", L"Label One"));
    ASSERT_TRUE(AddDevice(kPrintQueueClass, L"SWD\\PRINTENUM\\LABEL2", L"Label Two"));
    // The printer's own device may carry the queue's name: it stays.
    ASSERT_TRUE(AddDevice(kOtherClass, L"ROOT\\PRINTER\\LABEL1", L"Label One"));

    RemoveQueue({u"Label One", u"FILE:", u"Tavolen MX-410"});
    EXPECT_FALSE(DeviceExists(kPrintQueueClass, L"SWD\\PRINTENUM\\LABEL1"));
    EXPECT_TRUE(DeviceExists(kPrintQueueClass, L"SWD\\PRINTENUM\\LABEL2"));
    EXPECT_TRUE(DeviceExists(kOtherClass, L"ROOT\\PRINTER\\LABEL1"));
}

TEST(UninstallSteps, DriverDeletionOutcomes) {
    struct Case {
        const char* what;
        std::vector<DWORD> errors;
        bool removed;
        DWORD error;
        std::size_t calls;
        std::size_t restartWaits;  // the two 3000 ms waits of a Spooler restart
    } cases[] = {
        {"deleted at once", {0}, true, 0, 1, 0},
        {"already gone", {ERROR_UNKNOWN_PRINTER_DRIVER}, true, 0, 1, 0},
        {"in use, then free after the Spooler restart", {ERROR_PRINTER_DRIVER_IN_USE, 0}, true, 0, 2, 2},
        {"in use, and still after the restart",
         {ERROR_PRINTER_DRIVER_IN_USE},
         false,
         ERROR_PRINTER_DRIVER_IN_USE,
         2,
         2},
        {"refused", {ERROR_ACCESS_DENIED}, false, ERROR_ACCESS_DENIED, 1, 0},
    };
    RecordedWaits waits(0);
    ScopedSeam<decltype(TimeSeams::sleep)> wait(seams::Time().sleep, &RecordedWaits::Wait);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DeletionScript script{c.errors, {}};
        DeletionScript::current = &script;
        ScopedSeam seam(UninstallSystem().deletePrinterDriverExW, &DeletionScript::Delete);
        waits.Clear();
        const StepResult result = RemoveDriver(NamedDriver(L"Scripted driver"));
        EXPECT_EQ(result.ok, c.removed);
        EXPECT_EQ(static_cast<DWORD>(result.error), c.error);
        EXPECT_EQ(script.flags.size(), c.calls);
        for (DWORD flags : script.flags) EXPECT_EQ(flags, static_cast<DWORD>(DPD_DELETE_UNUSED_FILES));
        EXPECT_EQ(waits.Count(3000), c.restartWaits);
    }
}

TEST(UninstallSteps, TheMonitorCopyGoesAlsoWhenTheSpoolerWasStopped) {
    for (const bool running : {true, false}) {
        SCOPED_TRACE(running ? "Spooler running" : "Spooler stopped");
        ASSERT_TRUE(WriteFileBytes(MonitorCopy(), "not a DLL"));
        if (running) {
            ASSERT_TRUE(StartSpooler());
        } else {
            ASSERT_TRUE(StopSpooler());
        }
        EXPECT_TRUE(DeleteMonitorCopy());
        EXPECT_FALSE(FileExists(MonitorCopy()));
    }
    EXPECT_TRUE(StartSpooler());
}

TEST(UninstallSteps, TheInstallerSeesAnInstalledDriver) {
    EXPECT_FALSE(PackageIsInstalled());
    Uninstaller::InstallPrinters();
    EXPECT_TRUE(PackageIsInstalled());
}

}  // namespace steps

}  // namespace
}  // namespace kelno::test
