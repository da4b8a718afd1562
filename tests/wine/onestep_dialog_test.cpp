// The one-click installer's dialog on the private display: the program started as a user starts
// it searches with the "Wizard" button offered, installs a printer connected while it searches
// and ends with "Done". The dialog's texts in every language of the program, and screenshots.
#include <windows.h>
#include <commctrl.h>
#include <strsafe.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/resources.h"
#include "tests/support/simulated_devices.h"
#include "tests/support/spooler.h"
#include "tests/support/started_program.h"
#include "tests/support/wine_test_support.h"

namespace kelno::test {
namespace {

constexpr int kDialog = 106;
constexpr int kWizardButton = 3;
constexpr int kProgress = 1003;
constexpr int kLog = 1005;
constexpr int kStatus = 1006;
constexpr int kPicture = 1007;
constexpr UINT kDeviceNotFound = 101, kInstalled = 103, kInstallFailed = 104, kFoundPrinter = 117, kDone = 118,
               kSearching = 119;

constexpr LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_NEUTRAL);
constexpr LANGID kGerman = MAKELANGID(LANG_GERMAN, SUBLANG_NEUTRAL);

std::wstring OneStep() { return JoinPath(PackageFolderPath(), L"usbonestep.exe"); }

// The program's resources, loaded as data.
class ProgramResources {
public:
    ProgramResources() : module_(LoadLibraryExW(OneStep().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
    ~ProgramResources() {
        if (module_) FreeLibrary(module_);
    }
    HMODULE get() const { return module_; }
    std::wstring Text(UINT id, LANGID language = kEnglish) const {
        return StringResource(module_, id, language).value_or(L"(missing)");
    }
    template <typename... Args>
    std::wstring Format(UINT id, Args... args) const {
        wchar_t text[1024] = L"";
        StringCchPrintfW(text, std::size(text), Text(id).c_str(), args...);
        return text;
    }

private:
    HMODULE module_;
};

// The conversions of a text in the order they stand: "%ws", "%d"; "%%" is none.
std::vector<std::wstring> Conversions(const std::wstring& text) {
    std::vector<std::wstring> found;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != L'%') continue;
        if (text[i + 1] == L'%') {
            ++i;
            continue;
        }
        std::size_t end = i + 1;
        while (end < text.size() && !iswalpha(text[end])) ++end;
        while (end < text.size() && (text[end] == L'w' || text[end] == L'l' || text[end] == L'h')) ++end;
        found.push_back(text.substr(i, end - i + 1));
        i = end;
    }
    return found;
}

// Every language has the dialog with the same controls and every installer string, with the
// conversions of the English text in the same order (a translation that drops or swaps one
// would print garbage or read past its arguments).
TEST(OneStepDialog, EveryLanguageHasTheDialogAndTheStringsWithTheirConversions) {
    const ProgramResources resources;
    ASSERT_NE(resources.get(), nullptr);
    const auto englishDialog =
        ParseDialog(*ResourceBytes(resources.get(), RT_DIALOG, MAKEINTRESOURCEW(kDialog), kEnglish));
    ASSERT_TRUE(englishDialog);
    EXPECT_EQ(englishDialog->caption, L"DerAzeza installer");
    const LANGID languages[] = {MAKELANGID(LANG_CHINESE, SUBLANG_NEUTRAL),
                                kGerman,
                                kEnglish,
                                MAKELANGID(LANG_SPANISH, SUBLANG_NEUTRAL),
                                MAKELANGID(LANG_FRENCH, SUBLANG_NEUTRAL),
                                MAKELANGID(LANG_ITALIAN, SUBLANG_NEUTRAL),
                                MAKELANGID(LANG_KOREAN, SUBLANG_NEUTRAL),
                                MAKELANGID(LANG_DUTCH, SUBLANG_NEUTRAL),
                                MAKELANGID(LANG_RUSSIAN, SUBLANG_NEUTRAL),
                                MAKELANGID(LANG_ARABIC, SUBLANG_ARABIC_SAUDI_ARABIA),
                                MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL)};
    for (const LANGID language : languages) {
        SCOPED_TRACE(language);
        const auto bytes = ResourceBytes(resources.get(), RT_DIALOG, MAKEINTRESOURCEW(kDialog), language);
        ASSERT_TRUE(bytes);
        const auto dialog = ParseDialog(*bytes);
        ASSERT_TRUE(dialog);
        EXPECT_EQ(dialog->ids, englishDialog->ids);
        EXPECT_NE(dialog->caption.find(L"DerAzeza"), std::wstring::npos);
        for (const UINT id : {kDeviceNotFound, 102u, kInstalled, kInstallFailed, kFoundPrinter, kDone, kSearching}) {
            const auto text = StringResource(resources.get(), id, language);
            ASSERT_TRUE(text) << id;
            EXPECT_EQ(Conversions(*text), Conversions(resources.Text(id))) << id;
            if (language != kEnglish && id != 102) EXPECT_NE(*text, resources.Text(id)) << id << " is not translated";
        }
    }
}

std::unique_ptr<SimulatedDevice> ConnectPrinter(const std::wstring& serial, DWORD port, const std::wstring& model) {
    auto device = AddUsbPrinterOfModel(serial, port, model);
    EXPECT_TRUE(device->Ok()) << Narrow(device->Failure());
    return device;
}

// The running program in the UI language of the run: Wine takes it from the locale environment of
// the test program, which its children inherit. The test runs once per language
// (KELNO_ONESTEP_LANGUAGE with LANG, set by its registration) and is skipped in a run without one.
TEST(OneStepDialog, SearchesInTheLanguageOfTheRun) {
    char code[16] = "";
    if (!GetEnvironmentVariableA("KELNO_ONESTEP_LANGUAGE", code, sizeof(code))) GTEST_SKIP() << "no language run";
    const struct {
        const char* code;
        LANGID language;
        const wchar_t* wizard;
    } languages[] = {{"en", kEnglish, L"Wizard"},
                     {"de", kGerman, L"Assistent"},
                     {"ar", MAKELANGID(LANG_ARABIC, SUBLANG_ARABIC_SAUDI_ARABIA), L"المعالج"}};
    const auto* run = std::find_if(std::begin(languages), std::end(languages),
                                   [&](const auto& entry) { return std::string(entry.code) == code; });
    ASSERT_NE(run, std::end(languages)) << code;

    const ProgramResources resources;
    StartedProgram program(OneStep());
    HWND dialog = WaitForProcessWindow(program.ProcessId(), 60000);
    ASSERT_NE(dialog, nullptr);
    const std::wstring notFound = resources.Text(kDeviceNotFound, run->language);
    ASSERT_TRUE(WaitUntil([&] { return ControlText(dialog, kStatus) == notFound; }, 60000))
        << Narrow(ControlText(dialog, kStatus));
    EXPECT_EQ(ControlText(dialog, kWizardButton), run->wizard);
    // Arabic reads from right to left.
    const bool rightToLeft = (GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0;
    EXPECT_EQ(rightToLeft, PRIMARYLANGID(run->language) == LANG_ARABIC);
    Sleep(300);
    EXPECT_TRUE(
        SaveScreenshot(dialog, JoinPath(ArtifactFolder(), L"onestep_dialog_searching_" + Widen(code) + L".bmp")));
}

// The running program: no printer, then one connected while it searches.
TEST(OneStepDialog, SearchesOffersTheWizardThenInstallsAConnectedPrinter) {
    const ProgramResources resources;
    StartedProgram program(OneStep());
    ASSERT_TRUE(program.Started());
    HWND dialog = WaitForProcessWindow(program.ProcessId(), 60000);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WindowText(dialog), L"DerAzeza installer");

    const std::wstring notFound = resources.Text(kDeviceNotFound);
    ASSERT_TRUE(WaitUntil([&] { return ControlText(dialog, kStatus) == notFound; }, 60000))
        << Narrow(ControlText(dialog, kStatus));
    EXPECT_TRUE(ControlVisible(dialog, kWizardButton));
    EXPECT_TRUE(ControlVisible(dialog, kPicture));
    EXPECT_FALSE(ControlVisible(dialog, kLog));
    EXPECT_EQ(ControlText(dialog, IDCANCEL), L"Cancel");
    Sleep(300);
    EXPECT_TRUE(SaveScreenshot(dialog, JoinPath(ArtifactFolder(), L"onestep_dialog_searching_en.bmp")));

    // "Wizard" starts the system's add-printer-driver wizard on the package INF.
    {
        DebugOutputCapture capture;
        PostMessageW(dialog, WM_COMMAND, kWizardButton, 0);
        const std::wstring wizard =
            L"Started rundll32.exe printui.dll PrintUIEntry /ii /f \"" + PackageFolderPath() + L"\\kelnov6.inf\"";
        EXPECT_TRUE(capture.WaitFor(wizard, std::chrono::seconds(30)));
        for (const std::wstring& line : capture.MessagesContaining(wizard)) {
            const std::size_t at = line.rfind(L"process ");
            if (at != std::wstring::npos) TerminateProcessById(std::wcstoul(line.c_str() + at + 8, nullptr, 10));
        }
    }

    auto printer = ConnectPrinter(L"SER410", 1, L"TavolenMX-410");
    const std::wstring done = resources.Text(kDone);
    ASSERT_TRUE(WaitUntil([&] { return ControlText(dialog, IDCANCEL) == done; }, 240000, 250))
        << Narrow(ControlText(dialog, kStatus));
    const std::wstring installed = resources.Format(kInstalled, L"Tavolen MX-410");
    EXPECT_EQ(ControlText(dialog, kStatus), installed);
    EXPECT_EQ(ControlText(dialog, kLog), resources.Format(kFoundPrinter, L"Tavolen MX-410") + installed);
    EXPECT_FALSE(ControlVisible(dialog, kWizardButton));
    EXPECT_TRUE(ControlVisible(dialog, kLog));
    EXPECT_EQ(SendMessageW(GetDlgItem(dialog, kProgress), PBM_GETPOS, 0, 0), 100);
    EXPECT_TRUE(FindQueue(L"Tavolen MX-410").found);
    Sleep(300);
    EXPECT_TRUE(SaveScreenshot(dialog, JoinPath(ArtifactFolder(), L"onestep_dialog_done_en.bmp")));

    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(program.WaitForExit(30000));
    EXPECT_EQ(program.ExitCode(), 0u);
}

}  // namespace
}  // namespace kelno::test
