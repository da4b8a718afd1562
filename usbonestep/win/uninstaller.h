#pragma once
// The package's uninstaller: the inventory of what this package installed (driver packages,
// drivers, queues), the uninstall dialog (105) and its removal, or the same without a window.
#include <windows.h>

namespace kelno {

struct UninstallOptions {
    const wchar_t* programFolder;  // the folder shown and deleted; ends with a backslash
    bool keepFolder;               // "-DP": the program folder stays after the uninstall
    bool silent;                   // "/silence": no window, no message box
};

// True when the inventory finds a driver of this package under the first driver-package node:
// the installer then hands over to the uninstaller instead of installing.
bool PackageIsInstalled();

// Runs the uninstaller and returns the process exit code.
int RunUninstaller(HINSTANCE instance, const UninstallOptions& options);

}  // namespace kelno
