#include "usbonestep/uninstall_removal.h"

namespace kelno {
namespace {

void Progress(const RemovalSteps& steps, int position) {
    if (steps.progress) steps.progress(position);
}

void Pause(const RemovalSteps& steps, std::uint32_t milliseconds) {
    if (steps.pause) steps.pause(milliseconds);
}

void SetStatus(RemovalStatus& status, const StepResult& result) {
    status.state = result.ok ? RemovalState::removed : RemovalState::failed;
    status.error = result.ok ? 0 : result.error;
}

StepResult RemoveDriverWithAttempts(const RemovalSteps& steps, const FoundDriver& driver) {
    StepResult result;
    for (int attempt = 0; attempt < kDriverAttempts; ++attempt) {
        if (attempt > 0) Pause(steps, kDriverAttemptPauseMs);
        result = steps.removeDriver(driver);
        if (result.ok) break;
    }
    return result;
}

StepResult DeletePackageWithAttempts(const RemovalSteps& steps, const std::u16string& infPath) {
    std::int32_t hr = 0;
    for (int attempt = 0; attempt < kPackageAttempts; ++attempt) {
        if (attempt > 0) Pause(steps, kPackageAttemptPauseMs);
        hr = steps.deletePackage(infPath);
        if (hr != kPackageBusyResult) break;
    }
    return {hr == 0, hr};
}

}  // namespace

RemovalTally RemoveInventory(Inventory& inventory, const RemovalSteps& steps) {
    RemovalTally tally;
    Progress(steps, 20);
    Progress(steps, 30);
    for (PackageNode& node : inventory.packages) {
        for (DriverItem& driver : node.drivers) {
            for (PrinterItem& printer : driver.printers) {
                if (printer.removed()) continue;
                const StepResult result = steps.removeQueue(printer.printer);
                SetStatus(printer.status, result);
                if (result.ok) {
                    Pause(steps, kRemovedItemPauseMs);
                } else {
                    ++tally.queueFailures;
                }
            }
            Progress(steps, 60);
            if (driver.RemainingPrinters() == 0 && !driver.removed()) {
                const StepResult result = RemoveDriverWithAttempts(steps, driver.driver);
                SetStatus(driver.status, result);
                if (result.ok) {
                    Pause(steps, kRemovedItemPauseMs);
                } else {
                    ++tally.driverFailures;
                }
            }
        }
        Progress(steps, 80);
        if (!node.infPath.empty() && node.RemainingDrivers() == 0 && !node.removed()) {
            const StepResult result = DeletePackageWithAttempts(steps, node.infPath);
            SetStatus(node.status, result);
            if (!result.ok) ++tally.packageFailures;
        }
    }
    Progress(steps, 100);
    return tally;
}

bool MayRemoveSharedFiles(const Inventory& inventory, const RemovalTally& tally) {
    return inventory.complete && tally.Failures() == 0;
}

SilentExitCode DecideSilentExitCode(const UninstallOutcome& outcome) {
    if (!outcome.inventoryComplete) return SilentExitCode::inventoryIncomplete;
    if (outcome.tally.queueFailures > 0) return SilentExitCode::queueFailed;
    if (outcome.tally.driverFailures > 0) return SilentExitCode::driverFailed;
    if (outcome.tally.packageFailures > 0) return SilentExitCode::packageFailed;
    if (!outcome.monitorCopyRemoved) return SilentExitCode::monitorCopyFailed;
    if (!outcome.folderKept && !outcome.folderRemoved) return SilentExitCode::folderFailed;
    return SilentExitCode::removed;
}

SilentExitCode DecideCodeBeforeFolderMove(const UninstallOutcome& outcome) {
    UninstallOutcome moved = outcome;
    moved.folderRemoved = true;
    return DecideSilentExitCode(moved);
}

std::uint32_t StarterExitCode(std::optional<std::uint32_t> sentCode, std::optional<std::uint32_t> copyExitCode) {
    if (sentCode) return *sentCode;
    if (copyExitCode && *copyExitCode != 0) return *copyExitCode;
    return static_cast<std::uint32_t>(SilentExitCode::outcomeUnknown);
}

const char16_t* SilentExitReason(SilentExitCode code) {
    switch (code) {
        case SilentExitCode::removed: return u"everything is removed";
        case SilentExitCode::inventoryIncomplete: return u"the spooler's drivers or queues could not be listed";
        case SilentExitCode::queueFailed: return u"a print queue could not be removed";
        case SilentExitCode::driverFailed: return u"a printer driver could not be removed";
        case SilentExitCode::packageFailed: return u"a driver package could not be removed";
        case SilentExitCode::monitorCopyFailed: return u"the language monitor's system-directory copy stayed";
        case SilentExitCode::folderFailed: return u"the program folder could not be moved to the recycle bin";
        case SilentExitCode::outcomeUnknown: return u"the uninstaller's temporary copy sent no exit code";
    }
    return u"unknown";
}

}  // namespace kelno
