#include "usbonestep/win/install_engine.h"

#include <winspool.h>
#include <cfgmgr32.h>
#include <newdev.h>
#include <strsafe.h>

#include <cwchar>
#include <string>
#include <vector>

#include "base/text.h"
#include "base/win/scoped.h"
#include "base/win/wide_text.h"
#include "common/model_table.h"
#include "common/win/debug_output.h"
#include "common/win/seams.h"
#include "engine/win/printer_install.h"
#include "engine/win/service_control.h"
#include "engine/win/staging.h"
#include "engine/win/system_paths.h"

namespace kelno {
namespace {

constexpr int kPlugAndPlayWaits = 10;
constexpr int kDriverWaits = 5;
constexpr int kQueueWaits = 5;
constexpr DWORD kWaitIntervalMs = 1000;
constexpr DWORD kQueueAttributesOneStep = PRINTER_ATTRIBUTE_LOCAL;

wchar_t* Text(const wchar_t* text) { return const_cast<wchar_t*>(text); }

bool FormatPath(wchar_t (&out)[MAX_PATH], const wchar_t* format, const wchar_t* a, const wchar_t* b,
                const wchar_t* c = nullptr) {
    const HRESULT hr =
        c ? StringCchPrintfW(out, MAX_PATH, format, a, b, c) : StringCchPrintfW(out, MAX_PATH, format, a, b);
    if (FAILED(hr)) out[0] = 0;
    return SUCCEEDED(hr);
}

bool UsesMonitor(const PrinterInstallEntry& entry) { return (entry.modelFlags & kModelUsesLanguageMonitor) != 0; }

// The step run while the Spooler is stopped: the monitor's copy in the system directory.
void CopyMonitorToSystemDirectory(void* source) {
    wchar_t systemDir[MAX_PATH], target[MAX_PATH];
    const wchar_t* from = static_cast<const wchar_t*>(source);
    if (!GetSystemDirectoryPath(systemDir, MAX_PATH) || !FormatPath(target, L"%ws\\%ws", systemDir, kMonitorDll))
        return;
    const BOOL ok = CopyFileW(from, target, FALSE);
    DebugOutF(L"CopyFile file:%ws to %ws, %d, errcode:%d.\r\n", from, target, ok ? 1 : 0,
              static_cast<int>(GetLastError()));
}

// Whether the spooler lists a port of exactly this name (EnumPortsW level 2).
bool SpoolerHasPort(const wchar_t* portName) {
    DWORD needed = 0, returned = 0;
    EnumPortsW(nullptr, 2, nullptr, 0, &needed, &returned);
    if (needed == 0) return false;
    std::vector<BYTE> buffer(needed);
    if (!EnumPortsW(nullptr, 2, buffer.data(), needed, &needed, &returned)) return false;
    const auto* ports = reinterpret_cast<const PORT_INFO_2W*>(buffer.data());
    for (DWORD i = 0; i < returned; ++i)
        if (ports[i].pPortName && std::wcscmp(ports[i].pPortName, portName) == 0) return true;
    return false;
}

// AddPrinterDriverW level 8 under this program's driver version, then up to 5 checks 1 s apart
// that the spooler lists it. A failure is only traced.
bool AddDriver(const PrinterInstallEntry& entry) {
    const std::wstring driverName = FieldString(entry.modelName);
    DriverInfo8 driver;
    FillDriverInfo8(driver, driverName.c_str(), UsesMonitor(entry));
    if (!seams::Spooler().addPrinterDriverW(nullptr, 8, reinterpret_cast<LPBYTE>(&driver.info))) {
        DebugOutF(L"AddPrinterDriver failed, errcode:%d.\r\n", static_cast<int>(GetLastError()));
        return false;
    }
    for (int i = 0; i < kDriverWaits; ++i) {
        if (IsPrinterDriverInstalled(driverName.c_str())) return true;
        FixedWait(kWaitIntervalMs);
    }
    DebugOutF(L"AddPrinterDriver failed, errcode:%d.\r\n", static_cast<int>(ERROR_UNKNOWN_PRINTER_DRIVER));
    return false;
}

}  // namespace

bool OneStepQueueExists(const wchar_t* printerName) {
    if (!printerName || !printerName[0]) return false;
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
    ScopedPrinter printer;
    if (!OpenPrinterW(Text(printerName), printer.receive(), &defaults)) {
        printer.release();
        return false;
    }
    DWORD needed = 0;
    seams::Spooler().getPrinterW(printer.get(), 2, nullptr, 0, &needed);
    if (needed == 0) return false;
    std::vector<BYTE> buffer(needed);
    return seams::Spooler().getPrinterW(printer.get(), 2, buffer.data(), needed, &needed) != FALSE;
}

bool OneStepCopyDriverFile(const wchar_t* fileName) {
    const std::wstring environment = GetDriverEnvironment();
    if (environment.empty() || !fileName || !fileName[0]) return false;
    wchar_t driverDir[MAX_PATH], destination[MAX_PATH], source[MAX_PATH];
    if (!GetDriverDirectory(driverDir, MAX_PATH) || !FormatPath(destination, L"%ws\\%ws", driverDir, fileName) ||
        !FormatPath(source, L"%ws\\%ws\\%ws", PackageFolder(), environment.c_str(), fileName))
        return false;

    const BOOL deleted = DeleteFileW(destination);
    DebugOutF(L"Remove file:%ws, %d, errcode:%d.\r\n", destination, deleted ? 1 : 0, static_cast<int>(GetLastError()));
    BOOL copied = CopyFileW(source, destination, FALSE);
    DebugOutF(L"CopyFile file:%ws to %ws, %d, errcode:%d.\r\n", source, destination, copied ? 1 : 0,
              static_cast<int>(GetLastError()));

    if (std::wcscmp(fileName, kMonitorDll) == 0)
        RestartSpooler(&CopyMonitorToSystemDirectory, source, kOneStepSpoolerRestart);

    if (!copied) {
        // The destination is held open: replace it at the next boot. A missing source would queue
        // a rename that can never happen, so it stays a failure.
        const DWORD attributes = GetFileAttributesW(source);
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            copied = MoveFileExW(source, destination, MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING);
    }
    return copied != FALSE;
}

bool OneStepAddPrinter(const PrinterInstallEntry& entry) {
    const std::wstring modelName = FieldString(entry.modelName);
    const std::wstring printerName = FieldString(entry.printerName);
    const std::wstring portName = FieldString(entry.portName);

    // Every copy runs, whatever the one before did.
    const bool renderDll = OneStepCopyDriverFile(kRenderDll);
    const bool uiDll = OneStepCopyDriverFile(kUiDll);
    const bool dataFile = CopyDriverDataFile();
    bool staged = renderDll && uiDll && dataFile;
    if (UsesMonitor(entry)) {
        staged = OneStepCopyDriverFile(kMonitorDll) && staged;
        staged = InstallPrinterLanguageMonitor();
    }

    if (staged && !IsPrinterDriverInstalled(modelName.c_str()) && !AddDriver(entry)) return false;

    if (OneStepQueueExists(printerName.c_str())) {
        DebugOutF(L"The printer %ws is already added.\r\n", printerName.c_str());
        return true;
    }

    PRINTER_INFO_2W queue{};
    queue.pPrinterName = Text(printerName.c_str());
    queue.pPortName = Text(portName.c_str());
    queue.pDriverName = Text(modelName.c_str());
    queue.pPrintProcessor = Text(kQueuePrintProcessor);
    queue.pDatatype = Text(kRawDatatype);
    queue.Attributes = kQueueAttributesOneStep;
    ScopedPrinter printer(seams::Spooler().addPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&queue)));
    if (!printer)
        DebugOutF(L"AddPrinter %ws failed, errcode:%d.\r\n", printerName.c_str(), static_cast<int>(GetLastError()));
    printer.reset();

    for (int i = 0; i < kQueueWaits; ++i) {
        if (OneStepQueueExists(printerName.c_str())) return true;
        FixedWait(kWaitIntervalMs);
    }
    return false;
}

int OneStepInstallPrinter(PrinterInstallEntry& entry, const wchar_t* infPath, const PortList& devices) {
    if (const PortRecord* record = FindByPortName(devices, FieldText(entry.portName)))
        SetField(entry.deviceId, FieldText(record->hardwareId));

    const std::wstring printerName = FieldString(entry.printerName);
    if (OneStepQueueExists(printerName.c_str())) {
        DebugOutF(L"The printer %ws exists.\r\n", printerName.c_str());
        return kOneStepQueueExisted;
    }

    if (DoUploadDriverPackage(infPath) == S_OK) {
        DEVINST root = 0;
        if (seams::Pnp().cmLocateDevNodeW(&root, nullptr, CM_LOCATE_DEVNODE_NORMAL) == CR_SUCCESS)
            seams::Pnp().cmReenumerateDevNode(root, 0);
        const std::wstring deviceId = FieldString(entry.deviceId);
        const BOOL updated = seams::Pnp().updateDriverForPlugAndPlayDevicesW(nullptr, deviceId.c_str(), infPath,
                                                                             INSTALLFLAG_FORCE, nullptr);
        DebugOutF(L"UpdateDriverForPlugAndPlayDevices %ws, %d, errcode:%d.\r\n", deviceId.c_str(), updated ? 1 : 0,
                  static_cast<int>(updated ? 0 : GetLastError()));
        for (int i = 0; i < kPlugAndPlayWaits; ++i) {
            if (UsesMonitor(entry) && OneStepQueueExists(printerName.c_str())) {
                OneStepCopyDriverFile(kMonitorDll);
                break;
            }
            FixedWait(kWaitIntervalMs);
        }
    }

    int result = OneStepQueueExists(printerName.c_str()) ? kOneStepInstalled : 0;
    if (!result) result = OneStepAddPrinter(entry) ? kOneStepInstalled : 0;

    const std::wstring portName = FieldString(entry.portName);
    if (result && !SpoolerHasPort(portName.c_str())) RestartSpooler(nullptr, nullptr, kOneStepSpoolerRestart);
    return result;
}

}  // namespace kelno
