#pragma once
// What the uninstaller asks of the system: the inventory read from the driver store's package
// list and the spooler, and each removal step (a queue with its Plug and Play print-queue device,
// a driver with its monitor, a driver package, the monitor's system-directory copy, the program
// folder). Each step reports to the debugger output.
#include <windows.h>
#include <winspool.h>

#include "usbonestep/uninstall_inventory.h"
#include "usbonestep/uninstall_removal.h"

namespace kelno {

// DeletePrinterDriverPackageW, which Wine and old systems do not export.
using DeletePrinterDriverPackageFn = HRESULT(WINAPI*)(LPCWSTR server, LPCWSTR infPath, LPCWSTR environment);

// The calls whose failures Wine cannot produce: tests replace them (base/win/scoped_seam.h).
struct UninstallSeams {
    // Wine deletes a driver that a queue still uses and refuses every deletion flag.
    decltype(&::DeletePrinterDriverExW) deletePrinterDriverExW = &::DeletePrinterDriverExW;
    // Resolved from winspool.drv on first use; null where the system lacks it.
    DeletePrinterDriverPackageFn deletePrinterDriverPackageW;
};
UninstallSeams& UninstallSystem();

// The inventory: packages of the native architecture's driver store, drivers of the native
// environment, local queues. Not complete when the spooler's lists cannot be read.
Inventory ReadInventory();

// The removal steps handed to RemoveInventory (progress goes to the window's progress bar
// control when both are given; pauses through the engine's time seam).
RemovalSteps SystemRemovalSteps(HWND progressBar = nullptr);

StepResult RemoveQueue(const FoundPrinter& printer);
StepResult RemoveDriver(const FoundDriver& driver);
std::int32_t DeleteDriverPackage(const std::u16string& infPath);

// Stops the Spooler and, only when it stopped, deletes kelnomon.dll in the system directory
// (five attempts a second apart), then starts it again. True when the file is gone.
bool DeleteMonitorCopy();

// Whether the folder may be moved away: not a drive or share root, and it holds the package's
// uninstaller. A refusal goes to the debugger output.
bool IsPackageFolder(const wchar_t* folder);

// Moves the program folder to the recycle bin. Refuses (false) a folder that is a drive or
// share root or that does not hold the package's uninstaller. Quiet: no confirmation and no
// error window (the silent uninstall). True when the folder is gone.
bool DeleteProgramFolder(const wchar_t* folder, bool quiet, HWND owner = nullptr);

}  // namespace kelno
