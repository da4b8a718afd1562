#include "engine/install_worker.h"

#include <iterator>
#include <string>

#include "base/text.h"
#include "discovery/port_record.h"
#include "engine/install_state.h"
#include "engine/log.h"
#include "engine/printer_install.h"
#include "engine/progress.h"
#include "engine/removal.h"
#include "engine/seams.h"
#include "engine/tcpip_port.h"
#include "engine/wizard_messages.h"
#include "resources/drvwizard/resource_ids.h"

namespace kelno {

std::atomic<bool> InstallSucceeded{false};

namespace {

using SetDefaultPrinterFn = BOOL(WINAPI*)(LPCWSTR printerName);
constexpr WORD kSetDefaultPrinterOrdinal = 204;

void SetStatusLine(HWND page, UINT textId) {
    wchar_t text[100];
    LoadProgramString(textId, text, std::size(text));
    if (page) SetDlgItemTextW(page, kResultStatusControl, text);
}

template <std::size_t N>
std::wstring FieldString(const char16_t (&field)[N]) {
    return std::wstring(reinterpret_cast<const wchar_t*>(field), LengthBounded(field, N));
}

// The network port of the request, created when the spooler does not know it yet and always
// configured with the request's address and TCP port.
void PrepareNetworkPort(HWND page, PrinterInstallEntry& entry) {
    SetField(entry.portName, FieldText(entry.hostAddress));
    const std::wstring portName = FieldString(entry.portName);
    const std::wstring hostAddress = FieldString(entry.hostAddress);
    if (!FindByPortName(SpoolerPortList, FieldText(entry.portName)))
        AddStandardTcpIpPort(page, portName.c_str(), hostAddress.c_str(), entry.tcpPortNumber);
    ConfigureStandardTcpIpPort(page, portName.c_str(), hostAddress.c_str(), entry.tcpPortNumber);
}

// Asks whether to reboot now that a removal needs it, and starts the reboot on Yes.
void AskForReboot(HWND page) {
    wchar_t question[260], caption[64];
    LoadProgramString(IDS_REBOOT_QUESTION, question, std::size(question));
    LoadProgramString(IDS_RESTART_WARNING, caption, std::size(caption));
    if (Seams().messageBoxW(page, question, caption, MB_YESNO | MB_ICONWARNING) != IDYES) return;

    wchar_t commandLine[64];
    CopyBounded(commandLine, std::size(commandLine), std::wstring_view(kRebootCommand));
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!Seams().createProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                                &startup, &process)) {
        DbgPrint("Reboot command failed, errcode:%d.", static_cast<int>(GetLastError()));
        return;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

}  // namespace

bool SetDefaultPrinterByOrdinal(const wchar_t* printerName) {
    HMODULE winspool = LoadLibraryW(L"winspool.drv");
    if (!winspool) return false;
    const auto setDefault = reinterpret_cast<SetDefaultPrinterFn>(
        reinterpret_cast<void*>(GetProcAddress(winspool, MAKEINTRESOURCEA(kSetDefaultPrinterOrdinal))));
    const bool ok = setDefault && setDefault(printerName);
    if (!ok) DbgPrint("SetDefaultPrinter %ws failed, errcode:%d.", printerName, static_cast<int>(GetLastError()));
    FreeLibrary(winspool);
    return ok;
}

bool RunInstallBranch(HWND page, WizardState& state) {
    if (!state.request) return false;
    PrinterInstallEntry& entry = *state.request;
    if (entry.portKind == kPortKindStandardTcpIp) PrepareNetworkPort(page, entry);

    const bool installed = DoInstallPrinter(page, state);
    if (installed && state.setAsDefault) SetDefaultPrinterByOrdinal(FieldString(entry.printerName).c_str());
    return installed;
}

void RunWizardWork(WizardState& state) {
    HWND page = state.resultPage;
    SetStatusLine(page, IDS_INSTALLING);
    if (state.mode == kWizardModeInstall) {
        const bool installed = state.request && RunInstallBranch(page, state);
        InstallSucceeded = installed;
        SetStatusLine(page, installed ? IDS_INSTALLED_SUCCESS : IDS_INSTALL_FAILURE);
    } else if (state.mode == kWizardModeUninstall && state.request) {
        RunUninstallBranch(page, state);
    }
    if (RebootNeeded) AskForReboot(page);
    if (page) PostMessageW(page, WM_WORK_DONE, static_cast<WPARAM>(state.mode), 0);
}

DWORD WINAPI WizardWorkerThread(LPVOID parameter) {
    auto* state = static_cast<WizardState*>(parameter);
    if (!state) return 1;
    try {
        RunWizardWork(*state);
        return 0;
    } catch (...) {
        // Nothing may escape the thread; the page must still learn that the run has ended.
        DbgPrint("The install worker stopped on an exception.");
        InstallSucceeded = false;
        if (state->resultPage) PostMessageW(state->resultPage, WM_WORK_DONE, static_cast<WPARAM>(state->mode), 0);
        return 1;
    }
}

}  // namespace kelno
