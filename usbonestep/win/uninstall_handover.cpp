#include "usbonestep/win/uninstall_handover.h"

#include <optional>
#include <string>
#include <vector>

#include "base/win/wide_text.h"
#include "common/win/debug_output.h"
#include "usbonestep/uninstall_removal.h"

namespace kelno {
namespace {

constexpr DWORD kPollMs = 100;
// After the pipe broke without a code: how long the copy is given to end.
constexpr DWORD kCopyEndWaitMs = 5000;

std::uint32_t HandleValue(HANDLE handle) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(handle));
}
HANDLE ValueHandle(std::uint32_t value) { return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(value)); }

// The attribute list that lets the copy inherit only the given handles.
class InheritOnly {
public:
    InheritOnly(HANDLE* handles, std::size_t count) {
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        if (size == 0) return;
        buffer_.resize(size);
        auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(buffer_.data());
        if (!InitializeProcThreadAttributeList(list, 1, 0, &size)) return;
        if (!UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles, count * sizeof(HANDLE),
                                       nullptr, nullptr)) {
            DeleteProcThreadAttributeList(list);
            return;
        }
        list_ = list;
    }
    ~InheritOnly() {
        if (list_) DeleteProcThreadAttributeList(list_);
    }
    InheritOnly(const InheritOnly&) = delete;
    InheritOnly& operator=(const InheritOnly&) = delete;

    LPPROC_THREAD_ATTRIBUTE_LIST get() const { return list_; }

private:
    std::vector<unsigned char> buffer_;
    LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

// Without an attribute list every inheritable handle goes to the copy: the standard handles this
// program may have inherited itself are the only others, and they stay here.
void KeepStandardHandles() {
    for (DWORD which : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
        const HANDLE handle = GetStdHandle(which);
        if (handle && handle != INVALID_HANDLE_VALUE) SetHandleInformation(handle, HANDLE_FLAG_INHERIT, 0);
    }
}

enum class PipeState { empty, code, closed };

// The code once all its 4 bytes are in the pipe; closed when the writer is gone first.
PipeState PeekCode(HANDLE pipe, std::uint32_t& code) {
    DWORD available = 0;
    if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) return PipeState::closed;
    if (available < sizeof code) return PipeState::empty;
    DWORD read = 0;
    if (!ReadFile(pipe, &code, sizeof code, &read, nullptr) || read != sizeof code) return PipeState::closed;
    return PipeState::code;
}

}  // namespace

std::uint32_t RunUninstallCopyForCode(const wchar_t* copyPath, const wchar_t* folder) {
    ScopedHandle read, write, self;
    if (!CreatePipe(read.receive(), write.receive(), nullptr, 0) ||
        !SetHandleInformation(write.get(), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT) ||
        !DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), self.receive(),
                         SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, TRUE, 0)) {
        DebugOutF(L"Uninstall: no pipe for the exit code, errcode:%d.\r\n", static_cast<int>(GetLastError()));
        return StarterExitCode(std::nullopt, std::nullopt);
    }
    const StarterHandles handles{HandleValue(write.get()), HandleValue(self.get())};
    std::wstring line = WideString(UninstallCopyCommandLine(U16View(copyPath), U16View(folder), true, handles));

    HANDLE inherited[] = {write.get(), self.get()};
    const InheritOnly only(inherited, std::size(inherited));
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = only.get() ? sizeof startup : sizeof startup.StartupInfo;
    startup.lpAttributeList = only.get();
    if (!only.get()) KeepStandardHandles();
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, only.get() ? EXTENDED_STARTUPINFO_PRESENT : 0,
                        nullptr, nullptr, &startup.StartupInfo, &process)) {
        DebugOutF(L"Start %ws failed, errcode:%d.\r\n", line.c_str(), static_cast<int>(GetLastError()));
        return StarterExitCode(std::nullopt, std::nullopt);
    }
    DebugOutF(L"Started %ws, process %u.\r\n", line.c_str(), static_cast<unsigned>(process.dwProcessId));
    DebugOutF(L"Uninstall: the copy inherits %ws\r\n",
              only.get() ? L"only the pipe and this process" : L"every inheritable handle (no handle list)");
    CloseHandle(process.hThread);
    const ScopedHandle copy(process.hProcess);
    // The copy holds the only write end now: the pipe breaks when it ends.
    write.reset();
    self.reset();

    std::optional<std::uint32_t> sent;
    bool copyEnded = false;
    const ULONGLONG deadline = GetTickCount64() + kCopyCodeWaitMs;
    for (;;) {
        std::uint32_t code = 0;
        const PipeState state = PeekCode(read.get(), code);
        if (state == PipeState::code) sent = code;
        // Ended with nothing left in the pipe (looked at after its end), or out of time.
        if (state != PipeState::empty || copyEnded || GetTickCount64() >= deadline) break;
        copyEnded = WaitForSingleObject(copy.get(), kPollMs) == WAIT_OBJECT_0;
    }
    std::optional<std::uint32_t> copyExit;
    DWORD exitCode = 0;
    if (!sent && WaitForSingleObject(copy.get(), kCopyEndWaitMs) == WAIT_OBJECT_0 &&
        GetExitCodeProcess(copy.get(), &exitCode))
        copyExit = exitCode;
    const std::uint32_t code = StarterExitCode(sent, copyExit);
    DebugOutF(L"Uninstall: the copy sent %ws, its exit code %ws; unins000.exe ends with %u\r\n",
              sent ? std::to_wstring(*sent).c_str() : L"no code",
              copyExit ? std::to_wstring(*copyExit).c_str() : L"none", static_cast<unsigned>(code));
    return code;
}

StarterLink::StarterLink(const StarterHandles& handles) {
    if (!handles.Given()) return;
    const HANDLE pipe = ValueHandle(handles.codePipe);
    const HANDLE starter = ValueHandle(handles.starter);
    const DWORD starterId = GetProcessId(starter);
    if (GetFileType(pipe) != FILE_TYPE_PIPE || starterId == 0 || starterId == GetCurrentProcessId()) {
        DebugOutF(L"Uninstall: /codepipe=%u /starter=%u are no handles of a starting unins000.exe; ignored\r\n",
                  static_cast<unsigned>(handles.codePipe), static_cast<unsigned>(handles.starter));
        return;
    }
    SetHandleInformation(pipe, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(starter, HANDLE_FLAG_INHERIT, 0);
    pipe_.reset(pipe);
    starter_.reset(starter);
    linked_ = true;
}

void StarterLink::SendCodeAndWaitForStarterEnd(int code) {
    if (!pipe_) return;
    const std::uint32_t value = static_cast<std::uint32_t>(code);
    DWORD written = 0;
    const bool sent = WriteFile(pipe_.get(), &value, sizeof value, &written, nullptr) && written == sizeof value;
    const DWORD error = sent ? 0 : GetLastError();
    pipe_.reset();
    DebugOutF(L"Uninstall: exit code %d sent to unins000.exe: %d, errcode:%d", code, sent ? 1 : 0,
              static_cast<int>(error));
    const bool ended = WaitForSingleObject(starter_.get(), kStarterEndWaitMs) == WAIT_OBJECT_0;
    starter_.reset();
    DebugOutF(L"Uninstall: unins000.exe %ws", ended ? L"has ended" : L"still runs; the folder may not move");
}

}  // namespace kelno
