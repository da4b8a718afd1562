#pragma once
// The windows of another process, driven from a test the way a person would: found by process
// and class, their tree views read through memory allocated in that process, their buttons
// pressed, their message boxes read and answered. Needs the private display (GUI tests).
// Starting programs and reading window texts: tests/support/started_program.h.
#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace kelno::test {

// The first visible top-level window of the process with that class ("#32770" for dialogs and
// message boxes) whose control childId exists (0: any), other than `except`; waits up to the
// timeout for it.
HWND WaitForProcessWindow(DWORD processId, const wchar_t* className, int childId,
                          std::chrono::milliseconds timeout = std::chrono::seconds(60), HWND except = nullptr);

// Waits until the window's control is enabled (a dialog's worker has handed back).
bool WaitForEnabled(HWND window, int controlId, std::chrono::milliseconds timeout = std::chrono::seconds(60));

// A dialog of the process other than `except` (the program's own dialog): a message box, whose
// text is its control 0xFFFF, or a question of the system (text empty). Waited for up to the
// timeout; window is null when none came.
struct MessageBoxSeen {
    HWND window = nullptr;
    std::wstring caption, text;
};
MessageBoxSeen WaitForMessageBox(DWORD processId, HWND except,
                                 std::chrono::milliseconds timeout = std::chrono::seconds(60));

// A process this test did not start (a program the program under test started): waited for by
// its id; nothing when it cannot be opened or did not end in time.
std::optional<DWORD> WaitForProcessExit(DWORD processId, std::chrono::milliseconds timeout);

// Presses a dialog's button (posts its command, as a click does).
void PressButton(HWND dialog, int buttonId);

// The texts of a tree view of another process in display order, each prefixed with one '>'
// per level below the top.
std::vector<std::wstring> RemoteTreeTexts(HWND tree, DWORD processId);

}  // namespace kelno::test
