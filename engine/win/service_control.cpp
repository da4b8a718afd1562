#include "engine/win/service_control.h"

#include "base/win/boundary.h"
#include "base/win/scoped.h"
#include "common/win/debug_output.h"
#include "common/win/seams.h"

namespace kelno {
namespace {

static_assert(sizeof(SERVICE_STATUS_PROCESS) == 36, "status record read with SC_STATUS_PROCESS_INFO");

// Poll counts and intervals of the operations.
constexpr DWORD kWaitPolls = 1000;
constexpr DWORD kWaitIntervalMs = 10;
constexpr DWORD kSpoolerPolls = 1000;
constexpr DWORD kSpoolerIntervalMs = 50;
// The timeout variants poll timeout / 10 times in both directions; only the interval differs,
// so a start may wait up to five times its timeout.
constexpr DWORD kTimeoutPollDivisor = 10;
constexpr DWORD kTimeoutStopIntervalMs = 10;
constexpr DWORD kTimeoutStartIntervalMs = 50;

// One handle of the service control manager (the manager itself or a service).
using ScHandle = ScopedService;

// Service names in the messages are cut at the longest name the manager accepts, so that a
// caller's over-long name still leaves a readable line.
#define KELNO_SERVICE_NAME L"%.256ws"

const wchar_t* NameOrEmpty(const wchar_t* serviceName) { return serviceName ? serviceName : L""; }

// The current state of the service; false (the system error left as the last error) if the
// query failed.
bool QueryState(SC_HANDLE service, DWORD& state) {
    SERVICE_STATUS_PROCESS status{};
    DWORD needed = 0;
    if (!QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<LPBYTE>(&status), sizeof(status),
                              &needed))
        return false;
    state = status.dwCurrentState;
    return true;
}

enum class PollResult { Reached, TimedOut, QueryFailed };

// Queries up to `polls` times, waiting `intervalMs` after every query that did not show the
// wanted state. On QueryFailed, `error` holds the system error.
PollResult PollForState(SC_HANDLE service, DWORD wanted, DWORD polls, DWORD intervalMs, DWORD& error) {
    for (DWORD i = 0; i < polls; ++i) {
        DWORD state = 0;
        if (!QueryState(service, state)) {
            error = GetLastError();
            return PollResult::QueryFailed;
        }
        if (state == wanted) return PollResult::Reached;
        FixedWait(intervalMs);
    }
    return PollResult::TimedOut;
}

// Opens the service; on failure reports it (unless the service simply is not installed) and
// leaves the handle empty.
SC_HANDLE OpenServiceReporting(SC_HANDLE manager, const wchar_t* name, DWORD access) {
    SC_HANDLE service = OpenServiceW(manager, name, access);
    if (!service) {
        const DWORD error = GetLastError();
        if (error != ERROR_SERVICE_DOES_NOT_EXIST)
            DebugOutF(L"Failed to open service " KELNO_SERVICE_NAME L", error: %lu", name, error);
    }
    return service;
}

// Sends the stop control; a service that stopped in the meantime is no failure.
bool SendStop(SC_HANDLE service, const wchar_t* name) {
    SERVICE_STATUS status{};
    if (ControlService(service, SERVICE_CONTROL_STOP, &status)) return true;
    const DWORD error = GetLastError();
    if (error == ERROR_SERVICE_NOT_ACTIVE) return true;
    DebugOutF(L"Failed to stop service " KELNO_SERVICE_NAME L", error: %lu", name, error);
    return false;
}

// Asks for a start without arguments; a service that is already running is no failure.
bool SendStart(SC_HANDLE service, const wchar_t* name) {
    if (StartServiceW(service, 0, nullptr)) return true;
    const DWORD error = GetLastError();
    if (error == ERROR_SERVICE_ALREADY_RUNNING) return true;
    DebugOutF(L"Failed to start service " KELNO_SERVICE_NAME L", error: %lu", name, error);
    return false;
}

bool ReportStopPoll(PollResult result, const wchar_t* name, DWORD error) {
    switch (result) {
        case PollResult::Reached: return true;
        case PollResult::QueryFailed:
            DebugOutF(L"Failed to query service status while waiting for stop, error: %lu", error);
            return false;
        case PollResult::TimedOut: break;
    }
    DebugOutF(L"Timed out waiting for service " KELNO_SERVICE_NAME L" to stop", name);
    return false;
}

bool ReportStartPoll(PollResult result, const wchar_t* name, DWORD error) {
    switch (result) {
        case PollResult::Reached: return true;
        case PollResult::QueryFailed:
            DebugOutF(L"Failed to query service status while waiting for start, error: %lu", error);
            return false;
        case PollResult::TimedOut: break;
    }
    DebugOutF(L"Timed out waiting for service " KELNO_SERVICE_NAME L" to start", name);
    return false;
}

enum class Opened { NoManager, NoService, NoStatus, Ready };

// The common start of the four reporting operations: manager, service and its current state.
Opened OpenAndQuery(const wchar_t* name, DWORD managerAccess, DWORD serviceAccess, ScHandle& manager, ScHandle& service,
                    DWORD& state) {
    manager.reset(OpenSCManagerW(nullptr, nullptr, managerAccess));
    if (!manager) {
        DebugOutF(L"Failed to open SCM, error: %lu", GetLastError());
        return Opened::NoManager;
    }
    service.reset(OpenServiceReporting(manager.get(), name, serviceAccess));
    if (!service) return Opened::NoService;
    if (!QueryState(service.get(), state)) {
        DebugOutF(L"Failed to query service status for " KELNO_SERVICE_NAME L", error: %lu", name, GetLastError());
        return Opened::NoStatus;
    }
    return Opened::Ready;
}

// Runs the caller's step; whatever it throws stays here so that the spooler is started again.
void RunStep(SpoolerStoppedStep step, void* argument) {
    Guarded("spooler stopped step", 0, [&] {
        step(argument);
        return 0;
    });
}

}  // namespace

bool StopServiceAndWait(const wchar_t* serviceName) {
    const wchar_t* name = NameOrEmpty(serviceName);
    ScHandle manager, service;
    DWORD state = 0;
    switch (OpenAndQuery(name, SC_MANAGER_CONNECT, SERVICE_QUERY_STATUS | SERVICE_STOP, manager, service, state)) {
        case Opened::Ready: break;
        case Opened::NoService: return true;  // a service that cannot be opened counts as stopped
        case Opened::NoManager:
        case Opened::NoStatus: return false;
    }
    if (state != SERVICE_RUNNING) return true;
    if (!SendStop(service.get(), name)) return false;

    DWORD error = 0;
    const PollResult result = PollForState(service.get(), SERVICE_STOPPED, kWaitPolls, kWaitIntervalMs, error);
    return ReportStopPoll(result, name, error);
}

bool StartServiceAndWait(const wchar_t* serviceName) {
    const wchar_t* name = NameOrEmpty(serviceName);
    ScHandle manager, service;
    DWORD state = 0;
    if (OpenAndQuery(name, SC_MANAGER_CONNECT, SERVICE_QUERY_STATUS | SERVICE_START, manager, service, state) !=
        Opened::Ready)
        return false;
    if (state == SERVICE_RUNNING) return true;
    if (!SendStart(service.get(), name)) return false;

    DWORD error = 0;
    const PollResult result = PollForState(service.get(), SERVICE_RUNNING, kWaitPolls, kWaitIntervalMs, error);
    return ReportStartPoll(result, name, error);
}

void RestartSpooler(SpoolerStoppedStep step, void* argument, const SpoolerRestartWaits& waits) {
    ScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) return;
    ScHandle service(OpenServiceW(manager.get(), kSpoolerService, SERVICE_ALL_ACCESS));
    if (!service) return;

    DWORD state = 0;
    if (!QueryState(service.get(), state) || state != SERVICE_RUNNING) return;
    // A spooler that refused to stop is still running: the step must not run against it, and
    // there is nothing to start again.
    if (!SendStop(service.get(), kSpoolerService)) return;

    // The stop phase does not report a timeout: the restart goes on regardless.
    DWORD error = 0;
    PollForState(service.get(), SERVICE_STOPPED, kSpoolerPolls, kSpoolerIntervalMs, error);

    if (step && argument) {
        FixedWait(waits.beforeStep);
        RunStep(step, argument);
    }
    if (waits.beforeStart) FixedWait(waits.beforeStart);

    StartServiceW(service.get(), 0, nullptr);
    PollForState(service.get(), SERVICE_RUNNING, kSpoolerPolls, kSpoolerIntervalMs, error);
}

bool StopServiceWithTimeout(const wchar_t* serviceName, DWORD timeoutMs) {
    const wchar_t* name = NameOrEmpty(serviceName);
    ScHandle manager, service;
    DWORD state = 0;
    if (OpenAndQuery(name, SC_MANAGER_ALL_ACCESS, SERVICE_ALL_ACCESS, manager, service, state) != Opened::Ready)
        return false;
    if (state != SERVICE_RUNNING) return false;
    if (!SendStop(service.get(), name)) return false;

    DWORD error = 0;
    const PollResult result =
        PollForState(service.get(), SERVICE_STOPPED, timeoutMs / kTimeoutPollDivisor, kTimeoutStopIntervalMs, error);
    return ReportStopPoll(result, name, error);
}

bool StartServiceWithTimeout(const wchar_t* serviceName, DWORD timeoutMs) {
    const wchar_t* name = NameOrEmpty(serviceName);
    ScHandle manager, service;
    DWORD state = 0;
    if (OpenAndQuery(name, SC_MANAGER_ALL_ACCESS, SERVICE_ALL_ACCESS, manager, service, state) != Opened::Ready)
        return false;
    if (state != SERVICE_STOPPED) return false;
    if (!SendStart(service.get(), name)) return false;

    DWORD error = 0;
    const PollResult result =
        PollForState(service.get(), SERVICE_RUNNING, timeoutMs / kTimeoutPollDivisor, kTimeoutStartIntervalMs, error);
    return ReportStartPoll(result, name, error);
}

bool StartStoppedSpoolerAtStartup() {
    bool started = false;
    DWORD error = ERROR_SUCCESS;
    ScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    ScHandle service(manager ? OpenServiceW(manager.get(), kSpoolerService, SERVICE_ALL_ACCESS) : nullptr);
    DWORD state = 0;
    if (!manager || !service || !QueryState(service.get(), state)) {
        error = GetLastError();
    } else if (state == SERVICE_STOPPED) {
        if (StartServiceW(service.get(), 0, nullptr)) {
            DWORD pollError = ERROR_SUCCESS;
            started = PollForState(service.get(), SERVICE_RUNNING, kSpoolerPolls, kSpoolerIntervalMs, pollError) ==
                      PollResult::Reached;
            if (!started) error = pollError;
        } else {
            error = GetLastError();
        }
    }
    DebugOutF(L"Start service %ws, %d, error: 0x%x", kSpoolerService, started ? 1 : 0, static_cast<unsigned>(error));
    return started;
}

}  // namespace kelno
