// usbonestep: program entry. One instance per logon (a named mutex); reads its command line,
// starts the Spooler when it is stopped, and then either runs the uninstaller (-u, -DP), hands
// over to the uninstaller's temporary copy (when it runs as unins000.exe) or to the package's
// uninstaller (when the package is installed), or installs the printers it finds on USB: with
// its dialog, or without a window (/silence). Traces go to the debugger output only.
#include <windows.h>

#include "base/win/boundary.h"
#include "base/win/scoped.h"
#include "base/win/wide_text.h"
#include "common/win/debug_output.h"
#include "engine/driver_version.h"
#include "engine/win/printer_install.h"
#include "engine/win/service_control.h"
#include "engine/win/staging.h"
#include "engine/win/system_paths.h"
#include "usbonestep/onestep_rules.h"
#include "usbonestep/win/install_dialog.h"
#include "usbonestep/win/install_loop.h"
#include "usbonestep/win/install_start.h"
#include "usbonestep/win/uninstaller.h"

namespace kelno {
namespace {

// The mutex lives as long as the program; it is closed early only to let a program this one
// hands over to take it.
class InstanceMutex {
public:
    InstanceMutex() : handle_(CreateMutexW(nullptr, FALSE, kOneStepMutexName)), error_(GetLastError()) {}
    ~InstanceMutex() { Close(); }
    InstanceMutex(const InstanceMutex&) = delete;
    InstanceMutex& operator=(const InstanceMutex&) = delete;

    bool AnotherInstanceRuns() const { return handle_ && error_ == ERROR_ALREADY_EXISTS; }
    void Close() {
        if (!handle_) return;
        ReleaseMutex(handle_);
        CloseHandle(handle_);
        handle_ = nullptr;
    }

private:
    HANDLE handle_;
    DWORD error_;
};

int Run(HINSTANCE instance) {
    InstanceMutex mutex;
    if (mutex.AnotherInstanceRuns()) {
        DebugOut(L"usbonestep: another instance is running\r\n");
        return kExitOk;
    }

    const OneStepOptions options = ReadOneStepCommandLine();
    DebugOutF(L"usbonestep: uninstall %d, keep folder %d, silent %d, wait %d\r\n", options.uninstall ? 1 : 0,
              options.keepFolder ? 1 : 0, options.silent ? 1 : 0,
              options.waitLimited ? static_cast<int>(options.waitSeconds) : -1);
    if (options.waitInvalid) {
        DebugOut(L"usbonestep: /wait needs a number of seconds (/wait=<0-86400>)\r\n");
        return kExitInvalidArguments;
    }

    SetDriverVersionString(kOneStepDriverVersionString);
    StartStoppedSpoolerAtStartup();
    InitOneStepProgramFolder();
    DebugOutF(L"usbonestep: package folder %ws\r\n", OneStepProgramFolder());

    wchar_t program[MAX_PATH];
    const bool runsAsUninstaller = GetProgramPath(program) && IsUninstallerProgramPath(U16View(program));
    // The inventory is asked only when its answer decides something.
    const bool packageInstalled = !options.uninstall && !runsAsUninstaller && PackageIsInstalled();
    switch (ChooseStartAction(options, runsAsUninstaller, packageInstalled)) {
        case StartAction::uninstall: {
            const std::wstring folder =
                options.folder.empty() ? std::wstring(OneStepProgramFolder()) : WideString(options.folder);
            DebugOutF(L"usbonestep: uninstall folder %ws\r\n", folder.c_str());
            UninstallOptions uninstall{folder.c_str(), options.keepFolder, options.silent, options.starterHandles};
            const int code = RunUninstaller(instance, uninstall);
            mutex.Close();
            return code;
        }
        case StartAction::startUninstallCopy:
            // The uninstaller removes its own folder: it runs from a temporary copy. The copy takes
            // the mutex over, so it is closed before the start. Silent, this program ends with the
            // copy's exit code, which the copy sends before it moves this program's folder.
            mutex.Close();
            if (options.silent) return static_cast<int>(RunSilentUninstallCopy(OneStepProgramFolder()));
            StartUninstallCopy(OneStepProgramFolder(), false);
            return kExitOk;
        case StartAction::handOverToUninstaller:
            mutex.Close();
            StartPackageUninstaller(OneStepProgramFolder());
            return kExitOk;
        case StartAction::endAlreadyInstalled:
            DebugOut(L"usbonestep: the package is installed; nothing to do\r\n");
            return kExitAlreadyInstalled;
        case StartAction::installSilently:
        case StartAction::installWithDialog: break;
    }

    CheckAndCopySystemFile(false);
    const int code = options.silent ? RunInstallLoop(nullptr, options) : RunInstallDialog(instance, options);
    mutex.Close();
    return code;
}

}  // namespace
}  // namespace kelno

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    return kelno::Guarded("usbonestep", 0, [instance] { return kelno::Run(instance); });
}
