// The uninstaller inside a program of the tests' own, with usbonestep's resources: it takes
// "-u <folder>", "-DP" and "/silence" as usbonestep does and runs the uninstaller with them, so
// the tests can start it as a separate process the way the package's programs start it.
#include <windows.h>
#include <shellapi.h>

#include "usbonestep/win/uninstaller.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
    kelno::UninstallOptions options{L"", false, false};
    for (int i = 1; args && i < count; ++i) {
        if (lstrcmpiW(args[i], L"-u") == 0 && i + 1 < count) {
            options.programFolder = args[++i];
        } else if (lstrcmpiW(args[i], L"-DP") == 0) {
            options.keepFolder = true;
        } else if (lstrcmpiW(args[i], L"/silence") == 0) {
            options.silent = true;
        }
    }
    const int code = kelno::RunUninstaller(instance, options);
    LocalFree(args);
    return code;
}
