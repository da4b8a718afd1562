// The setup wizard's page flow: start page, Next and Back of each page, the result page's lines
// and colours, the one-run rule and the upgrade switch.
#include <gtest/gtest.h>

#include <string>

#include "drvwizard/wizard_flow.h"

namespace kelno {
namespace {

TEST(WizardFlow, StartsOnTheModePageOnlyWithASupportedQueue) {
    EXPECT_EQ(kWizardPageOrder[StartPageIndex(true)], kModePage);
    EXPECT_EQ(kWizardPageOrder[StartPageIndex(false)], kInstallPage);
}

TEST(WizardFlow, AgreementOffersNextOnlyWhenAccepted) {
    EXPECT_TRUE(AgreementButtons(true) & kButtonsNext);
    EXPECT_FALSE(AgreementButtons(false) & kButtonsNext);
    EXPECT_FALSE(AgreementButtons(false) & kButtonsBack);
}

TEST(WizardFlow, AgreementAndInstallPageFollowTheSupportedQueueCheck) {
    struct Case {
        std::int32_t noSupportedPrinter;
        int agreementNext, installBack;
    };
    for (const Case& c : {Case{1, kInstallPage, kAgreementPage}, Case{0, kModePage, kNeighbour}}) {
        EXPECT_EQ(AgreementNext(c.noSupportedPrinter), c.agreementNext) << c.noSupportedPrinter;
        EXPECT_EQ(InstallBack(c.noSupportedPrinter), c.installBack) << c.noSupportedPrinter;
    }
}

TEST(WizardFlow, ModePageHandsOverOrFallsBack) {
    struct Case {
        std::int32_t mode;
        bool started;
        int page;
        bool close;
    };
    const Case cases[] = {
        {kFlowInstall, false, kInstallPage, false},
        // Install never starts the uninstaller, so "started" cannot close the wizard.
        {kFlowInstall, true, kInstallPage, false},
        {kFlowUninstall, true, kStay, true},
        {kFlowUninstall, false, kUninstallPage, false},
    };
    for (const Case& c : cases) {
        const ModeNextStep step = ModeNext(c.mode, c.started);
        EXPECT_EQ(step.page, c.page) << c.mode << " " << c.started;
        EXPECT_EQ(step.closeWizard, c.close) << c.mode << " " << c.started;
    }
    EXPECT_FALSE(ModeHandsOver(kFlowInstall));
    EXPECT_TRUE(ModeHandsOver(kFlowUninstall));
}

TEST(WizardFlow, UninstallNextNeedsASelection) {
    EXPECT_EQ(UninstallNext(0), kStay);
    EXPECT_EQ(UninstallNext(-1), kStay);
    EXPECT_EQ(UninstallNext(1), kResultPage);
    EXPECT_EQ(UninstallNext(7), kResultPage);
}

TEST(WizardFlow, ResultPageGoesBackToThePageThatFilledTheRequest) {
    EXPECT_EQ(ResultBack(kFlowInstall), kInstallPage);
    EXPECT_EQ(ResultBack(kFlowUninstall), kUninstallPage);
}

TEST(WizardFlow, ResultLinesFollowModeAndOutcome) {
    EXPECT_NE(ResultWaitLine(kFlowInstall), ResultWaitLine(kFlowUninstall));
    EXPECT_NE(ResultFinalLine(kFlowInstall, true), ResultFinalLine(kFlowInstall, false));
    // A removal's last line does not depend on the install outcome of an earlier run.
    EXPECT_EQ(ResultFinalLine(kFlowUninstall, true), ResultFinalLine(kFlowUninstall, false));
    EXPECT_NE(ResultFinalLine(kFlowUninstall, true), ResultFinalLine(kFlowInstall, true));
}

TEST(WizardFlow, StatusColourIsBlueForSuccessAndRedOtherwise) {
    // 0x00BBGGRR
    EXPECT_EQ(ResultStatusColour(true) & 0xFFFF, 0u);
    EXPECT_EQ(ResultStatusColour(true) >> 16, 0xFFu);
    EXPECT_EQ(ResultStatusColour(false), 0xFFu);
}

TEST(WizardFlow, OneResultRunAtATime) {
    ResultRun run;
    EXPECT_TRUE(run.TryStart());
    EXPECT_FALSE(run.TryStart());
    EXPECT_TRUE(run.Active());
    run.Finish();
    EXPECT_FALSE(run.Active());
    EXPECT_TRUE(run.TryStart());
}

TEST(WizardFlow, UpgradeSwitchIsACaseSensitiveSubstring) {
    struct Case {
        const char16_t* commandLine;
        bool upgrade;
    };
    const Case cases[] = {
        {u"\"C:\\Program Files (x86)\\Tavolen printer driver for windows\\drvwizard.exe\" /Upgrade", true},
        {u"drvwizard.exe /upgrade", false},
        {u"drvwizard.exe /UPGRADE", false},
        {u"drvwizard.exe x/Upgradex", true},
        {u"drvwizard.exe", false},
        {u"", false},
        {u"/Upgrad", false},
        {u"/Upgrade", true},
    };
    for (const Case& c : cases) EXPECT_EQ(HasUpgradeSwitch(c.commandLine), c.upgrade);
}

}  // namespace
}  // namespace kelno
