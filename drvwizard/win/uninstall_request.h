#pragma once
// The uninstall page's records: one PrinterInstallEntry per selected queue, with the queue's
// name, its driver (the model) and its port, and the port's kind from the spooler, so that
// "Delete Port" finds the standard TCP/IP ports among them.
#include "engine/install_entry.h"

namespace kelno {

// Texts are cut to their fields. A port the spooler does not list keeps kind 0.
PrinterInstallEntry MakeUninstallEntry(const wchar_t* printerName, const wchar_t* driverName, const wchar_t* portName);

}  // namespace kelno
