#include "tests/support/wizard_window.h"

#include <commctrl.h>
#include <prsht.h>

#include <algorithm>
#include <chrono>
#include <cwctype>
#include <thread>

#include "tests/support/spooler.h"
#include "tests/support/wine_test_support.h"

namespace kelno::test {
namespace {

constexpr DWORD kPollMs = 50;

template <typename Condition>
bool PollUntil(DWORD timeoutMs, Condition condition) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(kPollMs);
    }
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = L"";
    GetClassNameW(window, name, 64);
    return name;
}

std::wstring WindowText(HWND window) {
    if (!window) return L"";
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) return L"";
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 5000,
                        &copied);
    text.resize(copied);
    return text;
}

struct TopLevelSearch {
    DWORD processId;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<TopLevelSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && IsWindowVisible(window)) search->windows.push_back(window);
    return TRUE;
}

std::vector<HWND> TopLevelWindows(DWORD processId) {
    TopLevelSearch search{processId, {}};
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.windows;
}

bool IsPropertySheet(HWND window) {
    DWORD_PTR page = 0;
    return ClassOf(window) == L"#32770" &&
           SendMessageTimeoutW(window, PSM_GETCURRENTPAGEHWND, 0, 0, SMTO_ABORTIFHUNG, 2000, &page) && page != 0;
}

// Memory in another process, freed with the object.
class RemoteMemory {
public:
    RemoteMemory(DWORD processId, std::size_t size)
        : process_(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId)) {
        if (process_) memory_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    ~RemoteMemory() {
        if (memory_) VirtualFreeEx(process_, memory_, 0, MEM_RELEASE);
        if (process_) CloseHandle(process_);
    }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;
    explicit operator bool() const { return memory_ != nullptr; }
    BYTE* Address() const { return static_cast<BYTE*>(memory_); }
    bool Write(std::size_t offset, const void* bytes, std::size_t size) const {
        return WriteProcessMemory(process_, Address() + offset, bytes, size, nullptr) != FALSE;
    }
    bool Read(std::size_t offset, void* bytes, std::size_t size) const {
        return ReadProcessMemory(process_, Address() + offset, bytes, size, nullptr) != FALSE;
    }

private:
    HANDLE process_ = nullptr;
    void* memory_ = nullptr;
};

DWORD WindowProcess(HWND window) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    return owner;
}

}  // namespace

std::vector<wchar_t> EnvironmentWith(const std::vector<std::pair<std::wstring, std::wstring>>& replaced) {
    std::vector<std::wstring> entries;
    if (wchar_t* block = GetEnvironmentStringsW()) {
        for (const wchar_t* entry = block; *entry; entry += wcslen(entry) + 1) entries.emplace_back(entry);
        FreeEnvironmentStringsW(block);
    }
    auto nameOf = [](const std::wstring& entry) {
        const std::size_t equals = entry.find(L'=', 1);  // "=C:=..." entries start with '='
        std::wstring name = entry.substr(0, equals);
        for (wchar_t& c : name) c = static_cast<wchar_t>(std::towupper(c));
        return name;
    };
    for (const auto& [name, value] : replaced) {
        std::wstring upper = name;
        for (wchar_t& c : upper) c = static_cast<wchar_t>(std::towupper(c));
        std::erase_if(entries, [&](const std::wstring& entry) { return nameOf(entry) == upper; });
        entries.push_back(name + L"=" + value);
    }
    std::sort(entries.begin(), entries.end(),
              [&](const std::wstring& a, const std::wstring& b) { return nameOf(a) < nameOf(b); });
    std::vector<wchar_t> block;
    for (const std::wstring& entry : entries) {
        block.insert(block.end(), entry.begin(), entry.end());
        block.push_back(L'\0');
    }
    block.push_back(L'\0');
    return block;
}

WizardWindow::WizardWindow(const WizardLaunch& launch) {
    const std::wstring program =
        launch.program.empty() ? JoinPath(PackageFolderPath(), L"drvwizard.exe") : launch.program;
    workingDirectory_ = launch.workingDirectory.empty() ? MakeTempFolder(L"wizard") : launch.workingDirectory;
    std::wstring commandLine = L"\"" + program + L"\"";
    if (!launch.arguments.empty()) commandLine += L" " + launch.arguments;

    std::vector<wchar_t> environment;
    if (!launch.locale.empty()) environment = EnvironmentWith({{L"LANG", launch.locale}, {L"LC_ALL", launch.locale}});
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                        environment.empty() ? nullptr : environment.data(), workingDirectory_.c_str(), &startup, &info))
        return;
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    processId_ = info.dwProcessId;
}

WizardWindow::~WizardWindow() {
    if (!process_) return;
    if (Running()) Terminate();
    CloseHandle(process_);
}

std::vector<std::string> WizardWindow::LogLines() const {
    return ReadLines(JoinPath(workingDirectory_, L"drvwlog.log"));
}

std::optional<DWORD> WizardWindow::WaitForExit(DWORD timeoutMs) {
    if (!process_ || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return code;
}

bool WizardWindow::Running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

void WizardWindow::Terminate() {
    if (!process_) return;
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 10000);
}

HWND WizardWindow::WaitForSheet(DWORD timeoutMs) {
    PollUntil(timeoutMs, [&] {
        for (HWND window : TopLevelWindows(processId_))
            if (IsPropertySheet(window)) {
                sheet_ = window;
                return true;
            }
        return !Running();
    });
    return sheet_;
}

HWND WizardWindow::AnyWindow() const {
    const std::vector<HWND> windows = TopLevelWindows(processId_);
    return windows.empty() ? nullptr : windows.front();
}

HWND WizardWindow::CurrentPage() const {
    DWORD_PTR page = 0;
    if (!sheet_ || !SendMessageTimeoutW(sheet_, PSM_GETCURRENTPAGEHWND, 0, 0, SMTO_ABORTIFHUNG, 5000, &page))
        return nullptr;
    return reinterpret_cast<HWND>(page);
}

int WizardWindow::CurrentPageId() const {
    const HWND page = CurrentPage();
    DWORD_PTR index = 0, id = 0;
    if (!page ||
        !SendMessageTimeoutW(sheet_, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0, SMTO_ABORTIFHUNG, 5000,
                             &index) ||
        static_cast<INT_PTR>(index) < 0 ||
        !SendMessageTimeoutW(sheet_, PSM_INDEXTOID, index, 0, SMTO_ABORTIFHUNG, 5000, &id))
        return 0;
    return static_cast<int>(id);
}

bool WizardWindow::WaitForPage(int dialogId, DWORD timeoutMs) {
    return PollUntil(timeoutMs, [&] { return CurrentPageId() == dialogId; });
}

void WizardWindow::PressButton(int button) {
    if (sheet_) PostMessageW(sheet_, PSM_PRESSBUTTON, static_cast<WPARAM>(button), 0);
}

bool WizardWindow::NextTo(int dialogId, DWORD timeoutMs) {
    PressButton(PSBTN_NEXT);
    return WaitForPage(dialogId, timeoutMs);
}

bool WizardWindow::BackTo(int dialogId, DWORD timeoutMs) {
    PressButton(PSBTN_BACK);
    return WaitForPage(dialogId, timeoutMs);
}

bool WizardWindow::SheetButtonEnabled(int buttonId) const {
    const HWND button = sheet_ ? GetDlgItem(sheet_, buttonId) : nullptr;
    return button && IsWindowVisible(button) && IsWindowEnabled(button);
}

bool WizardWindow::WaitForSheetButton(int buttonId, bool enabled, DWORD timeoutMs) const {
    return PollUntil(timeoutMs, [&] { return SheetButtonEnabled(buttonId) == enabled; });
}

HWND WizardWindow::Control(int controlId) const {
    const HWND page = CurrentPage();
    return page ? GetDlgItem(page, controlId) : nullptr;
}

bool WizardWindow::Click(int controlId) {
    const HWND control = Control(controlId);
    DWORD_PTR result = 0;
    return control && SendMessageTimeoutW(control, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 10000, &result);
}

bool WizardWindow::Checked(int controlId) const {
    const HWND control = Control(controlId);
    DWORD_PTR state = 0;
    return control && SendMessageTimeoutW(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &state) &&
           state == BST_CHECKED;
}

bool WizardWindow::Enabled(int controlId) const {
    const HWND control = Control(controlId);
    return control && IsWindowEnabled(control);
}

bool WizardWindow::Visible(int controlId) const {
    const HWND control = Control(controlId);
    return control && IsWindowVisible(control);
}

std::wstring WizardWindow::Text(int controlId) const { return WindowText(Control(controlId)); }

bool WizardWindow::SetText(int controlId, const std::wstring& text) {
    const HWND control = Control(controlId);
    DWORD_PTR result = 0;
    return control &&
           SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 5000,
                               &result) &&
           result;
}

bool WizardWindow::WaitForText(int controlId, const std::wstring& part, DWORD timeoutMs) const {
    return PollUntil(timeoutMs, [&] { return Text(controlId).find(part) != std::wstring::npos; });
}

std::vector<std::vector<std::wstring>> WizardWindow::ListRows(int controlId, int columns) const {
    std::vector<std::vector<std::wstring>> rows;
    const HWND list = Control(controlId);
    if (!list) return rows;
    constexpr int kCellChars = 512;
    RemoteMemory remote(WindowProcess(list), sizeof(LVITEMW) + kCellChars * sizeof(wchar_t));
    if (!remote) return rows;
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        std::vector<std::wstring> cells;
        for (int column = 0; column < columns; ++column) {
            LVITEMW item{};
            item.iSubItem = column;
            item.pszText = reinterpret_cast<LPWSTR>(remote.Address() + sizeof(LVITEMW));
            item.cchTextMax = kCellChars;
            remote.Write(0, &item, sizeof(item));
            const LRESULT length = SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                                                reinterpret_cast<LPARAM>(remote.Address()));
            std::wstring cell(kCellChars, L'\0');
            remote.Read(sizeof(LVITEMW), cell.data(), kCellChars * sizeof(wchar_t));
            cell.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
            cells.push_back(cell);
        }
        rows.push_back(cells);
    }
    return rows;
}

bool WizardWindow::SelectListRow(int controlId, int row, bool selected) {
    const HWND list = Control(controlId);
    if (!list) return false;
    RemoteMemory remote(WindowProcess(list), sizeof(LVITEMW));
    if (!remote) return false;
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = selected ? (LVIS_SELECTED | LVIS_FOCUSED) : 0;
    remote.Write(0, &item, sizeof(item));
    return SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote.Address())) !=
           FALSE;
}

std::vector<int> WizardWindow::SelectedListRows(int controlId) const {
    std::vector<int> rows;
    const HWND list = Control(controlId);
    if (!list) return rows;
    for (int row = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
         row >= 0; row = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED)))
        rows.push_back(row);
    return rows;
}

std::optional<MessageBoxInfo> WizardWindow::WaitForMessageBox(DWORD timeoutMs) const {
    std::optional<MessageBoxInfo> found;
    PollUntil(timeoutMs, [&] {
        for (HWND window : TopLevelWindows(processId_)) {
            if (window == sheet_ || ClassOf(window) != L"#32770" || IsPropertySheet(window)) continue;
            const HWND text = GetDlgItem(window, 0xFFFF);
            if (!text) continue;
            found = MessageBoxInfo{window, WindowText(window), WindowText(text)};
            return true;
        }
        return !Running();
    });
    return found;
}

void WizardWindow::AnswerMessageBox(const MessageBoxInfo& box, int buttonId) {
    PostMessageW(box.window, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box.window, buttonId)));
}

bool WizardWindow::Screenshot(const std::wstring& name) const {
    if (sheet_) {
        SetForegroundWindow(sheet_);
        RedrawWindow(sheet_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    }
    Sleep(300);  // let the program paint
    return SaveScreenshot(sheet_, JoinPath(ArtifactFolder(), name + L".bmp"));
}

int WizardWindow::CountScreenPixels(HWND window, COLORREF colour, int tolerance) const {
    RECT rect{};
    if (!window || !GetWindowRect(window, &rect)) return 0;
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return 0;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    int count = 0;
    if (bitmap && memory) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
        SelectObject(memory, old);
        GdiFlush();
        const auto* pixels = static_cast<const DWORD*>(bits);
        auto within = [&](int a, int b) { return (a > b ? a - b : b - a) <= tolerance; };
        for (int i = 0; i < width * height; ++i) {
            const DWORD p = pixels[i];  // 0x00RRGGBB
            if (within(static_cast<int>((p >> 16) & 0xFF), GetRValue(colour)) &&
                within(static_cast<int>((p >> 8) & 0xFF), GetGValue(colour)) &&
                within(static_cast<int>(p & 0xFF), GetBValue(colour)))
                ++count;
        }
    }
    if (bitmap) DeleteObject(bitmap);
    if (memory) DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return count;
}

bool AddPackageQueue(const std::wstring& queue, const std::wstring& driver, const std::wstring& port) {
    if (!StagePackageDriverFiles()) return false;
    if (!DriverInstalled(driver) && !AddDriver(driver, L"kelnodrv6ui.dll")) return false;
    return AddQueue(queue, driver, port);
}

}  // namespace kelno::test
