// usbonestep: program entry. Traces to the debugger output, takes its own folder as the
// package folder, checks the OpenMP runtime in the system directory, and ends.
#include <windows.h>

#include "engine/debug_output.h"
#include "engine/staging.h"
#include "engine/system_paths.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    try {
        kelno::DebugOut(L"usbonestep: start");
        kelno::InitProgramPackageFolder();
        kelno::CheckAndCopySystemFile(false);
        kelno::DebugOutF(L"usbonestep: package folder %ws", kelno::PackageFolder());
    } catch (...) {
    }
    return 0;
}
