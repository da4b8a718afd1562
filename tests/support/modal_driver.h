#pragma once
// Driving a modal dialog or message box that a window procedure opens on the test's own thread:
// while that thread sits in the modal loop, a helper thread finds the new window (a dialog of the
// thread, by caption or by owner) and acts on it through messages, which the modal loop handles.
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace kelno::test {

inline std::wstring WindowText(HWND window) {
    wchar_t text[512] = L"";
    GetWindowTextW(window, text, static_cast<int>(std::size(text)));
    return text;
}

// A visible dialog window (class "#32770") of a thread whose caption is caption (any caption when
// empty) and, when owner is given, that is owned by owner.
inline HWND FindThreadDialog(DWORD thread, HWND owner, const std::wstring& caption) {
    struct Search {
        HWND owner;
        const std::wstring* caption;
        HWND found;
    } search{owner, &caption, nullptr};
    EnumThreadWindows(
        thread,
        [](HWND window, LPARAM parameter) -> BOOL {
            auto* s = reinterpret_cast<Search*>(parameter);
            wchar_t className[32] = L"";
            GetClassNameW(window, className, static_cast<int>(std::size(className)));
            if (std::wstring(className) != L"#32770" || !IsWindowVisible(window)) return TRUE;
            if (s->owner && GetWindow(window, GW_OWNER) != s->owner) return TRUE;
            if (!s->caption->empty() && WindowText(window) != *s->caption) return TRUE;
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The text of a message box (its static control).
inline std::wstring MessageBoxText(HWND box) { return WindowText(GetDlgItem(box, 0xFFFF)); }

// Waits (up to timeoutMs) on a helper thread for a dialog that find returns, then calls act with
// it. The destructor waits for the helper.
class ModalDriver {
public:
    ModalDriver(std::function<HWND()> find, std::function<void(HWND)> act, DWORD timeoutMs = 20000)
        : helper_([this, find = std::move(find), act = std::move(act), timeoutMs] {
              const DWORD end = GetTickCount() + timeoutMs;
              while (GetTickCount() < end) {
                  if (HWND window = find()) {
                      Sleep(100);  // let the dialog finish its opening
                      act(window);
                      acted_ = true;
                      return;
                  }
                  Sleep(20);
              }
          }) {}
    ~ModalDriver() { helper_.join(); }
    ModalDriver(const ModalDriver&) = delete;
    ModalDriver& operator=(const ModalDriver&) = delete;
    bool acted() const { return acted_; }

private:
    std::atomic<bool> acted_{false};
    std::thread helper_;
};

// Presses a button of a dialog from another thread (the click is handled by the dialog's thread).
inline void PressButton(HWND dialog, int id) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

}  // namespace kelno::test
