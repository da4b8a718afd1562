#pragma once
// Answers the next pop-up menu of this process from a second thread, the way a person would with
// the keyboard: notes which menu is shown, moves down to an item and chooses it with Enter (or
// closes the menu with Escape when no item is wanted). The menu is tracked modally on the thread
// that opened it; this thread only finds its window and sends it keys.
#include <windows.h>

#include <atomic>
#include <thread>

namespace kelno::test {

class PopupMenuAnswer {
public:
    // item: the position of the item to choose among the enabled ones (0 the first), or -1 to
    // close the menu without a choice.
    explicit PopupMenuAnswer(int item, DWORD timeoutMs = 60000)
        : item_(item), thread_([this, timeoutMs] { Run(timeoutMs); }) {}
    ~PopupMenuAnswer() {
        stop_ = true;
        thread_.join();
    }
    PopupMenuAnswer(const PopupMenuAnswer&) = delete;
    PopupMenuAnswer& operator=(const PopupMenuAnswer&) = delete;

    // The command id of the shown menu's first item; 0 until a menu was seen.
    UINT firstItem() const { return firstItem_; }

private:
    static BOOL CALLBACK Candidate(HWND window, LPARAM found) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        wchar_t name[16] = L"";
        GetClassNameW(window, name, 16);
        if (process == GetCurrentProcessId() && IsWindowVisible(window) && lstrcmpW(name, L"#32768") == 0) {
            *reinterpret_cast<HWND*>(found) = window;
            return FALSE;
        }
        return TRUE;
    }

    static void Key(HWND menu, WPARAM key) {
        PostMessageW(menu, WM_KEYDOWN, key, 0);
        PostMessageW(menu, WM_KEYUP, key, 0xC0000000);
        Sleep(50);
    }

    void Run(DWORD timeoutMs) {
        const ULONGLONG deadline = GetTickCount64() + timeoutMs;
        while (!stop_ && GetTickCount64() < deadline) {
            HWND menu = nullptr;
            EnumWindows(Candidate, reinterpret_cast<LPARAM>(&menu));
            if (menu) {
                auto shown = reinterpret_cast<HMENU>(SendMessageW(menu, MN_GETHMENU, 0, 0));
                firstItem_ = shown ? GetMenuItemID(shown, 0) : 0;
                if (item_ < 0) {
                    Key(menu, VK_ESCAPE);
                    return;
                }
                for (int i = 0; i <= item_; ++i) Key(menu, VK_DOWN);
                Key(menu, VK_RETURN);
                return;
            }
            Sleep(50);
        }
    }

    int item_;
    std::atomic<bool> stop_{false};
    std::atomic<UINT> firstItem_{0};
    std::thread thread_;
};

}  // namespace kelno::test
