#include "engine/staging.h"

#include <io.h>
#include <strsafe.h>

#include <iterator>

#include "engine/debug_output.h"
#include "engine/log.h"
#include "engine/seams.h"
#include "engine/system_paths.h"

namespace kelno {

bool CopyFileWithRetry(const wchar_t* source, const wchar_t* destination) {
    constexpr int kAttempts = 3;
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        if (CopyFileW(source, destination, FALSE)) {
            DebugOutF(L"Successfully copied: %ws to %ws", source, destination);
            return true;
        }
        const DWORD error = GetLastError();
        if (attempt == kAttempts) break;
        DebugOutF(L"Copy attempt %d failed: %ws to %ws, error: 0x%x", attempt, source, destination, error);
        EngineSleep(1000);
    }
    return false;
}

void CheckAndCopySystemFile(bool withLog) {
    wchar_t systemDir[MAX_PATH];
    if (!GetSystemDirectoryPath(systemDir, std::size(systemDir))) return;
    wchar_t target[MAX_PATH];
    if (FAILED(StringCchPrintfW(target, std::size(target), L"%ws\\%ws", systemDir, kOpenMpRuntime))) return;
    if (_waccess(target, 0) == 0) return;

    wchar_t programFolder[MAX_PATH];
    GetProgramFolder(programFolder, std::size(programFolder));
    wchar_t source[MAX_PATH];
    const std::wstring environment = GetDriverEnvironment();
    const bool ok = SUCCEEDED(StringCchPrintfW(source, std::size(source), L"%ws\\%ws\\%ws", programFolder,
                                               environment.c_str(), kOpenMpRuntime)) &&
                    CopyFileWithRetry(source, target);
    if (withLog) KELNO_LOG_INFO("Dest file does not exist, copying..., result: {}", ok ? "OK!" : "Failed!");
}

}  // namespace kelno
