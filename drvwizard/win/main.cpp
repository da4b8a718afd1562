// drvwizard: program entry. Opens the log, starts the Spooler when it is stopped, fixes the
// package folder, then either replaces the installed driver files ("/Upgrade", no window) or
// runs the wizard, and cleans up after it. The exit code is 0 in both modes.
#include <windows.h>
#include <setupapi.h>

#include <iterator>
#include <string>

#include "base/text.h"

#include "base/win/boundary.h"
#include "base/win/wide_text.h"
#include "common/win/log.h"
#include "discovery/win/network_discovery.h"
#include "drvwizard/win/wizard_pages.h"
#include "drvwizard/win/wizard_sheet.h"
#include "drvwizard/win/wizard_state.h"
#include "drvwizard/wizard_flow.h"
#include "engine/win/service_control.h"
#include "engine/win/staging.h"
#include "engine/win/system_paths.h"
#include "engine/win/upgrade.h"
#include "resources/drvwizard/resource_ids.h"

namespace kelno {
namespace {

void RunUpgradeMode() {
    wchar_t text[260], caption[64];
    LoadWizardText(IDS_DRIVER_IN_USE, text, static_cast<int>(std::size(text)));
    LoadWizardText(IDS_DRIVER_IN_USE_CAPTION, caption, static_cast<int>(std::size(caption)));
    RunUpgrade(UpgradeTexts{text, caption});
}

void RunWizardMode(HINSTANCE instance) {
    CollectLocalAddresses();
    OpenDiscoverySockets();

    WizardState state{};
    state.mode = kWizardModeInstall;
    state.uiLanguage = GetUserDefaultUILanguage();
    const std::wstring infPath = std::wstring(PackageFolder()) + L"\\kelnov6.inf";
    if (!CopyBounded(state.infPath, std::size(state.infPath), std::wstring_view(infPath))) state.infPath[0] = 0;

    RunWizardSheet(instance, state);

    // The discovery sockets with their receive threads, Winsock, the adapters' addresses.
    CloseDiscovery();
    FreeLocalAddresses();
    FreeWizardRequest(state);
    if (state.rebootRequested) SetupPromptReboot(nullptr, nullptr, FALSE);
}

}  // namespace
}  // namespace kelno

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    return kelno::Guarded("drvwizard", 0, [instance] {
        const std::string logPath = kelno::DefaultLogPath();
        if (!logPath.empty()) kelno::StartLog(logPath);
        kelno::CheckAndCopySystemFile();
        kelno::StartStoppedSpoolerAtStartup();
        kelno::InitWizardPackageFolder();
        if (kelno::HasUpgradeSwitch(kelno::U16View(GetCommandLineW()))) {
            kelno::RunUpgradeMode();
            return 0;
        }
        kelno::RunWizardMode(instance);
        kelno::EndLog();
        return 0;
    });
}
