#include "tests/support/throwaway_home.h"

#include <shlobj.h>

#include "tests/support/wine_test_support.h"

namespace kelno::test {

std::wstring UseThrowawayHome() {
    using UnixFileName = char*(CDECL*)(LPCWSTR);
    const auto unixName = reinterpret_cast<UnixFileName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!unixName) return {};
    const std::wstring home = MakeTempFolder(L"home");
    char* path = unixName(home.c_str());
    if (!path) return {};
    const std::wstring unixHome = Widen(path);
    HeapFree(GetProcessHeap(), 0, path);
    // The trash's folders, as the desktop makes them.
    for (const wchar_t* folder : {L".local\\share\\Trash\\files", L".local\\share\\Trash\\info"})
        SHCreateDirectoryExW(nullptr, JoinPath(home, folder).c_str(), nullptr);
    SetEnvironmentVariableW(L"HOME", unixHome.c_str());
    SetEnvironmentVariableW(L"XDG_DATA_HOME", (unixHome + L"/.local/share").c_str());
    SetEnvironmentVariableW(L"WINEHOMEDIR", (L"\\??\\unix" + unixHome).c_str());
    return home;
}

std::vector<std::wstring> RecycledNames(const std::wstring& home) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    const std::wstring pattern = JoinPath(home, L".local\\share\\Trash\\files\\*");
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

}  // namespace kelno::test
