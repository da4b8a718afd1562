#pragma once
// The wizard's install page hosted in a modeless Wizard 97 sheet of the test's own process, with
// the wizard's state behind it and the page's message boxes answered through the seam. Needs
// the private display and the wizard's resources linked into the test.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "base/win/list_view.h"
#include "base/win/scoped_seam.h"
#include "common/win/seams.h"
#include "drvwizard/win/install_page.h"
#include "drvwizard/win/wizard_state.h"
#include "resources/drvwizard/resource_ids.h"

namespace kelno::test {

struct PortListRow {
    std::wstring port;
    std::wstring description;
    std::wstring type;
    bool selected;
};

// Delivers this thread's messages until the condition holds or the time is up.
inline bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done && done()) return true;
        if (std::chrono::steady_clock::now() >= end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}
inline void Pump(std::chrono::milliseconds time) { PumpUntil(nullptr, time); }

class InstallPageHost {
public:
    // A message box shown by the page: its text and title, answered with answer.
    struct Prompt {
        std::wstring text;
        std::wstring title;
        UINT buttons;
    };

    // prepare: what the wizard's state holds before the page is made (install mode otherwise).
    explicit InstallPageHost(const std::function<void(WizardState&)>& prepare = {})
        : messageBox_(seams::Ui().messageBoxW, &InstallPageHost::RecordPrompt) {
        Current() = this;
        state_.mode = kWizardModeInstall;
        if (prepare) prepare(state_);
        PROPSHEETPAGEW page{};
        page.dwSize = sizeof(page);
        page.dwFlags = PSP_DEFAULT;
        page.hInstance = GetModuleHandleW(nullptr);
        page.pszTemplate = MAKEINTRESOURCEW(IDD_INSTALL_PAGE);
        page.pfnDlgProc = InstallPageProc;
        page.lParam = reinterpret_cast<LPARAM>(&state_);
        HPROPSHEETPAGE pages[] = {CreatePropertySheetPageW(&page)};
        PROPSHEETHEADERW header{};
        header.dwSize = sizeof(header);
        header.dwFlags = PSH_WIZARD97 | PSH_MODELESS;
        header.hInstance = GetModuleHandleW(nullptr);
        header.nPages = 1;
        header.phpage = pages;
        sheet_ = reinterpret_cast<HWND>(PropertySheetW(&header));
        Pump(std::chrono::milliseconds(300));
    }
    ~InstallPageHost() {
        if (sheet_) DestroyWindow(sheet_);
        Pump(std::chrono::milliseconds(50));
        FreeWizardRequest(state_);
        Current() = nullptr;
    }
    InstallPageHost(const InstallPageHost&) = delete;
    InstallPageHost& operator=(const InstallPageHost&) = delete;

    bool Created() const { return sheet_ && Page(); }
    HWND Sheet() const { return sheet_; }
    HWND Page() const { return sheet_ ? PropSheet_GetCurrentPageHwnd(sheet_) : nullptr; }
    HWND Control(int id) const { return GetDlgItem(Page(), id); }
    WizardState& State() { return state_; }

    std::vector<PortListRow> Rows() const {
        std::vector<PortListRow> rows;
        HWND list = Control(IDC_PORT_LIST);
        for (int row = 0; row < RowCount(list); ++row) {
            wchar_t cells[3][260];
            for (int column = 0; column < 3; ++column) CellText(list, row, column, cells[column]);
            const bool selected = ListView_GetItemState(list, row, LVIS_SELECTED) != 0;
            rows.push_back({cells[0], cells[1], cells[2], selected});
        }
        return rows;
    }
    std::wstring Text(int id) const {
        wchar_t text[300] = L"";
        GetWindowTextW(Control(id), text, 300);
        return text;
    }
    void SetText(int id, const std::wstring& text) { SetWindowTextW(Control(id), text.c_str()); }
    // Clicks a button the way a user does (the page gets BN_CLICKED).
    void Click(int id) {
        SendMessageW(Control(id), BM_CLICK, 0, 0);
        Pump(std::chrono::milliseconds(50));
    }
    // Presses Next; the prompts the page showed meanwhile are in Prompts().
    void PressNext(int answer = IDOK) {
        answer_ = answer;
        PropSheet_PressButton(sheet_, PSBTN_NEXT);
        Pump(std::chrono::milliseconds(100));
    }
    const std::vector<Prompt>& Prompts() const { return prompts_; }
    void ClearPrompts() { prompts_.clear(); }

private:
    static InstallPageHost*& Current() {
        static InstallPageHost* current = nullptr;
        return current;
    }
    static int WINAPI RecordPrompt(HWND, LPCWSTR text, LPCWSTR title, UINT buttons) {
        InstallPageHost* host = Current();
        if (!host) return IDCANCEL;
        host->prompts_.push_back({text ? text : L"", title ? title : L"", buttons});
        return host->answer_;
    }

    WizardState state_{};
    HWND sheet_ = nullptr;
    int answer_ = IDOK;
    std::vector<Prompt> prompts_;
    ScopedSeam<decltype(UiSeams::messageBoxW)> messageBox_;
};

}  // namespace kelno::test
