#pragma once
// Answers the common file dialog (GetOpenFileNameW) that a control of this thread opens: a
// helper thread waits for the dialog, reads its file-type list, types a file name and presses
// Open, or presses Cancel, while this thread runs the dialog's modal loop.
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace kelno::test {

struct FileDialogAnswer {
    bool seen = false;                    // a file dialog opened
    std::vector<std::wstring> fileTypes;  // the texts of its file-type list
};

namespace detail {

inline HWND FindFileDialog() {
    struct Search {
        HWND found = nullptr;
    } search;
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            wchar_t name[16] = L"";
            GetClassNameW(window, name, static_cast<int>(std::size(name)));
            // The file dialog: a dialog of this process with a file-type list (cmb1).
            if (process == GetCurrentProcessId() && std::wstring(name) == L"#32770" && IsWindowVisible(window) &&
                GetDlgItem(window, 0x470)) {
                reinterpret_cast<Search*>(parameter)->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace detail

// Clicks `button` of `owner` (posted), then answers the dialog it opens: with a file name, Open;
// with an empty one, Cancel. Gives up after timeoutMs.
inline FileDialogAnswer AnswerFileDialog(HWND owner, int button, const std::wstring& fileName,
                                         DWORD timeoutMs = 20000) {
    FileDialogAnswer answer;
    std::atomic<bool> done = false;
    std::thread helper([&] {
        const ULONGLONG deadline = GetTickCount64() + timeoutMs;
        HWND dialog = nullptr;
        while (!dialog && GetTickCount64() < deadline) {
            Sleep(50);
            dialog = detail::FindFileDialog();
        }
        if (dialog) {
            answer.seen = true;
            HWND types = GetDlgItem(dialog, 0x470);
            const LRESULT count = SendMessageW(types, CB_GETCOUNT, 0, 0);
            for (LRESULT i = 0; i < count; ++i) {
                wchar_t text[256] = L"";
                if (SendMessageW(types, CB_GETLBTEXTLEN, i, 0) < LRESULT(std::size(text)))
                    SendMessageW(types, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
                answer.fileTypes.push_back(text);
            }
            if (fileName.empty()) {
                PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            } else {
                // The file-name box: an edit combo (cmb13) or an edit (edt1).
                HWND name = GetDlgItem(dialog, 0x47C);
                if (!name) name = GetDlgItem(dialog, 0x480);
                SetWindowTextW(name, fileName.c_str());
                PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            }
        }
        done = true;
    });
    PostMessageW(GetDlgItem(owner, button), BM_CLICK, 0, 0);
    // The click's dialog runs its modal loop inside this loop; then the page takes the answer.
    ULONGLONG settled = 0;
    while (!settled || GetTickCount64() < settled) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(10);
        if (!settled && done) settled = GetTickCount64() + 500;
    }
    helper.join();
    return answer;
}

}  // namespace kelno::test
