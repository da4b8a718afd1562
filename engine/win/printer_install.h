#pragma once
// Registering the printer driver with the local spooler and creating a print queue for one
// printer: the language-monitor install, the driver add with its fixed DRIVER_INFO_8, the
// queue add with its fixed PRINTER_INFO_2, the driver-package upload with the Plug and Play
// update, the presence checks with their waits, and the wizard's install operation that joins
// them (DoInstallPrinter). All spooler calls go to the local server.
//
// Failures leave a result code in LastInstallError with the OS error beside it
// (engine/install_state.h); nothing is rolled back after a failed step.
#include <windows.h>
#include <winspool.h>

#include <string_view>

#include "engine/install_entry.h"
#include "engine/win/progress.h"

namespace kelno {

// Result codes of the driver and queue steps (2001-2004 are the staging codes).
inline constexpr int kErrorAddMonitor = 3001;         // AddMonitorW failed (not "already installed")
inline constexpr int kErrorAddDriver = 3002;          // AddPrinterDriverW failed; OS error beside it
inline constexpr int kErrorDriverSizeQuery = 3003;    // driver check: the size query failed
inline constexpr int kErrorDriverNoMemory = 3004;     // driver check: no enumeration buffer
inline constexpr int kErrorDriverEnumeration = 3005;  // driver check: the enumeration failed
inline constexpr int kErrorDriverNotListed = 3006;    // driver check: not listed after 5 tries
inline constexpr int kErrorDriverAddOther = 3007;     // the driver add failed without another code
inline constexpr int kErrorAddPrinter = 4001;         // AddPrinterW failed twice; OS error beside it
inline constexpr int kErrorPrinterNotVisible = 4002;  // queue not visible and a staging copy failed

// Outcome of one driver check (IsPrinterDriverInstalled).
inline constexpr int kDriverFound = 0;
inline constexpr int kDriverNotListed = -1;
inline constexpr int kDriverSizeQueryFailed = -2;
inline constexpr int kDriverNoMemory = -3;
inline constexpr int kDriverEnumerationFailed = -4;
inline constexpr int kDriverNoName = -5;  // no name to look for: nothing was asked of the spooler

// Names the driver registration fixes.
inline constexpr wchar_t kLanguageMonitorName[] = L"Language Monitor";
inline constexpr wchar_t kDriverProvider[] = L"Tavolen";
inline constexpr wchar_t kDriverPrintProcessor[] = L"winprint";
inline constexpr wchar_t kQueuePrintProcessor[] = L"WinPrint";
inline constexpr wchar_t kRawDatatype[] = L"RAW";
inline constexpr wchar_t kWizardInfName[] = L"kelnov6.inf";
inline constexpr wchar_t kVersion3InfName[] = L"vamtv3.inf";

// Queue attributes: local, and bidirectional with the language monitor.
inline constexpr DWORD kQueueAttributes = PRINTER_ATTRIBUTE_LOCAL;
inline constexpr DWORD kQueueAttributesWithMonitor = PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_ENABLE_BIDI;

// The waits of the presence checks and of the queue-add retry.
inline constexpr int kDriverPresenceChecks = 5;
inline constexpr int kQueuePresenceChecks = 5;
inline constexpr int kPlugAndPlayPresenceChecks = 3;
inline constexpr DWORD kPresenceCheckIntervalMs = 1000;
inline constexpr DWORD kAddPrinterRetryWaitMs = 3000;
inline constexpr DWORD kMonitorCopyDeletedWaitMs = 3000;

// DRIVER_INFO_8 of the driver add, with the storage its pointers refer to. The object must not
// be copied (the info points into it) and driverName must outlive it.
struct DriverInfo8 {
    DRIVER_INFO_8W info;
    wchar_t dependentFiles[512];  // multi-string "kelnomon.dll\0\0" when the monitor belongs to the driver

    DriverInfo8() = default;
    DriverInfo8(const DriverInfo8&) = delete;
    DriverInfo8& operator=(const DriverInfo8&) = delete;
};

// cVersion 3, the three driver files, "RAW", provider "Tavolen", print processor "winprint",
// driver date and version from the wizard's driver version text; with the monitor, dependent
// file "kelnomon.dll" and monitor "Language Monitor". Everything else zero.
void FillDriverInfo8(DriverInfo8& out, const wchar_t* driverName, bool withMonitor);

// The driver version text the driver registration writes (driver date and version): the
// wizard's, kWizardDriverVersionString, unless the program selects its own at start
// (usbonestep: kOneStepDriverVersionString). The text must outlive the program's installs.
void SetDriverVersionString(std::string_view version);
std::string_view DriverVersionString();

// OpenPrinterW with all-zero defaults succeeds (the handle is closed at once). A null or empty
// name is never installed.
bool IsPrinterInstalled(const wchar_t* printerName);

// Whether the native environment lists a driver of exactly this name (case-sensitive), from
// EnumPrinterDriversW level 8. osError receives the failing call's OS error (else 0), check one
// of the kDriver* outcomes. A null or empty name gives false (kDriverNoName) at once; a spooler
// that lists no driver gives kDriverNotListed.
bool IsPrinterDriverInstalled(const wchar_t* driverName, DWORD* osError = nullptr, int* check = nullptr);

// AddMonitorW level 2 for "Language Monitor" (kelnomon.dll); already installed is success.
bool InstallPrinterLanguageMonitor();

// AddPrinterDriverW level 8 for the entry's model, then up to 5 checks 1 s apart that the
// spooler lists it. Failures: 3002 with the OS error, or 3003-3007 from the last check.
bool DoAddPrinterDriver(const PrinterInstallEntry& entry);

// Stage, monitor (model flag 0x10), driver (unless one of that name exists), queue; see the
// comments in the implementation for the order and what each failure leaves.
bool DoAddPrinter(const PrinterInstallEntry& entry);

// UploadPrinterDriverPackageW of the INF to the driver store (native environment, always).
HRESULT DoUploadDriverPackage(const wchar_t* infPath);

// The install of one printer (the entry's deviceId is the USB printer's hardware identifier when
// there is one), with the package INF at infPath; progress lines go to the sink. Writes the
// queue name used and the model flags back to the entry.
bool DoInstallPrinter(const ProgressSink& progress, PrinterInstallEntry& entry, const wchar_t* infPath);

}  // namespace kelno
