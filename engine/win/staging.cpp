#include "engine/win/staging.h"

#include <io.h>
#include <strsafe.h>

#include <cstdarg>
#include <cwchar>
#include <iterator>
#include <string>

#include "base/win/wide_text.h"
#include "common/win/debug_output.h"
#include "engine/driver_environment.h"
#include "engine/install_state.h"
#include "common/win/log.h"
#include "common/win/seams.h"
#include "engine/win/service_control.h"
#include "engine/win/system_paths.h"

namespace kelno {
namespace {

using PathBuffer = wchar_t[MAX_PATH];

// Builds a path into a MAX_PATH buffer. A path that does not fit is a failure of the step
// that needs it (the buffer then holds ""), never a shortened path.
bool FormatPath(PathBuffer& out, const wchar_t* format, ...) {
    std::va_list args;
    va_start(args, format);
    const HRESULT hr = StringCchVPrintfW(out, std::size(out), format, args);
    va_end(args);
    if (FAILED(hr)) {
        out[0] = 0;
        return false;
    }
    return true;
}

// A file name to be joined to a folder: present, and short enough to fit into a path at all.
bool IsUsableFileName(const wchar_t* fileName) {
    return fileName && fileName[0] != 0 && wcsnlen(fileName, MAX_PATH) < MAX_PATH;
}

// The monitor is recognised by its exact name, as the spooler lists it among the dependent files.
bool IsMonitorFileName(const wchar_t* fileName) { return std::wcscmp(fileName, kMonitorDll) == 0; }

struct Result {
    BOOL ok;
    DWORD error;
};

Result DeleteFileResult(const wchar_t* path) {
    const BOOL ok = DeleteFileW(path);
    return {ok, GetLastError()};
}

Result CopyFileResult(const wchar_t* source, const wchar_t* destination) {
    const BOOL ok = CopyFileW(source, destination, FALSE);
    return {ok, GetLastError()};
}

void TraceRemove(const wchar_t* path, const Result& r) {
    DbgPrint("Remove file:%ws, %d, errcode:%d.", path, static_cast<int>(r.ok), static_cast<int>(r.error));
}

void TraceCopy(const wchar_t* source, const wchar_t* destination, const Result& r) {
    DbgPrint("CopyFile file:%ws to %ws, %d, errcode:%d.", source, destination, static_cast<int>(r.ok),
             static_cast<int>(r.error));
}

// The environment of the upgrade re-add. An architecture outside the table is reported by
// name here and then, like an empty environment, as undeterminable: nothing of the re-add
// may throw into upgrade mode, which would leave the removed printers without their queues.
bool UpgradeEnvironment(std::wstring& environment) {
    SYSTEM_INFO info{};
    seams::System().getNativeSystemInfo(&info);
    const std::u16string_view name = DriverEnvironmentForArchitecture(info.wProcessorArchitecture);
    if (name.empty()) {
        DebugOutF(L"Unsupported processor architecture: %u", static_cast<unsigned>(info.wProcessorArchitecture));
        DebugOut(L"Failed to determine system architecture");
        return false;
    }
    environment.assign(name.begin(), name.end());
    return true;
}

bool UpgradeDriverDirectory(PathBuffer& driverDir) {
    if (GetDriverDirectory(driverDir, std::size(driverDir))) return true;
    DebugOutF(L"Failed to get printer driver directory, error: %u", static_cast<unsigned>(GetLastError()));
    DebugOut(L"Failed to get printer driver directory path");
    return false;
}

// Copies the monitor into the system directory while the spooler, which loads it, is stopped.
void ReplaceSystemMonitorCopy(const wchar_t* source) {
    if (!StopSpooler()) return;
    FixedWait(200);

    PathBuffer systemDir;
    const wchar_t* name = FileNamePart(source);
    const wchar_t* dot = std::wcsrchr(name, L'.');
    const std::wstring stem(name, dot ? static_cast<std::size_t>(dot - name) : std::wcslen(name));
    const wchar_t* extension = dot ? dot : L"";
    PathBuffer target;
    if (GetSystemDirectoryPath(systemDir, std::size(systemDir)) &&
        FormatPath(target, L"%ws\\%ws%ws", systemDir, stem.c_str(), extension)) {
        if (!CopyFileW(source, target, FALSE))
            DebugOutF(L"Failed to copy %ws to %ws, error: 0x%x", source, target, static_cast<unsigned>(GetLastError()));
    }
    StartSpooler();
}

}  // namespace

bool CopyDriverFile(const wchar_t* fileName) {
    if (!IsUsableFileName(fileName)) return false;
    const std::wstring environment = GetDriverEnvironment();
    if (environment.empty()) return false;

    PathBuffer driverDir, destination, source;
    if (!GetDriverDirectory(driverDir, std::size(driverDir))) return false;
    if (!FormatPath(destination, L"%ws\\%ws", driverDir, fileName)) return false;
    if (!FormatPath(source, L"%ws\\%ws\\%ws", PackageFolder(), environment.c_str(), fileName)) return false;

    TraceRemove(destination, DeleteFileResult(destination));
    const Result copied = CopyFileResult(source, destination);
    TraceCopy(source, destination, copied);

    if (IsMonitorFileName(fileName)) {
        // The monitor also lives in the system directory; that copy does not decide the result.
        PathBuffer systemDir, systemCopy;
        if (GetSystemDirectoryPath(systemDir, std::size(systemDir)) &&
            FormatPath(systemCopy, L"%ws\\%ws", systemDir, kMonitorDll))
            CopyFileW(source, systemCopy, FALSE);
    }
    return copied.ok != FALSE;
}

bool CopyDriverDataFile() {
    PathBuffer driverDir, destination, source;
    if (!GetDriverDirectory(driverDir, std::size(driverDir))) return false;
    if (!FormatPath(destination, L"%ws\\%ws", driverDir, kDataFile)) return false;
    if (!FormatPath(source, L"%ws\\dat\\%ws", PackageFolder(), kDataFile)) return false;

    DeleteFileW(destination);
    const Result copied = CopyFileResult(source, destination);
    TraceCopy(source, destination, copied);
    return copied.ok != FALSE;
}

bool StageDriverFiles(bool withLanguageMonitor) {
    bool all = true;
    auto step = [&all](bool ok, int code) {
        if (ok) return;
        SetInstallError(code, 0);
        all = false;
    };
    step(CopyDriverFile(kRenderDll), kErrorCopyRenderDll);
    step(CopyDriverFile(kUiDll), kErrorCopyUiDll);
    step(CopyDriverDataFile(), kErrorCopyDataFile);
    if (withLanguageMonitor) step(CopyDriverFile(kMonitorDll), kErrorCopyMonitor);
    return all;
}

bool DeleteSystemMonitorCopy() {
    PathBuffer systemDir, path;
    if (!GetSystemDirectoryPath(systemDir, std::size(systemDir))) return false;
    if (!FormatPath(path, L"%ws\\%ws", systemDir, kMonitorDll)) return false;
    if (DeleteFileW(path)) return true;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool CopyFileWithRetry(const wchar_t* source, const wchar_t* destination) {
    if (!source || !destination) return false;
    constexpr int kAttempts = 3;
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        if (CopyFileW(source, destination, FALSE)) {
            DebugOutF(L"Successfully copied: %ws to %ws", source, destination);
            return true;
        }
        const DWORD error = GetLastError();
        if (attempt == kAttempts) break;
        DebugOutF(L"Copy attempt %d failed: %ws to %ws, error: 0x%x", attempt, source, destination,
                  static_cast<unsigned>(error));
        FixedWait(1000);
    }
    return false;
}

bool RefreshInstalledDriverFiles(const wchar_t* packageFolder, const wchar_t* environment) {
    // Without an environment the per-environment sources would resolve to the package root.
    if (!packageFolder || !environment || environment[0] == 0) return false;
    PathBuffer driverDir, systemDir;
    if (!GetDriverDirectory(driverDir, std::size(driverDir))) return false;
    if (!GetSystemDirectoryPath(systemDir, std::size(systemDir))) return false;

    bool all = true;
    PathBuffer source, destination;
    for (const wchar_t* file : {kRenderDll, kUiDll, kMonitorDll}) {
        const bool ok = FormatPath(source, L"%ws\\%ws\\%ws", packageFolder, environment, file) &&
                        FormatPath(destination, L"%ws\\3\\%ws", driverDir, file) &&
                        CopyFileWithRetry(source, destination);
        all = ok && all;
    }
    {
        const bool ok = FormatPath(source, L"%ws\\dat\\%ws", packageFolder, kDataFile) &&
                        FormatPath(destination, L"%ws\\3\\%ws", driverDir, kDataFile) &&
                        CopyFileWithRetry(source, destination);
        all = ok && all;
    }
    {
        const bool ok = FormatPath(source, L"%ws\\%ws\\%ws", packageFolder, environment, kMonitorDll) &&
                        FormatPath(destination, L"%ws\\%ws", systemDir, kMonitorDll) &&
                        CopyFileWithRetry(source, destination);
        all = ok && all;
    }
    return all;
}

bool StageUpgradeDriverFile(const wchar_t* fileName) {
    if (!IsUsableFileName(fileName)) return false;
    std::wstring environment;
    if (!UpgradeEnvironment(environment)) return false;
    PathBuffer driverDir;
    if (!UpgradeDriverDirectory(driverDir)) return false;

    PathBuffer source{}, destination{};
    const bool ok = FormatPath(source, L"%ws\\%ws\\%ws", kUpgradeSourceFolder, environment.c_str(), fileName) &&
                    FormatPath(destination, L"%ws\\%ws", driverDir, fileName) &&
                    ReplaceFileOrDefer(source, destination, IsMonitorFileName(fileName));
    if (!ok) DebugOutF(L"Failed to copy driver file from %ws to %ws", source, destination);
    return ok;
}

bool StageUpgradeDataFile(const wchar_t* fileName) {
    if (!IsUsableFileName(fileName)) return false;
    PathBuffer driverDir;
    if (!UpgradeDriverDirectory(driverDir)) return false;

    PathBuffer source{}, destination{};
    const bool ok = FormatPath(source, L"%ws\\dat\\%ws", kUpgradeSourceFolder, fileName) &&
                    FormatPath(destination, L"%ws\\%ws", driverDir, fileName) &&
                    ReplaceFileOrDefer(source, destination, false);
    if (!ok) DebugOutF(L"Failed to copy driver data file from %ws to %ws", source, destination);
    return ok;
}

bool ReplaceFileOrDefer(const wchar_t* source, const wchar_t* destination, bool isMonitor) {
    if (!source || !destination || source[0] == 0 || destination[0] == 0) return false;
    DeleteFileW(destination);
    if (CopyFileW(source, destination, FALSE)) {
        if (isMonitor) ReplaceSystemMonitorCopy(source);
        return true;
    }
    // A source that is not there cannot be moved at the next boot either; the rename would be
    // queued all the same, so the step would look done while nothing ever replaces the file.
    const DWORD attributes = GetFileAttributesW(source);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    // The destination is held open (typically loaded by the spooler): replace it at the next boot.
    return MoveFileExW(source, destination, MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

void CheckAndCopySystemFile(bool withLog) {
    PathBuffer systemDir, target;
    if (!GetSystemDirectoryPath(systemDir, std::size(systemDir))) return;
    if (!FormatPath(target, L"%ws\\%ws", systemDir, kOpenMpRuntime)) return;
    if (_waccess(target, 0) == 0) return;

    // The runtime must match the processor: without a driver environment there is no source.
    PathBuffer programFolder, source;
    const std::wstring environment = GetDriverEnvironment();
    const bool ok = !environment.empty() && GetProgramFolder(programFolder, std::size(programFolder)) &&
                    FormatPath(source, L"%ws\\%ws\\%ws", programFolder, environment.c_str(), kOpenMpRuntime) &&
                    CopyFileWithRetry(source, target);
    if (withLog) KELNO_LOG_INFO("Dest file does not exist, copying..., result: {}", ok ? "OK!" : "Failed!");
}

}  // namespace kelno
