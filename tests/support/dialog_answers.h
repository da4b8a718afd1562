#pragma once
// Answers the modal dialogs a window procedure opens on the test's own thread (message boxes,
// the file dialog), from a helper thread, the way a person would: each action gets the next
// new top-level dialog (class "#32770") of the thread, in order, and the helper waits until that
// dialog is gone before it looks for the next. Also Notepad started by the code under test:
// its command line is read from its process and the window is closed.
#include <windows.h>

#include <chrono>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace kelno::test {

// The text of a message box (its static 0xFFFF) and the answer it is given.
inline std::wstring MessageBoxText(HWND box) {
    wchar_t text[512] = L"";
    GetDlgItemTextW(box, 0xFFFF, text, static_cast<int>(std::size(text)));
    return text;
}
inline void Press(HWND dialog, int button) { PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0); }

// Types a path into the file dialog's name box and presses Open.
inline void ChooseFile(HWND dialog, const std::wstring& path) {
    HWND name = GetDlgItem(dialog, 0x47C);        // cmb13 of the Explorer-style dialog
    if (!name) name = GetDlgItem(dialog, 0x480);  // edt1
    SetWindowTextW(name, path.c_str());
    Press(dialog, IDOK);
}

class DialogAnswers {
public:
    using Action = std::function<void(HWND)>;

    DialogAnswers(std::vector<Action> actions, std::chrono::seconds timeout = std::chrono::seconds(30))
        : thread_(GetCurrentThreadId()), known_(Dialogs(thread_)) {
        helper_ = std::thread([this, actions = std::move(actions), timeout] {
            const auto deadline = std::chrono::steady_clock::now() + timeout;
            for (const Action& action : actions) {
                HWND dialog = nullptr;
                while (!dialog && std::chrono::steady_clock::now() < deadline) {
                    for (HWND candidate : Dialogs(thread_))
                        if (!known_.count(candidate) && IsWindowVisible(candidate)) dialog = candidate;
                    if (!dialog) Sleep(50);
                }
                if (!dialog) return;
                Sleep(100);  // let the dialog finish its initialisation
                action(dialog);
                known_.insert(dialog);
                ++answered_;
                while (IsWindow(dialog) && std::chrono::steady_clock::now() < deadline) Sleep(50);
            }
        });
    }
    ~DialogAnswers() {
        if (helper_.joinable()) helper_.join();
    }
    DialogAnswers(const DialogAnswers&) = delete;
    DialogAnswers& operator=(const DialogAnswers&) = delete;

    // Waits for the helper; the number of dialogs it answered.
    int Finish() {
        if (helper_.joinable()) helper_.join();
        return answered_;
    }

private:
    static std::set<HWND> Dialogs(DWORD thread) {
        std::set<HWND> dialogs;
        EnumThreadWindows(
            thread,
            [](HWND window, LPARAM found) {
                wchar_t name[16] = L"";
                GetClassNameW(window, name, static_cast<int>(std::size(name)));
                if (std::wstring(name) == L"#32770") reinterpret_cast<std::set<HWND>*>(found)->insert(window);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&dialogs));
        return dialogs;
    }

    DWORD thread_;
    std::set<HWND> known_;
    int answered_ = 0;
    std::thread helper_;
};

// The command line of another process, read from its process parameters; "" when unreadable.
inline std::wstring ProcessCommandLine(DWORD processId) {
    struct BasicInformation {
        LONG_PTR exitStatus;
        BYTE* peb;
        ULONG_PTR affinity, basePriority, processId, parentId;
    };
    using Query = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (!process || !query) return {};
    std::wstring line;
    BasicInformation basic{};
    BYTE* parameters = nullptr;
    struct {
        USHORT length, maximum;
        ULONG_PTR buffer;
    } text{};
    // PEB.ProcessParameters at 0x20, RTL_USER_PROCESS_PARAMETERS.CommandLine at 0x70 (x64).
    if (query(process, 0, &basic, sizeof basic, nullptr) == 0 &&
        ReadProcessMemory(process, basic.peb + 0x20, &parameters, sizeof parameters, nullptr) &&
        ReadProcessMemory(process, parameters + 0x70, &text, sizeof text, nullptr) && text.length) {
        line.resize(text.length / sizeof(wchar_t));
        if (!ReadProcessMemory(process, reinterpret_cast<void*>(text.buffer), line.data(), text.length, nullptr))
            line.clear();
    }
    CloseHandle(process);
    return line;
}

// Waits for a top-level window of the class in any process, reads its process's command line
// and closes the window. "" when no such window appeared in time.
inline std::wstring CloseWindowOfClass(const wchar_t* windowClass, std::chrono::seconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (HWND window = FindWindowW(windowClass, nullptr)) {
            DWORD processId = 0;
            GetWindowThreadProcessId(window, &processId);
            const std::wstring line = ProcessCommandLine(processId);
            PostMessageW(window, WM_CLOSE, 0, 0);
            return line.empty() ? L"(unreadable)" : line;
        }
        Sleep(100);
    }
    return {};
}

}  // namespace kelno::test
