#pragma once
// The install dialog (106, "DerAzeza installer"): runs the search-and-install loop on a thread
// of its own and offers the system's add-printer-driver wizard on the package INF.
#include <windows.h>

#include "usbonestep/onestep_command_line.h"

namespace kelno {

// Shows the dialog modally; returns the exit code (0).
int RunInstallDialog(HINSTANCE instance, const OneStepOptions& options);

}  // namespace kelno
