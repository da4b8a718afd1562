// The real setup wizard (drvwizard.exe of the package) driven from this program on the private
// display, inside the private network namespace (the wizard opens its discovery sockets): the
// start page, the agreement and mode pages, the hand-over to the package's uninstaller, the
// built-in uninstall page with the removal through the result page's worker, the result page's
// texts and colours and its one-run rule, and screenshots of the pages in four languages.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "drvwizard/win/wizard_messages.h"
#include "drvwizard/wizard_flow.h"
#include "resources/drvwizard/resource_ids.h"
#include "engine/win/tcpip_port.h"
#include "tests/support/spooler.h"
#include "tests/support/tcpip_monitor.h"
#include "tests/support/wine_test_support.h"
#include "tests/support/wizard_window.h"

namespace kelno::test {
namespace {

constexpr wchar_t kSupportedDriver[] = L"Tavolen MX-410";
constexpr wchar_t kOtherSupportedDriver[] = L"Tavolen MX-420";

// The prefix's queues and drivers of the wizard tests, removed again before and after each test.
class Wizard : public testing::Test {
protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }

    static void Clean() {
        for (const wchar_t* queue : {L"Label A", L"Label B", L"Office"}) DeleteQueue(queue);
        for (const wchar_t* driver : {kSupportedDriver, kOtherSupportedDriver, L"Office Driver"}) DeleteDriver(driver);
    }

    // A copy of the wizard alone in a folder of its own, optionally with a stand-in
    // "unins000.exe" beside it (Wine's hostname.exe: it starts and ends by itself).
    static std::wstring LoneWizard(bool withUninstaller) {
        const std::wstring folder = MakeTempFolder(L"lone");
        const std::wstring program = JoinPath(folder, L"drvwizard.exe");
        EXPECT_TRUE(CopyFileW(JoinPath(PackageFolderPath(), L"drvwizard.exe").c_str(), program.c_str(), FALSE));
        if (withUninstaller) {
            EXPECT_TRUE(CopyFileW(JoinPath(SystemDirectory(), L"hostname.exe").c_str(),
                                  JoinPath(folder, L"unins000.exe").c_str(), FALSE));
        }
        return program;
    }
};

// Answers the program's message boxes until the result page shows the final text: "OK" for
// notices, "No" for questions (never a reboot). The texts of the boxes, in order.
std::vector<std::wstring> AnswerBoxesUntilDone(WizardWindow& wizard, const std::wstring& finalText) {
    std::vector<std::wstring> boxes;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 120000) {
        if (wizard.Text(IDC_RESULT_TEXT).find(finalText) != std::wstring::npos) break;
        if (const auto box = wizard.WaitForMessageBox(200)) {
            boxes.push_back(box->text);
            WizardWindow::AnswerMessageBox(*box, GetDlgItem(box->window, IDNO) ? IDNO : IDOK);
            Sleep(200);
        }
    }
    return boxes;
}

int CountOf(const std::wstring& text, const std::wstring& part) {
    int count = 0;
    for (std::size_t at = text.find(part); at != std::wstring::npos; at = text.find(part, at + part.size())) ++count;
    return count;
}

TEST_F(Wizard, OpensOnTheInstallPageWithoutASupportedQueue) {
    WizardWindow wizard;
    ASSERT_TRUE(wizard.Started());
    ASSERT_NE(wizard.WaitForSheet(), nullptr);
    EXPECT_TRUE(wizard.WaitForPage(kInstallPage));
    // Back from there: the mode page (the agreement page has not been shown yet).
    EXPECT_TRUE(wizard.BackTo(kModePage));
    wizard.PressButton(PSBTN_CANCEL);
    EXPECT_EQ(wizard.WaitForExit(), 0u);
}

TEST_F(Wizard, LowerCaseUpgradeSwitchStartsTheWizard) {
    WizardWindow wizard(WizardLaunch::Arguments(L"/upgrade"));
    ASSERT_NE(wizard.WaitForSheet(), nullptr);
    EXPECT_TRUE(wizard.WaitForPage(kInstallPage));
    wizard.PressButton(PSBTN_CANCEL);
    EXPECT_EQ(wizard.WaitForExit(), 0u);
}

TEST_F(Wizard, OpensOnTheModePageWithASupportedQueueAndTheAgreementGatesNext) {
    ASSERT_TRUE(AddPackageQueue(L"Label A", kSupportedDriver)) << GetLastError();
    ASSERT_TRUE(AddPackageQueue(L"Office", kOtherSupportedDriver)) << GetLastError();
    WizardWindow wizard;
    ASSERT_NE(wizard.WaitForSheet(), nullptr);
    ASSERT_TRUE(wizard.WaitForPage(kModePage));
    EXPECT_TRUE(wizard.Checked(IDC_MODE_INSTALL));
    EXPECT_FALSE(wizard.Visible(IDC_MODE_RESTART_NOTICE));

    ASSERT_TRUE(wizard.BackTo(kAgreementPage));
    EXPECT_TRUE(wizard.Checked(IDC_AGREEMENT_DECLINE));
    EXPECT_TRUE(wizard.WaitForSheetButton(kSheetNextButton, false));
    EXPECT_FALSE(wizard.Text(IDC_AGREEMENT_TEXT).empty());
    ASSERT_TRUE(wizard.Click(IDC_AGREEMENT_ACCEPT));
    EXPECT_TRUE(wizard.WaitForSheetButton(kSheetNextButton, true));
    ASSERT_TRUE(wizard.Click(IDC_AGREEMENT_DECLINE));
    EXPECT_TRUE(wizard.WaitForSheetButton(kSheetNextButton, false));
    ASSERT_TRUE(wizard.Click(IDC_AGREEMENT_ACCEPT));
    // A supported queue exists: Next leads to the mode page.
    EXPECT_TRUE(wizard.NextTo(kModePage));
    wizard.PressButton(PSBTN_CANCEL);
    EXPECT_EQ(wizard.WaitForExit(), 0u);
}

TEST_F(Wizard, AgreementLeadsToTheInstallPageWithoutASupportedQueue) {
    WizardWindow wizard;
    ASSERT_NE(wizard.WaitForSheet(), nullptr);
    ASSERT_TRUE(wizard.WaitForPage(kInstallPage));
    ASSERT_TRUE(wizard.BackTo(kModePage));
    ASSERT_TRUE(wizard.BackTo(kAgreementPage));
    ASSERT_TRUE(wizard.Click(IDC_AGREEMENT_ACCEPT));
    EXPECT_TRUE(wizard.NextTo(kInstallPage));
    wizard.PressButton(PSBTN_CANCEL);
    EXPECT_EQ(wizard.WaitForExit(), 0u);
}

TEST_F(Wizard, UninstallHandsOverToThePackageUninstallerAndCloses) {
    ASSERT_TRUE(AddPackageQueue(L"Label A", kSupportedDriver)) << GetLastError();
    WizardWindow wizard(WizardLaunch::Program(LoneWizard(true)));
    ASSERT_NE(wizard.WaitForSheet(), nullptr);
    ASSERT_TRUE(wizard.WaitForPage(kModePage));
    ASSERT_TRUE(wizard.Click(IDC_MODE_UNINSTALL));
    wizard.PressButton(PSBTN_NEXT);
    EXPECT_EQ(wizard.WaitForExit(), 0u);
    const std::vector<std::string> log = wizard.LogLines();
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const std::string& line) {
        return line.find("uninstaller started") != std::string::npos;
    }));
    // Nothing was removed by the wizard itself.
    EXPECT_TRUE(QueueExists(L"Label A"));
}

TEST_F(Wizard, UninstallPageRemovesTheSelectedQueuesWithTheirPortsAndDrivers) {
    // "Label A" prints to a standard TCP/IP port (the stand-in monitor keeps it).
    InstallTcpIpMonitor();
    ASSERT_TRUE(AddStandardTcpIpPort(ResultPage::SinkFor(nullptr), L"10.1.1.7", L"10.1.1.7", 9100));
    ASSERT_TRUE(ReadStoredPort(L"10.1.1.7").exists);
    ASSERT_TRUE(AddPackageQueue(L"Label A", kSupportedDriver, L"10.1.1.7")) << GetLastError();
    ASSERT_TRUE(AddPackageQueue(L"Label B", kSupportedDriver)) << GetLastError();
    ASSERT_TRUE(AddPackageQueue(L"Office", kOtherSupportedDriver)) << GetLastError();
    WizardWindow wizard(WizardLaunch::Program(LoneWizard(false)));
    ASSERT_NE(wizard.WaitForSheet(), nullptr);
    ASSERT_TRUE(wizard.WaitForPage(kModePage));
    ASSERT_TRUE(wizard.Click(IDC_MODE_UNINSTALL));
    ASSERT_TRUE(wizard.NextTo(kUninstallPage));

    // Every local queue, with its driver and port; the options' start states.
    const auto rows = wizard.ListRows(IDC_PAGE_LIST, 3);
    EXPECT_EQ(static_cast<int>(rows.size()), QueueCount());
    for (const wchar_t* queue : {L"Label A", L"Label B", L"Office"})
        EXPECT_NE(std::find_if(rows.begin(), rows.end(), [&](const auto& row) { return row[0] == queue; }), rows.end());
    const auto labelB = std::find_if(rows.begin(), rows.end(), [](const auto& row) { return row[0] == L"Label B"; });
    ASSERT_NE(labelB, rows.end());
    EXPECT_EQ((*labelB)[1], kSupportedDriver);
    EXPECT_EQ((*labelB)[2], L"FILE:");
    EXPECT_TRUE(wizard.Checked(IDC_UNINSTALL_DELETE_PRINTER));
    EXPECT_FALSE(wizard.Enabled(IDC_UNINSTALL_DELETE_PRINTER));
    wizard.Click(IDC_UNINSTALL_DELETE_PRINTER);  // cannot be cleared
    EXPECT_TRUE(wizard.Checked(IDC_UNINSTALL_DELETE_PRINTER));
    EXPECT_TRUE(wizard.Checked(IDC_UNINSTALL_REMOVE_DRIVER));
    EXPECT_TRUE(wizard.Checked(IDC_UNINSTALL_DELETE_PORT));
    EXPECT_FALSE(wizard.Checked(IDC_UNINSTALL_REMOVE_PACKAGE));

    // Next without a selection keeps the page.
    wizard.PressButton(PSBTN_NEXT);
    Sleep(500);
    EXPECT_EQ(wizard.CurrentPageId(), kUninstallPage);

    // Remove "Label A" and "Label B" with their driver; "Office" and its driver stay.
    std::vector<int> chosen;
    for (int row = 0; row < static_cast<int>(rows.size()); ++row)
        if (rows[row][0] == L"Label A" || rows[row][0] == L"Label B") chosen.push_back(row);
    for (int row : chosen) ASSERT_TRUE(wizard.SelectListRow(IDC_PAGE_LIST, row));
    ASSERT_TRUE(wizard.NextTo(kResultPage));
    const std::vector<std::wstring> boxes = AnswerBoxesUntilDone(wizard, L"Uninstallation complete.");
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.front(),
              L"Please ensure the printer device is disconnected or turn off before to uninstall the driver.");

    const std::wstring text = wizard.Text(IDC_RESULT_TEXT);
    EXPECT_EQ(text.rfind(L"Uninstalling, please wait a moment....", 0), 0u) << Narrow(text);
    // The queues in list order (top first), then the drivers.
    const std::size_t first = text.find(L"Remove printer: " + rows[chosen[0]][0]);
    const std::size_t second = text.find(L"Remove printer: " + rows[chosen[1]][0]);
    const std::size_t driver = text.find(L"Remove printer driver");
    ASSERT_NE(first, std::wstring::npos) << Narrow(text);
    ASSERT_NE(second, std::wstring::npos) << Narrow(text);
    EXPECT_LT(first, second);
    const std::size_t port = text.find(L"Remove port: 10.1.1.7 ...");
    EXPECT_NE(driver, std::wstring::npos) << Narrow(text);
    ASSERT_NE(port, std::wstring::npos) << Narrow(text);
    // Queues, then their ports, then their drivers.
    EXPECT_LT(second, port);
    EXPECT_LT(port, driver);
    EXPECT_TRUE(wizard.WaitForText(IDC_RESULT_STATUS, L"Uninstallation complete."));
    EXPECT_TRUE(wizard.WaitForSheetButton(kSheetBackButton, true));
    // A finished removal is shown in blue.
    Sleep(500);
    EXPECT_GT(wizard.CountScreenPixels(wizard.Control(IDC_RESULT_STATUS), RGB(0, 0, 255)), 20);
    EXPECT_EQ(wizard.CountScreenPixels(wizard.Control(IDC_RESULT_STATUS), RGB(255, 0, 0)), 0);

    EXPECT_FALSE(QueueExists(L"Label A"));
    EXPECT_FALSE(QueueExists(L"Label B"));
    EXPECT_FALSE(ReadStoredPort(L"10.1.1.7").exists);
    EXPECT_TRUE(QueueExists(L"Office"));
    EXPECT_FALSE(DriverInstalled(kSupportedDriver));
    EXPECT_TRUE(DriverInstalled(kOtherSupportedDriver));

    // Back: the list is rebuilt without the removed queues.
    ASSERT_TRUE(wizard.BackTo(kUninstallPage));
    const auto after = wizard.ListRows(IDC_PAGE_LIST, 1);
    EXPECT_EQ(static_cast<int>(after.size()), QueueCount());
    wizard.PressButton(PSBTN_CANCEL);
    EXPECT_EQ(wizard.WaitForExit(), 0u);
}

TEST_F(Wizard, RemovePackageAddsThePackageStepOnly) {
    ASSERT_TRUE(AddPackageQueue(L"Label A", kSupportedDriver)) << GetLastError();
    WizardWindow wizard(WizardLaunch::Program(LoneWizard(false)));
    ASSERT_NE(wizard.WaitForSheet(), nullptr);
    ASSERT_TRUE(wizard.WaitForPage(kModePage));
    ASSERT_TRUE(wizard.Click(IDC_MODE_UNINSTALL));
    ASSERT_TRUE(wizard.NextTo(kUninstallPage));
    const auto rows = wizard.ListRows(IDC_PAGE_LIST, 1);
    const auto row = std::find_if(rows.begin(), rows.end(), [](const auto& r) { return r[0] == L"Label A"; });
    ASSERT_NE(row, rows.end());
    ASSERT_TRUE(wizard.SelectListRow(IDC_PAGE_LIST, static_cast<int>(row - rows.begin())));
    // Only the package besides the queue.
    ASSERT_TRUE(wizard.Click(IDC_UNINSTALL_REMOVE_DRIVER));
    ASSERT_TRUE(wizard.Click(IDC_UNINSTALL_DELETE_PORT));
    ASSERT_TRUE(wizard.Click(IDC_UNINSTALL_REMOVE_PACKAGE));
    ASSERT_TRUE(wizard.NextTo(kResultPage));
    AnswerBoxesUntilDone(wizard, L"Uninstallation complete.");
    const std::wstring text = wizard.Text(IDC_RESULT_TEXT);
    EXPECT_NE(text.find(L"Remove printer: Label A ..."), std::wstring::npos) << Narrow(text);
    EXPECT_NE(text.find(L"Delete printer driver package, inf:"), std::wstring::npos) << Narrow(text);
    EXPECT_EQ(text.find(L"Remove printer driver"), std::wstring::npos) << Narrow(text);
    EXPECT_EQ(text.find(L"Remove port:"), std::wstring::npos) << Narrow(text);
    EXPECT_FALSE(QueueExists(L"Label A"));
    EXPECT_TRUE(DriverInstalled(kSupportedDriver));
    wizard.PressButton(PSBTN_FINISH);
    EXPECT_EQ(wizard.WaitForExit(), 0u);
}

TEST_F(Wizard, FailedInstallEndsInRedAndASecondStartStartsNoSecondWorker) {
    WizardWindow wizard;
    ASSERT_NE(wizard.WaitForSheet(), nullptr);
    ASSERT_TRUE(wizard.WaitForPage(kInstallPage));
    // Straight to the result page with nothing chosen: the worker has nothing to install and fails.
    PostMessageW(wizard.Sheet(), PSM_SETCURSEL, 5, 0);
    ASSERT_TRUE(wizard.WaitForPage(kResultPage));
    ASSERT_TRUE(wizard.WaitForText(IDC_RESULT_TEXT, L"! Install failure."));
    EXPECT_TRUE(wizard.WaitForText(IDC_RESULT_STATUS, L"! Install failure."));
    EXPECT_TRUE(wizard.WaitForSheetButton(kSheetFinishButton, true));
    const HWND status = wizard.Control(IDC_RESULT_STATUS);
    EXPECT_GT(wizard.CountScreenPixels(status, RGB(255, 0, 0)), 20);
    EXPECT_EQ(wizard.CountScreenPixels(status, RGB(0, 0, 255)), 0);
    wizard.Screenshot(L"wizard_result_failure");

    // Two start requests at once: the second arrives while the first run is active.
    const HWND page = wizard.CurrentPage();
    PostMessageW(page, WM_START_WORK, 0, 0);
    PostMessageW(page, WM_START_WORK, 0, 0);
    Sleep(2000);
    ASSERT_TRUE(wizard.WaitForText(IDC_RESULT_TEXT, L"! Install failure."));
    Sleep(1000);
    const std::wstring text = wizard.Text(IDC_RESULT_TEXT);
    EXPECT_EQ(CountOf(text, L"Installing, please wait a moment...."), 1) << Narrow(text);
    EXPECT_EQ(CountOf(text, L"! Install failure."), 1) << Narrow(text);

    wizard.PressButton(PSBTN_FINISH);
    EXPECT_EQ(wizard.WaitForExit(), 0u);
}

// ---------------------------------------------------------------------------------------------
// Screenshots of every page of this program's own in the UI language of the run. Wine takes the
// UI language from the locale environment of the test program, which its children inherit: the
// test runs once per language (KELNO_WIZARD_LANGUAGE and LANG, set by the test's registration)
// and is skipped in a run without one.

struct LanguageCase {
    const char* code;
    const wchar_t* installText;  // the mode page's install button
};
const LanguageCase kLanguageCases[] = {
    {"en", L"Install printer driver"},
    {"de", L"Druckertreiber installieren"},
    {"ar", L"تثبيت برنامج تشغيل الطابعة"},
    {"zh_cn", L"安装打印机驱动程序"},
};

TEST_F(Wizard, PagesAreShownInTheLanguageOfTheRun) {
    char code[16] = "";
    if (!GetEnvironmentVariableA("KELNO_WIZARD_LANGUAGE", code, sizeof(code))) GTEST_SKIP() << "no language run";
    const auto c = std::find_if(std::begin(kLanguageCases), std::end(kLanguageCases),
                                [&](const LanguageCase& entry) { return std::string(entry.code) == code; });
    ASSERT_NE(c, std::end(kLanguageCases)) << code;
    ASSERT_TRUE(AddPackageQueue(L"Label A", kSupportedDriver)) << GetLastError();
    WizardWindow wizard(WizardLaunch::Program(LoneWizard(false)));
    ASSERT_NE(wizard.WaitForSheet(), nullptr);
    ASSERT_TRUE(wizard.WaitForPage(kModePage));
    EXPECT_EQ(wizard.Text(IDC_MODE_INSTALL), c->installText);
    const std::wstring stem = L"wizard_" + Widen(code) + L"_";
    wizard.Screenshot(stem + L"129_mode");
    ASSERT_TRUE(wizard.BackTo(kAgreementPage));
    wizard.Click(IDC_AGREEMENT_ACCEPT);
    wizard.Screenshot(stem + L"134_agreement");
    ASSERT_TRUE(wizard.NextTo(kModePage));
    ASSERT_TRUE(wizard.Click(IDC_MODE_UNINSTALL));
    ASSERT_TRUE(wizard.NextTo(kUninstallPage));
    wizard.Screenshot(stem + L"132_uninstall");
    // The installed-drivers page is reached only through the sheet's own index.
    PostMessageW(wizard.Sheet(), PSM_SETCURSEL, 3, 0);
    ASSERT_TRUE(wizard.WaitForPage(kDriverListPage));
    const auto drivers = wizard.ListRows(IDC_PAGE_LIST, 3);
    ASSERT_EQ(drivers.size(), 1u);
    EXPECT_EQ(drivers[0][0], kSupportedDriver);
    wizard.Screenshot(stem + L"136_drivers");
    PostMessageW(wizard.Sheet(), PSM_SETCURSEL, 4, 0);
    ASSERT_TRUE(wizard.WaitForPage(kUninstallPage));
    ASSERT_TRUE(wizard.SelectListRow(IDC_PAGE_LIST, 0));
    ASSERT_TRUE(wizard.Click(IDC_UNINSTALL_REMOVE_DRIVER));  // keep the driver
    ASSERT_TRUE(wizard.NextTo(kResultPage));
    const DWORD start = GetTickCount();
    while (!wizard.SheetButtonEnabled(kSheetFinishButton) && GetTickCount() - start < 60000) {
        if (const auto box = wizard.WaitForMessageBox(500))
            WizardWindow::AnswerMessageBox(*box, GetDlgItem(box->window, IDNO) ? IDNO : IDOK);
    }
    EXPECT_TRUE(wizard.WaitForSheetButton(kSheetFinishButton, true));
    wizard.Screenshot(stem + L"135_result");
    wizard.PressButton(PSBTN_FINISH);
    EXPECT_EQ(wizard.WaitForExit(), 0u);
}

}  // namespace
}  // namespace kelno::test
