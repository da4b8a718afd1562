// The install page inside the real setup wizard (drvwizard.exe of the package), driven from this
// program on the private display and inside the private network namespace: a connected USB
// printer installed end to end, a printer of the test network and a typed address installed on
// standard TCP/IP ports (through the stand-in port monitor), the USB arrival refresh with the
// device notifications the test sends (Wine sends none for simulated devices), the checks of
// Next, a failed install that leaves no queue, and the page in the language of the run.
#include <windows.h>
#include <commctrl.h>
#include <dbt.h>
#include <prsht.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "resources/drvwizard/resource_ids.h"
#include "tests/support/scoped_log.h"
#include "tests/support/simulated_devices.h"
#include "tests/support/simulated_network_printer.h"
#include "tests/support/spooler.h"
#include "tests/support/tcpip_monitor.h"
#include "tests/support/wine_test_support.h"
#include "tests/support/wizard_window.h"

namespace kelno::test {
namespace {

constexpr int kInstallPage = IDD_INSTALL_PAGE;
constexpr int kResultPage = IDD_RESULT_PAGE;
constexpr DWORD kInstallTimeoutMs = 180000;

std::unique_ptr<SimulatedDevice> ConnectPrinter(const std::wstring& serial, DWORD port,
                                                const std::wstring& description) {
    UsbPrinterSetup setup;
    setup.instanceId = L"USB\\VID_2D37&PID_0001\\" + serial;
    setup.portNumber = port;
    setup.portDescription = description;
    setup.serialNumber = serial;
    auto device = AddUsbPrinter(setup);
    EXPECT_TRUE(device->Ok()) << Narrow(device->Failure());
    return device;
}

// The row of the port list with this port, or -1.
int RowOf(const WizardWindow& wizard, const std::wstring& port) {
    const auto rows = wizard.ListRows(IDC_PORT_LIST, 3);
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (rows[i][0] == port) return static_cast<int>(i);
    return -1;
}

bool WaitForRow(const WizardWindow& wizard, const std::wstring& port, bool present, DWORD timeoutMs = 30000) {
    const DWORD start = GetTickCount();
    do {
        if ((RowOf(wizard, port) >= 0) == present) return true;
        Sleep(100);
    } while (GetTickCount() - start < timeoutMs);
    return false;
}

// What the system broadcasts to the page for a device interface (sent across processes).
void SendInterfaceChange(HWND page, WPARAM event, const GUID& interfaceClass) {
    DEV_BROADCAST_DEVICEINTERFACE_W broadcast{};
    broadcast.dbcc_size = sizeof(broadcast);
    broadcast.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    broadcast.dbcc_classguid = interfaceClass;
    DWORD_PTR result = 0;
    SendMessageTimeoutW(page, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(&broadcast), SMTO_NORMAL, 10000,
                        &result);
}

void SetAddress(const WizardWindow& wizard, BYTE a, BYTE b, BYTE c, BYTE d) {
    SendMessageW(wizard.Control(IDC_IP_ADDRESS), IPM_SETADDRESS, 0, MAKEIPADDRESS(a, b, c, d));
}

// Next on the install page, then the install to its end: true when it completed.
bool InstallAndWait(WizardWindow& wizard) {
    if (!wizard.NextTo(kResultPage)) return false;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < kInstallTimeoutMs) {
        const std::wstring text = wizard.Text(IDC_RESULT_TEXT);
        if (text.find(L"Installation complete.") != std::wstring::npos) return true;
        if (text.find(L"! Install failure.") != std::wstring::npos) return false;
        Sleep(200);
    }
    return false;
}

// Opens the wizard on the install page (through the mode page when a supported queue exists).
bool OpenInstallPage(WizardWindow& wizard) {
    if (!wizard.WaitForSheet()) return false;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 30000) {
        const int page = wizard.CurrentPageId();
        if (page == kInstallPage) return true;
        if (page == IDD_MODE_PAGE) return wizard.NextTo(kInstallPage);
        Sleep(100);
    }
    return false;
}

class InstallPageWizard : public testing::Test {
protected:
    void SetUp() override {
        const std::string problem = NetworkBenchProblem();
        if (!problem.empty()) GTEST_SKIP() << problem;
    }
};

// First in the file: no driver of the package is installed yet.
TEST_F(InstallPageWizard, FailedInstallIsRedAndLeavesNoQueue) {
    auto printer = ConnectPrinter(L"FAIL430", 5, L"TavolenMX-430");
    const std::wstring renderDll = JoinPath(PackageFolderPath(), L"amd64\\kelnodrv6.dll");
    const std::wstring hidden = renderDll + L".hidden";
    ASSERT_TRUE(MoveFileExW(renderDll.c_str(), hidden.c_str(), MOVEFILE_REPLACE_EXISTING));
    {
        WizardWindow wizard;
        ASSERT_TRUE(OpenInstallPage(wizard));
        ASSERT_TRUE(WaitForRow(wizard, L"USB005", true));
        EXPECT_EQ(wizard.Text(IDC_MODEL_LIST), L"Tavolen MX-430");
        EXPECT_FALSE(InstallAndWait(wizard));
        EXPECT_TRUE(wizard.WaitForText(IDC_RESULT_STATUS, L"! Install failure."));
        EXPECT_GT(wizard.CountScreenPixels(wizard.Control(IDC_RESULT_STATUS), RGB(255, 0, 0)), 20);
        wizard.Screenshot(L"install_page_failed_install");
        wizard.PressButton(PSBTN_CANCEL);
        wizard.WaitForExit();
    }
    MoveFileExW(hidden.c_str(), renderDll.c_str(), MOVEFILE_REPLACE_EXISTING);
    EXPECT_FALSE(FindQueue(L"Tavolen MX-430").found);
    EXPECT_FALSE(DriverInstalled(L"Tavolen MX-430"));
}

TEST_F(InstallPageWizard, ConnectedPrinterInstallsEndToEnd) {
    auto printer = ConnectPrinter(L"MX420A", 1, L"TavolenMX-420");
    WizardWindow wizard;
    ASSERT_TRUE(OpenInstallPage(wizard));
    ASSERT_TRUE(WaitForRow(wizard, L"USB001", true));
    const int row = RowOf(wizard, L"USB001");
    const auto rows = wizard.ListRows(IDC_PORT_LIST, 3);
    EXPECT_EQ(rows[row][1], L"TavolenMX-420");
    EXPECT_EQ(rows[row][2], L"1");
    EXPECT_EQ(wizard.SelectedListRows(IDC_PORT_LIST), std::vector<int>{row});
    EXPECT_EQ(wizard.Text(IDC_MODEL_LIST), L"Tavolen MX-420");
    EXPECT_EQ(wizard.Text(IDC_PRINTER_NAME), L"Tavolen MX-420");
    EXPECT_FALSE(wizard.Visible(IDC_CONNECT_HINT));
    EXPECT_TRUE(wizard.Checked(IDC_SET_DEFAULT));
    EXPECT_TRUE(wizard.SheetButtonEnabled(kSheetNextButton));

    ASSERT_TRUE(InstallAndWait(wizard)) << Narrow(wizard.Text(IDC_RESULT_TEXT));
    EXPECT_GT(wizard.CountScreenPixels(wizard.Control(IDC_RESULT_STATUS), RGB(0, 0, 255)), 20);
    const QueueSnapshot queue = FindQueue(L"Tavolen MX-420");
    ASSERT_TRUE(queue.found);
    EXPECT_EQ(queue.port, L"USB001");
    EXPECT_EQ(queue.driver, L"Tavolen MX-420");
    for (const wchar_t* file : {L"kelnodrv6.dll", L"kelnodrv6ui.dll", L"kelnodrv6.dat"})
        EXPECT_TRUE(FileExists(JoinPath(DriverDirectory(), file))) << Narrow(file);
    wizard.PressButton(PSBTN_FINISH);
    wizard.WaitForExit();

    const auto lines = wizard.LogLines();
    for (const char* expected :
         {"[Bluetooth][DeviceChange] notification_registration allClassesRegistered=true",
          "[Bluetooth][Installer] initialized providerName=Tavolen providerPolicy=default "
          "bluetoothControlExists=true",
          "[Bluetooth][Installer] refresh_started filterType=0", "[Bluetooth][Installer] decision=skip_bluetooth_list",
          "[Bluetooth][Installer] refresh_finished filterType=0 bluetoothSelected=false"})
        EXPECT_FALSE(Containing(lines, expected).empty()) << expected;
}

TEST_F(InstallPageWizard, UsbArrivalAddsTheRowAndRemovalStopsPolling) {
    DebugOutputCapture debug;
    WizardWindow wizard;
    ASSERT_TRUE(OpenInstallPage(wizard));
    auto printer = ConnectPrinter(L"ARRIVE7", 7, L"TavolenMX-410");
    SendInterfaceChange(wizard.CurrentPage(), DBT_DEVICEARRIVAL, kUsbPrintInterfaceClass);
    EXPECT_TRUE(WaitForRow(wizard, L"USB007", true));
    EXPECT_TRUE(debug.WaitFor(L"[drvwizard][PortUI][USBRefresh] scan=changed", std::chrono::seconds(10)));
    EXPECT_TRUE(debug.WaitFor(L"[drvwizard][PortUI][USBRefresh] event=arrival timer=start intervalMs=200 maxCount=15",
                              std::chrono::seconds(10)));
    EXPECT_TRUE(debug.WaitFor(L"[drvwizard][PortUI][USBRefresh] stop=max_count count=15", std::chrono::seconds(20)));

    SendInterfaceChange(wizard.CurrentPage(), DBT_DEVICEARRIVAL, kUsbPrintInterfaceClass);
    printer.reset();
    SendInterfaceChange(wizard.CurrentPage(), DBT_DEVICEREMOVECOMPLETE, kUsbPrintInterfaceClass);
    EXPECT_TRUE(debug.WaitFor(L"[drvwizard][PortUI][USBRefresh] event=remove count=", std::chrono::seconds(10)));
    EXPECT_TRUE(WaitForRow(wizard, L"USB007", false));
    // Polling stopped with the removal: no further stop line follows.
    debug.Settle(std::chrono::milliseconds(1500));
    EXPECT_EQ(debug.MessagesContaining(L"[drvwizard][PortUI][USBRefresh] stop=").size(), 1u);
    wizard.PressButton(PSBTN_CANCEL);
    wizard.WaitForExit();
}

TEST_F(InstallPageWizard, BadInputGetsAMessageAndStaysOnThePage) {
    WizardWindow wizard;
    ASSERT_TRUE(OpenInstallPage(wizard));
    ASSERT_TRUE(wizard.Click(IDC_FILTER_NETWORK));
    EXPECT_TRUE(wizard.Visible(IDC_IP_ADDRESS));
    const struct {
        BYTE ip[4];
        const wchar_t* tcpPort;
        const wchar_t* name;
        const wchar_t* message;
    } cases[] = {
        {{0, 0, 0, 0}, L"9100", L"Labels", L"Please input the IP Address."},
        {{192, 168, 1, 50}, L"70000", L"Labels", L"The TCP port must be a number from 1 to 65535."},
        {{192, 168, 1, 50}, L"9100", L"", L"Please input the printer name."},
        {{192, 168, 1, 50}, L"9100", L"Shelf\\Labels", L"The printer name must not contain"},
    };
    for (const auto& c : cases) {
        SetAddress(wizard, c.ip[0], c.ip[1], c.ip[2], c.ip[3]);
        wizard.SetText(IDC_TCP_PORT, c.tcpPort);
        wizard.SetText(IDC_PRINTER_NAME, c.name);
        wizard.PressButton(PSBTN_NEXT);
        const auto box = wizard.WaitForMessageBox();
        ASSERT_TRUE(box.has_value()) << Narrow(c.message);
        EXPECT_NE(box->text.find(c.message), std::wstring::npos) << Narrow(box->text);
        EXPECT_EQ(box->caption, L"Prompt");
        WizardWindow::AnswerMessageBox(*box, IDOK);
        Sleep(300);
        EXPECT_EQ(wizard.CurrentPageId(), kInstallPage);
    }
    wizard.PressButton(PSBTN_CANCEL);
    wizard.WaitForExit();
    EXPECT_FALSE(FindQueue(L"Labels").found);
}

TEST_F(InstallPageWizard, NetworkPrinterAndTypedAddressGetTcpIpPorts) {
    InstallTcpIpMonitor();
    ASSERT_EQ(SimulatedPrinterCommand("reset").rfind("ok", 0), 0u);
    AddSimulatedPrinter("from=10.77.0.50 model=MX-410");
    {
        WizardWindow wizard;
        ASSERT_TRUE(OpenInstallPage(wizard));
        ASSERT_TRUE(wizard.Click(IDC_FILTER_NETWORK));
        ASSERT_TRUE(WaitForRow(wizard, L"10.77.0.50", true, 60000));
        const int row = RowOf(wizard, L"10.77.0.50");
        ASSERT_TRUE(wizard.SelectListRow(IDC_PORT_LIST, row));
        // No such port yet: the row's name is the address, on TCP port 9100.
        EXPECT_EQ(wizard.Text(IDC_TCP_PORT), L"9100");
        wizard.SetText(IDC_TCP_PORT, L"9101");
        wizard.SetText(IDC_PRINTER_NAME, L"Network Labels");
        ASSERT_TRUE(InstallAndWait(wizard)) << Narrow(wizard.Text(IDC_RESULT_TEXT));
        wizard.PressButton(PSBTN_FINISH);
        wizard.WaitForExit();
    }
    const StoredPort discovered = ReadStoredPort(L"10.77.0.50");
    EXPECT_TRUE(discovered.exists);
    EXPECT_EQ(discovered.hostName, L"10.77.0.50");
    EXPECT_EQ(discovered.portNumber, 9101u);
    EXPECT_EQ(FindQueue(L"Network Labels").port, L"10.77.0.50");

    // An address typed with no row chosen: the port is named after the host.
    {
        const DWORD calls = MonitorCallCount();
        WizardWindow wizard;
        ASSERT_TRUE(OpenInstallPage(wizard));
        ASSERT_TRUE(wizard.Click(IDC_FILTER_NETWORK));
        // The printer's port exists now: choosing its row reads the port's configuration from the
        // port monitor.
        ASSERT_TRUE(WaitForRow(wizard, L"10.77.0.50", true, 60000));
        ASSERT_TRUE(wizard.SelectListRow(IDC_PORT_LIST, RowOf(wizard, L"10.77.0.50")));
        EXPECT_TRUE(wizard.WaitForText(IDC_TCP_PORT, L"9101", 10000)) << Narrow(wizard.Text(IDC_TCP_PORT));
        EXPECT_GT(MonitorCallCount(), calls);
        for (int row : wizard.SelectedListRows(IDC_PORT_LIST)) wizard.SelectListRow(IDC_PORT_LIST, row, false);
        SetAddress(wizard, 192, 168, 1, 50);
        wizard.SetText(IDC_TCP_PORT, L"9100");
        wizard.SetText(IDC_PRINTER_NAME, L"Typed Labels");
        ASSERT_TRUE(InstallAndWait(wizard)) << Narrow(wizard.Text(IDC_RESULT_TEXT));
        wizard.PressButton(PSBTN_FINISH);
        wizard.WaitForExit();
    }
    const StoredPort typed = ReadStoredPort(L"192.168.1.50");
    EXPECT_TRUE(typed.exists);
    EXPECT_EQ(typed.hostName, L"192.168.1.50");
    EXPECT_EQ(typed.portNumber, 9100u);
    EXPECT_EQ(FindQueue(L"Typed Labels").port, L"192.168.1.50");
}

// The page in the UI language of the run (KELNO_INSTALL_PAGE_LANGUAGE and the locale are set by
// the test's registration): a screenshot with a connected printer listed.
TEST_F(InstallPageWizard, PageInTheLanguageOfTheRun) {
    char code[16] = "";
    if (!GetEnvironmentVariableA("KELNO_INSTALL_PAGE_LANGUAGE", code, sizeof(code))) GTEST_SKIP() << "no language run";
    auto printer = ConnectPrinter(L"SHOT420", 2, L"TavolenMX-420");
    WizardWindow wizard;
    ASSERT_TRUE(OpenInstallPage(wizard));
    ASSERT_TRUE(WaitForRow(wizard, L"USB002", true));
    EXPECT_FALSE(wizard.Text(IDC_PORT_TYPE_LABEL).empty());
    EXPECT_TRUE(wizard.Screenshot(L"install_page_wizard_" + Widen(code)));
    wizard.PressButton(PSBTN_CANCEL);
    wizard.WaitForExit();
}

}  // namespace
}  // namespace kelno::test
