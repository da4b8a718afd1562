#include "usbonestep/win/uninstaller.h"

#include "base/win/boundary.h"
#include "base/win/wide_text.h"
#include "common/win/debug_output.h"
#include "usbonestep/uninstall_removal.h"
#include "usbonestep/win/uninstall_dialog.h"
#include "usbonestep/win/uninstall_handover.h"
#include "usbonestep/win/uninstall_system.h"

namespace kelno {
namespace {

// The silent uninstall: the dialog's inventory and removal with no window and no message box;
// the outcome is the exit code, its reason goes to the debugger output. Started by a silent
// unins000.exe, the copy sends that code before the folder is moved, as the folder can move
// only once unins000.exe has ended.
int RunSilentUninstall(const UninstallOptions& options) {
    StarterLink starter(options.starter);
    UninstallOutcome outcome;
    Inventory inventory = ReadInventory();
    outcome.inventoryComplete = inventory.complete;
    outcome.tally = RemoveInventory(inventory, SystemRemovalSteps());
    outcome.folderKept = options.keepFolder;
    bool moveFolder = false;
    if (MayRemoveSharedFiles(inventory, outcome.tally)) {
        outcome.monitorCopyRemoved = DeleteMonitorCopy();
        moveFolder = !options.keepFolder && IsPackageFolder(options.programFolder);
    }
    const SilentExitCode sent = moveFolder ? DecideCodeBeforeFolderMove(outcome) : DecideSilentExitCode(outcome);
    starter.SendCodeAndWaitForStarterEnd(static_cast<int>(sent));
    if (moveFolder) outcome.folderRemoved = DeleteProgramFolder(options.programFolder, true);
    const SilentExitCode code = DecideSilentExitCode(outcome);
    if (starter.Linked() && code != sent)
        DebugOutF(L"Uninstall: unins000.exe was sent exit code %d before the folder step; the uninstall ends with "
                  L"%d: %ws",
                  static_cast<int>(sent), static_cast<int>(code), WidePtr(SilentExitReason(code)));
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
