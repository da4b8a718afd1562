#pragma once
// Upgrade mode ("/Upgrade"): replaces the installed driver files without a window. The order of
// the steps is engine/upgrade_procedure.h; this is the Win32 side of each step. Every outcome
// goes to the debugger output; the only window is the "Driver In Use" box.
#include <windows.h>

namespace kelno {

// The texts of the "Driver In Use" box, from the calling program's string table.
struct UpgradeTexts {
    const wchar_t* driverInUse;
    const wchar_t* driverInUseCaption;
};

// RunUpgrade with the package folder of the program (PackageFolder()). False only when the
// processor architecture has no driver environment.
bool RunUpgrade(const UpgradeTexts& texts);

}  // namespace kelno
