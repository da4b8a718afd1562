#include "engine/win/printer_install.h"

#include <algorithm>
#include <cwchar>
#include <iterator>
#include <string>

#include "base/text.h"
#include "base/win/scoped.h"
#include "base/win/wide_text.h"
#include "engine/driver_version.h"
#include "engine/install_state.h"
#include "common/win/log.h"
#include "common/model_table.h"
#include "engine/win/progress.h"
#include "engine/queue_name.h"
#include "common/win/seams.h"
#include "engine/win/service_control.h"
#include "engine/win/staging.h"

namespace kelno {
namespace {

// A driver list the spooler could really hold; a larger size is taken as memory the process
// cannot have (the check's "no memory" outcome) rather than asked of the heap.
constexpr DWORD kMaxDriverListBytes = 64u << 20;

// Set once at program start, before any install runs.
std::string_view g_driverVersion = kWizardDriverVersionString;

// UPDP_UPLOAD_ALWAYS, which not every SDK's winspool.h defines.
constexpr DWORD kUploadAlways = 2;

// Spooler structures take non-const strings they never write to.
wchar_t* Text(const wchar_t* text) { return const_cast<wchar_t*>(text); }

// ftDriverDate and dwlDriverVersion from the driver version text "2026.09.15.01".
void SetDriverDateAndVersion(DRIVER_INFO_8W& info) {
    const auto parts = ParseDriverVersionString(DriverVersionString());
    if (!parts) return;
    info.dwlDriverVersion = DriverVersionValue(*parts);
    SYSTEMTIME date{};
    date.wYear = static_cast<WORD>(parts->a);
    date.wMonth = static_cast<WORD>(parts->b);
    date.wDay = static_cast<WORD>(parts->c);
    if (!SystemTimeToFileTime(&date, &info.ftDriverDate)) info.ftDriverDate = FILETIME{};
}

// The step DoInstallPrinter runs while the spooler is stopped: the monitor's system-directory
// copy can only go while no spooler holds it loaded.
void DeleteMonitorCopyWhileStopped(void* deleted) { *static_cast<bool*>(deleted) = DeleteSystemMonitorCopy(); }

// The last occurrence of "kelnov6.inf" in the INF path becomes "vamtv3.inf".
void UseVersion3Inf(wchar_t (&infPath)[MAX_PATH]) {
    std::wstring path(infPath, LengthBounded(infPath, MAX_PATH));
    const std::size_t at = path.rfind(kWizardInfName);
    if (at == std::wstring::npos) return;
    path.replace(at, std::wcslen(kWizardInfName), kVersion3InfName);
    CopyBounded(infPath, MAX_PATH, std::wstring_view(path));
}

// The Plug and Play side of the install: re-enumerate the device tree, then let the system
// install the uploaded package for the printer's hardware identifier.
void UpdatePlugAndPlayDriver(PrinterInstallEntry& entry, const wchar_t* infPath) {
    DEVINST root = 0;
    if (seams::Pnp().cmLocateDevNodeW(&root, nullptr, CM_LOCATE_DEVNODE_NORMAL) == CR_SUCCESS)
        seams::Pnp().cmReenumerateDevNode(root, 0);
    for (char16_t& c : entry.deviceId) {
        if (c == u'\0') break;
        if (c == u' ') c = u'_';
    }
    const std::wstring deviceId = FieldString(entry.deviceId);
    seams::Pnp().updateDriverForPlugAndPlayDevicesW(nullptr, deviceId.c_str(), infPath, INSTALLFLAG_FORCE, nullptr);
}

}  // namespace

void FillDriverInfo8(DriverInfo8& out, const wchar_t* driverName, bool withMonitor) {
    out.info = DRIVER_INFO_8W{};
    std::fill(std::begin(out.dependentFiles), std::end(out.dependentFiles), L'\0');
    DRIVER_INFO_8W& info = out.info;
    info.cVersion = 3;
    info.pName = Text(driverName);
    info.pDriverPath = Text(kRenderDll);
    info.pDataFile = Text(kDataFile);
    info.pConfigFile = Text(kUiDll);
    if (withMonitor) {
        // A multi-string: the one name, then the second terminator left by the zero fill.
        CopyBounded(out.dependentFiles, std::size(out.dependentFiles), std::wstring_view(kMonitorDll));
        info.pDependentFiles = out.dependentFiles;
        info.pMonitorName = Text(kLanguageMonitorName);
    }
    info.pDefaultDataType = Text(kRawDatatype);
    SetDriverDateAndVersion(info);
    info.pszProvider = Text(kDriverProvider);
    info.pszPrintProcessor = Text(kDriverPrintProcessor);
}

void SetDriverVersionString(std::string_view version) { g_driverVersion = version; }
std::string_view DriverVersionString() { return g_driverVersion; }

bool IsPrinterInstalled(const wchar_t* printerName) {
    if (!printerName || !printerName[0]) return false;
    PRINTER_DEFAULTSW defaults{};
    ScopedPrinter printer;
    if (!OpenPrinterW(Text(printerName), printer.receive(), &defaults)) {
        printer.release();  // what the failed call left is no handle to close
        return false;
    }
    return static_cast<bool>(printer);
}

bool IsPrinterDriverInstalled(const wchar_t* driverName, DWORD* osError, int* check) {
    DWORD error = 0;
    int outcome = kDriverNotListed;
    bool found = false;
    if (!driverName || !driverName[0]) {
        outcome = kDriverNoName;
    } else {
        DWORD needed = 0, returned = 0;
        const BOOL sized = seams::Spooler().enumPrinterDriversW(nullptr, nullptr, 8, nullptr, 0, &needed, &returned);
        const DWORD sizeError = sized ? 0 : GetLastError();
        if (!sized && sizeError != ERROR_INSUFFICIENT_BUFFER) {
            outcome = kDriverSizeQueryFailed;
            error = sizeError;
        } else if (needed == 0) {
            outcome = kDriverNotListed;  // the spooler lists no driver at all
        } else if (HLOCAL buffer = needed <= kMaxDriverListBytes ? LocalAlloc(LPTR, needed) : nullptr; !buffer) {
            outcome = kDriverNoMemory;
        } else {
            if (!seams::Spooler().enumPrinterDriversW(nullptr, nullptr, 8, static_cast<LPBYTE>(buffer), needed, &needed,
                                                      &returned)) {
                outcome = kDriverEnumerationFailed;
                error = GetLastError();
            } else {
                const auto* drivers = static_cast<const DRIVER_INFO_8W*>(buffer);
                for (DWORD i = 0; i < returned && !found; ++i)
                    found = drivers[i].pName && std::wcscmp(drivers[i].pName, driverName) == 0;
                outcome = found ? kDriverFound : kDriverNotListed;
            }
            LocalFree(buffer);
        }
    }
    if (osError) *osError = error;
    if (check) *check = outcome;
    return found;
}

bool InstallPrinterLanguageMonitor() {
    MONITOR_INFO_2W monitor{};
    monitor.pName = Text(kLanguageMonitorName);
    monitor.pEnvironment = nullptr;
    monitor.pDLLName = Text(kMonitorDll);
    if (seams::Spooler().addMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&monitor))) return true;
    const DWORD error = GetLastError();
    if (error == ERROR_PRINT_MONITOR_ALREADY_INSTALLED) return true;
    DbgPrint("InstallPrinterLanguageMonitor failed, errcode:%d.", static_cast<int>(error));
    return false;
}

bool DoAddPrinterDriver(const PrinterInstallEntry& entry) {
    const std::wstring driverName = FieldString(entry.modelName);
    DriverInfo8 driver;
    FillDriverInfo8(driver, driverName.c_str(), (entry.modelFlags & kModelUsesLanguageMonitor) != 0);
    if (!seams::Spooler().addPrinterDriverW(nullptr, 8, reinterpret_cast<LPBYTE>(&driver.info))) {
        const DWORD error = GetLastError();
        SetInstallError(kErrorAddDriver, error);
        DbgPrint("AddPrinterDriver failed, errcode:%d.", static_cast<int>(error));
        return false;
    }

    // The spooler may take a moment to list a new driver.
    int check = kDriverNotListed;
    for (int i = 0; i < kDriverPresenceChecks; ++i) {
        if (IsPrinterDriverInstalled(driverName.c_str(), nullptr, &check)) return true;
        FixedWait(kPresenceCheckIntervalMs);
    }
    switch (check) {
        case kDriverEnumerationFailed: SetInstallError(kErrorDriverEnumeration, 0); break;
        case kDriverNoMemory: SetInstallError(kErrorDriverNoMemory, 0); break;
        case kDriverSizeQueryFailed: SetInstallError(kErrorDriverSizeQuery, 0); break;
        case kDriverNotListed: SetInstallError(kErrorDriverNotListed, 0); break;
        default: SetInstallError(kErrorDriverAddOther, 0); break;
    }
    return false;
}

// The order is fixed: stage the files, the monitor (when the model uses it), the driver (only
// when every copy succeeded and no driver of that name exists yet), then the queue. A failed
// copy or monitor skips the driver add and goes on with whatever driver the spooler has.
bool DoAddPrinter(const PrinterInstallEntry& entry) {
    const bool withMonitor = (entry.modelFlags & kModelUsesLanguageMonitor) != 0;
    const std::wstring modelName = FieldString(entry.modelName);
    const std::wstring printerName = FieldString(entry.printerName);
    const std::wstring portName = FieldString(entry.portName);

    bool staged = StageDriverFiles(withMonitor);
    if (withMonitor && !InstallPrinterLanguageMonitor()) {
        SetInstallError(kErrorAddMonitor, 0);
        staged = false;
    } else if (staged && !IsPrinterDriverInstalled(modelName.c_str()) && !DoAddPrinterDriver(entry)) {
        if (LastInstallError == 0) SetInstallError(kErrorDriverAddOther, 0);
        return false;
    }

    if (IsPrinterInstalled(printerName.c_str())) {
        DbgPrint("The printer %ws is already added.", printerName.c_str());
        return true;
    }

    PRINTER_INFO_2W queue{};
    queue.pPrinterName = Text(printerName.c_str());
    queue.pPortName = Text(portName.c_str());
    queue.pDriverName = Text(modelName.c_str());
    queue.pPrintProcessor = Text(kQueuePrintProcessor);
    queue.pDatatype = Text(kRawDatatype);
    queue.Attributes = withMonitor ? kQueueAttributesWithMonitor : kQueueAttributes;
    ScopedPrinter printer(seams::Spooler().addPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&queue)));
    if (!printer) {
        FixedWait(kAddPrinterRetryWaitMs);
        printer.reset(seams::Spooler().addPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&queue)));
    }
    if (!printer) {
        const DWORD error = GetLastError();
        SetInstallError(kErrorAddPrinter, error);
        DbgPrint("AddPrinter failed, errcode:%d.", static_cast<int>(error));
        return false;
    }
    printer.reset();

    for (int i = 0; i < kQueuePresenceChecks; ++i) {
        if (IsPrinterInstalled(printerName.c_str())) return true;
        FixedWait(kPresenceCheckIntervalMs);
    }
    // AddPrinterW succeeded: with every file in place the queue counts as created even when the
    // spooler has not published it yet.
    if (staged) return true;
    SetInstallError(kErrorPrinterNotVisible, 0);
    return false;
}

HRESULT DoUploadDriverPackage(const wchar_t* infPath) {
    wchar_t destination[MAX_PATH] = L"";
    ULONG capacity = static_cast<ULONG>(std::size(destination));
    const HRESULT hr = seams::Spooler().uploadPrinterDriverPackageW(nullptr, infPath, nullptr, kUploadAlways, nullptr,
                                                                    destination, &capacity);
    destination[std::size(destination) - 1] = L'\0';
    DbgPrint("DoUploadDriverPackage, %ws, code:%d.", destination, static_cast<int>(hr));
    return hr;
}

bool DoInstallPrinter(const ProgressSink& progress, PrinterInstallEntry& entry, const wchar_t* wizardInfPath) {
    ResetInstallResult();

    if (!DeleteSystemMonitorCopy()) {
        bool deleted = false;
        RestartSpooler(&DeleteMonitorCopyWhileStopped, &deleted);
        FixedWait(kMonitorCopyDeletedWaitMs);
    }
    StartSpooler();

    if (const ModelRow* row = FindModel(FieldText(entry.modelName))) entry.modelFlags = row->flags;

    SendProgress(progress, EngineText::installingDriverAtPort, FieldString(entry.printerName).c_str(),
                 FieldString(entry.portName).c_str());

    const UniqueQueueNameResult unique = UniqueQueueName(FieldText(entry.printerName), [](std::u16string_view name) {
        return IsPrinterInstalled(WideString(name).c_str());
    });
    SetField(entry.printerName, unique.name);
    const std::wstring printerName = FieldString(entry.printerName);

    // The INF of this install; the caller's path stays as it is for the next run.
    wchar_t infPath[MAX_PATH] = L"";
    if (wizardInfPath)
        CopyBounded(infPath, MAX_PATH, std::wstring_view(wizardInfPath, LengthBounded(wizardInfPath, MAX_PATH)));
    if (entry.modelFlags == kModelUsesVersion3Inf) UseVersion3Inf(infPath);

    bool result = false;
    if (unique.nameFree) {
        if (DoUploadDriverPackage(infPath) == S_OK) {
            UpdatePlugAndPlayDriver(entry, infPath);
            for (int i = 0; i < kPlugAndPlayPresenceChecks && !IsPrinterInstalled(printerName.c_str()); ++i)
                FixedWait(kPresenceCheckIntervalMs);
        }
        result = IsPrinterInstalled(printerName.c_str()) || DoAddPrinter(entry);
    } else if (IsPrinterInstalled(printerName.c_str())) {
        // Every name up to "(Copy 254)" is taken: the queue of that name is someone else's, and
        // this install has created nothing.
        SetInstallError(kErrorAddPrinter, ERROR_PRINTER_ALREADY_EXISTS);
        DbgPrint("No free queue name for %ws, the printer is not added.", printerName.c_str());
    } else {
        result = DoAddPrinter(entry);
    }

    if (result) SendProgress(progress, EngineText::driverInstalled);
    else
        SendProgress(progress, EngineText::driverInstallFailed, LastInstallError.load(),
                     static_cast<int>(LastInstallSystemError.load()));
    RestartSpooler();
    return result;
}

}  // namespace kelno
