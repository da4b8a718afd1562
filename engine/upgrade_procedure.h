#pragma once
// Upgrade mode's procedure, step by step: remove the queues of the upgrade target driver and
// the driver itself, stop the companion service and the spooler, refresh the driver files, add
// the queues again and start the companion service. The system calls stand behind UpgradeOps
// (engine/win/upgrade.cpp); this file holds the order, the retries and the decisions.
#include <cstdint>
#include <string_view>

namespace kelno {

// The companion service and its processes, stopped around the file refresh.
inline constexpr char16_t kCompanionService[] = u"devhubsrv";
inline constexpr const char16_t* kCompanionStopCommands[] = {
    u"net stop devhubsrv",
    u"taskkill /f /im devhubtray.exe",
    u"taskkill /f /im devhubsrv.exe",
};

// Spooler error codes the driver deletion tells apart.
inline constexpr std::uint32_t kErrorInvalidParameter = 87;
inline constexpr std::uint32_t kErrorUnknownPrinterDriver = 1797;
inline constexpr std::uint32_t kErrorPrinterDriverInUse = 3001;

enum class UpgradeService : std::uint8_t { spooler, companion };

class UpgradeOps {
public:
    virtual ~UpgradeOps() = default;
    // One line of the debugger output.
    virtual void Trace(const char* text) = 0;
    virtual bool HasDriverEnvironment() = 0;
    virtual bool StartService(UpgradeService service) = 0;
    virtual bool StopService(UpgradeService service) = 0;
    // Keeps the records of every local or connected queue of the upgrade target driver.
    virtual void CollectUpgradePrinters() = 0;
    // Deletes those queues with their jobs; false when one could not be removed.
    virtual bool RemovePrinterQueues() = 0;
    virtual void Wait(std::uint32_t milliseconds) = 0;
    // Deletes the upgrade target driver with the unused files (and with specificVersion, only
    // version 0): 0 on success, else the spooler's error.
    virtual std::uint32_t DeleteDriverEx(bool specificVersion) = 0;
    // The plain driver deletion (no flags); the same result convention.
    virtual std::uint32_t DeleteDriverPlain() = 0;
    // Whether the spooler still lists a driver of the upgrade target name.
    virtual bool DriverListed() = 0;
    // Runs a command line through the command processor and waits for it; results ignored.
    virtual void RunCommand(const char16_t* commandLine) = 0;
    virtual bool RefreshDriverFiles() = 0;
    // Adds the collected queues again; false when one failed.
    virtual bool ReinstallPrinters() = 0;
    // The "Driver In Use" box: the only window upgrade mode shows.
    virtual void ShowDriverInUse() = 0;
};

// Whether a queue's or driver's name is the upgrade target (ASCII letters compared without case).
bool IsUpgradeTargetDriver(std::u16string_view driverName, std::u16string_view targetName);

// DeleteUpgradeDriver. A spooler that refuses the deletion flags as invalid parameters (Wine
// does, for every flag) gets the plain deletion instead; Windows never answers so.
bool DeleteUpgradeDriver(UpgradeOps& ops);
// UninstallPrinters over the collected records.
bool UninstallPrinters(UpgradeOps& ops);
// The whole procedure (RunUpgrade). False only for an unknown processor architecture.
bool RunUpgradeProcedure(UpgradeOps& ops);

}  // namespace kelno
