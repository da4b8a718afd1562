// The result page (dialog 135): a large status line (1042) coloured by the outcome, the progress
// text (1019) the engine's steps append to, and a hidden button (1045). Activation starts the
// worker once; WM_WORK_DONE ends the run with its final line and offers Back and Finish.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <iterator>
#include <memory>

#include "base/win/boundary.h"
#include "base/win/scoped.h"
#include "drvwizard/win/install_worker.h"
#include "drvwizard/win/wizard_messages.h"
#include "drvwizard/win/wizard_pages.h"
#include "drvwizard/wizard_flow.h"
#include "resources/drvwizard/resource_ids.h"

namespace kelno {
namespace {

constexpr wchar_t kPageDataProperty[] = L"KelnoResultPage";
// What the page keeps of one appended text.
constexpr int kAppendChars = 100;

struct ResultPageData {
    ScopedGdiObject<HFONT> statusFont;
    ResultRun run;
    ScopedHandle worker;
    bool finished = false;  // a run has ended since the page was last activated
};

ResultPageData* PageData(HWND page) { return static_cast<ResultPageData*>(GetPropW(page, kPageDataProperty)); }

// Appends text at the end of the progress box.
void AppendText(HWND page, const wchar_t* text, int maxChars) {
    wchar_t line[kAppendChars + 1];
    const int limit = maxChars < kAppendChars ? maxChars : kAppendChars;
    lstrcpynW(line, text ? text : L"", limit + 1);
    const HWND box = GetDlgItem(page, IDC_RESULT_TEXT);
    const int end = GetWindowTextLengthW(box);
    SendMessageW(box, EM_SETSEL, end, end);
    SendMessageW(box, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(line));
}

void AppendString(HWND page, UINT id) {
    wchar_t text[kAppendChars + 1];
    LoadWizardText(id, text, static_cast<int>(std::size(text)));
    AppendText(page, text, kAppendChars);
}

// Blue for a successful install (or a finished removal), red otherwise.
bool StatusIsGood(const WizardState& state, const ResultPageData& data) {
    if (state.mode == kWizardModeInstall) return InstallSucceeded.load();
    return data.finished;
}

void StartWork(HWND page, WizardState& state, ResultPageData& data) {
    if (!data.run.TryStart()) return;
    data.finished = false;
    state.resultPage = page;
    SetDlgItemTextW(page, IDC_RESULT_TEXT, L"");
    AppendString(page, ResultWaitLine(state.mode));
    data.worker.reset(StartWizardWorker(state));
    if (!data.worker) {
        // No thread: the run ends at once as a failure.
        InstallSucceeded = false;
        PostMessageW(page, WM_WORK_DONE, static_cast<WPARAM>(state.mode), 0);
    }
}

void FinishWork(HWND page, WizardState& state, ResultPageData& data) {
    data.run.Finish();
    data.finished = true;
    data.worker.reset();
    AppendString(page, ResultFinalLine(state.mode, InstallSucceeded.load()));
    InvalidateRect(GetDlgItem(page, IDC_RESULT_STATUS), nullptr, TRUE);
    SetWizardButtons(page, kButtonsBackFinish);
}

}  // namespace

INT_PTR CALLBACK ResultPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    return Guarded("result page", static_cast<INT_PTR>(FALSE), [&]() -> INT_PTR {
        WizardState* state = message == WM_INITDIALOG ? KeepPageState(page, lParam) : PageState(page);
        ResultPageData* data = PageData(page);
        if (!state) return FALSE;
        if (message == WM_INITDIALOG) {
            auto created = std::make_unique<ResultPageData>();
            created->statusFont.reset(
                CreateFontW(32, 0, 0, 0, 0, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial"));
            if (created->statusFont)
                SendDlgItemMessageW(page, IDC_RESULT_STATUS, WM_SETFONT,
                                    reinterpret_cast<WPARAM>(created->statusFont.get()), FALSE);
            SetPropW(page, kPageDataProperty, created.release());
            return TRUE;
        }
        if (!data) return FALSE;
        switch (message) {
            case WM_CTLCOLORSTATIC:
                if (reinterpret_cast<HWND>(lParam) != GetDlgItem(page, IDC_RESULT_STATUS)) return FALSE;
                SetTextColor(reinterpret_cast<HDC>(wParam), ResultStatusColour(StatusIsGood(*state, *data)));
                SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
                return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_WINDOW));
            case WM_START_WORK: StartWork(page, *state, *data); return TRUE;
            case WM_APPEND_LOG: AppendText(page, reinterpret_cast<const wchar_t*>(lParam), kAppendChars); return TRUE;
            case WM_WORK_DONE: FinishWork(page, *state, *data); return TRUE;
            case WM_NOTIFY:
                switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
                    case PSN_SETACTIVE:
                        SetWizardButtons(page, kButtonsFinishDisabled);
                        PostMessageW(page, WM_START_WORK, 0, 0);
                        return TRUE;
                    case PSN_WIZBACK: return AnswerPageChange(page, ResultBack(state->mode));
                    case PSN_QUERYCANCEL:
                        // Closing while the engine works would leave a half-made install behind.
                        SetWindowLongPtrW(page, DWLP_MSGRESULT, data->run.Active() ? TRUE : FALSE);
                        return TRUE;
                    default: return FALSE;
                }
            case WM_DESTROY:
                RemovePropW(page, kPageDataProperty);
                delete data;
                return FALSE;
            default: return FALSE;
        }
    });
}

}  // namespace kelno
