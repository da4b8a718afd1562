#pragma once
// Drives the real setup wizard (drvwizard.exe) from a Windows test program, across processes:
// starts it in the throwaway prefix (by default the package's copy, in a fresh working folder
// that receives its log, with a chosen UI language), finds the wizard window, its current page
// and that page's dialog id, presses the wizard buttons, reads and sets controls, reads list-view
// rows, finds and answers message boxes, takes screenshots and waits for the exit code.
//
// Every wait polls with a deadline. GUI tests only (the private display): without one Wine makes
// no window. Tests that start the wizard in wizard mode run in the private network namespace
// (it opens discovery sockets).
#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kelno::test {

// Sheet buttons of a Wizard 97 property sheet (the control ids of the sheet window).
inline constexpr int kSheetBackButton = 0x3023;
inline constexpr int kSheetNextButton = 0x3024;
inline constexpr int kSheetFinishButton = 0x3025;
inline constexpr int kSheetCancelButton = IDCANCEL;

struct WizardLaunch {
    std::wstring program;           // empty: drvwizard.exe of the package folder
    std::wstring arguments;         // the command line after the quoted program path
    std::wstring workingDirectory;  // empty: a new temporary folder (the log goes there)
    // Empty: the test's own. Else LANG and LC_ALL in the program's environment block (Wine 8
    // takes a started program's UI language from its parent's Unix locale, not from this: tests
    // that need a language run the whole test program in it, see tests/wine/CMakeLists.txt).
    std::wstring locale;

    static WizardLaunch Program(std::wstring path) {
        WizardLaunch launch;
        launch.program = std::move(path);
        return launch;
    }
    static WizardLaunch Arguments(std::wstring arguments) {
        WizardLaunch launch;
        launch.arguments = std::move(arguments);
        return launch;
    }
    WizardLaunch& InLocale(std::wstring name) {
        locale = std::move(name);
        return *this;
    }
};

// A message box of the program: its window, caption, text and buttons' ids.
struct MessageBoxInfo {
    HWND window = nullptr;
    std::wstring caption;
    std::wstring text;
};

class WizardWindow {
public:
    explicit WizardWindow(const WizardLaunch& launch = {});
    // Ends the program if it still runs.
    ~WizardWindow();
    WizardWindow(const WizardWindow&) = delete;
    WizardWindow& operator=(const WizardWindow&) = delete;

    bool Started() const { return process_ != nullptr; }
    DWORD ProcessId() const { return processId_; }
    const std::wstring& WorkingDirectory() const { return workingDirectory_; }
    // The program's log lines (drvwlog.log in its working folder).
    std::vector<std::string> LogLines() const;

    // Waits for the program to end; its exit code, or nothing when it still runs at the deadline.
    std::optional<DWORD> WaitForExit(DWORD timeoutMs = 60000);
    bool Running() const;
    void Terminate();

    // The wizard window (the property sheet); null until it exists.
    HWND WaitForSheet(DWORD timeoutMs = 60000);
    HWND Sheet() const { return sheet_; }
    // Any visible top-level window of the program (sheet or message box), null when none.
    HWND AnyWindow() const;

    // The current page and its dialog template id (0 when there is no sheet or page).
    HWND CurrentPage() const;
    int CurrentPageId() const;
    // Waits until the current page is the dialog.
    bool WaitForPage(int dialogId, DWORD timeoutMs = 30000);

    // PSM_PRESSBUTTON (posted): PSBTN_BACK, PSBTN_NEXT, PSBTN_FINISH, PSBTN_CANCEL.
    void PressButton(int button);
    // Next or Back, then waits until the current page is the expected one.
    bool NextTo(int dialogId, DWORD timeoutMs = 30000);
    bool BackTo(int dialogId, DWORD timeoutMs = 30000);
    // Whether one of the sheet's own buttons (kSheet*Button) is enabled and visible.
    bool SheetButtonEnabled(int buttonId) const;
    // Waits until the sheet button's enabled state is the wanted one.
    bool WaitForSheetButton(int buttonId, bool enabled, DWORD timeoutMs = 30000) const;

    // Controls of the current page.
    HWND Control(int controlId) const;
    bool Click(int controlId);  // BM_CLICK, sent
    bool Checked(int controlId) const;
    bool Enabled(int controlId) const;
    bool Visible(int controlId) const;
    std::wstring Text(int controlId) const;
    bool SetText(int controlId, const std::wstring& text);
    // Waits until the control's text contains the part.
    bool WaitForText(int controlId, const std::wstring& part, DWORD timeoutMs = 60000) const;

    // Rows of a report list view of the current page, each cell of the first columns.
    std::vector<std::vector<std::wstring>> ListRows(int controlId, int columns) const;
    // Selects (or clears) one row of such a list view; false when the target refused.
    bool SelectListRow(int controlId, int row, bool selected = true);
    std::vector<int> SelectedListRows(int controlId) const;

    // A message box of the program (dialog class "#32770" that is not the sheet).
    std::optional<MessageBoxInfo> WaitForMessageBox(DWORD timeoutMs = 30000) const;
    // Presses the box's button (IDOK, IDCANCEL, IDYES, IDNO ...).
    static void AnswerMessageBox(const MessageBoxInfo& box, int buttonId);

    // Saves the sheet (or the whole screen when there is no sheet) as <artifacts>\<name>.bmp.
    bool Screenshot(const std::wstring& name) const;
    // Pixels of the window's screen area whose colour is within tolerance of colour
    // (each channel), read from the screen.
    int CountScreenPixels(HWND window, COLORREF colour, int tolerance = 40) const;

private:
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    HWND sheet_ = nullptr;
    std::wstring workingDirectory_;
};

// A queue of a driver on the package's files in the prefix's spooler (the files are staged and
// the driver is added when missing). False when a step failed (see GetLastError).
bool AddPackageQueue(const std::wstring& queue, const std::wstring& driver, const std::wstring& port = L"FILE:");

// The environment block of this process with the variables replaced (name=value each).
std::vector<wchar_t> EnvironmentWith(const std::vector<std::pair<std::wstring, std::wstring>>& replaced);

}  // namespace kelno::test
