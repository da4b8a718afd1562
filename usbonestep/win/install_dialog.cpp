#include "usbonestep/win/install_dialog.h"

#include <commctrl.h>
#include <strsafe.h>

#include <memory>
#include <string>

#include "base/win/boundary.h"
#include "common/win/debug_output.h"
#include "resources/usbonestep/resource_ids.h"
#include "usbonestep/onestep_rules.h"
#include "usbonestep/win/install_loop.h"
#include "usbonestep/win/install_start.h"

namespace kelno {
namespace {

constexpr DWORD kWizardStartWaitMs = 300;

struct LoopStart {
    HWND dialog;
    OneStepOptions options;
};

DWORD WINAPI InstallLoopThread(void* parameter) {
    std::unique_ptr<LoopStart> start(static_cast<LoopStart*>(parameter));
    return static_cast<DWORD>(
        Guarded("usbonestep install loop", 0, [&start] { return RunInstallLoop(start->dialog, start->options); }));
}

struct WindowOfProcess {
    DWORD processId;
    HWND window;
};

BOOL CALLBACK FindProcessWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowOfProcess*>(parameter);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId != search->processId) return TRUE;
    search->window = window;
    SetForegroundWindow(window);
    return FALSE;
}

// The system's add-printer-driver wizard on the package INF, brought to the front.
void StartDriverWizard() {
    wchar_t infPath[MAX_PATH], command[2 * MAX_PATH];
    if (!OneStepInfPath(infPath) ||
        FAILED(StringCchPrintfW(command, std::size(command), L"rundll32.exe printui.dll PrintUIEntry /ii /f \"%ws\"",
                                infPath)))
        return;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        DebugOutF(L"Start %ws failed, errcode:%d.\r\n", command, static_cast<int>(GetLastError()));
        return;
    }
    DebugOutF(L"Started %ws, process %u.\r\n", command, static_cast<unsigned>(process.dwProcessId));
    Sleep(kWizardStartWaitMs);
    WindowOfProcess search{process.dwProcessId, nullptr};
    EnumWindows(&FindProcessWindow, reinterpret_cast<LPARAM>(&search));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

INT_PTR OnInitDialog(HWND dialog, const OneStepOptions& options) {
    SendDlgItemMessageW(dialog, IDC_ONESTEP_INSTALL_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    auto start = std::make_unique<LoopStart>(LoopStart{dialog, options});
    if (HANDLE thread = CreateThread(nullptr, 0, &InstallLoopThread, start.get(), 0, nullptr)) {
        start.release();
        CloseHandle(thread);
    } else {
        DebugOutF(L"CreateThread failed, errcode:%d.\r\n", static_cast<int>(GetLastError()));
    }
    return TRUE;
}

INT_PTR CALLBACK InstallDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    return Guarded("usbonestep install dialog", static_cast<INT_PTR>(FALSE), [&]() -> INT_PTR {
        switch (message) {
            case WM_INITDIALOG: return OnInitDialog(dialog, *reinterpret_cast<const OneStepOptions*>(lParam));
            case WM_COMMAND:
                switch (LOWORD(wParam)) {
                    case IDCANCEL: EndDialog(dialog, kExitOk); return TRUE;
                    case IDC_ONESTEP_WIZARD: StartDriverWizard(); return TRUE;
                }
                break;
        }
        return FALSE;
    });
}

}  // namespace

int RunInstallDialog(HINSTANCE instance, const OneStepOptions& options) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    const INT_PTR result = DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_ONESTEP_INSTALL), nullptr, &InstallDialogProc,
                                           reinterpret_cast<LPARAM>(&options));
    if (result == -1) DebugOutF(L"DialogBoxParam failed, errcode:%d.\r\n", static_cast<int>(GetLastError()));
    return kExitOk;
}

}  // namespace kelno
