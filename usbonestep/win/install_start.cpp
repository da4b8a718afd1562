#include "usbonestep/win/install_start.h"

#include <shellapi.h>
#include <strsafe.h>

#include <string>
#include <vector>

#include "base/win/scoped.h"
#include "base/win/wide_text.h"
#include "common/win/debug_output.h"
#include "engine/win/system_paths.h"
#include "usbonestep/uninstall_removal.h"
#include "usbonestep/win/uninstall_handover.h"

namespace kelno {
namespace {

wchar_t g_programFolder[MAX_PATH];

// CreateProcessW may write into the command line it is given.
bool StartProgram(std::u16string commandLine) {
    std::wstring line = WideString(commandLine);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        DebugOutF(L"Start %ws failed, errcode:%d.\r\n", line.c_str(), static_cast<int>(GetLastError()));
        return false;
    }
    DebugOutF(L"Started %ws, process %u.\r\n", line.c_str(), static_cast<unsigned>(process.dwProcessId));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

}  // namespace

OneStepOptions ReadOneStepCommandLine() {
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!argv) return {};
    std::vector<std::u16string_view> arguments;
    for (int i = 1; i < count; ++i) arguments.push_back(U16View(argv[i]));
    OneStepOptions options = ParseOneStepCommandLine(arguments);
    LocalFree(argv);
    return options;
}

bool GetProgramPath(wchar_t (&out)[MAX_PATH]) {
    const DWORD n = GetModuleFileNameW(nullptr, out, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        out[0] = 0;
        return false;
    }
    return true;
}

void InitOneStepProgramFolder() {
    wchar_t path[MAX_PATH];
    g_programFolder[0] = 0;
    if (GetProgramPath(path)) {
        const std::u16string folder = ProgramFolderOf(U16View(path));
        StringCchCopyW(g_programFolder, MAX_PATH, WidePtr(folder));
    }
    InitProgramPackageFolder();
}

const wchar_t* OneStepProgramFolder() { return g_programFolder; }

void SetOneStepProgramFolder(const wchar_t* folder) {
    StringCchCopyW(g_programFolder, MAX_PATH, folder ? folder : L"");
    std::wstring package(g_programFolder);
    while (!package.empty() && (package.back() == L'\\' || package.back() == L'/')) package.pop_back();
    SetPackageFolder(package.c_str());
}

bool OneStepInfPath(wchar_t (&out)[MAX_PATH]) {
    return SUCCEEDED(StringCchPrintfW(out, MAX_PATH, L"%ws%ws", g_programFolder, L"kelnov6.inf"));
}

namespace {

// Copies the running program to a new temporary file ("unins" prefix).
bool MakeUninstallCopy(wchar_t (&copy)[MAX_PATH]) {
    wchar_t program[MAX_PATH], tempFolder[MAX_PATH];
    if (!GetProgramPath(program)) return false;
    const DWORD n = GetTempPathW(MAX_PATH, tempFolder);
    if (n == 0 || n >= MAX_PATH) return false;
    if (!GetTempFileNameW(tempFolder, L"unins", 0, copy)) {
        DebugOutF(L"GetTempFileName failed, errcode:%d.\r\n", static_cast<int>(GetLastError()));
        return false;
    }
    if (!CopyFileW(program, copy, FALSE)) {
        DebugOutF(L"CopyFile %ws to %ws failed, errcode:%d.\r\n", program, copy, static_cast<int>(GetLastError()));
        DeleteFileW(copy);
        return false;
    }
    return true;
}

}  // namespace

bool StartUninstallCopy(const wchar_t* folder, bool silent) {
    wchar_t copy[MAX_PATH];
    return MakeUninstallCopy(copy) && StartProgram(UninstallCopyCommandLine(U16View(copy), U16View(folder), silent));
}

std::uint32_t RunSilentUninstallCopy(const wchar_t* folder) {
    wchar_t copy[MAX_PATH];
    if (!MakeUninstallCopy(copy)) return static_cast<std::uint32_t>(SilentExitCode::outcomeUnknown);
    return RunUninstallCopyForCode(copy, folder);
}

bool StartPackageUninstaller(const wchar_t* programFolder) {
    return StartProgram(PackageUninstallerCommandLine(U16View(programFolder)));
}

}  // namespace kelno
