#pragma once
// Helpers for the Windows tests. They run inside the throwaway prefix of scripts/wine-run.
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kelno::test {

// Collects what this process and the programs it starts write with OutputDebugString while
// the object lives (the debugger-output buffer "DBWIN_BUFFER" that debug viewers read).
// Only one may exist at a time.
class DebugOutputCapture {
public:
    DebugOutputCapture();
    ~DebugOutputCapture();
    DebugOutputCapture(const DebugOutputCapture&) = delete;
    DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;

    // Messages received so far, in order, each as written (trailing line breaks removed).
    std::vector<std::wstring> Messages();
    // Messages containing the text.
    std::vector<std::wstring> MessagesContaining(const std::wstring& text);
    // Waits until a message containing the text has arrived.
    bool WaitFor(const std::wstring& text, std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Lets messages still in flight arrive (OutputDebugString returns before the reader copies).
    void Settle(std::chrono::milliseconds quiet = std::chrono::milliseconds(200));
    void Clear();

private:
    void Run();
    HANDLE mapping_ = nullptr, bufferReady_ = nullptr, dataReady_ = nullptr, stop_ = nullptr;
    const char* view_ = nullptr;
    std::thread reader_;
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<std::wstring> messages_;
    std::chrono::steady_clock::time_point last_;
};

struct RunResult {
    bool started = false;   // CreateProcessW succeeded
    bool finished = false;  // ended within the timeout (else it was terminated)
    DWORD exitCode = 0;
};

// Starts a program (command line = quoted path + " " + arguments) and waits for it.
RunResult RunProgram(const std::wstring& program, const std::wstring& arguments = L"",
                     const std::wstring& workingDirectory = L"", DWORD timeoutMs = 120000);

// Folder of the running test program (its build folder, seen through drive Z:).
std::wstring TestProgramFolder();
// "C:\Program Files (x86)\Tavolen printer driver for windows" as the wizard computes it.
std::wstring PackageFolderPath();
// A new empty folder under the prefix's temporary folder.
std::wstring MakeTempFolder(const std::wstring& stem);

bool FileExists(const std::wstring& path);
std::string ReadFileBytes(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
// Lines of a text file without their line ends.
std::vector<std::string> ReadLines(const std::wstring& path);
std::wstring JoinPath(const std::wstring& a, const std::wstring& b);

// Entries of HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\PendingFileRenameOperations
// (pairs of source and destination, destination empty for a deletion).
std::vector<std::wstring> PendingFileRenameOperations();

// Folder for files a test leaves behind for people to look at (screenshots): the build tree's
// "artifacts" folder, seen through drive Z:; created on first use.
std::wstring ArtifactFolder();
// Captures the window (or, with nullptr, the whole screen) as a 24-bit BMP file.
bool SaveScreenshot(HWND window, const std::wstring& path);

std::string Narrow(const std::wstring& text);  // UTF-8
std::wstring Widen(const std::string& text);   // from UTF-8

}  // namespace kelno::test
