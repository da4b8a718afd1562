#include "engine/upgrade_procedure.h"

#include "base/text.h"

namespace kelno {
namespace {

constexpr int kDriverRemovalPasses = 5;

// The deletion with the given flags, or the plain one where the flags are refused.
std::uint32_t DeleteWithFallback(UpgradeOps& ops, bool specificVersion) {
    const std::uint32_t error = ops.DeleteDriverEx(specificVersion);
    if (error != kErrorInvalidParameter) return error;
    ops.Trace("DeletePrinterDriverEx refused its flags; deleting the driver without them");
    return ops.DeleteDriverPlain();
}

void StartTraced(UpgradeOps& ops, UpgradeService service, const char* started, const char* failed) {
    ops.Trace(ops.StartService(service) ? started : failed);
}

void StopTraced(UpgradeOps& ops, UpgradeService service, const char* stopped, const char* failed) {
    ops.Trace(ops.StopService(service) ? stopped : failed);
}

}  // namespace

bool IsUpgradeTargetDriver(std::u16string_view driverName, std::u16string_view targetName) {
    return AsciiLower(driverName) == AsciiLower(targetName);
}

bool DeleteUpgradeDriver(UpgradeOps& ops) {
    const std::uint32_t error = DeleteWithFallback(ops, false);
    if (error == 0 || error == kErrorUnknownPrinterDriver) return true;
    if (error != kErrorPrinterDriverInUse) return false;

    if (ops.StopService(UpgradeService::spooler)) ops.StartService(UpgradeService::spooler);
    ops.Wait(2000);
    if (DeleteWithFallback(ops, true) != 0) return false;
    ops.ShowDriverInUse();
    return true;
}

bool UninstallPrinters(UpgradeOps& ops) {
    bool result = true;
    if (!ops.RemovePrinterQueues()) {
        ops.Trace("Failed to uninstall printers");
        result = false;
    }
    ops.Wait(1000);
    for (int pass = 0; pass < kDriverRemovalPasses; ++pass) {
        if (!DeleteUpgradeDriver(ops)) {
            ops.Wait(1000);
            if (!DeleteUpgradeDriver(ops)) {
                ops.Trace("Failed to uninstall printer driver");
                return false;
            }
        }
        if (!ops.DriverListed()) return true;
        ops.Wait(1000);
    }
    return result;
}

bool RunUpgradeProcedure(UpgradeOps& ops) {
    ops.Trace("Entering upgrade mode");
    if (!ops.HasDriverEnvironment()) {
        ops.Trace("Unsupported system architecture");
        return false;
    }
    StartTraced(ops, UpgradeService::spooler, "Spooler service is started.", "Failed to start Spooler service");
    ops.CollectUpgradePrinters();

    if (!UninstallPrinters(ops)) {
        ops.Trace("ReinstallPrinters is failed.");
    } else {
        ops.Trace("UninstallPrinters is OK.");
        for (const char16_t* command : kCompanionStopCommands) ops.RunCommand(command);
        StopTraced(ops, UpgradeService::companion, "devhubsrv service is stopped.", "Failed to stop devhubsrv service");
        StopTraced(ops, UpgradeService::spooler, "Spooler service is stopped.", "Failed to stop Spooler service");
        const bool refreshed = ops.RefreshDriverFiles();
        // The queues are added through the spooler, and printing needs it afterwards: it runs
        // again whether or not the files could be refreshed.
        StartTraced(ops, UpgradeService::spooler, "Spooler service is started.", "Failed to start Spooler service");
        if (refreshed) ops.ReinstallPrinters();
    }
    StartTraced(ops, UpgradeService::companion, "devhubsrv service is started.", "Failed to start devhubsrv service");
    return true;
}

}  // namespace kelno
