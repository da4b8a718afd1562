#pragma once
// The uninstall dialog (105, "Uninstall printer driver"): the tree of what is installed, filled
// by an inventory thread, and "Remove", which runs the removal on a thread of its own.
//   1 "Remove"   2 "Close"   1001 tree view   1002 note   1003 progress bar (shown while working)
#include <windows.h>

namespace kelno {

struct UninstallOptions;

// Runs the dialog modally. Returns 0 after a complete uninstall, 1 when the user closed the
// dialog (or it could not be shown).
int RunUninstallDialog(HINSTANCE instance, const UninstallOptions& options);

}  // namespace kelno
