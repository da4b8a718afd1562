#pragma once
// The search-and-install loop: scan the USB printers, install every printer of a supported
// model found in one pass, and with none found re-enumerate the devices and search again once a
// second. With a window it reports into the install dialog's controls; without one (/silence)
// only to the debugger output.
#include <windows.h>

#include "usbonestep/onestep_command_line.h"

namespace kelno {

// Runs the loop on the calling thread; dialog may be null. Returns the exit code of an
// unattended install (onestep_rules.h); with a dialog it is always 0. Without a window and
// without a wait limit it returns only when a printer was installed or its install failed.
int RunInstallLoop(HWND dialog, const OneStepOptions& options);

}  // namespace kelno
