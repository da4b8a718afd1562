#pragma once
// Shared helpers of the configuration DLL's Windows tests: the package's driver installed into
// the throwaway prefix's spooler under each model's name and the installed DLL's exports (the
// queues and their printer data: tests/support/spooler.h).
#include <windows.h>

#include <string>

#include "tests/support/spooler.h"
#include "tests/support/wine_test_support.h"

namespace kelno::test {

// The driver names the installers register, vendor word, blank, model name.
inline const wchar_t* const kModelDrivers[] = {L"Tavolen MX-410", L"Tavolen MX-310", L"Tavolen MX-420",
                                               L"Tavolen MX-430"};

// The package's driver registered under a name (the files are staged again for each).
inline bool InstallPackageDriver(const std::wstring& name) {
    return StagePackageDriverFiles() && AddDriver(name, L"kelnodrv6ui.dll");
}

// The package's driver under each model's name.
inline bool InstallPackageDrivers() {
    for (const wchar_t* driver : kModelDrivers)
        if (!InstallPackageDriver(driver)) return false;
    return true;
}

// The configuration DLL the spooler loads for the queues (driver directory, version 3).
inline HMODULE LoadInstalledDriverUi() { return LoadLibraryW(InstalledDriverFile(L"kelnodrv6ui.dll").c_str()); }

template <typename Function>
Function ExportOf(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace kelno::test
