#pragma once
// A report list view of three columns in a hidden frame, as the wizard's pages have it. Needs
// the private display (GUI tests): without one Wine makes no window.
#include <windows.h>
#include <commctrl.h>

namespace kelno::test {

class ListViewWindow {
public:
    explicit ListViewWindow(DWORD style = 0) {
        INITCOMMONCONTROLSEX init{sizeof(init), ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&init);
        frame_ = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 520, 300, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
        list_ = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT | style, 0, 0, 500, 260,
                                frame_, nullptr, GetModuleHandleW(nullptr), nullptr);
        for (int i = 0; i < 3; ++i) {
            LVCOLUMNW column{};
            column.mask = LVCF_WIDTH;
            column.cx = 150;
            ListView_InsertColumn(list_, i, &column);
        }
    }
    ~ListViewWindow() {
        if (frame_) DestroyWindow(frame_);
    }
    ListViewWindow(const ListViewWindow&) = delete;
    ListViewWindow& operator=(const ListViewWindow&) = delete;

    HWND List() const { return list_; }

private:
    HWND frame_ = nullptr;
    HWND list_ = nullptr;
};

}  // namespace kelno::test
