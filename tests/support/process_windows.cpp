#include "tests/support/process_windows.h"

#include "tests/support/started_program.h"

#include <commctrl.h>

#include <thread>

namespace kelno::test {
namespace {

struct Search {
    DWORD processId;
    const wchar_t* className;
    int childId;
    HWND except;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<Search*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || window == search->except || !IsWindowVisible(window)) return TRUE;
    wchar_t name[64] = L"";
    GetClassNameW(window, name, 64);
    if (lstrcmpW(name, search->className) != 0) return TRUE;
    if (search->childId != 0 && !GetDlgItem(window, search->childId)) return TRUE;
    search->found = window;
    return FALSE;
}

template <typename Condition>
bool Poll(std::chrono::milliseconds timeout, Condition&& condition) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

// Memory in another process, freed with the object.
class RemoteMemory {
public:
    RemoteMemory(HANDLE process, SIZE_T size)
        : process_(process), address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE)) {}
    ~RemoteMemory() {
        if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;
    void* get() const { return address_; }

private:
    HANDLE process_;
    void* address_;
};

}  // namespace

HWND WaitForProcessWindow(DWORD processId, const wchar_t* className, int childId, std::chrono::milliseconds timeout,
                          HWND except) {
    Search search{processId, className, childId, except, nullptr};
    Poll(timeout, [&] {
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
    });
    return search.found;
}

bool WaitForEnabled(HWND window, int controlId, std::chrono::milliseconds timeout) {
    return Poll(timeout, [&] {
        HWND control = GetDlgItem(window, controlId);
        return control && IsWindowEnabled(control);
    });
}

MessageBoxSeen WaitForMessageBox(DWORD processId, HWND except, std::chrono::milliseconds timeout) {
    MessageBoxSeen seen;
    seen.window = WaitForProcessWindow(processId, L"#32770", 0, timeout, except);
    if (seen.window) {
        seen.caption = WindowText(seen.window);
        if (HWND text = GetDlgItem(seen.window, 0xFFFF)) seen.text = WindowText(text);
    }
    return seen;
}

std::optional<DWORD> WaitForProcessExit(DWORD processId, std::chrono::milliseconds timeout) {
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process) return std::nullopt;
    std::optional<DWORD> code;
    DWORD exitCode = 0;
    if (WaitForSingleObject(process, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0 &&
        GetExitCodeProcess(process, &exitCode))
        code = exitCode;
    CloseHandle(process);
    return code;
}

void PressButton(HWND dialog, int buttonId) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, buttonId)));
}

std::vector<std::wstring> RemoteTreeTexts(HWND tree, DWORD processId) {
    std::vector<std::wstring> texts;
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (!process) return texts;
    {
        constexpr SIZE_T kTextUnits = 2048;
        RemoteMemory item(process, sizeof(TVITEMW));
        RemoteMemory text(process, kTextUnits * sizeof(wchar_t));
        // Depth-first through the items, each followed by its children: a stack, last item on top.
        std::vector<std::pair<HTREEITEM, int>> roots;
        for (auto root = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0)); root;
             root = reinterpret_cast<HTREEITEM>(
                 SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(root))))
            roots.push_back({root, 0});
        std::vector<std::pair<HTREEITEM, int>> order(roots.rbegin(), roots.rend());
        while (!order.empty() && item.get() && text.get()) {
            const auto [handle, depth] = order.back();
            order.pop_back();
            TVITEMW local{};
            local.mask = TVIF_TEXT;
            local.hItem = handle;
            local.pszText = static_cast<LPWSTR>(text.get());
            local.cchTextMax = kTextUnits;
            WriteProcessMemory(process, item.get(), &local, sizeof(local), nullptr);
            SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(item.get()));
            wchar_t buffer[kTextUnits] = L"";
            ReadProcessMemory(process, text.get(), buffer, sizeof(buffer) - sizeof(wchar_t), nullptr);
            texts.push_back(std::wstring(static_cast<std::size_t>(depth), L'>') + buffer);
            std::vector<std::pair<HTREEITEM, int>> children;
            for (auto child = reinterpret_cast<HTREEITEM>(
                     SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(handle)));
                 child; child = reinterpret_cast<HTREEITEM>(
                            SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(child))))
                children.push_back({child, depth + 1});
            order.insert(order.end(), children.rbegin(), children.rend());
        }
    }
    CloseHandle(process);
    return texts;
}

}  // namespace kelno::test
