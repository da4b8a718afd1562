#include "usbonestep/win/install_loop.h"

#include <commctrl.h>
#include <cfgmgr32.h>
#include <strsafe.h>

#include <string>

#include "base/text.h"
#include "base/win/wide_text.h"
#include "common/model_table.h"
#include "common/win/debug_output.h"
#include "common/win/seams.h"
#include "discovery/win/usb_scan.h"
#include "resources/usbonestep/resource_ids.h"
#include "usbonestep/onestep_rules.h"
#include "usbonestep/win/install_engine.h"
#include "usbonestep/win/install_start.h"

namespace kelno {
namespace {

constexpr DWORD kSearchIntervalMs = 1000;

// The installer's own list of USB printers; only the loop's thread touches it.
PortList g_devices;

// A string of the program's table, formatted with the arguments (the table's texts are this
// program's own).
template <typename... Args>
std::wstring Text(UINT id, Args... args) {
    wchar_t format[512] = L"";
    LoadStringW(GetModuleHandleW(nullptr), id, format, static_cast<int>(std::size(format)));
    if constexpr (sizeof...(args) == 0) {
        return format;
    } else {
        wchar_t text[1024] = L"";
        StringCchPrintfW(text, std::size(text), format, args...);
        return text;
    }
}

// The install dialog's controls; every call does nothing without a window.
class DialogView {
public:
    explicit DialogView(HWND dialog) : dialog_(dialog) {}

    void Progress(int position) const {
        if (dialog_) PostMessageW(GetDlgItem(dialog_, IDC_ONESTEP_INSTALL_PROGRESS), PBM_SETPOS, position, 0);
    }
    void Status(const std::wstring& text) const {
        if (dialog_) SetDlgItemTextW(dialog_, IDC_ONESTEP_STATUS, text.c_str());
    }
    void ClearLog() const {
        if (dialog_) SetDlgItemTextW(dialog_, IDC_ONESTEP_LOG, L"");
    }
    void AppendLog(const std::wstring& text) const {
        if (!dialog_) return;
        HWND log = GetDlgItem(dialog_, IDC_ONESTEP_LOG);
        const int end = GetWindowTextLengthW(log);
        SendMessageW(log, EM_SETSEL, end, end);
        SendMessageW(log, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
    }
    // Log box and status line.
    void Report(const std::wstring& text) const {
        AppendLog(text);
        Status(text);
    }
    // Searching: the "Wizard" button and the picture; installing: the log box and the progress bar.
    void ShowSearching(bool searching) const {
        if (!dialog_) return;
        const int wizard = searching ? SW_SHOW : SW_HIDE, working = searching ? SW_HIDE : SW_SHOW;
        ShowWindow(GetDlgItem(dialog_, IDC_ONESTEP_WIZARD), wizard);
        ShowWindow(GetDlgItem(dialog_, IDC_ONESTEP_PICTURE), wizard);
        ShowWindow(GetDlgItem(dialog_, IDC_ONESTEP_LOG), working);
        ShowWindow(GetDlgItem(dialog_, IDC_ONESTEP_INSTALL_PROGRESS), working);
    }
    void Show(int id, bool visible) const {
        if (dialog_) ShowWindow(GetDlgItem(dialog_, id), visible ? SW_SHOW : SW_HIDE);
    }
    void Done() const {
        if (dialog_) SetDlgItemTextW(dialog_, IDCANCEL, Text(IDS_ONESTEP_DONE).c_str());
    }

private:
    HWND dialog_;
};

// Asks the configuration manager to look at the whole device tree again, and waits for it.
void ReenumerateDevices() {
    DEVINST root = 0;
    if (seams::Pnp().cmLocateDevNodeW(&root, nullptr, CM_LOCATE_DEVNODE_NORMAL) == CR_SUCCESS)
        seams::Pnp().cmReenumerateDevNode(root, CM_REENUMERATE_SYNCHRONOUS);
}

// One pass over the printers found: installs every printer of a supported model, stopping at
// the first failure.
PassOutcome InstallFoundPrinters(const DialogView& view, const wchar_t* infPath) {
    PassOutcome outcome = PassOutcome::noPrinter;
    for (const PortRecord* record = g_devices.head; record; record = record->next) {
        view.Progress(40);
        const std::u16string_view description = FieldText(record->description);
        const ModelRow* row = FindModel(description);
        DebugOutF(L"%ws\r\n", WidePtr(ModelMatchTrace(description, row)));
        if (!row) continue;

        PrinterInstallEntry entry = OneStepEntry(*record, *row);
        const std::wstring printerName = FieldString(entry.printerName);
        const std::wstring portName = FieldString(entry.portName);
        DebugOutF(L"Installing printer model: %ws, name: %ws, port: %ws\r\n", FieldString(entry.modelName).c_str(),
                  printerName.c_str(), portName.c_str());
        view.Report(Text(IDS_ONESTEP_FOUND_PRINTER, printerName.c_str(), portName.c_str()));
        view.ShowSearching(false);

        const int result = OneStepInstallPrinter(entry, infPath, g_devices);
        const DWORD error = GetLastError();
        view.Progress(80);
        if (!result) {
            DebugOutF(L"Install of %ws failed, errcode:%d.\r\n", printerName.c_str(), static_cast<int>(error));
            view.Report(Text(IDS_ONESTEP_INSTALL_FAILED, static_cast<int>(error)));
            view.Progress(100);
            return PassOutcome::failed;
        }
        view.Report(Text(IDS_ONESTEP_INSTALLED, printerName.c_str()));
        outcome = PassOutcome::installed;
    }
    return outcome;
}

}  // namespace

int RunInstallLoop(HWND dialog, const OneStepOptions& options) {
    const DialogView view(dialog);
    wchar_t infPath[MAX_PATH] = L"";
    OneStepInfPath(infPath);
    view.Progress(100);
    view.Show(IDC_ONESTEP_INSTALL_PROGRESS, true);
    view.Status(Text(IDS_ONESTEP_SEARCHING));
    view.Show(IDC_ONESTEP_PICTURE, false);

    const ULONGLONG start = GetTickCount64();
    for (;;) {
        ScanUsbPorts(g_devices);
        view.ClearLog();
        const PassOutcome outcome = InstallFoundPrinters(view, infPath);
        const LoopVerdict verdict = AfterPass(outcome, options, GetTickCount64() - start);
        if (outcome == PassOutcome::failed) return verdict.exitCode;  // the dialog stays open with Cancel
        if (outcome == PassOutcome::installed) break;

        view.Report(Text(IDS_ONESTEP_DEVICE_NOT_FOUND));
        view.ShowSearching(true);
        if (verdict.stop) {
            DebugOutF(L"No supported printer found in %u s.\r\n", static_cast<unsigned>(options.waitSeconds));
            return verdict.exitCode;
        }
        FixedWait(kSearchIntervalMs);
        ReenumerateDevices();
    }
    view.Progress(100);
    view.Done();
    return kExitOk;
}

}  // namespace kelno
