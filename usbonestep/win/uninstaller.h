#pragma once
// The package's uninstaller: the inventory of what this package installed (driver packages,
// drivers, queues), the uninstall dialog (105) and its removal, or the same without a window.
#include <windows.h>

#include "usbonestep/onestep_command_line.h"

namespace kelno {

struct UninstallOptions {
    const wchar_t* programFolder;  // the folder shown and deleted; ends with a backslash
    bool keepFolder;               // "-DP": the program folder stays after the uninstall
    bool silent;                   // "/silence": no window, no message box
    // Silent only: the unins000.exe that started this copy, which takes the exit code before
    // the program folder is moved (usbonestep/win/uninstall_handover.h).
    StarterHandles starter{};
};

// True when the inventory finds a driver of this package under the first driver-package node:
// the installer then hands over to the uninstaller instead of installing.
bool PackageIsInstalled();

// Runs the uninstaller and returns the process exit code: with the dialog 0 after a complete
// uninstall and 1 when it was closed; silent, the codes of SilentExitCode
// (usbonestep/uninstall_removal.h), 0 only when everything is removed.
int RunUninstaller(HINSTANCE instance, const UninstallOptions& options);

}  // namespace kelno
