// drvwizard: program entry. Opens the log, starts the Spooler when it is stopped, fixes the
// package folder, checks the OpenMP runtime in the system directory, and ends.
#include <windows.h>

#include "base/win/boundary.h"
#include "common/win/log.h"
#include "engine/win/service_control.h"
#include "engine/win/staging.h"
#include "engine/win/system_paths.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return kelno::Guarded("drvwizard", 0, [] {
        const std::string logPath = kelno::DefaultLogPath();
        if (!logPath.empty()) kelno::StartLog(logPath);
        kelno::StartStoppedSpoolerAtStartup();
        kelno::InitWizardPackageFolder();
        kelno::CheckAndCopySystemFile();
        kelno::EndLog();
        return 0;
    });
}
