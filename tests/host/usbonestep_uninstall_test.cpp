#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/uninstall_outline.h"
#include "usbonestep/inf_version.h"
#include "usbonestep/uninstall_inventory.h"
#include "usbonestep/uninstall_removal.h"
#include "usbonestep/uninstall_tree.h"

namespace kelno {
namespace {

using test::Outline;

const std::u16string kStore = u"C:\\Windows\\System32\\DriverStore\\FileRepository\\kelnov6.inf_amd64_1\\kelnov6.inf";
const std::u16string kStore2 = u"C:\\Windows\\System32\\DriverStore\\FileRepository\\kelnov6.inf_amd64_2\\kelnov6.inf";
const std::u16string kOwnDll = u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\kelnodrv6.dll";

FoundDriver Driver(std::u16string name, std::u16string driverPath = kOwnDll, std::u16string infPath = u"") {
    FoundDriver d;
    d.name = std::move(name);
    d.driverPath = std::move(driverPath);
    d.infPath = std::move(infPath);
    return d;
}

FoundPrinter Queue(std::u16string name, std::u16string driver) {
    return {std::move(name), u"USB001", std::move(driver)};
}

// ---- grouping --------------------------------------------------------------------------------

struct GroupingCase {
    const char* what;
    std::vector<FoundPackage> packages;
    std::vector<FoundDriver> drivers;
    std::vector<FoundPrinter> printers;
    std::string outline;
    bool installed;  // what the installer is told
};

TEST(UninstallInventory, GroupsPackagesDriversAndQueues) {
    const GroupingCase cases[] = {
        {"nothing installed", {}, {}, {}, "", false},
        {"a package of another INF is not ours", {{u"C:\\store\\other.inf", u""}}, {}, {}, "", false},
        {"a package without drivers", {{kStore, u"1"}}, {}, {}, "kelnov6.inf{}", false},
        {"drivers go under every package, queues under their driver",
         {{kStore, u""}, {kStore2, u""}},
         {Driver(u"Tavolen MX-410"), Driver(u"Tavolen MX-310")},
         {Queue(u"Q1", u"Tavolen MX-410"), Queue(u"Q2", u"Tavolen MX-310"), Queue(u"Q3", u"Tavolen MX-410")},
         "kelnov6.inf{Tavolen MX-410[Q1,Q3],Tavolen MX-310[Q2]},kelnov6.inf{Tavolen MX-410[Q1,Q3],Tavolen MX-310[Q2]}",
         true},
        {"a driver on another render DLL and its queue are left out",
         {{kStore, u""}},
         {Driver(u"Other", u"C:\\x\\unidrv.dll"), Driver(u"Tavolen MX-410")},
         {Queue(u"O", u"Other"), Queue(u"Q", u"Tavolen MX-410")},
         "kelnov6.inf{Tavolen MX-410[Q]}",
         true},
        {"the driver store's paths and the render DLL match in any case",
         {{u"C:\\STORE\\KELNOV6.INF_AMD64\\KELNOV6.INF", u""}},
         {Driver(u"Tavolen MX-410", u"C:\\X\\KELNODRV6.DLL")},
         {},
         "KELNOV6.INF{Tavolen MX-410[]}",
         true},
        {"queues match their driver's name exactly",
         {{kStore, u""}},
         {Driver(u"Tavolen MX-410")},
         {Queue(u"Q", u"tavolen mx-410"), Queue(u"R", u"Tavolen MX-410 ")},
         "kelnov6.inf{Tavolen MX-410[]}",
         true},
        {"without a package the first driver that names an INF makes its node",
         {},
         {Driver(u"Tavolen MX-410", kOwnDll, u"C:\\drv\\oem7.inf"), Driver(u"Tavolen MX-310")},
         {},
         "oem7.inf{Tavolen MX-410[],Tavolen MX-310[]}",
         true},
        {"drivers that fit nowhere are collected last",
         {},
         {Driver(u"Tavolen MX-430"), Driver(u"Tavolen MX-410", kOwnDll, u"C:\\drv\\oem7.inf"),
          Driver(u"Tavolen MX-310")},
         {Queue(u"Q", u"Tavolen MX-430")},
         "oem7.inf{Tavolen MX-410[],Tavolen MX-310[]},-{Tavolen MX-430[Q]}",
         true},
        {"drivers without any package", {}, {Driver(u"Tavolen MX-410")}, {}, "-{Tavolen MX-410[]}", true},
    };
    for (const GroupingCase& c : cases) {
        const Inventory inventory = BuildInventory(c.packages, c.drivers, c.printers);
        EXPECT_EQ(Outline(inventory), c.outline) << c.what;
        EXPECT_EQ(HasDriverUnderFirstNode(inventory), c.installed) << c.what;
    }
}

TEST(UninstallInventory, PackageTextsAreCutToTheirFields) {
    const std::u16string folder(2000, u'f');
    const std::u16string longName(80, u'n');
    const std::u16string path = u"C:\\" + folder + u"\\kelnov6.inf";
    const std::u16string named = u"C:\\store\\kelnov6.inf_" + longName;
    const Inventory inventory = BuildInventory({{path, std::u16string(70, u'1')}, {named, u""}}, {}, {});
    ASSERT_EQ(inventory.packages.size(), 2u);
    EXPECT_EQ(inventory.packages[0].infPath, path.substr(0, kPackageInfPathChars - 1));
    EXPECT_EQ(inventory.packages[0].infVersion.size(), kInfVersionChars - 1);
    // The name comes from the path as kept.
    EXPECT_EQ(inventory.packages[0].name, std::u16string(kPackageNameChars - 1, u'f'));
    EXPECT_EQ(inventory.packages[1].name, (u"kelnov6.inf_" + longName).substr(0, kPackageNameChars - 1));
}

// ---- removal ---------------------------------------------------------------------------------

// Plays the system: records every call in order and answers from scripted results (a list per
// name, its last answer repeating; success when nothing is scripted).
class ScriptedSystem {
public:
    std::map<std::u16string, std::vector<StepResult>> queues, drivers;
    std::map<std::u16string, std::vector<std::int32_t>> packages;
    std::vector<std::string> calls;

    RemovalSteps Steps() {
        RemovalSteps steps;
        steps.removeQueue = [this](const FoundPrinter& p) {
            return Answer(queues, p.name, "queue ", StepResult{true, 0});
        };
        steps.removeDriver = [this](const FoundDriver& d) {
            return Answer(drivers, d.name, "driver ", StepResult{true, 0});
        };
        steps.deletePackage = [this](const std::u16string& inf) {
            return Answer(packages, std::u16string(PackageNameOfInfPath(inf)), "package ", std::int32_t{0});
        };
        steps.progress = [this](int position) { calls.push_back("progress " + std::to_string(position)); };
        steps.pause = [this](std::uint32_t ms) { calls.push_back("pause " + std::to_string(ms)); };
        return steps;
    }

private:
    template <typename Result>
    Result Answer(std::map<std::u16string, std::vector<Result>>& script, const std::u16string& name, const char* kind,
                  Result success) {
        calls.push_back(kind + test::OutlineText(name));
        auto it = script.find(name);
        if (it == script.end() || it->second.empty()) return success;
        const Result result = it->second.front();
        if (it->second.size() > 1) it->second.erase(it->second.begin());
        return result;
    }
};

Inventory OnePackage() {
    return BuildInventory({{kStore, u""}}, {Driver(u"D1"), Driver(u"D2")}, {Queue(u"Q1", u"D1"), Queue(u"Q2", u"D1")});
}

TEST(UninstallRemoval, QueuesThenTheirDriverThenThePackage) {
    Inventory inventory = OnePackage();
    ScriptedSystem system;
    const RemovalTally tally = RemoveInventory(inventory, system.Steps());
    EXPECT_EQ(tally.Failures(), 0);
    const std::vector<std::string> expected{"progress 20", "progress 30",         "queue Q1",    "pause 300",
                                            "queue Q2",    "pause 300",           "progress 60", "driver D1",
                                            "pause 300",   "progress 60",         "driver D2",   "pause 300",
                                            "progress 80", "package kelnov6.inf", "progress 100"};
    EXPECT_EQ(system.calls, expected);
    EXPECT_EQ(Outline(inventory), "kelnov6.inf+{D1+[Q1+,Q2+],D2+[]}");
    EXPECT_TRUE(MayRemoveSharedFiles(inventory, tally));
}

struct FailureCase {
    const char* what;
    std::map<std::u16string, std::vector<StepResult>> queues, drivers;
    std::map<std::u16string, std::vector<std::int32_t>> packages;
    std::string outline;
    RemovalTally tally;
    int driverCalls, packageCalls, longPauses;  // attempts are 1000 ms apart, none after the last
};

TEST(UninstallRemoval, FailuresKeepWhatDependsOnTheFailedItem) {
    const std::int32_t busy = kPackageBusyResult;
    const std::int32_t notFound = static_cast<std::int32_t>(0x80070002u);
    const FailureCase cases[] = {
        {"a queue that stays keeps its driver and the package",
         {{u"Q2", {{false, 5}}}},
         {},
         {},
         "kelnov6.inf{D1[Q1+,Q2!5],D2+[]}",
         {1, 0, 0},
         1,
         0,
         0},
        {"a driver is tried ten times",
         {},
         {{u"D1", {{false, 3001}}}},
         {},
         "kelnov6.inf{D1!3001[Q1+,Q2+],D2+[]}",
         {0, 1, 0},
         11,
         0,
         9},
        {"a driver removed at its third attempt",
         {},
         {{u"D1", {{false, 32}, {false, 32}, {true, 0}}}},
         {},
         "kelnov6.inf+{D1+[Q1+,Q2+],D2+[]}",
         {0, 0, 0},
         4,
         1,
         2},
        {"a package still being released is tried again",
         {},
         {},
         {{u"kelnov6.inf", {busy, busy, 0}}},
         "kelnov6.inf+{D1+[Q1+,Q2+],D2+[]}",
         {0, 0, 0},
         2,
         3,
         2},
        {"a package that stays busy fails after five attempts",
         {},
         {},
         {{u"kelnov6.inf", {busy}}},
         "kelnov6.inf!" + std::to_string(busy) + "{D1+[Q1+,Q2+],D2+[]}",
         {0, 0, 1},
         2,
         5,
         4},
        {"any other package result fails at once",
         {},
         {},
         {{u"kelnov6.inf", {notFound}}},
         "kelnov6.inf!" + std::to_string(notFound) + "{D1+[Q1+,Q2+],D2+[]}",
         {0, 0, 1},
         2,
         1,
         0},
    };
    for (const FailureCase& c : cases) {
        Inventory inventory = OnePackage();
        ScriptedSystem system;
        system.queues = c.queues;
        system.drivers = c.drivers;
        system.packages = c.packages;
        const RemovalTally tally = RemoveInventory(inventory, system.Steps());
        EXPECT_EQ(Outline(inventory), c.outline) << c.what;
        EXPECT_EQ(tally.queueFailures, c.tally.queueFailures) << c.what;
        EXPECT_EQ(tally.driverFailures, c.tally.driverFailures) << c.what;
        EXPECT_EQ(tally.packageFailures, c.tally.packageFailures) << c.what;
        EXPECT_EQ(MayRemoveSharedFiles(inventory, tally), tally.Failures() == 0) << c.what;
        int driverCalls = 0, packageCalls = 0, longPauses = 0;
        for (const std::string& call : system.calls) {
            driverCalls += call.rfind("driver ", 0) == 0;
            packageCalls += call.rfind("package ", 0) == 0;
            longPauses += call == "pause 1000";
        }
        EXPECT_EQ(driverCalls, c.driverCalls) << c.what;
        EXPECT_EQ(packageCalls, c.packageCalls) << c.what;
        EXPECT_EQ(longPauses, c.longPauses) << c.what;
    }
}

TEST(UninstallRemoval, ASecondPassRetriesOnlyWhatFailed) {
    Inventory inventory = OnePackage();
    ScriptedSystem first;
    first.queues[u"Q2"] = {{false, 5}};
    EXPECT_EQ(RemoveInventory(inventory, first.Steps()).Failures(), 1);

    ScriptedSystem second;
    const RemovalTally tally = RemoveInventory(inventory, second.Steps());
    EXPECT_EQ(tally.Failures(), 0);
    std::vector<std::string> removals;
    for (const std::string& call : second.calls)
        if (call.rfind("progress", 0) != 0 && call.rfind("pause", 0) != 0) removals.push_back(call);
    EXPECT_EQ(removals, (std::vector<std::string>{"queue Q2", "driver D1", "package kelnov6.inf"}));
    EXPECT_EQ(Outline(inventory), "kelnov6.inf+{D1+[Q1+,Q2+],D2+[]}");
}

TEST(UninstallRemoval, DriversWithoutAPackageLeaveNoPackageToDelete) {
    Inventory inventory = BuildInventory({}, {Driver(u"D1")}, {});
    ScriptedSystem system;
    EXPECT_EQ(RemoveInventory(inventory, system.Steps()).Failures(), 0);
    for (const std::string& call : system.calls) EXPECT_NE(call.rfind("package", 0), 0u) << call;
    EXPECT_EQ(Outline(inventory), "-{D1+[]}");
}

TEST(UninstallRemoval, AnIncompleteInventoryKeepsTheSharedFiles) {
    Inventory inventory;
    inventory.complete = false;
    ScriptedSystem system;
    const RemovalTally tally = RemoveInventory(inventory, system.Steps());
    EXPECT_FALSE(MayRemoveSharedFiles(inventory, tally));
}

TEST(UninstallRemoval, SilentExitCodeNamesTheFirstReason) {
    struct Case {
        UninstallOutcome outcome;
        SilentExitCode code;
    } cases[] = {
        {{true, {}, true, true, false}, SilentExitCode::removed},
        {{true, {}, true, false, true}, SilentExitCode::removed},  // "-DP": the folder was to stay
        {{false, {1, 1, 1}, false, false, false}, SilentExitCode::inventoryIncomplete},
        {{true, {1, 1, 1}, false, false, false}, SilentExitCode::queueFailed},
        {{true, {0, 2, 1}, false, false, false}, SilentExitCode::driverFailed},
        {{true, {0, 0, 1}, false, false, false}, SilentExitCode::packageFailed},
        {{true, {}, false, true, false}, SilentExitCode::monitorCopyFailed},
        {{true, {}, true, false, false}, SilentExitCode::folderFailed},
    };
    std::map<int, int> seen;
    for (const Case& c : cases) {
        EXPECT_EQ(DecideSilentExitCode(c.outcome), c.code) << static_cast<int>(c.code);
        EXPECT_NE(std::u16string(SilentExitReason(c.code)), u"unknown");
        ++seen[static_cast<int>(c.code)];
    }
    // Only success is 0, and no failure shares a code with another or with the dialog's Close (1).
    for (const auto& [code, count] : seen) EXPECT_NE(code, 1);
}

// The code a copy sends before it moves the folder: what the uninstall ends with if the move
// succeeds, so a complete uninstall is 0 and any earlier failure keeps its own code.
TEST(UninstallRemoval, CodeBeforeTheFolderMoveAssumesTheMoveSucceeds) {
    struct Case {
        const char* what;
        UninstallOutcome outcome;
        SilentExitCode code;
    } cases[] = {
        {"everything else removed", {true, {}, true, false, false}, SilentExitCode::removed},
        {"folder kept", {true, {}, true, false, true}, SilentExitCode::removed},
        {"monitor copy stayed", {true, {}, false, false, false}, SilentExitCode::monitorCopyFailed},
        {"package stayed", {true, {0, 0, 1}, false, false, false}, SilentExitCode::packageFailed},
        {"inventory incomplete", {false, {}, false, false, false}, SilentExitCode::inventoryIncomplete},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(DecideCodeBeforeFolderMove(c.outcome), c.code);
    }
}

// What a silent unins000.exe ends with: never 0 unless its copy said so.
TEST(UninstallRemoval, StarterEndsWithTheSentCodeOrTheCopysFailure) {
    constexpr std::uint32_t kCrashed = 0xC0000005u;
    const std::uint32_t unknown = static_cast<std::uint32_t>(SilentExitCode::outcomeUnknown);
    struct Case {
        const char* what;
        std::optional<std::uint32_t> sent, copyExit;
        std::uint32_t code;
    } cases[] = {
        {"sent 0", 0u, std::nullopt, 0},
        {"sent 5, copy still running", 5u, std::nullopt, 5},
        {"the sent code wins over the copy's own", 6u, 7u, 6},
        {"copy ended with a failure, nothing sent", std::nullopt, 3u, 3},
        {"copy crashed", std::nullopt, kCrashed, kCrashed},
        {"copy ended with 0 without sending", std::nullopt, 0u, unknown},
        {"copy neither sent nor ended", std::nullopt, std::nullopt, unknown},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(StarterExitCode(c.sent, c.copyExit), c.code);
    }
    EXPECT_NE(unknown, 0u);
    EXPECT_NE(std::u16string(SilentExitReason(SilentExitCode::outcomeUnknown)), u"unknown");
}

// ---- tree texts ------------------------------------------------------------------------------

TreeFormats EnglishFormats() {
    return {u"Nothing need to be removed there",
            u"Driver Package:%ws, version:%ws, %ws, %ws",
            u"Printer driver list:",
            u"Printer Driver:%ws, %ws, version:%d.%d.%d.%d, %ws",
            u"No printer driver",
            u"Printer:%ws on the port: %ws. %ws",
            u"No printer",
            u"Removed.",
            u"Failed. Error:%d",
            u"The driver folder: %ws"};
}

std::vector<std::u16string> Texts(const std::vector<TreeLine>& lines) {
    std::vector<std::u16string> texts;
    for (const TreeLine& line : lines)
        texts.push_back(std::u16string(static_cast<std::size_t>(line.depth), u'>') + line.text);
    return texts;
}

TEST(UninstallTree, LinesShowEveryLevelWithItsStatus) {
    FoundDriver d410 = Driver(u"Tavolen MX-410");
    d410.manufacturer = u"Tavolen";
    d410.version = (std::uint64_t{2026} << 48) | (std::uint64_t{9} << 32) | (std::uint64_t{12} << 16) | 0xFFFF;
    Inventory inventory = BuildInventory({{kStore, u"09/12/2026,2026.09.12.01"}}, {d410, Driver(u"Bare")},
                                         {Queue(u"Label", u"Tavolen MX-410"), Queue(u"Shelf", u"Tavolen MX-410")});
    inventory.packages.push_back(PackageNode{});  // drivers without a package, none listed
    auto& printers = inventory.packages[0].drivers[0].printers;
    printers[0].status = {RemovalState::removed, 0};
    printers[1].status = {RemovalState::failed, 1801};
    inventory.packages[0].status = {RemovalState::failed, static_cast<std::int32_t>(0x8007007Fu)};

    const auto lines = BuildTreeLines(inventory, EnglishFormats(), u"C:\\Program Files (x86)\\Tavolen\\");
    const std::vector<std::u16string> expected{
        u"The driver folder: C:\\Program Files (x86)\\Tavolen\\",
        u">Driver Package:kelnov6.inf, version:09/12/2026,2026.09.12.01, " + kStore + u", Failed. Error:-2147024769",
        u">>Printer Driver:Tavolen MX-410, Tavolen, version:2026.9.12.65535, ",
        u">>>Printer:Label on the port: USB001. Removed.",
        u">>>Printer:Shelf on the port: USB001. Failed. Error:1801",
        u">>Printer Driver:Bare, , version:0.0.0.0, ",
        u">>>No printer",
        u">Printer driver list:",
        u">>No printer driver"};
    EXPECT_EQ(Texts(lines), expected);
    std::vector<bool> expanded;
    for (const TreeLine& line : lines) expanded.push_back(line.expanded);
    EXPECT_EQ(expanded, (std::vector<bool>{true, true, true, false, false, true, false, true, false}));
}

TEST(UninstallTree, NothingInstalledIsOneLine) {
    const auto lines = BuildTreeLines(Inventory{}, EnglishFormats(), u"C:\\x\\");
    EXPECT_EQ(Texts(lines), std::vector<std::u16string>{u"Nothing need to be removed there"});
}

TEST(UninstallTree, AMalformedFormatShowsAsWritten) {
    TreeFormats formats = EnglishFormats();
    formats.folder = u"Folder %q";
    formats.printer = u"Printer %ws %";
    const Inventory inventory = BuildInventory({}, {Driver(u"D")}, {Queue(u"Q", u"D")});
    const auto texts = Texts(BuildTreeLines(inventory, formats, u"C:\\x\\"));
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[0], u"Folder %q");
    EXPECT_EQ(texts[3], u">>>Printer %ws %");
}

TEST(UninstallTree, ALongLineIsCutNotOverrun) {
    const std::u16string folder(3000, u'x');
    const Inventory inventory = BuildInventory({}, {Driver(u"D")}, {});
    const auto lines = BuildTreeLines(inventory, EnglishFormats(), folder);
    EXPECT_EQ(lines[0].text.size(), kTreeLineChars - 1);
}

// ---- INF version and registry strings ------------------------------------------------------------

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

std::vector<std::uint8_t> Utf16File(std::u16string_view text) {
    std::vector<std::uint8_t> bytes{0xFF, 0xFE};
    for (char16_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return bytes;
}

TEST(InfDriverVer, ReadsTheVersionSection) {
    struct Case {
        const char* what;
        std::string file;
        std::optional<std::u16string> version;
    } cases[] = {
        {"plain", "[Version]\r\nSignature=\"$Windows NT$\"\r\nDriverVer=09/12/2026,2026.09.12.01\r\n",
         u"09/12/2026,2026.09.12.01"},
        {"names in any case, blanks and a comment",
         "; header\n[ version ]\n  driverver  =  09/12/2026, 1.2.3.4   ; built\n", u"09/12/2026, 1.2.3.4"},
        {"quoted parts lose their quotes", "[Version]\nDriverVer=\"09/12/2026\",\"1;2\"\"3\"\n", u"09/12/2026,1;2\"3"},
        {"another section's key does not count", "[Strings]\nDriverVer=1\n[Version]\nClass=Printer\n", std::nullopt},
        {"the first line wins, also in a later Version section",
         "[Version]\nClass=Printer\n[Models]\nDriverVer=9\n[Version]\nDriverVer=2\nDriverVer=3\n", u"2"},
        {"a key without value", "[Version]\nDriverVer\nDriverVer=\n", u""},
        {"an unclosed section name ends the section", "[Version]\n[Version\nDriverVer=1\n", std::nullopt},
        {"no line end at the end", "[Version]\nDriverVer=1.0", u"1.0"},
        {"UTF-8 mark", "\xEF\xBB\xBF[Version]\nDriverVer=7\n", u"7"},
        {"empty file", "", std::nullopt},
    };
    for (const Case& c : cases) {
        const auto bytes = Bytes(c.file);
        EXPECT_EQ(InfDriverVer(bytes.data(), bytes.size(), 49), c.version) << c.what;
    }
}

TEST(InfDriverVer, ReadsUtf16FilesAndCutsLongValues) {
    const auto utf16 = Utf16File(u"[Version]\r\nDriverVer=09/12/2026,2026.09.12.01\r\n");
    EXPECT_EQ(InfDriverVer(utf16.data(), utf16.size(), 49), u"09/12/2026,2026.09.12.01");
    // An odd last byte is no unit.
    auto odd = Utf16File(u"[Version]\nDriverVer=5");
    odd.push_back(0x41);
    EXPECT_EQ(InfDriverVer(odd.data(), odd.size(), 49), u"5");

    const auto longValue = Bytes("[Version]\nDriverVer=" + std::string(200, '9') + "\n");
    EXPECT_EQ(InfDriverVer(longValue.data(), longValue.size(), 49), std::u16string(49, u'9'));
}

TEST(FirstRegistryString, StopsAtTheFirstTerminatorOrTheEnd) {
    struct Case {
        std::vector<std::uint8_t> bytes;
        std::u16string text;
    } cases[] = {
        {{'a', 0, 'b', 0, 0, 0, 'c', 0, 0, 0, 0, 0}, u"ab"},
        {{'a', 0, 'b', 0}, u"ab"},  // no terminator stored
        {{'a', 0, 'b'}, u"a"},      // odd size
        {{0, 0, 'a', 0}, u""},      // an empty first string
        {{}, u""},
    };
    for (const Case& c : cases) EXPECT_EQ(FirstRegistryString(c.bytes.data(), c.bytes.size()), c.text);
}

}  // namespace
}  // namespace kelno
