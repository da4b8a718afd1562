#pragma once
// Putting the four driver files where the spooler looks for them:
//  - fresh install: package folder -> root of the driver directory (StageDriverFiles), from
//    where the driver-add call moves them into the "3" subfolder;
//  - upgrade refresh: package folder -> driver directory\3 and the system directory, in place
//    with retries (RefreshInstalledDriverFiles);
//  - upgrade re-add: one file at a time from the fixed upgrade source folder, with a
//    replace-at-reboot fallback (StageUpgradeDriverFile, StageUpgradeDataFile);
//  - the start-up check of the OpenMP runtime in the system directory (CheckAndCopySystemFile).
#include <windows.h>

namespace kelno {

inline constexpr wchar_t kRenderDll[] = L"kelnodrv6.dll";
inline constexpr wchar_t kUiDll[] = L"kelnodrv6ui.dll";
inline constexpr wchar_t kDataFile[] = L"kelnodrv6.dat";
inline constexpr wchar_t kMonitorDll[] = L"kelnomon.dll";
inline constexpr wchar_t kOpenMpRuntime[] = L"vcomp140.dll";
// Source of the upgrade re-add staging.
inline constexpr wchar_t kUpgradeSourceFolder[] = L"C:\\Program Files (x86)\\Quillon Windows Driver for VWB";

// Fresh-install copy of one per-environment file into the driver directory; kelnomon.dll is
// also copied into the system directory. False at once on an unsupported architecture, and
// without touching a file when a path does not fit into MAX_PATH.
bool CopyDriverFile(const wchar_t* fileName);
// Fresh-install copy of kelnodrv6.dat from the package's "dat" folder.
bool CopyDriverDataFile();
// The fresh-install sequence; every copy runs, the last failure's code (2001-2004) is left in
// LastInstallError. True only if every copy that ran succeeded.
bool StageDriverFiles(bool withLanguageMonitor);
// Removes kelnomon.dll from the system directory; true if it is gone or was never there.
bool DeleteSystemMonitorCopy();
// Up to three copies, 1 s apart, with a debug-output line after each of the first two failures.
bool CopyFileWithRetry(const wchar_t* source, const wchar_t* destination);
// The upgrade refresh into driver directory\3 and the system directory; true only if all five
// copies succeeded. Without an environment nothing is copied.
bool RefreshInstalledDriverFiles(const wchar_t* packageFolder, const wchar_t* environment);
// Upgrade re-add staging of one file from kUpgradeSourceFolder (<environment>\file, or dat\file
// for the data file) into the root of the driver directory. Failures, also an architecture
// without an environment, go to the debug output and give false; nothing throws.
bool StageUpgradeDriverFile(const wchar_t* fileName);
bool StageUpgradeDataFile(const wchar_t* fileName);
// Delete + copy; for the monitor also the system-directory copy with the spooler stopped. On a
// failed copy of a source that exists the replacement is deferred to the next reboot
// (MoveFileExW); a missing source gives false.
bool ReplaceFileOrDefer(const wchar_t* source, const wchar_t* destination, bool isMonitor);
// Start-up check: copies vcomp140.dll into the system directory when it is missing there, from
// <program folder>\<environment> (no environment: nothing to copy, the check fails).
// withLog: drvwizard logs the outcome; usbonestep does not.
void CheckAndCopySystemFile(bool withLog = true);

}  // namespace kelno
