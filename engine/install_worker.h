#pragma once
// The result page's worker: runs the install (mode 1) or the removal (mode 2) of the wizard's
// request, shows the state in the page's status line, asks for a reboot when a removal needs
// one, and tells the page it is done with WM_WORK_DONE (wParam = mode). It talks to the page only
// through messages and the process-wide values below and in engine/install_state.h.
#include <windows.h>

#include <atomic>

#include "engine/wizard_state.h"

namespace kelno {

// The result page's status line.
inline constexpr int kResultStatusControl = 1042;

// The command run when the user agrees to reboot.
inline constexpr wchar_t kRebootCommand[] = L"shutdown /r /t 0";

// Set by the worker before it posts WM_WORK_DONE; read by the result page after it.
extern std::atomic<bool> InstallSucceeded;

// The spooler's set-default-printer function, which winspool exports as ordinal 204.
bool SetDefaultPrinterByOrdinal(const wchar_t* printerName);

// Mode 1: the network-port steps when the request's port kind is 3 (its port name becomes the
// host address), DoInstallPrinter, and the default printer when asked for. The outcome.
bool RunInstallBranch(HWND page, WizardState& state);

// The whole run for state.resultPage, on the calling thread.
void RunWizardWork(WizardState& state);

// Thread entry of the worker; the parameter is the WizardState. Nothing escapes it.
DWORD WINAPI WizardWorkerThread(LPVOID parameter);

}  // namespace kelno
