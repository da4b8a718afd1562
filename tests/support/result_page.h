#pragma once
// A window standing in for the wizard's result page: it keeps every WM_APPEND_LOG text and
// every WM_WORK_DONE mode it is sent, and it can carry the page's status line.
#include <windows.h>

#include <string>
#include <vector>

#include "drvwizard/win/install_worker.h"
#include "drvwizard/win/wizard_messages.h"
#include "engine/win/progress.h"

namespace kelno::test {

class ResultPage {
public:
    // Without a status line: a message-only window. With one (the control id): a hidden
    // top-level window holding a static of that id, which needs a display.
    explicit ResultPage(int statusControl = 0) : statusControl_(statusControl) {
        static const ATOM registered = [] {
            WNDCLASSW cls{};
            cls.lpfnWndProc = &ResultPage::Proc;
            cls.hInstance = GetModuleHandleW(nullptr);
            cls.lpszClassName = L"KelnoTestResultPage";
            return RegisterClassW(&cls);
        }();
        (void)registered;
        const HINSTANCE instance = GetModuleHandleW(nullptr);
        if (statusControl_) {
            window_ = CreateWindowExW(0, L"KelnoTestResultPage", L"", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr,
                                      instance, nullptr);
            status_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 300, 40, window_,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(statusControl_)), instance, nullptr);
        } else {
            window_ = CreateWindowExW(0, L"KelnoTestResultPage", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance,
                                      nullptr);
        }
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~ResultPage() {
        if (window_) DestroyWindow(window_);
    }
    ResultPage(const ResultPage&) = delete;
    ResultPage& operator=(const ResultPage&) = delete;

    HWND hwnd() const { return window_; }
    // The engine's sink for this page: the wizard's texts, lines kept whole so that tests see
    // every character the engine wrote (the real page cuts them, see ResultPageSink).
    ProgressSink sink() const { return SinkFor(window_); }
    static ProgressSink SinkFor(HWND window) {
        ProgressSink sink = ResultPageSink(window);
        sink.lineChars = kProgressLineChars;
        return sink;
    }
    bool Created() const { return window_ && (!statusControl_ || status_); }
    const std::vector<std::wstring>& Lines() const { return lines_; }
    // The modes of the WM_WORK_DONE messages delivered so far.
    const std::vector<WPARAM>& WorkDone() const { return workDone_; }
    void Clear() { lines_.clear(); }
    std::wstring Status() const {
        wchar_t text[100] = L"";
        GetDlgItemTextW(window_, statusControl_, text, static_cast<int>(std::size(text)));
        return text;
    }
    // Delivers what was posted to the page (WM_WORK_DONE).
    void Pump() const {
        MSG msg;
        while (PeekMessageW(&msg, window_, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<ResultPage*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self && message == WM_APPEND_LOG) {
            self->lines_.emplace_back(reinterpret_cast<const wchar_t*>(lParam));
            return 0;
        }
        if (self && message == WM_WORK_DONE) {
            self->workDone_.push_back(wParam);
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    int statusControl_ = 0;
    HWND window_ = nullptr;
    HWND status_ = nullptr;
    std::vector<std::wstring> lines_;
    std::vector<WPARAM> workDone_;
};

}  // namespace kelno::test
