#include "engine/win/system_paths.h"

#include <shlobj.h>
#include <strsafe.h>

#include <iterator>
#include <winspool.h>

#include "engine/driver_environment.h"
#include "common/win/seams.h"

namespace kelno {
namespace {

wchar_t g_packageFolder[MAX_PATH];

}  // namespace

std::wstring GetDriverEnvironment() {
    SYSTEM_INFO info{};
    seams::System().getNativeSystemInfo(&info);
    const auto name = DriverEnvironmentForArchitecture(info.wProcessorArchitecture);
    return std::wstring(name.begin(), name.end());
}

bool GetDriverDirectory(wchar_t* out, std::size_t capacity) {
    if (capacity == 0) return false;
    out[0] = 0;
    // The spooler measures the buffer in bytes.
    const DWORD bytes = static_cast<DWORD>(capacity * sizeof(wchar_t));
    DWORD needed = 0;
    if (!GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(out), bytes, &needed)) {
        out[0] = 0;
        return false;
    }
    out[capacity - 1] = 0;
    return true;
}

bool GetSystemDirectoryPath(wchar_t* out, std::size_t capacity) {
    if (capacity == 0) return false;
    const UINT n = GetSystemDirectoryW(out, static_cast<UINT>(capacity));
    if (n == 0 || n >= capacity) {
        out[0] = 0;
        return false;
    }
    return true;
}

bool GetProgramFolder(wchar_t* out, std::size_t capacity) {
    if (capacity == 0) return false;
    wchar_t module[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, module, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        out[0] = 0;
        return false;
    }
    DWORD cut = n;
    for (DWORD i = n; i > 0; --i) {
        if (module[i - 1] == L'\\' || module[i - 1] == L'/') {
            cut = i - 1;
            break;
        }
    }
    module[cut] = 0;
    return SUCCEEDED(StringCchCopyW(out, capacity, module));
}

const wchar_t* PackageFolder() { return g_packageFolder; }

void SetPackageFolder(const wchar_t* folder) {
    StringCchCopyW(g_packageFolder, std::size(g_packageFolder), folder ? folder : L"");
}

void InitWizardPackageFolder() {
    wchar_t base[MAX_PATH] = L"";
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILESX86, nullptr, SHGFP_TYPE_CURRENT, base))) {
        const DWORD n = GetTempPathW(MAX_PATH, base);
        if (n == 0 || n >= MAX_PATH) base[0] = 0;
    }
    StringCchPrintfW(g_packageFolder, std::size(g_packageFolder), L"%ws\\%ws", base, kPackageFolderName);
}

void InitProgramPackageFolder() {
    wchar_t folder[MAX_PATH];
    if (GetProgramFolder(folder, std::size(folder))) SetPackageFolder(folder);
}

}  // namespace kelno
