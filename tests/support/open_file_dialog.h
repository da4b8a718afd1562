#pragma once
// Answers the next open-file dialog of this process from a second thread, the way a person
// would: types a path into its file-name box and presses Open. The dialog runs modally on the
// thread that opened it; this thread only finds it and talks to it by messages.
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

namespace kelno::test {

class OpenFileAnswer {
public:
    explicit OpenFileAnswer(std::wstring path, DWORD timeoutMs = 60000)
        : path_(std::move(path)), thread_([this, timeoutMs] { Run(timeoutMs); }) {}
    ~OpenFileAnswer() {
        stop_ = true;
        thread_.join();
    }
    OpenFileAnswer(const OpenFileAnswer&) = delete;
    OpenFileAnswer& operator=(const OpenFileAnswer&) = delete;

    bool answered() const { return answered_; }

private:
    // The file-name box: cmb13 (a combo box) on Windows, edt1 in older templates.
    static HWND FileNameBox(HWND dialog) {
        if (HWND box = GetDlgItem(dialog, 0x47C)) return box;
        return GetDlgItem(dialog, 0x480);
    }

    static BOOL CALLBACK Candidate(HWND window, LPARAM found) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        wchar_t name[16] = L"";
        GetClassNameW(window, name, 16);
        if (process == GetCurrentProcessId() && IsWindowVisible(window) && GetWindow(window, GW_OWNER) &&
            std::wstring(name) == L"#32770" && FileNameBox(window)) {
            *reinterpret_cast<HWND*>(found) = window;
            return FALSE;
        }
        return TRUE;
    }

    void Run(DWORD timeoutMs) {
        const ULONGLONG deadline = GetTickCount64() + timeoutMs;
        while (!stop_ && GetTickCount64() < deadline) {
            HWND dialog = nullptr;
            EnumWindows(Candidate, reinterpret_cast<LPARAM>(&dialog));
            if (dialog) {
                SendMessageW(FileNameBox(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path_.c_str()));
                answered_ = true;
                PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
                return;
            }
            Sleep(50);
        }
    }

    std::wstring path_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> answered_{false};
    std::thread thread_;
};

}  // namespace kelno::test
