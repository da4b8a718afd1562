#pragma once
// The result page's worker: runs the install (mode 1) or the removal (mode 2) of the wizard's
// request, shows the state in the page's status line, asks for a reboot when a removal needs
// one, and tells the page it is done with WM_WORK_DONE (wParam = mode). It talks to the page only
// through messages and the process-wide values below and in engine/install_state.h.
//
// The worker shares no record with the wizard's thread: the work order is a copy of what the run
// needs, made on the wizard's thread from the wizard's state and the port lists, whose records
// that thread may free at any time (USB refresh, discovery answers replacing spooler ports).
#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "drvwizard/win/wizard_state.h"
#include "engine/install_entry.h"
#include "engine/win/progress.h"

namespace kelno {

// The result page's status line.
inline constexpr int kResultStatusControl = 1042;

// The command run when the user agrees to reboot.
inline constexpr wchar_t kRebootCommand[] = L"shutdown /r /t 0";

// Set by the worker before it posts WM_WORK_DONE; read by the result page after it.
extern std::atomic<bool> InstallSucceeded;

struct WorkOrder {
    HWND resultPage = nullptr;
    std::int32_t mode = 0;
    std::vector<PrinterInstallEntry> entries;  // install: one; uninstall: the queues to remove
    std::wstring infPath;
    bool setAsDefault = false;
    bool deletePort = false;
    bool removeDriver = false;
    bool removePackage = false;
    // Install on a network port: the spooler already lists a port named as the host address.
    bool networkPortListed = false;
};

// On the wizard's thread: the copy of the state's request, with the USB printer's hardware
// identifier from UsbDeviceList in the install entry and, for a network port, whether
// SpoolerPortList has it. An install without a request gives no entries.
WorkOrder PrepareWorkOrder(const WizardState& state);

// The progress sink of the result page: WM_APPEND_LOG with the wizard's string table, lines cut
// to what the page keeps.
ProgressSink ResultPageSink(HWND page);

// The spooler's set-default-printer function, which winspool exports as ordinal 204.
bool SetDefaultPrinterByOrdinal(const wchar_t* printerName);

// Mode 1: the network-port steps when the entry's port kind is 3 (its port name becomes the
// host address), DoInstallPrinter, and the default printer when asked for. The outcome.
bool RunInstallBranch(WorkOrder& order);

// The whole run for order.resultPage, on the calling thread.
void RunWizardWork(WorkOrder& order);

// Thread entry of the worker; the parameter is a WorkOrder made with new, which the thread
// owns and deletes. Nothing escapes it: the page always gets WM_WORK_DONE.
DWORD WINAPI WizardWorkerThread(LPVOID parameter);

// Prepares the order on the calling (wizard) thread and starts the worker with it. The
// thread's handle, or null when it could not be started (the order is then freed).
HANDLE StartWizardWorker(const WizardState& state);

}  // namespace kelno
