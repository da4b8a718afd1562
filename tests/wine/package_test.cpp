// The package folder as the prefix holds it: the programs start and exit with 0, the log is
// written, and the test bench's own helpers see what the programs write.
#include <gtest/gtest.h>

#include "tests/support/wine_test_support.h"

namespace kelno::test {
namespace {

TEST(Package, HoldsTheLayoutOfTheSetup) {
    const std::wstring pkg = PackageFolderPath();
    for (const wchar_t* file :
         {L"drvwizard.exe", L"usbonestep.exe", L"unins000.exe", L"kelnov6.inf", L"vamtv3.inf", L"dat\\kelnodrv6.dat",
          L"amd64\\kelnodrv6ui.dll", L"amd64\\kelnodrv6.dll", L"amd64\\kelnomon.dll"})
        EXPECT_TRUE(FileExists(JoinPath(pkg, file))) << Narrow(file);
}

TEST(Package, StandInDllsLoad) {
    const std::wstring pkg = PackageFolderPath();
    for (const wchar_t* file : {L"amd64\\kelnodrv6ui.dll", L"amd64\\kelnodrv6.dll", L"amd64\\kelnomon.dll"}) {
        HMODULE module = LoadLibraryW(JoinPath(pkg, file).c_str());
        EXPECT_NE(module, nullptr) << Narrow(file) << " error " << GetLastError();
        if (module) FreeLibrary(module);
    }
    HMODULE monitor = LoadLibraryW(JoinPath(pkg, L"amd64\\kelnomon.dll").c_str());
    ASSERT_NE(monitor, nullptr);
    EXPECT_NE(GetProcAddress(monitor, "InitializePrintMonitor2"), nullptr);
    FreeLibrary(monitor);
}

TEST(Package, DataFileHeaderIsTheStandIn) {
    const std::string dat = ReadFileBytes(JoinPath(PackageFolderPath(), L"dat\\kelnodrv6.dat"));
    ASSERT_EQ(dat.size(), 472u);
    EXPECT_EQ(dat.substr(0, 4), "Vamt");
    EXPECT_EQ(static_cast<unsigned char>(dat[8]) | static_cast<unsigned char>(dat[9]) << 8, 472);
}

TEST(Package, InfVersionSectionNamesTheProvider) {
    for (const wchar_t* inf : {L"kelnov6.inf", L"vamtv3.inf"}) {
        wchar_t provider[64] = L"";
        GetPrivateProfileStringW(L"Version", L"Provider", nullptr, provider, 50,
                                 JoinPath(PackageFolderPath(), inf).c_str());
        EXPECT_STREQ(provider, L"Tavolen");
    }
}

TEST(Package, ProgramsRunAndExitWithZero) {
    DebugOutputCapture capture;
    const std::wstring pkg = PackageFolderPath();
    const std::wstring work = MakeTempFolder(L"run");
    const RunResult wizard = RunProgram(JoinPath(pkg, L"drvwizard.exe"), L"", work);
    ASSERT_TRUE(wizard.started);
    EXPECT_TRUE(wizard.finished);
    EXPECT_EQ(wizard.exitCode, 0u);
    // The wizard keeps its log in its current folder.
    const auto lines = ReadLines(JoinPath(work, L"drvwlog.log"));
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.front().find("[ BEGIN ]"), std::string::npos);

    // Without a printer an unattended install with a wait limit ends with its own exit code.
    const RunResult onestep = RunProgram(JoinPath(pkg, L"usbonestep.exe"), L"/silence /wait=1", work);
    EXPECT_TRUE(onestep.finished);
    EXPECT_EQ(onestep.exitCode, 2u);
    // usbonestep writes to the debugger output only.
    EXPECT_TRUE(capture.WaitFor(L"usbonestep: package folder"));
}

}  // namespace
}  // namespace kelno::test
