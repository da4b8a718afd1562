#include "drvwizard/wizard_flow.h"

#include "resources/drvwizard/resource_ids.h"

namespace kelno {

int StartPageIndex(bool supportedQueueInstalled) { return supportedQueueInstalled ? 1 : 2; }

std::uint32_t AgreementButtons(bool accepted) { return accepted ? kButtonsNext : kButtonsNone; }

int AgreementNext(std::int32_t noSupportedPrinter) { return noSupportedPrinter == 1 ? kInstallPage : kModePage; }

bool ModeHandsOver(std::int32_t mode) { return mode == kFlowUninstall; }

ModeNextStep ModeNext(std::int32_t mode, bool uninstallerStarted) {
    if (!ModeHandsOver(mode)) return {kInstallPage, false};
    if (uninstallerStarted) return {kStay, true};
    return {kUninstallPage, false};
}

int InstallBack(std::int32_t noSupportedPrinter) { return noSupportedPrinter ? kAgreementPage : kNeighbour; }

int UninstallNext(int selectedRows) { return selectedRows > 0 ? kResultPage : kStay; }

int ResultBack(std::int32_t mode) { return mode == kFlowInstall ? kInstallPage : kUninstallPage; }

unsigned ResultWaitLine(std::int32_t mode) {
    return mode == kFlowInstall ? IDS_INSTALLING_WAIT : IDS_UNINSTALLING_WAIT;
}

unsigned ResultFinalLine(std::int32_t mode, bool installSucceeded) {
    if (mode != kFlowInstall) return IDS_UNINSTALLATION_COMPLETE;
    return installSucceeded ? IDS_INSTALLATION_COMPLETE : IDS_INSTALL_FAILURE;
}

std::uint32_t ResultStatusColour(bool installSucceeded) { return installSucceeded ? 0x00FF0000u : 0x000000FFu; }

bool HasUpgradeSwitch(std::u16string_view commandLine) {
    return commandLine.find(u"/Upgrade") != std::u16string_view::npos;
}

}  // namespace kelno
