#include "tests/support/wine_test_support.h"

#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <sstream>

namespace kelno::test {

DebugOutputCapture::DebugOutputCapture() {
    // Layout of the buffer: the writer's process id, then the text (ANSI), 4096 bytes in all.
    mapping_ = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, L"DBWIN_BUFFER");
    bufferReady_ = CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_BUFFER_READY");
    dataReady_ = CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY");
    stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (mapping_) view_ = static_cast<const char*>(MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, 0));
    last_ = std::chrono::steady_clock::now();
    if (view_ && bufferReady_ && dataReady_ && stop_) reader_ = std::thread([this] { Run(); });
}

DebugOutputCapture::~DebugOutputCapture() {
    if (stop_) SetEvent(stop_);
    if (reader_.joinable()) reader_.join();
    if (view_) UnmapViewOfFile(view_);
    for (HANDLE h : {mapping_, bufferReady_, dataReady_, stop_})
        if (h) CloseHandle(h);
}

void DebugOutputCapture::Run() {
    SetEvent(bufferReady_);
    HANDLE waits[2] = {dataReady_, stop_};
    for (;;) {
        const DWORD w = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
        if (w != WAIT_OBJECT_0) break;
        std::string text(view_ + sizeof(DWORD), strnlen(view_ + sizeof(DWORD), 4096 - sizeof(DWORD)));
        SetEvent(bufferReady_);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        // The writer converted its wide text to the ANSI code page.
        std::wstring wide;
        if (!text.empty()) {
            const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
            wide.resize(static_cast<size_t>(n));
            MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
        }
        {
            std::lock_guard lock(mutex_);
            messages_.push_back(std::move(wide));
            last_ = std::chrono::steady_clock::now();
        }
        arrived_.notify_all();
    }
}

std::vector<std::wstring> DebugOutputCapture::Messages() {
    std::lock_guard lock(mutex_);
    return messages_;
}

std::vector<std::wstring> DebugOutputCapture::MessagesContaining(const std::wstring& text) {
    std::vector<std::wstring> found;
    for (auto& m : Messages())
        if (m.find(text) != std::wstring::npos) found.push_back(m);
    return found;
}

bool DebugOutputCapture::WaitFor(const std::wstring& text, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, timeout, [&] {
        return std::any_of(messages_.begin(), messages_.end(),
                           [&](const std::wstring& m) { return m.find(text) != std::wstring::npos; });
    });
}

void DebugOutputCapture::Settle(std::chrono::milliseconds quiet) {
    for (int i = 0; i < 100; ++i) {
        std::this_thread::sleep_for(quiet / 4);
        std::lock_guard lock(mutex_);
        if (std::chrono::steady_clock::now() - last_ >= quiet) return;
    }
}

void DebugOutputCapture::Clear() {
    std::lock_guard lock(mutex_);
    messages_.clear();
}

RunResult RunProgram(const std::wstring& program, const std::wstring& arguments, const std::wstring& workingDirectory,
                     DWORD timeoutMs) {
    RunResult result;
    std::wstring commandLine = L"\"" + program + L"\"";
    if (!arguments.empty()) commandLine += L" " + arguments;
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workingDirectory.empty() ? nullptr : workingDirectory.c_str(), &si, &pi))
        return result;
    result.started = true;
    if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0) {
        result.finished = true;
    } else {
        TerminateProcess(pi.hProcess, 259);
        WaitForSingleObject(pi.hProcess, 5000);
    }
    GetExitCodeProcess(pi.hProcess, &result.exitCode);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return result;
}

std::wstring TestProgramFolder() {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p(path, n);
    const auto cut = p.find_last_of(L"\\/");
    return cut == std::wstring::npos ? p : p.substr(0, cut);
}

std::wstring PackageFolderPath() {
    wchar_t base[MAX_PATH] = L"";
    SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILESX86, nullptr, SHGFP_TYPE_CURRENT, base);
    return std::wstring(base) + L"\\Tavolen printer driver for windows";
}

std::wstring MakeTempFolder(const std::wstring& stem) {
    static std::atomic<int> counter{0};
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    for (;;) {
        std::wstring path = std::wstring(temp) + stem + L"." + std::to_wstring(GetCurrentProcessId()) + L"." +
                            std::to_wstring(counter++);
        if (CreateDirectoryW(path.c_str(), nullptr)) return path;
        if (GetLastError() != ERROR_ALREADY_EXISTS) return {};
    }
}

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ReadFileBytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::vector<std::string> ReadLines(const std::wstring& path) {
    std::vector<std::string> lines;
    std::ifstream in(path.c_str(), std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::wstring JoinPath(const std::wstring& a, const std::wstring& b) {
    if (a.empty()) return b;
    if (a.back() == L'\\' || a.back() == L'/') return a + b;
    return a + L"\\" + b;
}

std::vector<std::wstring> PendingFileRenameOperations() {
    std::vector<std::wstring> entries;
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0, KEY_QUERY_VALUE,
                      &key) != ERROR_SUCCESS)
        return entries;
    DWORD type = 0, bytes = 0;
    if (RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS &&
        bytes > 0) {
        std::wstring data(bytes / sizeof(wchar_t) + 2, L'\0');
        if (RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                             &bytes) == ERROR_SUCCESS) {
            // A multi-string whose empty strings are meaningful (an empty destination is a
            // deletion): split on every terminator up to the data's end.
            const size_t units = bytes / sizeof(wchar_t);
            size_t start = 0;
            for (size_t i = 0; i < units; ++i) {
                if (data[i] == 0) {
                    entries.emplace_back(data.data() + start, i - start);
                    start = i + 1;
                }
            }
            // The final terminator of the multi-string adds one empty entry too many.
            if (!entries.empty() && entries.size() % 2 == 1 && entries.back().empty()) entries.pop_back();
        }
    }
    RegCloseKey(key);
    return entries;
}

std::wstring ArtifactFolder() {
    wchar_t unixPath[MAX_PATH] = L"";
    const DWORD n = GetEnvironmentVariableW(L"KELNO_ARTIFACT_DIR", unixPath, MAX_PATH);
    std::wstring folder;
    if (n == 0 || n >= MAX_PATH) {
        folder = MakeTempFolder(L"artifacts");
    } else {
        // Wine maps the whole Unix file system to drive Z:.
        folder = L"Z:" + std::wstring(unixPath, n);
        for (auto& c : folder)
            if (c == L'/') c = L'\\';
    }
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    return folder;
}

bool SaveScreenshot(HWND window, const std::wstring& path) {
    RECT rect{};
    if (window) {
        if (!GetWindowRect(window, &rect)) return false;
    } else {
        rect = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return false;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up, as BMP files store rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (bitmap && memory) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        ok = BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY) != FALSE;
        SelectObject(memory, old);
        GdiFlush();
    }
    if (ok) {
        const DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) & ~3u);
        const DWORD imageSize = stride * static_cast<DWORD>(height);
        BITMAPFILEHEADER file{};
        file.bfType = 0x4D42;  // "BM"
        file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
        file.bfSize = file.bfOffBits + imageSize;
        std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
        bytes.append(reinterpret_cast<const char*>(&info.bmiHeader), sizeof(BITMAPINFOHEADER));
        bytes.append(static_cast<const char*>(bits), imageSize);
        ok = WriteFileBytes(path, bytes);
    }
    if (bitmap) DeleteObject(bitmap);
    if (memory) DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

std::string Narrow(const std::wstring& text) {
    if (text.empty()) return {};
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring Widen(const std::string& text) {
    if (text.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

}  // namespace kelno::test
