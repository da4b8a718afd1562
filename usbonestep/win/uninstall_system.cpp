#include "usbonestep/win/uninstall_system.h"

#include <commctrl.h>
#include <shellapi.h>
#include <setupapi.h>
#include <strsafe.h>

#include <algorithm>
#include <cwchar>
#include <iterator>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "base/win/scoped.h"
#include "base/win/wide_text.h"
#include "common/win/debug_output.h"
#include "common/win/seams.h"
#include "engine/install_entry.h"
#include "engine/win/removal.h"
#include "engine/win/service_control.h"
#include "engine/win/system_paths.h"
#include "usbonestep/inf_version.h"

namespace kelno {
namespace {

constexpr DWORD kDriverStorePathBytes = 2048;       // 1024 characters
constexpr std::size_t kInfReadLimit = 1024 * 1024;  // an INF larger than this is not read for its version
constexpr DWORD kServiceTimeoutMs = 10000;
constexpr DWORD kDriverInUseRestartWaitMs = 3000;
constexpr int kMonitorCopyAttempts = 5;
constexpr DWORD kMonitorCopyAttemptPauseMs = 1000;
constexpr std::size_t kFriendlyNameChars = 260;
constexpr wchar_t kMonitorFileName[] = L"kelnomon.dll";
constexpr wchar_t kUninstallerFileName[] = L"unins000.exe";
constexpr wchar_t kPrintQueueClass[] = L"PrintQueue";

DeletePrinterDriverPackageFn ResolveDeletePackage() {
    HMODULE winspool = GetModuleHandleW(L"winspool.drv");
    if (!winspool) return nullptr;
    return reinterpret_cast<DeletePrinterDriverPackageFn>(
        reinterpret_cast<void*>(GetProcAddress(winspool, "DeletePrinterDriverPackageW")));
}

std::u16string Text(const wchar_t* text) { return std::u16string(U16View(text)); }

// ---- inventory -------------------------------------------------------------------------------

std::u16string ReadInfVersion(const std::u16string& infPath) {
    const ScopedFile file(CreateFileW(WidePtr(infPath), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        DebugOutF(L"Uninstall: INF %ws not read, error: %u", WidePtr(infPath), GetLastError());
        return {};
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0 ||
        static_cast<unsigned long long>(size.QuadPart) > kInfReadLimit)
        return {};
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
    DWORD read = 0;
    if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) return {};
    return InfDriverVer(bytes.data(), read, kInfVersionChars - 1).value_or(std::u16string());
}

std::vector<FoundPackage> ReadDriverStorePackages() {
    std::vector<FoundPackage> packages;
    SYSTEM_INFO system{};
    seams::System().getNativeSystemInfo(&system);
    const std::u16string_view architecture = DriverStoreArchitectureName(system.wProcessorArchitecture);
    if (architecture.empty()) return packages;
    const std::u16string keyPath = DriverStorePackagesKey(architecture);
    ScopedRegistryKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, WidePtr(keyPath), 0, KEY_READ | KEY_WOW64_64KEY, key.receive()) !=
        ERROR_SUCCESS) {
        key.release();
        return packages;
    }
    for (DWORD index = 0;; ++index) {
        wchar_t name[MAX_PATH + 1];
        const LONG status = RegEnumKeyW(key.get(), index, name, static_cast<DWORD>(std::size(name)));
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) continue;  // a name too long for the buffer
        std::uint8_t data[kDriverStorePathBytes];
        DWORD bytes = sizeof(data);
        if (RegGetValueW(key.get(), name, L"DriverStorePath", RRF_RT_REG_MULTI_SZ | RRF_RT_REG_SZ, nullptr, data,
                         &bytes) != ERROR_SUCCESS)
            continue;
        FoundPackage package{FirstRegistryString(data, bytes), {}};
        if (!IsPackageInfPath(package.infPath)) continue;
        package.infVersion = ReadInfVersion(package.infPath);
        DebugOutF(L"Uninstall: driver package %ws, version %ws", WidePtr(package.infPath), WidePtr(package.infVersion));
        packages.push_back(std::move(package));
    }
    return packages;
}

// An enumeration of the spooler into a buffer it sizes; false with its error when it fails.
template <typename Enumerate>
bool EnumerateInto(std::unique_ptr<BYTE[]>& buffer, DWORD& count, Enumerate&& enumerate) {
    DWORD needed = 0;
    count = 0;
    if (enumerate(nullptr, 0, &needed, &count)) return true;
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed == 0) return false;
    buffer.reset(new (std::nothrow) BYTE[needed]());
    if (!buffer) return false;
    return enumerate(buffer.get(), needed, &needed, &count) != FALSE;
}

bool ReadDrivers(std::vector<FoundDriver>& drivers) {
    std::unique_ptr<BYTE[]> buffer;
    DWORD count = 0;
    if (!EnumerateInto(buffer, count, [](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
            return seams::Spooler().enumPrinterDriversW(nullptr, nullptr, 8, data, size, needed, returned);
        })) {
        DebugOutF(L"Uninstall: EnumPrinterDrivers failed, error: %u", GetLastError());
        return false;
    }
    const auto* infos = reinterpret_cast<const DRIVER_INFO_8W*>(buffer.get());
    for (DWORD i = 0; i < count; ++i) {
        const DRIVER_INFO_8W& info = infos[i];
        FoundDriver driver;
        driver.name = Text(info.pName);
        driver.environment = Text(info.pEnvironment);
        driver.manufacturer = Text(info.pszMfgName);
        driver.monitor = Text(info.pMonitorName);
        driver.infPath = Text(info.pszInfPath);
        driver.driverPath = Text(info.pDriverPath);
        driver.version = info.dwlDriverVersion;
        drivers.push_back(std::move(driver));
    }
    return true;
}

bool ReadPrinters(std::vector<FoundPrinter>& printers) {
    std::unique_ptr<BYTE[]> buffer;
    DWORD count = 0;
    if (!EnumerateInto(buffer, count, [](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
            return EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, data, size, needed, returned);
        })) {
        DebugOutF(L"Uninstall: EnumPrinters failed, error: %u", GetLastError());
        return false;
    }
    const auto* infos = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.get());
    for (DWORD i = 0; i < count; ++i)
        printers.push_back({Text(infos[i].pPrinterName), Text(infos[i].pPortName), Text(infos[i].pDriverName)});
    return true;
}

// ---- removal ---------------------------------------------------------------------------------

// The Plug and Play print-queue devices of that name. Only devices of the print-queue setup
// class are looked at: a printer's own device (USB, network) may carry the same friendly name.
void RemovePrintQueueDevices(const std::u16string& printerName) {
    GUID classes[8];
    DWORD classCount = 0;
    if (!SetupDiClassGuidsFromNameW(kPrintQueueClass, classes, static_cast<DWORD>(std::size(classes)), &classCount))
        return;
    if (classCount > std::size(classes)) classCount = static_cast<DWORD>(std::size(classes));
    for (DWORD c = 0; c < classCount; ++c) {
        const ScopedDeviceInfoSet set(
            SetupDiGetClassDevsExW(&classes[c], nullptr, nullptr, 0, nullptr, nullptr, nullptr));
        if (!set) continue;
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof(device);
        for (DWORD i = 0; SetupDiEnumDeviceInfo(set.get(), i, &device); ++i) {
            wchar_t name[kFriendlyNameChars] = L"";
            if (!SetupDiGetDeviceRegistryPropertyW(set.get(), &device, SPDRP_FRIENDLYNAME, nullptr,
                                                   reinterpret_cast<BYTE*>(name), sizeof(name) - sizeof(wchar_t),
                                                   nullptr))
                continue;
            if (U16View(name, std::size(name)) != printerName) continue;
            const BOOL removed = SetupDiRemoveDevice(set.get(), &device);
            DebugOutF(L"Uninstall: print queue device %ws removed: %d, error: %u", name, removed ? 1 : 0,
                      removed ? 0u : GetLastError());
        }
    }
}

// DeletePrinterDriverExW as the uninstaller calls it. A spooler that refuses the flag that also
// deletes the unused files (Wine) has the driver and its files removed by the engine's driver
// removal instead.
bool DeleteDriverOnce(const FoundDriver& driver) {
    if (UninstallSystem().deletePrinterDriverExW(nullptr, nullptr, const_cast<LPWSTR>(WidePtr(driver.name)),
                                                 DPD_DELETE_UNUSED_FILES, 0))
        return true;
    if (GetLastError() != ERROR_INVALID_PARAMETER) return false;
    DebugOutF(L"Uninstall: the spooler refuses to delete the unused files of %ws; driver and files removed one by one",
              WidePtr(driver.name));
    PrinterInstallEntry entry{};
    SetField(entry.modelName, driver.name);
    return RemovePrinterDriverFiles(entry);
}

}  // namespace

UninstallSeams& UninstallSystem() {
    static UninstallSeams table{&::DeletePrinterDriverExW, ResolveDeletePackage()};
    return table;
}

Inventory ReadInventory() {
    std::vector<FoundDriver> drivers;
    std::vector<FoundPrinter> printers;
    const std::vector<FoundPackage> packages = ReadDriverStorePackages();
    const bool driversRead = ReadDrivers(drivers);
    const bool printersRead = ReadPrinters(printers);
    Inventory inventory = BuildInventory(packages, drivers, printers);
    inventory.complete = driversRead && printersRead;
    return inventory;
}

StepResult RemoveQueue(const FoundPrinter& printer) {
    StepResult result{true, 0};
    {
        PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
        ScopedPrinter handle;
        if (OpenPrinterW(const_cast<LPWSTR>(WidePtr(printer.name)), handle.receive(), &defaults)) {
            seams::Spooler().setPrinterW(handle.get(), 0, nullptr, PRINTER_CONTROL_PURGE);
            if (!DeletePrinter(handle.get())) result = {false, static_cast<std::int32_t>(GetLastError())};
        } else {
            handle.release();
            const DWORD error = GetLastError();
            // A queue another program deleted since the inventory counts as removed.
            if (error != ERROR_INVALID_PRINTER_NAME) result = {false, static_cast<std::int32_t>(error)};
        }
    }
    DebugOutF(L"Uninstall: remove printer %ws: %d, error: %d", WidePtr(printer.name), result.ok ? 1 : 0, result.error);
    RemovePrintQueueDevices(printer.name);
    SetLastError(static_cast<DWORD>(result.error));
    return result;
}

StepResult RemoveDriver(const FoundDriver& driver) {
    if (!driver.monitor.empty()) DeleteMonitorW(nullptr, nullptr, const_cast<LPWSTR>(WidePtr(driver.monitor)));
    bool deleted = DeleteDriverOnce(driver);
    DWORD error = deleted ? 0 : GetLastError();
    if (!deleted && error == ERROR_PRINTER_DRIVER_IN_USE) {
        DebugOutF(L"Uninstall: driver %ws in use, restarting the Spooler", WidePtr(driver.name));
        StopServiceWithTimeout(kSpoolerService, kServiceTimeoutMs);
        FixedWait(kDriverInUseRestartWaitMs);
        StartServiceWithTimeout(kSpoolerService, kServiceTimeoutMs);
        FixedWait(kDriverInUseRestartWaitMs);
        deleted = DeleteDriverOnce(driver);
        error = deleted ? 0 : GetLastError();
    }
    const bool removed = deleted || error == ERROR_UNKNOWN_PRINTER_DRIVER;
    DebugOutF(L"Uninstall: remove driver %ws: %d, error: %u", WidePtr(driver.name), removed ? 1 : 0, error);
    return {removed, removed ? 0 : static_cast<std::int32_t>(error)};
}

std::int32_t DeleteDriverPackage(const std::u16string& infPath) {
    const DeletePrinterDriverPackageFn deletePackage = UninstallSystem().deletePrinterDriverPackageW;
    const HRESULT hr =
        deletePackage ? deletePackage(nullptr, WidePtr(infPath), nullptr) : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    DebugOutF(L"Uninstall: delete driver package %ws: 0x%08X", WidePtr(infPath), static_cast<unsigned>(hr));
    return static_cast<std::int32_t>(hr);
}

RemovalSteps SystemRemovalSteps(HWND progressBar) {
    RemovalSteps steps;
    steps.removeQueue = RemoveQueue;
    steps.removeDriver = RemoveDriver;
    steps.deletePackage = DeleteDriverPackage;
    steps.progress = [progressBar](int position) {
        if (progressBar) PostMessageW(progressBar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
    };
    steps.pause = [](std::uint32_t milliseconds) { FixedWait(milliseconds); };
    return steps;
}

bool DeleteMonitorCopy() {
    wchar_t system[MAX_PATH], path[MAX_PATH];
    if (!GetSystemDirectoryPath(system, std::size(system)) ||
        FAILED(StringCchPrintfW(path, std::size(path), L"%ws\\%ws", system, kMonitorFileName)))
        return false;
    if (!StopSpooler()) {
        DebugOutF(L"Uninstall: the Spooler did not stop; %ws stays", path);
        return GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES;
    }
    bool gone = false;
    DWORD error = 0;
    for (int attempt = 0; attempt < kMonitorCopyAttempts && !gone; ++attempt) {
        if (attempt > 0) FixedWait(kMonitorCopyAttemptPauseMs);
        gone = DeleteFileW(path);
        error = gone ? 0 : GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) gone = true;
    }
    DebugOutF(L"Uninstall: delete %ws: %d, error: %u, loaded here: %d", path, gone ? 1 : 0, error,
              GetModuleHandleW(kMonitorFileName) ? 1 : 0);
    StartServiceWithTimeout(kSpoolerService, kServiceTimeoutMs);
    return gone;
}

namespace {

// The folder without its trailing separators.
std::wstring FolderWithoutSeparator(const wchar_t* folder) {
    std::wstring from(folder ? folder : L"");
    while (!from.empty() && (from.back() == L'\\' || from.back() == L'/')) from.pop_back();
    return from;
}

}  // namespace

bool IsPackageFolder(const wchar_t* folder) {
    const std::wstring from = FolderWithoutSeparator(folder);
    const std::size_t separator = from.find_last_of(L"\\/");
    const bool root = from.empty() || separator == std::wstring::npos || from.size() <= 2 ||
                      (from.rfind(L"\\\\", 0) == 0 && std::count(from.begin(), from.end(), L'\\') <= 3);
    const std::wstring uninstaller = from + L"\\" + kUninstallerFileName;
    if (root || GetFileAttributesW(uninstaller.c_str()) == INVALID_FILE_ATTRIBUTES) {
        DebugOutF(L"Uninstall: %ws is not the package folder, it stays", folder ? folder : L"");
        return false;
    }
    return true;
}

bool DeleteProgramFolder(const wchar_t* folder, bool quiet, HWND owner) {
    if (!IsPackageFolder(folder)) return false;
    std::wstring from = FolderWithoutSeparator(folder);
    // A process's current folder cannot be moved away under it: leave it first.
    wchar_t system[MAX_PATH];
    if (GetSystemDirectoryPath(system, std::size(system))) SetCurrentDirectoryW(system);
    from.push_back(L'\0');  // twice terminated for SHFileOperationW
    SHFILEOPSTRUCTW operation{};
    operation.hwnd = owner;
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_ALLOWUNDO;
    if (quiet) operation.fFlags |= FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    const int status = SHFileOperationW(&operation);
    const bool gone = GetFileAttributesW(from.c_str()) == INVALID_FILE_ATTRIBUTES;
    DebugOutF(L"Uninstall: move %ws to the recycle bin: %d, aborted: %d, gone: %d", from.c_str(), status,
              operation.fAnyOperationsAborted ? 1 : 0, gone ? 1 : 0);
    return status == 0 && !operation.fAnyOperationsAborted && gone;
}

}  // namespace kelno
