#pragma once
// Upgrade mode's re-add of the driver and of each print queue it removed before replacing the
// driver files. Every step of upgrade mode (printer selection, driver removal, re-add) works on
// one driver name, kUpgradeDriverName.
#include <windows.h>

#include <cstdint>

namespace kelno {

// The driver whose queues upgrade mode removes and re-adds, and which it deletes and adds again.
inline constexpr wchar_t kUpgradeDriverName[] = L"Tavolen MX-410";

// Values of UpgradePrinterRecord::status.
inline constexpr std::int32_t kUpgradeStatusWorking = 1;
inline constexpr std::int32_t kUpgradeStatusReAdded = 2;
inline constexpr std::int32_t kUpgradeStatusFailed = 3;

// One queue of the upgrade target driver, built from its PRINTER_INFO_2 before it is removed.
struct UpgradePrinterRecord {
    wchar_t driverName[MAX_PATH];
    wchar_t hardwareId[MAX_PATH];  // empty for records built from the spooler's queues
    wchar_t portName[MAX_PATH];
    wchar_t printerName[MAX_PATH];  // after the re-add: the name the queue got
    std::int32_t status;
    wchar_t statusText[MAX_PATH];  // what the last step did, for the debug output
};

// Stages the four driver files from the upgrade source folder (results ignored), registers the
// language monitor (a failure is traced, and the add goes on) and adds the upgrade target
// driver with the record's hardware id, always with the monitor. The result is the driver add's.
bool AddPrinterDriverForUpgrade(const UpgradePrinterRecord& record);

// Adds the driver when no driver of the target name exists (case-insensitive), then a queue
// named after the driver (" (n)" appended while the name is taken) on the record's port. The
// record's printer name becomes the new name; status 2 on success, 3 on failure.
bool AddPrinterForUpgrade(UpgradePrinterRecord& record);

}  // namespace kelno
