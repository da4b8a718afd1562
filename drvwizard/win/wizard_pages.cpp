#include "drvwizard/win/wizard_pages.h"

#include <commctrl.h>
#include <prsht.h>
#include <richedit.h>
#include <winspool.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/win/boundary.h"
#include "base/win/wide_text.h"
#include "common/model_table.h"
#include "common/win/log.h"
#include "drvwizard/wizard_flow.h"
#include "resources/drvwizard/resource_ids.h"

namespace kelno {

WizardState* KeepPageState(HWND page, LPARAM initParam) {
    const auto* sheetPage = reinterpret_cast<const PROPSHEETPAGEW*>(initParam);
    auto* state = sheetPage ? reinterpret_cast<WizardState*>(sheetPage->lParam) : nullptr;
    SetWindowLongPtrW(page, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
    return state;
}

WizardState* PageState(HWND page) { return reinterpret_cast<WizardState*>(GetWindowLongPtrW(page, GWLP_USERDATA)); }

void SetWizardButtons(HWND page, std::uint32_t buttons) {
    PostMessageW(GetParent(page), PSM_SETWIZBUTTONS, 0, static_cast<LPARAM>(buttons));
}

INT_PTR AnswerPageChange(HWND page, int target) {
    SetWindowLongPtrW(page, DWLP_MSGRESULT, target);
    return TRUE;
}

bool SupportedQueueInstalled() {
    DWORD needed = 0, returned = 0;
    EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &returned);
    if (needed == 0) return false;
    std::vector<BYTE> buffer(needed);
    if (!EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, buffer.data(), needed, &needed, &returned)) return false;
    const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    for (DWORD i = 0; i < returned; ++i)
        if (info[i].pDriverName && FindModel(U16View(info[i].pDriverName))) return true;
    return false;
}

void LoadWizardText(UINT id, wchar_t* out, int capacity) {
    if (!out || capacity <= 0) return;
    if (LoadStringW(GetModuleHandleW(nullptr), id, out, capacity) <= 0) out[0] = 0;
}

namespace {

// ---------------------------------------------------------------------------------------------
// Agreement page (134)

struct StreamSource {
    const char* bytes;
    std::size_t size;
    std::size_t offset;
};

DWORD CALLBACK ReadLicence(DWORD_PTR cookie, LPBYTE buffer, LONG capacity, LONG* done) {
    auto* source = reinterpret_cast<StreamSource*>(cookie);
    const std::size_t left = source->size - source->offset;
    const std::size_t count = left < static_cast<std::size_t>(capacity) ? left : static_cast<std::size_t>(capacity);
    std::memcpy(buffer, source->bytes + source->offset, count);
    source->offset += count;
    *done = static_cast<LONG>(count);
    return 0;
}

// The licence text (an RTF resource) into the rich-edit box.
void LoadLicence(HWND page) {
    const HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(IDR_LICENCE_AGREEMENT), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return;
    StreamSource source{static_cast<const char*>(bytes), SizeofResource(module, found), 0};
    EDITSTREAM stream{};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
    stream.pfnCallback = ReadLicence;
    SendDlgItemMessageW(page, IDC_AGREEMENT_TEXT, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
}

void UpdateAgreementButtons(HWND page, WizardState& state) {
    const std::uint32_t buttons = AgreementButtons(IsDlgButtonChecked(page, IDC_AGREEMENT_ACCEPT) == BST_CHECKED);
    state.agreementButtons = static_cast<std::int32_t>(buttons);
    SetWizardButtons(page, buttons);
}

// ---------------------------------------------------------------------------------------------
// Mode page (129)

// Starts "unins000.exe" from the program's folder without arguments and waits briefly for it.
bool StartPackageUninstaller() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    wchar_t* slash = wcsrchr(path, L'\\');
    if (!slash) return false;
    static constexpr wchar_t kUninstaller[] = L"unins000.exe";
    if (static_cast<std::size_t>(slash + 1 - path) + std::size(kUninstaller) > MAX_PATH) return false;
    wcscpy(slash + 1, kUninstaller);

    std::wstring commandLine = L"\"" + std::wstring(path) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(path, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        KELNO_LOG_INFO("uninstaller not started: path={} error={}", Utf8(path), GetLastError());
        return false;
    }
    WaitForSingleObject(process.hProcess, 100);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    KELNO_LOG_INFO("uninstaller started: path={}", Utf8(path));
    return true;
}

}  // namespace

INT_PTR CALLBACK AgreementPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
    return Guarded("agreement page", static_cast<INT_PTR>(FALSE), [&]() -> INT_PTR {
        WizardState* state = message == WM_INITDIALOG ? KeepPageState(page, lParam) : PageState(page);
        if (!state) return FALSE;
        switch (message) {
            case WM_INITDIALOG:
                LoadLicence(page);
                CheckRadioButton(page, IDC_AGREEMENT_ACCEPT, IDC_AGREEMENT_DECLINE, IDC_AGREEMENT_DECLINE);
                state->mode = kWizardModeInstall;
                state->noSupportedPrinter = SupportedQueueInstalled() ? 0 : 1;
                return TRUE;
            case WM_COMMAND: UpdateAgreementButtons(page, *state); return TRUE;
            case WM_NOTIFY:
                switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
                    case PSN_SETACTIVE: UpdateAgreementButtons(page, *state); return TRUE;
                    case PSN_WIZNEXT: return AnswerPageChange(page, AgreementNext(state->noSupportedPrinter));
                    default: return FALSE;
                }
            default: return FALSE;
        }
    });
}

INT_PTR CALLBACK ModePageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
    return Guarded("mode page", static_cast<INT_PTR>(FALSE), [&]() -> INT_PTR {
        WizardState* state = message == WM_INITDIALOG ? KeepPageState(page, lParam) : PageState(page);
        if (!state) return FALSE;
        switch (message) {
            case WM_INITDIALOG:
                CheckRadioButton(page, IDC_MODE_INSTALL, IDC_MODE_UNINSTALL,
                                 state->mode == kWizardModeUninstall ? IDC_MODE_UNINSTALL : IDC_MODE_INSTALL);
                return TRUE;
            case WM_COMMAND:
                state->mode = IsDlgButtonChecked(page, IDC_MODE_UNINSTALL) == BST_CHECKED ? kWizardModeUninstall
                                                                                          : kWizardModeInstall;
                return TRUE;
            case WM_NOTIFY:
                switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
                    case PSN_SETACTIVE: SetWizardButtons(page, kButtonsNext); return TRUE;
                    case PSN_WIZNEXT: {
                        const bool started = ModeHandsOver(state->mode) && StartPackageUninstaller();
                        const ModeNextStep step = ModeNext(state->mode, started);
                        // The package's uninstaller has taken over: the wizard closes.
                        if (step.closeWizard) PostMessageW(GetParent(page), PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
                        return AnswerPageChange(page, step.page);
                    }
                    default: return FALSE;
                }
            default: return FALSE;
        }
    });
}

}  // namespace kelno
