#include "usbonestep/win/uninstaller.h"

#include "base/win/boundary.h"
#include "base/win/wide_text.h"
#include "common/win/debug_output.h"
#include "usbonestep/uninstall_removal.h"
#include "usbonestep/win/uninstall_dialog.h"
#include "usbonestep/win/uninstall_system.h"

namespace kelno {
namespace {

// The silent uninstall: the dialog's inventory and removal with no window and no message box;
// the outcome is the exit code, its reason goes to the debugger output.
int RunSilentUninstall(const UninstallOptions& options) {
    UninstallOutcome outcome;
    Inventory inventory = ReadInventory();
    outcome.inventoryComplete = inventory.complete;
    outcome.tally = RemoveInventory(inventory, SystemRemovalSteps());
    outcome.folderKept = options.keepFolder;
    if (MayRemoveSharedFiles(inventory, outcome.tally)) {
        outcome.monitorCopyRemoved = DeleteMonitorCopy();
        if (!options.keepFolder) outcome.folderRemoved = DeleteProgramFolder(options.programFolder, true);
    }
    const SilentExitCode code = DecideSilentExitCode(outcome);
    DebugOutF(L"Uninstall: silent uninstall ends with exit code %d: %ws", static_cast<int>(code),
              WidePtr(SilentExitReason(code)));
    return static_cast<int>(code);
}

}  // namespace

bool PackageIsInstalled() {
    return Guarded("PackageIsInstalled", false, [] { return HasDriverUnderFirstNode(ReadInventory()); });
}

int RunUninstaller(HINSTANCE instance, const UninstallOptions& options) {
    const wchar_t* folder = options.programFolder ? options.programFolder : L"";
    DebugOutF(L"Uninstall: folder %ws, keep folder: %d, silent: %d", folder, options.keepFolder ? 1 : 0,
              options.silent ? 1 : 0);
    UninstallOptions checked = options;
    checked.programFolder = folder;
    return options.silent ? RunSilentUninstall(checked) : RunUninstallDialog(instance, checked);
}

}  // namespace kelno
