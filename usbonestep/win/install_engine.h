#pragma once
// The installer's own form of the engine's install of one printer: the queue check by name,
// the driver-package upload with the Plug and Play update, and when that has not made the
// queue, adding driver and queue by hand; file copies with a replace-at-reboot fallback.
#include <windows.h>

#include "discovery/port_record.h"
#include "engine/install_entry.h"

namespace kelno {

// Results of OneStepInstallPrinter besides 0 (failed).
inline constexpr int kOneStepInstalled = 1;
inline constexpr int kOneStepQueueExisted = 3;  // a queue of that name exists: nothing installed

// OpenPrinterW with PRINTER_ALL_ACCESS and GetPrinterW level 2 both succeed.
bool OneStepQueueExists(const wchar_t* printerName);

// Installs one printer with the package INF at infPath; devices is the installer's list of USB
// printers (the entry's device id is taken from the record of its port). 0 on failure, with the
// thread's last error telling why.
int OneStepInstallPrinter(PrinterInstallEntry& entry, const wchar_t* infPath, const PortList& devices);

// Stages the driver files, the monitor (model flag 0x10), the driver (when none of the model's
// name is listed) and the queue. True when the queue exists afterwards.
bool OneStepAddPrinter(const PrinterInstallEntry& entry);

// Copies one per-environment file from the package into the driver directory (the monitor also
// into the system directory, with the Spooler stopped). A destination that cannot be written is
// replaced at the next reboot.
bool OneStepCopyDriverFile(const wchar_t* fileName);

}  // namespace kelno
