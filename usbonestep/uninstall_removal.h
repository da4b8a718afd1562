#pragma once
// The order of the uninstaller's removal and what it decides: queues, then their driver, then
// the driver package, node by node, with the retries and pauses between steps; the monitor copy
// and the program folder only after everything else is gone; the exit code of the silent
// uninstall. The system calls are the caller's, handed in as RemovalSteps.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "usbonestep/uninstall_inventory.h"

namespace kelno {

// Pauses and attempts of the removal, in milliseconds and counts.
inline constexpr std::uint32_t kRemovedItemPauseMs = 300;
inline constexpr int kDriverAttempts = 10;
inline constexpr std::uint32_t kDriverAttemptPauseMs = 1000;
inline constexpr int kPackageAttempts = 5;
inline constexpr std::uint32_t kPackageAttemptPauseMs = 1000;
// DeletePrinterDriverPackageW while the package is still being released (0x800F023D): tried again.
inline constexpr std::int32_t kPackageBusyResult = static_cast<std::int32_t>(0x800F023Du);

// One step's result: the OS error (0 on success) or, for the package, the HRESULT.
struct StepResult {
    bool ok = false;
    std::int32_t error = 0;
};

struct RemovalSteps {
    std::function<StepResult(const FoundPrinter&)> removeQueue;
    std::function<StepResult(const FoundDriver&)> removeDriver;
    // The HRESULT of the package deletion (0 is S_OK).
    std::function<std::int32_t(const std::u16string& infPath)> deletePackage;
    std::function<void(int position)> progress;
    std::function<void(std::uint32_t milliseconds)> pause;
};

// How far a removal came: the failures of this pass by kind.
struct RemovalTally {
    int queueFailures = 0;
    int driverFailures = 0;
    int packageFailures = 0;
    int Failures() const { return queueFailures + driverFailures + packageFailures; }
};

// One pass over the inventory: items already removed are skipped, so a second pass retries
// only what failed. Statuses are written into the inventory. Progress positions: 20 and 30 at
// the start, 60 after each driver item's queues, 80 after each node's drivers, 100 at the end.
RemovalTally RemoveInventory(Inventory& inventory, const RemovalSteps& steps);

// Whether the monitor copy and the program folder may go: nothing failed and the inventory
// saw everything (a list that could not be read may hide a driver that still needs them).
bool MayRemoveSharedFiles(const Inventory& inventory, const RemovalTally& tally);

// Exit codes of the silent uninstall ("/silence"); the first reason in this order wins.
enum class SilentExitCode : int {
    removed = 0,              // everything is removed (also when nothing was installed)
    inventoryIncomplete = 2,  // the spooler's drivers or queues could not be listed
    queueFailed = 3,          // a print queue could not be removed
    driverFailed = 4,         // a printer driver could not be removed
    packageFailed = 5,        // a driver package could not be removed from the driver store
    monitorCopyFailed = 6,    // the language monitor's copy in the system directory stayed
    folderFailed = 7,         // the program folder could not be moved to the recycle bin
    // unins000.exe /silence only: its temporary copy could not be started, or it ended or kept
    // running without sending the uninstall's code
    outcomeUnknown = 8,
};

struct UninstallOutcome {
    bool inventoryComplete = true;
    RemovalTally tally;
    bool monitorCopyRemoved = false;  // meaningful only when the shared files were attempted
    bool folderRemoved = false;       // meaningful only when the folder was to be removed
    bool folderKept = false;          // "-DP"
};

SilentExitCode DecideSilentExitCode(const UninstallOutcome& outcome);

// The code a temporary copy sends its unins000.exe before it moves the program folder, which it
// can do only once that program has ended: the outcome as it is if the move succeeds. A move that
// fails afterwards cannot change the code sent.
SilentExitCode DecideCodeBeforeFolderMove(const UninstallOutcome& outcome);

// What unins000.exe /silence ends with: the code its copy sent; without one, the copy's own exit
// code once the copy has ended, except 0 (a copy that ends without sending a code has not run
// the uninstall through); otherwise outcomeUnknown.
std::uint32_t StarterExitCode(std::optional<std::uint32_t> sentCode, std::optional<std::uint32_t> copyExitCode);

// The reason of an exit code for the debugger output (English, not shown to users).
const char16_t* SilentExitReason(SilentExitCode code);

}  // namespace kelno
