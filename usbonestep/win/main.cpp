// usbonestep: program entry. Traces to the debugger output, registers drivers under its own
// driver version, starts the Spooler when it is stopped, takes its own folder as the package
// folder, checks the OpenMP runtime in the system directory, and ends.
#include <windows.h>

#include "base/win/boundary.h"
#include "common/win/debug_output.h"
#include "engine/driver_version.h"
#include "engine/win/printer_install.h"
#include "engine/win/service_control.h"
#include "engine/win/staging.h"
#include "engine/win/system_paths.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return kelno::Guarded("usbonestep", 0, [] {
        kelno::DebugOut(L"usbonestep: start");
        kelno::SetDriverVersionString(kelno::kOneStepDriverVersionString);
        kelno::StartStoppedSpoolerAtStartup();
        kelno::InitProgramPackageFolder();
        kelno::CheckAndCopySystemFile(false);
        kelno::DebugOutF(L"usbonestep: package folder %ws", kelno::PackageFolder());
        return 0;
    });
}
