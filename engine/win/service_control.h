#pragma once
// Synchronous service operations on the local service control manager, each waiting for the
// wanted state by polling with fixed counts and intervals. Failures are reported through the
// result and the debug output only.
#include <windows.h>

namespace kelno {

inline constexpr wchar_t kSpoolerService[] = L"Spooler";

// drvwizard: 1000 polls, 10 ms apart.
// Stop: true if the service stopped, was not running, or cannot be opened (not installed,
// silently; any other open failure with a debug-output line). False on a failed query or stop
// control, or when it did not stop in time.
bool StopServiceAndWait(const wchar_t* serviceName);
// Start: true if the service is running (already, or after the start). A service that cannot
// be opened gives false (silently when it is not installed).
bool StartServiceAndWait(const wchar_t* serviceName);
inline bool StopSpooler() { return StopServiceAndWait(kSpoolerService); }
inline bool StartSpooler() { return StartServiceAndWait(kSpoolerService); }

// Program start-up (both programs): starts the Spooler only when it is stopped, polling 1000
// times 50 ms apart for it to run, and says on the debugger output "Start service Spooler, <1 if
// this call started it and saw it running, else 0>, error: 0x<last error>". True when this call
// started it.
bool StartStoppedSpoolerAtStartup();

// A step run while the spooler is stopped.
using SpoolerStoppedStep = void (*)(void* argument);

// How the two programs restart the spooler: drvwizard waits 2000 ms before the step;
// usbonestep waits 200 ms before it and 3000 ms after it (or after the stop) before starting.
struct SpoolerRestartWaits {
    DWORD beforeStep;
    DWORD beforeStart;
};
inline constexpr SpoolerRestartWaits kWizardSpoolerRestart{2000, 0};
inline constexpr SpoolerRestartWaits kOneStepSpoolerRestart{200, 3000};

// Stops the spooler if it is running, runs the step while it is stopped (only when both step and
// argument are given), and starts it again; each phase polls 1000 times, 50 ms apart, without
// reporting a timeout. A spooler that is not running, or that refuses the stop control, is left
// alone and the step is not run. An exception from the step does not keep the spooler stopped.
void RestartSpooler(SpoolerStoppedStep step = nullptr, void* argument = nullptr,
                    const SpoolerRestartWaits& waits = kWizardSpoolerRestart);

// usbonestep: timeout t ms; stop polls t/10 times 10 ms apart, start t/10 times 50 ms apart.
// True only if the wanted state was seen after acting (a service already in it gives false).
bool StopServiceWithTimeout(const wchar_t* serviceName, DWORD timeoutMs);
bool StartServiceWithTimeout(const wchar_t* serviceName, DWORD timeoutMs);

}  // namespace kelno
