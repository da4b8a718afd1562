#pragma once
// Process-wide outcome of the last install: a result code (2001-2004 staging, 3001-3007
// driver and queue steps, 4001-4002 queue creation) with the OS error beside it, and
// whether a reboot is needed to finish a removal or replacement.
#include <atomic>

namespace kelno {

// Codes of the staging step.
inline constexpr int kErrorCopyRenderDll = 2001;
inline constexpr int kErrorCopyUiDll = 2002;
inline constexpr int kErrorCopyDataFile = 2003;
inline constexpr int kErrorCopyMonitor = 2004;

extern std::atomic<int> LastInstallError;
extern std::atomic<unsigned long> LastInstallSystemError;
extern std::atomic<bool> RebootNeeded;

// Start of an install: both codes back to 0.
void ResetInstallResult();
// A failing step: a later failure overwrites an earlier one.
void SetInstallError(int code, unsigned long systemError);

}  // namespace kelno
