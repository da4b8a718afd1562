#pragma once
// The windows of another process, driven from a test the way a person would: found by process
// and class, their tree views read through memory allocated in that process, their buttons
// pressed, their message boxes read and answered. Needs the private display (GUI tests).
#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

namespace kelno::test {

// A program started with a command line of its own (quoted path + " " + arguments), inheriting
// this process's environment; ended (terminated) with the object unless it has ended.
class StartedProgram {
public:
    StartedProgram(const std::wstring& program, const std::wstring& arguments);
    ~StartedProgram();
    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;

    bool started() const { return process_ != nullptr; }
    DWORD id() const { return id_; }
    // Waits for the end; false when it did not end in time. exitCode() is then valid.
    bool Wait(std::chrono::milliseconds timeout);
    DWORD exitCode() const;

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// The first visible top-level window of the process with that class ("#32770" for dialogs and
// message boxes) whose control childId exists (0: any), other than `except`; waits up to the
// timeout for it.
HWND WaitForProcessWindow(DWORD processId, const wchar_t* className, int childId,
                          std::chrono::milliseconds timeout = std::chrono::seconds(60), HWND except = nullptr);

// Waits until the window's control is enabled (a dialog's worker has handed back).
bool WaitForEnabled(HWND window, int controlId, std::chrono::milliseconds timeout = std::chrono::seconds(60));

std::wstring WindowText(HWND window);

// A dialog of the process other than `except` (the program's own dialog): a message box, whose
// text is its control 0xFFFF, or a question of the system (text empty). Waited for up to the
// timeout; window is null when none came.
struct MessageBoxSeen {
    HWND window = nullptr;
    std::wstring caption, text;
};
MessageBoxSeen WaitForMessageBox(DWORD processId, HWND except,
                                 std::chrono::milliseconds timeout = std::chrono::seconds(60));

// Presses a dialog's button (posts its command, as a click does).
void PressButton(HWND dialog, int buttonId);

// The texts of a tree view of another process in display order, each prefixed with one '>'
// per level below the top.
std::vector<std::wstring> RemoteTreeTexts(HWND tree, DWORD processId);

}  // namespace kelno::test
