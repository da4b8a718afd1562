#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/command_line_split.h"
#include "usbonestep/onestep_command_line.h"

namespace kelno {
namespace {

std::string Show(std::u16string_view text) { return std::string(text.begin(), text.end()); }

OneStepOptions Parse(const std::vector<std::u16string>& arguments) {
    const std::vector<std::u16string_view> views(arguments.begin(), arguments.end());
    return ParseOneStepCommandLine(views);
}

struct ParseCase {
    const char* name;
    std::vector<std::u16string> arguments;
    bool uninstall, keepFolder, silent;
    std::u16string folder;
    bool waitLimited;
    std::uint32_t waitSeconds;
    bool waitInvalid;
};

TEST(OneStepCommandLine, ReadsSwitchesInAnyOrderAndCase) {
    const ParseCase cases[] = {
        {"nothing", {}, false, false, false, u"", false, 0, false},
        {"uninstall folder", {u"-u", u"C:\\Pkg\\"}, true, false, false, u"C:\\Pkg\\", false, 0, false},
        {"upper-case -U", {u"-U", u"D:\\x y\\"}, true, false, false, u"D:\\x y\\", false, 0, false},
        {"keep folder", {u"-DP"}, true, true, false, u"", false, 0, false},
        {"keep folder lower case", {u"-dp"}, true, true, false, u"", false, 0, false},
        {"silent mixed case", {u"/SiLeNcE"}, false, false, true, u"", false, 0, false},
        {"all in another order",
         {u"/silence", u"-DP", u"-u", u"E:\\f\\"},
         true,
         true,
         true,
         u"E:\\f\\",
         false,
         0,
         false},
        {"-u last has no folder", {u"/silence", u"-u"}, true, false, true, u"", false, 0, false},
        {"a switch after -u is no folder", {u"-u", u"/silence"}, true, false, true, u"", false, 0, false},
        {"-DP after -u is no folder", {u"-u", u"-dp"}, true, true, false, u"", false, 0, false},
        {"unknown arguments ignored", {u"/silent", u"u", u"--u", u"-DPX"}, false, false, false, u"", false, 0, false},
        {"wait limit", {u"/silence", u"/wait=30"}, false, false, true, u"", true, 30, false},
        {"wait zero, upper case", {u"/WAIT=0", u"/silence"}, false, false, true, u"", true, 0, false},
        {"wait one day", {u"/wait=86400"}, false, false, false, u"", true, 86400, false},
        {"wait over one day", {u"/wait=86401"}, false, false, false, u"", false, 0, true},
        {"wait huge", {u"/wait=99999999999"}, false, false, false, u"", false, 0, true},
        {"wait without value", {u"/wait="}, false, false, false, u"", false, 0, true},
        {"wait without =", {u"/wait"}, false, false, false, u"", false, 0, true},
        {"wait negative", {u"/wait=-5"}, false, false, false, u"", false, 0, true},
        {"wait not a number", {u"/wait=10s"}, false, false, false, u"", false, 0, true},
        {"last wait counts", {u"/wait=x", u"/wait=5"}, false, false, false, u"", true, 5, false},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.name);
        const OneStepOptions o = Parse(c.arguments);
        EXPECT_EQ(o.uninstall, c.uninstall);
        EXPECT_EQ(o.keepFolder, c.keepFolder);
        EXPECT_EQ(o.silent, c.silent);
        EXPECT_EQ(Show(o.folder), Show(c.folder));
        EXPECT_EQ(o.waitLimited, c.waitLimited);
        EXPECT_EQ(o.waitSeconds, c.waitSeconds);
        EXPECT_EQ(o.waitInvalid, c.waitInvalid);
    }
}

// The handles a silent unins000.exe hands its copy: only a handle value counts, and a wrong
// one leaves that handle out rather than pointing the copy at some other handle.
TEST(OneStepCommandLine, ReadsTheStarterHandlesOnlyAsHandleValues) {
    const struct {
        const char* name;
        std::vector<std::u16string> arguments;
        std::uint32_t codePipe, starter;
        std::u16string folder;
    } cases[] = {
        {"both", {u"/silence", u"/codepipe=124", u"/starter=96", u"-u", u"C:\\Pkg\\"}, 124, 96, u"C:\\Pkg\\"},
        {"upper case, any order", {u"/STARTER=4", u"/CodePipe=8"}, 8, 4, u""},
        {"largest value", {u"/codepipe=4294967292"}, 4294967292u, 0, u""},
        {"beyond 32 bits", {u"/codepipe=4294967296"}, 0, 0, u""},
        {"too many digits", {u"/codepipe=00000000008"}, 0, 0, u""},
        {"not a multiple of 4", {u"/codepipe=13", u"/starter=6"}, 0, 0, u""},
        {"zero", {u"/codepipe=0", u"/starter=0"}, 0, 0, u""},
        {"not decimal", {u"/codepipe=0x10", u"/starter=-4"}, 0, 0, u""},
        {"no value", {u"/codepipe=", u"/starter"}, 0, 0, u""},
        {"a later valid value counts", {u"/codepipe=x", u"/codepipe=16"}, 16, 0, u""},
        {"a later invalid value clears", {u"/codepipe=16", u"/codepipe=17"}, 0, 0, u""},
        {"never the folder after -u", {u"-u", u"/codepipe=8", u"-u", u"/starter=12"}, 8, 12, u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const OneStepOptions o = Parse(c.arguments);
        EXPECT_EQ(o.starterHandles.codePipe, c.codePipe);
        EXPECT_EQ(o.starterHandles.starter, c.starter);
        EXPECT_EQ(o.starterHandles.Given(), c.codePipe != 0 && c.starter != 0);
        EXPECT_EQ(Show(o.folder), Show(c.folder));
    }
}

TEST(OneStepCommandLine, KnowsTheUninstallerByItsExactBaseName) {
    const struct {
        std::u16string path;
        bool uninstaller;
    } cases[] = {
        {u"C:\\Program Files (x86)\\Pkg\\unins000.exe", true},
        {u"unins000.exe", true},
        {u"C:/Pkg/unins000.exe", true},
        {u"C:\\Pkg\\unins000", true},
        {u"C:\\Pkg\\UNINS000.EXE", false},
        {u"C:\\Pkg\\usbonestep.exe", false},
        {u"C:\\Pkg\\unins0001.exe", false},
        {u"C:\\Pkg\\unins000.tmp.exe", false},
        {u"C:\\unins000.exe\\usbonestep.exe", false},
        {u"C:\\Temp\\uns1A2B.tmp", false},
        {u"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsUninstallerProgramPath(c.path), c.uninstaller) << Show(c.path);
}

TEST(OneStepCommandLine, ProgramFolderKeepsItsTrailingSeparator) {
    EXPECT_EQ(Show(ProgramFolderOf(u"C:\\Program Files (x86)\\Pkg\\usbonestep.exe")), "C:\\Program Files (x86)\\Pkg\\");
    EXPECT_EQ(Show(ProgramFolderOf(u"C:/Pkg/usbonestep.exe")), "C:/Pkg/");
    EXPECT_EQ(Show(ProgramFolderOf(u"usbonestep.exe")), "");
}

// The copy's command line, split as the system splits it, reads back as uninstall mode for the
// folder: the folder's trailing backslash must not swallow a closing quote or a switch.
TEST(OneStepCommandLine, UninstallCopyCommandLineReadsBackAsUninstallModeOfTheFolder) {
    const std::u16string copy = u"C:\\users\\me\\Temp\\unsA1B2.tmp";
    for (const std::u16string folder :
         {u"C:\\Program Files (x86)\\Tavolen printer driver for windows\\", u"D:\\pkg\\", u"D:\\a b\\\\"}) {
        for (const bool silent : {false, true}) {
            for (const StarterHandles handles :
                 {StarterHandles{}, StarterHandles{4, 8}, StarterHandles{1020, 4294967292u}}) {
                SCOPED_TRACE(Show(folder) + (silent ? " silent" : "") + " handles " + std::to_string(handles.codePipe) +
                             "/" + std::to_string(handles.starter));
                const std::u16string line = UninstallCopyCommandLine(copy, folder, silent, handles);
                const std::vector<std::u16string> argv = test::SplitCommandLine(line);
                ASSERT_FALSE(argv.empty());
                EXPECT_EQ(Show(argv[0]), Show(copy));
                const OneStepOptions o = Parse(std::vector<std::u16string>(argv.begin() + 1, argv.end()));
                EXPECT_TRUE(o.uninstall);
                EXPECT_FALSE(o.keepFolder);
                EXPECT_EQ(o.silent, silent);
                EXPECT_EQ(Show(o.folder), Show(folder));
                EXPECT_EQ(o.starterHandles.codePipe, handles.codePipe);
                EXPECT_EQ(o.starterHandles.starter, handles.starter);
            }
        }
    }
}

TEST(OneStepCommandLine, PackageUninstallerIsUnins000InTheFolder) {
    for (const std::u16string folder : {u"C:\\Program Files (x86)\\Pkg\\", u"C:\\Program Files (x86)\\Pkg"}) {
        const std::vector<std::u16string> argv = test::SplitCommandLine(PackageUninstallerCommandLine(folder));
        ASSERT_EQ(argv.size(), 1u);
        EXPECT_EQ(Show(argv[0]), "C:\\Program Files (x86)\\Pkg\\unins000.exe");
        EXPECT_TRUE(IsUninstallerProgramPath(argv[0]));
    }
}

}  // namespace
}  // namespace kelno
