#pragma once
// Where the driver files come from and go to: the driver environment of this machine, the
// spooler's driver directory, the system directory, the package folder and the program folder.
// All paths are wide strings of at most MAX_PATH (260) units, terminated.
#include <windows.h>

#include <cstddef>
#include <string>

namespace kelno {

inline constexpr wchar_t kPackageFolderName[] = L"Tavolen printer driver for windows";

// "i386", "arm", "amd64" or "arm64" for the native processor (through Seams()), empty when
// the architecture has no driver environment.
std::wstring GetDriverEnvironment();

// GetPrinterDriverDirectoryW for the local server and the native environment, level 1.
bool GetDriverDirectory(wchar_t* out, std::size_t capacity);

// GetSystemDirectoryW.
bool GetSystemDirectoryPath(wchar_t* out, std::size_t capacity);

// The module path of the running program up to, not including, its last '\' or '/'; the
// whole path if it has neither.
bool GetProgramFolder(wchar_t* out, std::size_t capacity);

// The process-wide package folder (set once at program start).
const wchar_t* PackageFolder();
void SetPackageFolder(const wchar_t* folder);

// drvwizard: "<Program Files (x86)>\Tavolen printer driver for windows"; when the shell folder
// cannot be read the temporary-files path takes its place.
void InitWizardPackageFolder();

// usbonestep: the folder that holds the running program.
void InitProgramPackageFolder();

}  // namespace kelno
