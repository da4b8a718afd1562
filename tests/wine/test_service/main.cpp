// A small Win32 service for the service-control tests. Its behaviour comes from the arguments
// stored in its binary path:
//   --start-delay=<ms>  stay START_PENDING this long before reporting RUNNING
//   --stop-delay=<ms>   stay STOP_PENDING this long after a stop control
//   --ignore-stop       accept the stop control but keep running
//   --refuse-stop       do not accept the stop control at all
// Setting the event "Global\KelnoTestServiceQuit_<service name>" always ends the service at
// once, so that a test can clean up a service that will not stop by the ordinary control (Wine's
// manager sends no further control to a service that accepted a stop and kept running).
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <cwctype>
#include <iterator>

namespace {

struct Options {
    DWORD startDelayMs = 0;
    DWORD stopDelayMs = 0;
    bool ignoreStop = false;
    bool refuseStop = false;
};

Options g_options;
SERVICE_STATUS_HANDLE g_statusHandle = nullptr;
HANDLE g_stopEvent = nullptr;
HANDLE g_quitEvent = nullptr;

// Reads "--name=<digits>"; false if the argument is not that option.
bool ReadNumberOption(const wchar_t* argument, const wchar_t* name, DWORD& value) {
    const size_t length = std::wcslen(name);
    if (std::wcsncmp(argument, name, length) != 0 || argument[length] != L'=') return false;
    const wchar_t* digits = argument + length + 1;
    DWORD result = 0;
    for (; *digits; ++digits) {
        if (!std::iswdigit(*digits) || result > 100000000) return false;
        result = result * 10 + static_cast<DWORD>(*digits - L'0');
    }
    value = result;
    return true;
}

Options ParseOptions() {
    Options options;
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments) return options;
    for (int i = 1; i < count; ++i) {
        const wchar_t* argument = arguments[i];
        if (ReadNumberOption(argument, L"--start-delay", options.startDelayMs)) continue;
        if (ReadNumberOption(argument, L"--stop-delay", options.stopDelayMs)) continue;
        if (std::wcscmp(argument, L"--ignore-stop") == 0) options.ignoreStop = true;
        if (std::wcscmp(argument, L"--refuse-stop") == 0) options.refuseStop = true;
    }
    LocalFree(arguments);
    return options;
}

void Report(DWORD state, DWORD waitHintMs = 0) {
    SERVICE_STATUS status{};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = (state == SERVICE_STOPPED || g_options.refuseStop) ? 0 : SERVICE_ACCEPT_STOP;
    status.dwWin32ExitCode = NO_ERROR;
    status.dwWaitHint = waitHintMs;
    SetServiceStatus(g_statusHandle, &status);
}

DWORD WINAPI Handler(DWORD control, DWORD, void*, void*) {
    switch (control) {
        case SERVICE_CONTROL_INTERROGATE: return NO_ERROR;
        case SERVICE_CONTROL_STOP:
            if (!g_options.ignoreStop) SetEvent(g_stopEvent);
            return NO_ERROR;
        default: return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

// Waits for a stop or the quit event; WAIT_TIMEOUT when neither came within the time.
DWORD WaitForStopOrQuit(DWORD timeoutMs) {
    const HANDLE events[] = {g_stopEvent, g_quitEvent};
    return WaitForMultipleObjects(g_quitEvent ? 2 : 1, events, FALSE, timeoutMs);
}

void WINAPI ServiceMain(DWORD argc, LPWSTR* argv) {
    const wchar_t* serviceName = argc > 0 ? argv[0] : L"";
    wchar_t quitName[300];
    if (_snwprintf(quitName, std::size(quitName), L"Global\\KelnoTestServiceQuit_%ls", serviceName) > 0) {
        quitName[std::size(quitName) - 1] = 0;
        g_quitEvent = CreateEventW(nullptr, TRUE, FALSE, quitName);
    }
    g_statusHandle = RegisterServiceCtrlHandlerExW(serviceName, Handler, nullptr);
    if (!g_statusHandle) return;
    Report(SERVICE_START_PENDING, g_options.startDelayMs + 1000);
    // A stop during the start delay ends the service without it ever running.
    DWORD woken = g_options.startDelayMs > 0 ? WaitForStopOrQuit(g_options.startDelayMs) : WAIT_TIMEOUT;
    if (woken == WAIT_TIMEOUT) {
        Report(SERVICE_RUNNING);
        woken = WaitForStopOrQuit(INFINITE);
    }
    if (woken == WAIT_OBJECT_0 && g_options.stopDelayMs > 0) {
        Report(SERVICE_STOP_PENDING, g_options.stopDelayMs + 1000);
        Sleep(g_options.stopDelayMs);
    }
    Report(SERVICE_STOPPED);
}

}  // namespace

int main() {
    g_options = ParseOptions();
    g_stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!g_stopEvent) return 1;
    wchar_t name[] = L"";
    const SERVICE_TABLE_ENTRYW table[] = {{name, ServiceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherW(table) ? 0 : 2;
}
