// drvwizard: program entry. Opens the log, fixes the package folder, checks the OpenMP
// runtime in the system directory, and ends.
#include <windows.h>

#include "engine/log.h"
#include "engine/staging.h"
#include "engine/system_paths.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    try {
        const std::string logPath = kelno::DefaultLogPath();
        if (!logPath.empty()) kelno::StartLog(logPath);
        kelno::InitWizardPackageFolder();
        kelno::CheckAndCopySystemFile();
        kelno::EndLog();
    } catch (...) {
        // Nothing may escape the program entry; the log says how far it came.
    }
    return 0;
}
