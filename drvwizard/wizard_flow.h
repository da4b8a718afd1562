#pragma once
// The setup wizard's page flow: which page starts the sheet, where Next and Back lead from each
// page, which wizard buttons a page offers, which lines and colours the result page shows, the
// command-line switch of upgrade mode, and the result page's one-run-at-a-time rule. The window
// procedures in win/ only move values between these rules and their controls.
#include <cstdint>
#include <string_view>

namespace kelno {

// Dialog templates of the six pages, in sheet order.
inline constexpr int kAgreementPage = 134;
inline constexpr int kModePage = 129;
inline constexpr int kInstallPage = 131;
inline constexpr int kDriverListPage = 136;
inline constexpr int kUninstallPage = 132;
inline constexpr int kResultPage = 135;
inline constexpr int kWizardPageOrder[] = {kAgreementPage,  kModePage,      kInstallPage,
                                           kDriverListPage, kUninstallPage, kResultPage};

// The wizard's modes (WizardState::mode).
inline constexpr std::int32_t kFlowInstall = 1;
inline constexpr std::int32_t kFlowUninstall = 2;

// Wizard-button values sent with PSM_SETWIZBUTTONS (PSWIZB_* combinations).
inline constexpr std::uint32_t kButtonsBack = 1;
inline constexpr std::uint32_t kButtonsNext = 2;
inline constexpr std::uint32_t kButtonsBackNext = 3;
inline constexpr std::uint32_t kButtonsBackFinish = 5;
inline constexpr std::uint32_t kButtonsFinishDisabled = 8;
inline constexpr std::uint32_t kButtonsNone = 0x10;

// A page's answer to Next or Back: the dialog id to go to, kStay to keep the page, or
// kNeighbour to let the sheet take the neighbouring page.
inline constexpr int kStay = -1;
inline constexpr int kNeighbour = 0;

// Index of the first page: the mode page when a queue of a supported model is installed,
// else the install page.
int StartPageIndex(bool supportedQueueInstalled);

// Agreement page: Next only while "I accept the agreement" is checked.
std::uint32_t AgreementButtons(bool accepted);
// Agreement page Next: straight to the install page when no supported queue was found.
int AgreementNext(std::int32_t noSupportedPrinter);

// Mode page Next. Uninstall with the package's uninstaller started: the wizard closes (the
// page stays until it is gone); uninstall without it: the built-in uninstall page.
struct ModeNextStep {
    int page;          // dialog id, or kStay
    bool closeWizard;  // the uninstaller has taken over
};
ModeNextStep ModeNext(std::int32_t mode, bool uninstallerStarted);
// Whether the mode page tries to start the package's uninstaller on Next.
bool ModeHandsOver(std::int32_t mode);

// Install page Back: the agreement page when no supported queue was found, else the sheet's
// neighbour (the mode page).
int InstallBack(std::int32_t noSupportedPrinter);

// Uninstall page Next: the result page with at least one queue selected, else stay.
int UninstallNext(int selectedRows);

// Result page Back: the page that filled the request.
int ResultBack(std::int32_t mode);

// The result page's texts (string ids) and colours.
unsigned ResultWaitLine(std::int32_t mode);                          // first line of a run
unsigned ResultFinalLine(std::int32_t mode, bool installSucceeded);  // line after the run
// 0x00BBGGRR: blue when the install succeeded, red otherwise.
std::uint32_t ResultStatusColour(bool installSucceeded);

// Upgrade mode: "/Upgrade" anywhere in the command line, case-sensitive.
bool HasUpgradeSwitch(std::u16string_view commandLine);

// The result page's worker runs one at a time: TryStart is true only when no run is active,
// and marks one; Finish ends it.
class ResultRun {
public:
    bool TryStart() {
        if (active_) return false;
        active_ = true;
        return true;
    }
    void Finish() { active_ = false; }
    bool Active() const { return active_; }

private:
    bool active_ = false;
};

}  // namespace kelno
