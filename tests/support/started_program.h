#pragma once
// A program of the package started the way a user starts it and left running while the test
// looks at it: its windows and controls, whether it still runs, its exit code. A program still
// running when the object goes is ended.
#include <windows.h>

#include <functional>
#include <string>

namespace kelno::test {

class StartedProgram {
public:
    // Command line = quoted path + " " + arguments.
    StartedProgram(const std::wstring& program, const std::wstring& arguments = L"",
                   const std::wstring& workingDirectory = L"");
    ~StartedProgram();
    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;

    bool Started() const { return process_ != nullptr; }
    DWORD ProcessId() const { return processId_; }
    // True when the program ended within the time.
    bool WaitForExit(DWORD timeoutMs);
    bool Running() const;
    // STILL_ACTIVE (259) while it runs.
    DWORD ExitCode() const;
    void Terminate();

private:
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
};

// Ends a process of this prefix by its id (a program the program under test started).
bool TerminateProcessById(DWORD processId);

// Polls the condition every intervalMs until it holds or the time is up.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD intervalMs = 100);

// The first visible top-level window of the process, waiting for it to appear; null if none.
HWND WaitForProcessWindow(DWORD processId, DWORD timeoutMs);

// Window texts through WM_GETTEXT (also of another process's windows).
std::wstring WindowText(HWND window);
std::wstring ControlText(HWND dialog, int id);
bool ControlVisible(HWND dialog, int id);

}  // namespace kelno::test
