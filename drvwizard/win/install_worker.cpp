#include "drvwizard/win/install_worker.h"

#include <iterator>
#include <memory>
#include <string>

#include "base/text.h"
#include "base/win/boundary.h"
#include "base/win/scoped.h"
#include "base/win/wide_text.h"
#include "common/win/log.h"
#include "discovery/port_record.h"
#include "drvwizard/win/engine_texts.h"
#include "drvwizard/win/wizard_messages.h"
#include "engine/install_state.h"
#include "engine/win/printer_install.h"
#include "engine/win/removal.h"
#include "common/win/seams.h"
#include "engine/win/tcpip_port.h"
#include "resources/drvwizard/resource_ids.h"

namespace kelno {

std::atomic<bool> InstallSucceeded{false};

namespace {

using SetDefaultPrinterFn = BOOL(WINAPI*)(LPCWSTR printerName);
constexpr WORD kSetDefaultPrinterOrdinal = 204;

// What the result page keeps of one progress line.
constexpr std::size_t kResultLineChars = 100;

void LoadWizardString(UINT id, wchar_t* out, std::size_t capacity) {
    if (capacity == 0) return;
    if (LoadStringW(GetModuleHandleW(nullptr), id, out, static_cast<int>(capacity)) <= 0) out[0] = 0;
}

void SetStatusLine(HWND page, UINT textId) {
    wchar_t text[100];
    LoadWizardString(textId, text, std::size(text));
    if (page) SetDlgItemTextW(page, kResultStatusControl, text);
}

// The network port of the request, created when the spooler does not know it yet and always
// configured with the request's address and TCP port.
void PrepareNetworkPort(const ProgressSink& progress, PrinterInstallEntry& entry, bool portListed) {
    SetField(entry.portName, FieldText(entry.hostAddress));
    const std::wstring portName = FieldString(entry.portName);
    const std::wstring hostAddress = FieldString(entry.hostAddress);
    if (!portListed) AddStandardTcpIpPort(progress, portName.c_str(), hostAddress.c_str(), entry.tcpPortNumber);
    ConfigureStandardTcpIpPort(progress, portName.c_str(), hostAddress.c_str(), entry.tcpPortNumber);
}

// Asks whether to reboot now that a removal needs it, and starts the reboot on Yes.
void AskForReboot(HWND page) {
    wchar_t question[260], caption[64];
    LoadWizardString(IDS_REBOOT_QUESTION, question, std::size(question));
    LoadWizardString(IDS_RESTART_WARNING, caption, std::size(caption));
    if (seams::Ui().messageBoxW(page, question, caption, MB_YESNO | MB_ICONWARNING) != IDYES) return;

    wchar_t commandLine[64];
    CopyBounded(commandLine, std::size(commandLine), std::wstring_view(kRebootCommand));
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!seams::System().createProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                                        nullptr, &startup, &process)) {
        DbgPrint("Reboot command failed, errcode:%d.", static_cast<int>(GetLastError()));
        return;
    }
    // Nothing waits for the command: both handles go at once.
    const ScopedHandle thread(process.hThread);
    const ScopedHandle started(process.hProcess);
}

}  // namespace

WorkOrder PrepareWorkOrder(const WizardState& state) {
    WorkOrder order;
    order.resultPage = state.resultPage;
    order.mode = state.mode;
    order.infPath.assign(state.infPath, LengthBounded(state.infPath, MAX_PATH));
    order.setAsDefault = state.setAsDefault != 0;
    order.deletePort = state.deletePort != 0;
    order.removeDriver = state.removeDriver != 0;
    order.removePackage = state.removePackage != 0;
    if (!state.request) return order;
    const int count = state.mode == kWizardModeInstall ? 1 : (state.requestCount > 0 ? state.requestCount : 0);
    order.entries.assign(state.request, state.request + count);
    if (state.mode != kWizardModeInstall) return order;

    PrinterInstallEntry& entry = order.entries.front();
    if (const PortRecord* usb = FindByPortName(UsbDeviceList, FieldText(entry.portName)))
        SetField(entry.deviceId, FieldText(usb->hardwareId));
    if (entry.portKind == kPortKindStandardTcpIp)
        order.networkPortListed = FindByPortName(SpoolerPortList, FieldText(entry.hostAddress)) != nullptr;
    return order;
}

ProgressSink ResultPageSink(HWND page) {
    ProgressSink sink;
    sink.window = page;
    sink.message = WM_APPEND_LOG;
    sink.textIds = WizardEngineTextIds();
    sink.lineChars = kResultLineChars;
    return sink;
}

bool SetDefaultPrinterByOrdinal(const wchar_t* printerName) {
    const ScopedModule winspool(LoadLibraryW(L"winspool.drv"));
    if (!winspool) return false;
    const auto setDefault = reinterpret_cast<SetDefaultPrinterFn>(
        reinterpret_cast<void*>(GetProcAddress(winspool.get(), MAKEINTRESOURCEA(kSetDefaultPrinterOrdinal))));
    const bool ok = setDefault && setDefault(printerName);
    if (!ok) DbgPrint("SetDefaultPrinter %ws failed, errcode:%d.", printerName, static_cast<int>(GetLastError()));
    return ok;
}

bool RunInstallBranch(WorkOrder& order) {
    if (order.entries.empty()) return false;
    const ProgressSink progress = ResultPageSink(order.resultPage);
    PrinterInstallEntry& entry = order.entries.front();
    if (entry.portKind == kPortKindStandardTcpIp) PrepareNetworkPort(progress, entry, order.networkPortListed);

    const bool installed = DoInstallPrinter(progress, entry, order.infPath.c_str());
    if (installed && order.setAsDefault) SetDefaultPrinterByOrdinal(FieldString(entry.printerName).c_str());
    return installed;
}

void RunWizardWork(WorkOrder& order) {
    HWND page = order.resultPage;
    // A removal says so in the status line instead of "Installing...".
    SetStatusLine(page, order.mode == kWizardModeUninstall ? IDS_UNINSTALLING : IDS_INSTALLING);
    if (order.mode == kWizardModeInstall) {
        const bool installed = RunInstallBranch(order);
        InstallSucceeded = installed;
        SetStatusLine(page, installed ? IDS_INSTALLED_SUCCESS : IDS_INSTALL_FAILURE);
    } else if (order.mode == kWizardModeUninstall && !order.entries.empty()) {
        RemovalRequest removal;
        removal.entries = order.entries.data();
        removal.count = static_cast<int>(order.entries.size());
        removal.deletePort = order.deletePort;
        removal.removeDriver = order.removeDriver;
        removal.removePackage = order.removePackage;
        RunUninstallBranch(ResultPageSink(page), removal);
        SetStatusLine(page, IDS_UNINSTALLATION_COMPLETE);
    }
    if (RebootNeeded) AskForReboot(page);
    if (page) PostMessageW(page, WM_WORK_DONE, static_cast<WPARAM>(order.mode), 0);
}

DWORD WINAPI WizardWorkerThread(LPVOID parameter) {
    std::unique_ptr<WorkOrder> order(static_cast<WorkOrder*>(parameter));
    if (!order) return 1;
    const bool finished = Guarded("install worker", false, [&] {
        RunWizardWork(*order);
        return true;
    });
    if (finished) return 0;
    // The page must still learn that the run has ended.
    InstallSucceeded = false;
    if (order->resultPage) PostMessageW(order->resultPage, WM_WORK_DONE, static_cast<WPARAM>(order->mode), 0);
    return 1;
}

HANDLE StartWizardWorker(const WizardState& state) {
    auto order = std::make_unique<WorkOrder>(PrepareWorkOrder(state));
    HANDLE thread = CreateThread(nullptr, 0, WizardWorkerThread, order.get(), 0, nullptr);
    if (thread) order.release();
    return thread;
}

}  // namespace kelno
