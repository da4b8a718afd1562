#pragma once
// What the installer does before it installs anything: its command line, its program folder
// (also the package folder), the hand-over to the uninstaller's temporary copy when it runs as
// "unins000.exe", and the hand-over to the package's uninstaller when the package is installed.
#include <windows.h>

#include <cstdint>

#include "usbonestep/onestep_command_line.h"

namespace kelno {

inline constexpr wchar_t kOneStepMutexName[] = L"ZAREZODOREDAVUDEDIRAZAROZODIDOZEZ";

// The process's command line read as options (CommandLineToArgvW, the program path skipped).
OneStepOptions ReadOneStepCommandLine();

// The running program's full path.
bool GetProgramPath(wchar_t (&out)[MAX_PATH]);

// The process-wide program folder: drive and folder of the running program, with a trailing
// backslash (set once at start). Also sets the engine's package folder.
void InitOneStepProgramFolder();
const wchar_t* OneStepProgramFolder();
// Another folder (ending with a backslash) in the program folder's place, and the engine's
// package folder without that backslash.
void SetOneStepProgramFolder(const wchar_t* folder);

// "<program folder>kelnov6.inf".
bool OneStepInfPath(wchar_t (&out)[MAX_PATH]);

// Copies the running program to a new temporary file ("unins" prefix) and starts that copy in
// uninstall mode for folder (with "/silence" when silent). False when the copy or the start failed.
bool StartUninstallCopy(const wchar_t* folder, bool silent);

// The same, silent, for unins000.exe /silence: waits for the exit code the copy sends and
// returns it (usbonestep/win/uninstall_handover.h); outcomeUnknown when no copy could be made.
std::uint32_t RunSilentUninstallCopy(const wchar_t* folder);

// Starts "<program folder>unins000.exe". False when it could not be started.
bool StartPackageUninstaller(const wchar_t* programFolder);

}  // namespace kelno
