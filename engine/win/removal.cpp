#include "engine/win/removal.h"

#include <strsafe.h>
#include <winspool.h>

#include <cwchar>
#include <iterator>
#include <memory>
#include <new>
#include <string_view>

#include "base/text.h"
#include "base/win/scoped.h"
#include "base/win/wide_text.h"
#include "engine/install_state.h"
#include "common/win/log.h"
#include "engine/win/progress.h"
#include "common/win/seams.h"
#include "engine/win/system_paths.h"
#include "engine/win/tcpip_port.h"

namespace kelno {
namespace {

constexpr std::size_t kEnvironmentChars = sizeof(PrinterInstallEntry::driverEnvironment) / sizeof(char16_t);
constexpr std::size_t kProviderChars = 50;
constexpr std::size_t kStatusChars = 20;  // "OK\r\n" / "Failed\r\n" inside the driver line
// The language monitor is the one dependent file that also has a copy in the system directory;
// no other file of that folder is ever ours to delete.
constexpr wchar_t kMonitorFileName[] = L"kelnomon.dll";

bool SameText(const wchar_t* a, const wchar_t* b) {
    return a && b && CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL;
}

// Whether the queue reports jobs (PRINTER_INFO_2, size query then a zero-filled buffer).
bool HasQueuedJobs(HANDLE printer) {
    DWORD needed = 0;
    seams::Spooler().getPrinterW(printer, 2, nullptr, 0, &needed);
    if (needed < sizeof(PRINTER_INFO_2W)) return false;
    std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[needed]());
    if (!buffer || !seams::Spooler().getPrinterW(printer, 2, buffer.get(), needed, &needed)) return false;
    return reinterpret_cast<const PRINTER_INFO_2W*>(buffer.get())->cJobs != 0;
}

// ---- printer drivers -------------------------------------------------------------------------

// Windows Vista or later: the spooler enumerates the native environment; older systems list
// every environment.
bool IsVistaOrLater() {
    OSVERSIONINFOEXW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    version.dwMajorVersion = 6;
    version.dwMinorVersion = 0;
    version.wServicePackMajor = 0;
    DWORDLONG condition = 0;
    condition = VerSetConditionMask(condition, VER_MAJORVERSION, VER_GREATER_EQUAL);
    condition = VerSetConditionMask(condition, VER_MINORVERSION, VER_GREATER_EQUAL);
    condition = VerSetConditionMask(condition, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
    return VerifyVersionInfoW(&version, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR, condition) != FALSE;
}

// The spooler's drivers (level 3), copied out of the enumeration buffer it filled.
class DriverList {
public:
    // False with the spooler's error when the enumeration fails.
    bool Load(bool allEnvironments) {
        wchar_t all[] = L"all";
        LPWSTR environment = allEnvironments ? all : nullptr;
        DWORD needed = 0, count = 0;
        if (!EnumPrinterDriversW(nullptr, environment, 3, nullptr, 0, &needed, &count)) {
            const DWORD error = GetLastError();
            if (error != ERROR_INSUFFICIENT_BUFFER) return false;
        }
        if (needed == 0) return true;  // no driver at all
        buffer_.reset(new (std::nothrow) BYTE[needed]());
        if (!buffer_) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return false;
        }
        if (!EnumPrinterDriversW(nullptr, environment, 3, buffer_.get(), needed, &needed, &count)) return false;
        count_ = count;
        return true;
    }

    DWORD size() const { return count_; }
    const DRIVER_INFO_3W& operator[](DWORD i) const {
        return reinterpret_cast<const DRIVER_INFO_3W*>(buffer_.get())[i];
    }

    // The first driver of exactly this name (case-sensitive); size() when none.
    DWORD Find(const wchar_t* name) const {
        for (DWORD i = 0; i < count_; ++i)
            if ((*this)[i].pName && std::wcscmp((*this)[i].pName, name) == 0) return i;
        return count_;
    }

    // Whether a driver other than `except` names this file (full path, any case).
    bool FileUsedByOther(DWORD except, const wchar_t* path) const {
        for (DWORD i = 0; i < count_; ++i) {
            if (i == except) continue;
            const DRIVER_INFO_3W& d = (*this)[i];
            if (SameText(d.pDriverPath, path) || SameText(d.pDataFile, path) || SameText(d.pConfigFile, path) ||
                SameText(d.pHelpFile, path))
                return true;
            for (const wchar_t* dep = d.pDependentFiles; dep && *dep; dep += std::wcslen(dep) + 1)
                if (SameText(dep, path)) return true;
        }
        return false;
    }

    // Whether a driver other than `except` has a dependent file of this file name.
    bool DependentNameUsedByOther(DWORD except, const wchar_t* fileName) const {
        for (DWORD i = 0; i < count_; ++i) {
            if (i == except) continue;
            for (const wchar_t* dep = (*this)[i].pDependentFiles; dep && *dep; dep += std::wcslen(dep) + 1)
                if (SameText(FileNamePartAfterBackslash(dep), fileName)) return true;
        }
        return false;
    }

private:
    std::unique_ptr<BYTE[]> buffer_;
    DWORD count_ = 0;
};

// Deletes a file, or, when it is in use, has it deleted at the next reboot. A file that is
// already gone needs neither.
void DeleteOrDefer(const wchar_t* path) {
    if (!path || !path[0] || DeleteFileW(path)) return;
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return;
    if (MoveFileExW(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
        RebootNeeded = true;
        DbgPrint("RemovePrinterDriverFiles: %ws in use (errcode:%d), deleted at the next reboot.", path,
                 static_cast<int>(error));
    } else {
        DbgPrint("RemovePrinterDriverFiles: %ws not deleted, errcode:%d, %d.", path, static_cast<int>(error),
                 static_cast<int>(GetLastError()));
    }
}

// A driver file unless another installed driver still names it.
void DeleteDriverFile(const DriverList& drivers, DWORD index, const wchar_t* path) {
    if (!path || !path[0]) return;
    if (drivers.FileUsedByOther(index, path)) {
        DbgPrint("RemovePrinterDriverFiles: %ws kept, another driver uses it.", path);
        return;
    }
    DeleteOrDefer(path);
}

// The first dependent file as a full path: a bare name lies in the folder of the driver file
// (never the current folder).
bool DependentFilePath(const DRIVER_INFO_3W& driver, wchar_t (&path)[MAX_PATH]) {
    const wchar_t* dependent = driver.pDependentFiles;
    if (!dependent || !dependent[0]) return false;
    if (std::wcschr(dependent, L'\\')) return SUCCEEDED(StringCchCopyW(path, std::size(path), dependent));
    if (!driver.pDriverPath || !std::wcschr(driver.pDriverPath, L'\\')) return false;
    const std::size_t folder =
        static_cast<std::size_t>(FileNamePartAfterBackslash(driver.pDriverPath) - driver.pDriverPath);
    if (folder + std::wcslen(dependent) >= std::size(path)) return false;
    CopyBounded(path, std::size(path), std::wstring_view(driver.pDriverPath, folder));
    return SUCCEEDED(StringCchCatW(path, std::size(path), dependent));
}

}  // namespace

bool DoRemovePrinter(const ProgressSink& progress, const wchar_t* printerName) {
    const wchar_t* name = printerName ? printerName : L"";
    SendProgress(progress, EngineText::removePrinter, name);
    bool ok = true;
    if (!name[0]) {
        // An empty name would open the print server itself, not a queue.
        DbgPrint("DoRemovePrinter: no printer name.");
        ok = false;
    } else {
        bool opened = false;
        {
            PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
            ScopedPrinter printer;
            if (!OpenPrinterW(const_cast<LPWSTR>(name), printer.receive(), &defaults)) {
                // Taken as already removed; what the failed call left is no handle to close.
                printer.release();
                DbgPrint("DoRemovePrinter: OpenPrinter failed:%d", static_cast<int>(GetLastError()));
            } else {
                opened = true;
                if (HasQueuedJobs(printer.get()) &&
                    !seams::Spooler().setPrinterW(printer.get(), 0, nullptr, PRINTER_CONTROL_PURGE))
                    DbgPrint("DoRemovePrinter: Purge job failed");
                if (!DeletePrinter(printer.get())) {
                    DbgPrint("DoRemovePrinter: DeletePrinter failed:%d", static_cast<int>(GetLastError()));
                    ok = false;
                }
            }
        }  // the handle is closed before the wait
        if (opened) FixedWait(kRemovePrinterWaitMs);
    }
    SendProgress(progress, ok ? EngineText::okLine : EngineText::failedLine);
    return ok;
}

bool RemovePrinterDriverFiles(PrinterInstallEntry& entry) {
    const std::wstring model = TerminatedFieldString(entry.modelName);
    if (model.empty()) {
        SetLastError(ERROR_UNKNOWN_PRINTER_DRIVER);
        return false;
    }
    DriverList drivers;
    if (!drivers.Load(!IsVistaOrLater())) return false;
    const DWORD index = drivers.Find(model.c_str());
    if (index == drivers.size()) {
        SetLastError(ERROR_UNKNOWN_PRINTER_DRIVER);
        return false;
    }
    const DRIVER_INFO_3W& driver = drivers[index];
    CopyBounded(entry.driverEnvironment, kEnvironmentChars, U16View(driver.pEnvironment));

    const bool deleted = DeletePrinterDriverW(nullptr, driver.pEnvironment, const_cast<LPWSTR>(model.c_str())) != FALSE;
    const DWORD spoolerError = deleted ? ERROR_SUCCESS : GetLastError();
    if (!deleted) {
        // The spooler keeps the driver (a queue still uses it): its files stay with it.
        SetLastError(spoolerError);
        return false;
    }

    DeleteDriverFile(drivers, index, driver.pConfigFile);
    DeleteDriverFile(drivers, index, driver.pDataFile);
    DeleteDriverFile(drivers, index, driver.pDriverPath);
    wchar_t dependent[MAX_PATH];
    if (DependentFilePath(driver, dependent)) {
        DeleteDriverFile(drivers, index, dependent);
        const wchar_t* fileName = FileNamePartAfterBackslash(dependent);
        wchar_t systemCopy[MAX_PATH];
        if (SameText(fileName, kMonitorFileName) && !drivers.DependentNameUsedByOther(index, fileName) &&
            GetSystemDirectoryPath(systemCopy, std::size(systemCopy)) &&
            SUCCEEDED(StringCchCatW(systemCopy, std::size(systemCopy), L"\\")) &&
            SUCCEEDED(StringCchCatW(systemCopy, std::size(systemCopy), fileName)))
            DeleteOrDefer(systemCopy);
    }
    SetLastError(ERROR_SUCCESS);
    return true;
}

void DoRemovePrinterDriver(const ProgressSink& progress, PrinterInstallEntry* entries, int count) {
    if (!entries) return;
    for (int i = 0; i < count; ++i) {
        PrinterInstallEntry& entry = entries[i];
        const bool ok = RemovePrinterDriverFiles(entry);
        const DWORD error = GetLastError();
        const std::wstring environment = FieldString(entry.driverEnvironment);
        const std::wstring model = TerminatedFieldString(entry.modelName);
        DbgPrint("DoRemovePrinterDriver: DriverEnv:%ws, ModelName:%ws, bOK:%d", environment.c_str(), model.c_str(),
                 ok ? 1 : 0);
        wchar_t status[kStatusChars];
        LoadEngineText(progress, ok ? EngineText::okLine : EngineText::failedLine, status, std::size(status));
        SendProgress(progress, EngineText::removePrinterDriver, model.c_str(), status, static_cast<int>(error));
    }
}

void FindOemInf(wchar_t* name, std::size_t capacity) {
    if (!name || capacity == 0) return;
    name[0] = 0;
    wchar_t windows[MAX_PATH];
    const UINT length = GetWindowsDirectoryW(windows, static_cast<UINT>(std::size(windows)));
    if (length == 0 || length >= std::size(windows)) return;
    wchar_t pattern[MAX_PATH];
    if (FAILED(StringCchPrintfW(pattern, std::size(pattern), L"%ws\\INF\\oem*.inf", windows))) return;

    WIN32_FIND_DATAW found;
    const ScopedFind search(FindFirstFileW(pattern, &found));
    if (!search) return;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        const std::size_t nameLength = wcsnlen(found.cFileName, std::size(found.cFileName));
        if (nameLength >= capacity) {
            DbgPrint("FindOemInf: %ws passed over, the name is too long.", found.cFileName);
            continue;
        }
        wchar_t path[MAX_PATH];
        if (FAILED(StringCchPrintfW(path, std::size(path), L"%ws\\INF\\%ws", windows, found.cFileName))) continue;
        wchar_t provider[kProviderChars] = L"";
        GetPrivateProfileStringW(L"Version", L"Provider", L"", provider, static_cast<DWORD>(std::size(provider)), path);
        if (std::wcscmp(provider, kOemInfProvider) == 0) {
            CopyBounded(name, capacity, std::wstring_view(found.cFileName, nameLength));
            break;
        }
    } while (FindNextFileW(search.get(), &found));
}

void DoDeleteDriverPackage(const ProgressSink& progress, const wchar_t* infName) {
    const wchar_t* name = infName ? infName : L"";
    SendProgress(progress, EngineText::deleteDriverPackage, name);
    BOOL ok = seams::Pnp().setupUninstallOemInfW(name, 0, nullptr);
    if (!ok) {
        DbgPrint("DoDeleteDriverPackage: SetupUninstallOEMInf %ws failed:%d", name, static_cast<int>(GetLastError()));
        wchar_t question[260], caption[64];
        LoadEngineText(progress, EngineText::forceRemovePackage, question, std::size(question));
        LoadEngineText(progress, EngineText::prompt, caption, std::size(caption));
        if (seams::Ui().messageBoxW(progress.window, question, caption, MB_YESNO | MB_ICONQUESTION) == IDYES) {
            ok = seams::Pnp().setupUninstallOemInfW(name, SUOI_FORCEDELETE, nullptr);
            if (!ok)
                DbgPrint("DoDeleteDriverPackage: forced SetupUninstallOEMInf %ws failed:%d", name,
                         static_cast<int>(GetLastError()));
        }
    }
    SendProgress(progress, ok ? EngineText::okLine : EngineText::failedLine);
}

void RunUninstallBranch(const ProgressSink& progress, const RemovalRequest& request) {
    wchar_t notice[260], caption[64];
    LoadEngineText(progress, EngineText::uninstallDisconnectFirst, notice, std::size(notice));
    LoadEngineText(progress, EngineText::prompt, caption, std::size(caption));
    seams::Ui().messageBoxW(progress.window, notice, caption, MB_OK | MB_ICONINFORMATION);

    RebootNeeded = false;
    wchar_t infName[kOemInfNameChars];
    FindOemInf(infName, std::size(infName));

    PrinterInstallEntry* entries = request.entries;
    const int count = entries && request.count > 0 ? request.count : 0;
    for (int i = 0; i < count; ++i) DoRemovePrinter(progress, TerminatedFieldString(entries[i].printerName).c_str());
    if (request.deletePort) DeleteStandardTcpIpPort(progress, entries, count);
    if (request.removeDriver) DoRemovePrinterDriver(progress, entries, count);
    if (request.removePackage) DoDeleteDriverPackage(progress, infName);
}

}  // namespace kelno
