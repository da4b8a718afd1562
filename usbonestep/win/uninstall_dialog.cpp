#include "usbonestep/win/uninstall_dialog.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "base/win/boundary.h"
#include "base/win/scoped.h"
#include "base/win/wide_text.h"
#include "common/win/debug_output.h"
#include "common/win/seams.h"
#include "resource_ids.h"
#include "usbonestep/uninstall_removal.h"
#include "usbonestep/uninstall_tree.h"
#include "usbonestep/win/uninstall_system.h"
#include "usbonestep/win/uninstaller.h"

namespace kelno {
namespace {

// The inventory is in the state: refill the tree, hide the progress bar, enable the buttons.
constexpr UINT kInventoryReady = WM_USER + 1;
// The removal thread has ended; wParam: 1 when the monitor copy and the folder may go.
constexpr UINT kRemovalDone = WM_USER + 2;
constexpr int kExitUninstalled = 0;
constexpr int kExitClosed = 1;

// The dialog's state. While a worker thread runs (busy) only that thread touches the inventory;
// it hands it back with a posted message.
struct DialogState {
    HINSTANCE instance = nullptr;
    const UninstallOptions* options = nullptr;
    HWND window = nullptr;
    Inventory inventory;
    ScopedHandle worker;
    bool busy = false;
};

std::u16string LoadText(HINSTANCE instance, UINT id) {
    const wchar_t* text = nullptr;
    const int length = LoadStringW(instance, id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 && text ? std::u16string(U16View(std::wstring_view(text, static_cast<std::size_t>(length))))
                              : std::u16string();
}

TreeFormats LoadFormats(HINSTANCE instance) {
    return {LoadText(instance, IDS_UNINSTALL_NOTHING),     LoadText(instance, IDS_UNINSTALL_PACKAGE),
            LoadText(instance, IDS_UNINSTALL_DRIVER_LIST), LoadText(instance, IDS_UNINSTALL_DRIVER),
            LoadText(instance, IDS_UNINSTALL_NO_DRIVER),   LoadText(instance, IDS_UNINSTALL_PRINTER),
            LoadText(instance, IDS_UNINSTALL_NO_PRINTER),  LoadText(instance, IDS_UNINSTALL_REMOVED),
            LoadText(instance, IDS_UNINSTALL_FAILED),      LoadText(instance, IDS_UNINSTALL_FOLDER)};
}

void SetBusy(DialogState& state, bool busy, int progress) {
    state.busy = busy;
    EnableWindow(GetDlgItem(state.window, IDOK), !busy);
    EnableWindow(GetDlgItem(state.window, IDCANCEL), !busy);
    HWND bar = GetDlgItem(state.window, IDC_UNINSTALL_PROGRESS);
    if (busy) SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(progress), 0);
    ShowWindow(bar, busy ? SW_SHOW : SW_HIDE);
}

void FillTree(const DialogState& state) {
    HWND tree = GetDlgItem(state.window, IDC_UNINSTALL_TREE);
    SendMessageW(tree, WM_SETREDRAW, FALSE, 0);
    TreeView_DeleteAllItems(tree);
    const std::vector<TreeLine> lines =
        BuildTreeLines(state.inventory, LoadFormats(state.instance), U16View(state.options->programFolder));
    std::vector<HTREEITEM> parents;  // the last item of each depth
    std::vector<HTREEITEM> expand;
    for (const TreeLine& line : lines) {
        const std::size_t depth = static_cast<std::size_t>(line.depth);
        parents.resize(depth);
        TVINSERTSTRUCTW insert{};
        insert.hParent = depth > 0 && parents.size() >= depth ? parents[depth - 1] : TVI_ROOT;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT;
        std::wstring text = WideString(line.text);
        insert.item.pszText = text.data();
        const HTREEITEM item = TreeView_InsertItem(tree, &insert);
        parents.push_back(item);
        if (line.expanded && item) expand.push_back(item);
    }
    for (HTREEITEM item : expand) TreeView_Expand(tree, item, TVE_EXPAND);
    SendMessageW(tree, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(tree, nullptr, TRUE);
}

DWORD WINAPI InventoryThread(void* parameter) {
    auto* state = static_cast<DialogState*>(parameter);
    Guarded("uninstall inventory", 0, [state] {
        state->inventory = ReadInventory();
        return 0;
    });
    PostMessageW(state->window, kInventoryReady, 0, 0);
    return 0;
}

DWORD WINAPI RemovalThread(void* parameter) {
    auto* state = static_cast<DialogState*>(parameter);
    const bool mayRemoveShared = Guarded("uninstall removal", false, [state] {
        const RemovalTally tally =
            RemoveInventory(state->inventory, SystemRemovalSteps(GetDlgItem(state->window, IDC_UNINSTALL_PROGRESS)));
        DebugOutF(L"Uninstall: removal ends with %d failure(s)", tally.Failures());
        if (!MayRemoveSharedFiles(state->inventory, tally)) return false;
        DeleteMonitorCopy();
        return true;
    });
    PostMessageW(state->window, kRemovalDone, mayRemoveShared ? 1 : 0, 0);
    return 0;
}

// Starts a worker with the dialog busy; when it cannot start, its message is posted at once.
void StartWorker(DialogState& state, LPTHREAD_START_ROUTINE entry, int progress, UINT messageIfNotStarted) {
    SetBusy(state, true, progress);
    state.worker.reset(CreateThread(nullptr, 0, entry, &state, 0, nullptr));
    if (!state.worker) {
        DebugOutF(L"Uninstall: worker not started, error: %u", GetLastError());
        PostMessageW(state.window, messageIfNotStarted, 0, 0);
    }
}

void EndWorker(DialogState& state) {
    if (state.worker) WaitForSingleObject(state.worker.get(), INFINITE);
    state.worker.reset();
}

void ShowMessage(const DialogState& state, UINT textId, UINT captionId, UINT type) {
    const std::u16string text = LoadText(state.instance, textId);
    const std::u16string caption = captionId ? LoadText(state.instance, captionId) : std::u16string();
    seams::Ui().messageBoxW(state.window, WidePtr(text), captionId ? WidePtr(caption) : nullptr, type);
}

void OnRemovalDone(DialogState& state, bool mayRemoveShared) {
    EndWorker(state);
    FillTree(state);
    SetBusy(state, false, 0);
    if (!mayRemoveShared) {
        // The tree shows what failed; Remove tries again, skipping what is gone.
        ShowMessage(state, IDS_UNINSTALL_FAILURE_MESSAGE, 0, MB_OK | MB_ICONERROR);
        return;
    }
    if (!state.options->keepFolder) DeleteProgramFolder(state.options->programFolder, false, state.window);
    ShowMessage(state, IDS_UNINSTALL_DONE_MESSAGE, IDS_ONESTEP_MESSAGE, MB_OK | MB_ICONINFORMATION);
    EndDialog(state.window, kExitUninstalled);
}

INT_PTR CALLBACK UninstallDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return Guarded("uninstall dialog", INT_PTR{FALSE}, [&]() -> INT_PTR {
        auto* state = reinterpret_cast<DialogState*>(GetWindowLongPtrW(window, DWLP_USER));
        switch (message) {
            case WM_INITDIALOG:
                state = reinterpret_cast<DialogState*>(lParam);
                SetWindowLongPtrW(window, DWLP_USER, lParam);
                state->window = window;
                SendDlgItemMessageW(window, IDC_UNINSTALL_PROGRESS, PBM_SETRANGE32, 0, 100);
                StartWorker(*state, InventoryThread, 80, kInventoryReady);
                return TRUE;
            case kInventoryReady:
                if (!state) return FALSE;
                EndWorker(*state);
                FillTree(*state);
                SetBusy(*state, false, 0);
                return TRUE;
            case kRemovalDone:
                if (!state) return FALSE;
                OnRemovalDone(*state, wParam != 0);
                return TRUE;
            case WM_COMMAND:
                if (!state) return FALSE;
                switch (LOWORD(wParam)) {
                    case IDOK:
                        if (!state->busy) StartWorker(*state, RemovalThread, 20, kRemovalDone);
                        return TRUE;
                    case IDCANCEL:
                        // Escape and the window's close box too; never while a worker runs.
                        if (!state->busy) EndDialog(window, kExitClosed);
                        return TRUE;
                }
                return FALSE;
        }
        return FALSE;
    });
}

}  // namespace

int RunUninstallDialog(HINSTANCE instance, const UninstallOptions& options) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_TREEVIEW_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    DialogState state;
    state.instance = instance;
    state.options = &options;
    const INT_PTR result = DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_ONESTEP_UNINSTALL), nullptr,
                                           UninstallDialogProc, reinterpret_cast<LPARAM>(&state));
    EndWorker(state);
    if (result == -1) {
        DebugOutF(L"Uninstall: the dialog could not be shown, error: %u", GetLastError());
        return kExitClosed;
    }
    return static_cast<int>(result);
}

}  // namespace kelno
