#pragma once
// Removal of print queues, printer drivers with their files, the driver package and the
// standard TCP/IP ports: the uninstall branch of the wizard's worker. Every step reports a
// progress line to the result page and never stops the removal; files in use are deleted at the
// next reboot and RebootNeeded (engine/install_state.h) tells the worker to offer one.
#include <windows.h>

#include <cstddef>

#include "engine/install_entry.h"
#include "engine/win/progress.h"

namespace kelno {

inline constexpr wchar_t kOemInfProvider[] = L"Tavolen";
inline constexpr std::size_t kOemInfNameChars = 20;  // the INF name buffer, terminator included
inline constexpr DWORD kRemovePrinterWaitMs = 500;

// Purges the queue's jobs, deletes it and waits 500 ms. A queue that cannot be opened counts as
// already gone (true); false only when DeletePrinter fails (or the name is empty).
bool DoRemovePrinter(const ProgressSink& progress, const wchar_t* printerName);

// Deletes the driver named by the entry's model name (case-sensitive) and then its files:
// configuration file, data file, driver file, the first dependent file and that file's copy in
// the system directory. The entry's driver environment receives the driver's environment.
// Files are deleted only once the spooler has deleted the driver, and a file that another
// installed driver still names is kept; a file in use is deleted at the next reboot and sets
// RebootNeeded. Returns the result of the driver deletion; the thread's last error is the
// spooler's (ERROR_UNKNOWN_PRINTER_DRIVER when no driver has the name, 0 on success).
bool RemovePrinterDriverFiles(PrinterInstallEntry& entry);

// RemovePrinterDriverFiles for each entry, with one log line and one progress line each.
void DoRemovePrinterDriver(const ProgressSink& progress, PrinterInstallEntry* entries, int count);

// The file name ("oem12.inf") of the first installed OEM INF in the Windows INF folder whose
// Version section names the provider "Tavolen"; "" when there is none. Names that do not fit
// the buffer are passed over, never cut. `name` must hold at least one unit.
void FindOemInf(wchar_t* name, std::size_t capacity);

// Uninstalls the driver package of the OEM INF; when that is refused, asks whether to force it
// (Yes/No) and on Yes forces it. One progress line and its outcome.
void DoDeleteDriverPackage(const ProgressSink& progress, const wchar_t* infName);

// What the uninstall branch removes: the queues of the entries and, as chosen, their standard
// TCP/IP ports, their drivers and the driver package.
struct RemovalRequest {
    PrinterInstallEntry* entries = nullptr;
    int count = 0;
    bool deletePort = false;
    bool removeDriver = false;
    bool removePackage = false;
};

// The uninstall branch: the disconnect notice, RebootNeeded cleared, the OEM INF looked up,
// every queue of the request removed, then — as chosen — their standard TCP/IP ports, their
// drivers and the driver package. Asking for the reboot is the caller's.
void RunUninstallBranch(const ProgressSink& progress, const RemovalRequest& request);

}  // namespace kelno
