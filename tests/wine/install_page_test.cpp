// The install page hosted in a sheet of the test's own process, for what the end-to-end test
// (install_page_wizard_test.cpp) cannot reach from outside: the filters and the controls they
// show, Next without a port, the Bluetooth rows and the pairing row, the refresh timer's state
// through every USB notification (Wine sends none for simulated devices: the test sends them, as
// the system would) and the events the page ignores.
#include <windows.h>
#include <dbt.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/text.h"
#include "base/win/scoped_seam.h"
#include "common/win/seams.h"
#include "discovery/port_record.h"
#include "drvwizard/win/usb_arrival.h"
#include "tests/support/fields.h"
#include "tests/support/install_page_host.h"
#include "tests/support/simulated_devices.h"
#include "tests/support/wine_test_support.h"

namespace kelno::test {
namespace {

// {A5DCBF10-6530-11D2-901F-00C04FB951ED}
constexpr GUID kUsbDeviceInterfaceClass = {
    0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};

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

// What the system broadcasts to the page for a device interface.
void SendInterfaceChange(HWND page, WPARAM event, const GUID& interfaceClass) {
    DEV_BROADCAST_DEVICEINTERFACE_W broadcast{};
    broadcast.dbcc_size = sizeof(broadcast);
    broadcast.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    broadcast.dbcc_classguid = interfaceClass;
    SendMessageW(page, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(&broadcast));
}

bool HasRow(const InstallPageHost& host, const std::wstring& port) {
    for (const auto& row : host.Rows())
        if (row.port == port) return true;
    return false;
}

class InstallPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        FreeAll(UsbDeviceList);
        FreeAll(SpoolerPortList);
    }
};

TEST_F(InstallPageTest, FiltersShowTheirControls) {
    InstallPageHost host;
    ASSERT_TRUE(host.Created());
    // Nothing connected: "USB" is checked at once and the hint asks for a printer.
    EXPECT_EQ(IsDlgButtonChecked(host.Page(), IDC_FILTER_USB), BST_CHECKED);
    EXPECT_TRUE(IsWindowVisible(host.Control(IDC_CONNECT_HINT)));
    EXPECT_FALSE(IsWindowVisible(host.Control(IDC_AUTO_SET_IP)));

    const struct {
        int button;
        bool portSettings;
        bool network;
    } cases[] = {
        {IDC_FILTER_COM, true, false}, {IDC_FILTER_NETWORK, false, true}, {IDC_FILTER_OTHERS, false, false},
        {IDC_FILTER_COM, true, false}, {IDC_FILTER_USB, false, false},
    };
    for (const auto& c : cases) {
        host.Click(c.button);
        EXPECT_EQ(IsWindowEnabled(host.Control(IDC_PORT_SETTINGS)) != FALSE, c.portSettings) << c.button;
        for (int id : {IDC_IP_ADDRESS, IDC_TCP_PORT, IDC_IP_LABEL, IDC_TCP_PORT_LABEL})
            EXPECT_EQ(IsWindowVisible(host.Control(id)) != FALSE, c.network) << c.button << " " << id;
    }
    // The COM filter lists the spooler's COM ports (Wine has COM1 to COM4).
    host.Click(IDC_FILTER_COM);
    EXPECT_TRUE(HasRow(host, L"COM1:")) << host.Rows().size();
    for (const auto& row : host.Rows()) EXPECT_EQ(row.type, L"2") << Narrow(row.port);
}

TEST_F(InstallPageTest, NoPortChosenIsRefused) {
    InstallPageHost host;
    ASSERT_TRUE(host.Created());
    host.Click(IDC_FILTER_OTHERS);
    ListView_SetItemState(host.Control(IDC_PORT_LIST), -1, 0, LVIS_SELECTED);
    host.PressNext();
    ASSERT_EQ(host.Prompts().size(), 1u);
    EXPECT_EQ(host.Prompts()[0].text, L"Please choose a port.");
}

TEST_F(InstallPageTest, UsbArrivalRefreshesAndPollsUntilTheLastTick) {
    InstallPageHost host;
    ASSERT_TRUE(host.Created());
    ASSERT_TRUE(host.Rows().empty() || !HasRow(host, L"USB003"));
    DebugOutputCapture debug;

    auto printer = ConnectPrinter(L"ARRIVE1", 3, L"TavolenMX-410");
    SendInterfaceChange(host.Page(), DBT_DEVICEARRIVAL, kUsbPrintInterfaceClass);
    EXPECT_TRUE(HasRow(host, L"USB003"));
    EXPECT_EQ(host.Text(IDC_MODEL_LIST), L"Tavolen MX-410");
    EXPECT_TRUE(RefreshTimerActive());
    EXPECT_TRUE(debug.WaitFor(L"[drvwizard][PortUI][USBRefresh] scan=changed oldCount=0 newCount=1"));
    EXPECT_TRUE(debug.WaitFor(L"[drvwizard][PortUI][USBRefresh] newSnapshot=USB003|TavolenMX-410|ARRIVE1|"));
    EXPECT_TRUE(debug.WaitFor(L"[drvwizard][PortUI][USBRefresh] event=arrival timer=start intervalMs=200 maxCount=15"));

    // The list already changed at once: the timer runs its 15 ticks (about three seconds).
    EXPECT_TRUE(PumpUntil([] { return !RefreshTimerActive(); }, std::chrono::seconds(20)));
    EXPECT_TRUE(debug.WaitFor(L"[drvwizard][PortUI][USBRefresh] stop=max_count count=15"));

    // A second arrival while polling resets the count; the removal stops polling at once.
    SendInterfaceChange(host.Page(), DBT_DEVICEARRIVAL, kUsbPrintInterfaceClass);
    Pump(std::chrono::milliseconds(500));
    SendInterfaceChange(host.Page(), DBT_DEVICEARRIVAL, kUsbPrintInterfaceClass);
    EXPECT_TRUE(debug.WaitFor(L"event=arrival timer=reset"));
    EXPECT_TRUE(RefreshTimerActive());
    printer.reset();
    SendInterfaceChange(host.Page(), DBT_DEVICEREMOVECOMPLETE, kUsbDeviceInterfaceClass);
    EXPECT_FALSE(RefreshTimerActive());
    EXPECT_FALSE(HasRow(host, L"USB003"));
    EXPECT_TRUE(debug.WaitFor(L"[drvwizard][PortUI][USBRefresh] event=remove count=0"));

    // A USB device (not printer) arrival rescans without starting the timer; Next while
    // polling says so.
    SendInterfaceChange(host.Page(), DBT_DEVICEARRIVAL, kUsbDeviceInterfaceClass);
    EXPECT_FALSE(RefreshTimerActive());
    SendInterfaceChange(host.Page(), DBT_DEVICEARRIVAL, kUsbPrintInterfaceClass);
    Pump(std::chrono::milliseconds(700));
    host.SetText(IDC_PRINTER_NAME, L"");
    host.PressNext();
    EXPECT_FALSE(RefreshTimerActive());
    EXPECT_TRUE(debug.WaitFor(L"[drvwizard][PortUI][USBRefresh] stop=wiznext count="));
}

TEST_F(InstallPageTest, OtherDeviceEventsAreIgnored) {
    InstallPageHost host;
    ASSERT_TRUE(host.Created());
    auto printer = ConnectPrinter(L"IGNORE1", 4, L"TavolenMX-430");
    // Another event, another broadcast type, another class: the list stays as it was.
    SendInterfaceChange(host.Page(), DBT_DEVICEQUERYREMOVE, kUsbPrintInterfaceClass);
    DEV_BROADCAST_HDR volume{sizeof(DEV_BROADCAST_HDR), DBT_DEVTYP_VOLUME, 0};
    SendMessageW(host.Page(), WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&volume));
    SendInterfaceChange(host.Page(), DBT_DEVICEARRIVAL, kPortsSetupClass);
    SendMessageW(host.Page(), WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0);
    EXPECT_FALSE(HasRow(host, L"USB004"));
    EXPECT_FALSE(RefreshTimerActive());
}

TEST_F(InstallPageTest, UninstallSelectionNeverReachesTheInstallRequest) {
    // The user chose two queues on the uninstall page before turning to the install page.
    InstallPageHost host([](WizardState& state) {
        PrinterInstallEntry* entries = AllocateWizardRequest(state, 2);
        SetWideField(entries[0].printerName, L"Old Queue");
        SetWideField(entries[0].deviceId, L"usbprint\\oldprinter1234");
    });
    ASSERT_TRUE(host.Created());
    EXPECT_EQ(host.State().requestCount, 1);
    ASSERT_NE(host.State().request, nullptr);
    EXPECT_TRUE(WideField(host.State().request->printerName).empty());
    EXPECT_TRUE(WideField(host.State().request->deviceId).empty());
}

int SelectCalls = 0;
BOOL WINAPI CancelledSelection(BLUETOOTH_SELECT_DEVICE_PARAMS*) {
    ++SelectCalls;
    SetLastError(ERROR_CANCELLED);
    return FALSE;
}

TEST_F(InstallPageTest, BluetoothRowsAndThePairingRow) {
    ScopedSeam select(seams::Ui().bluetoothSelectDevices, &CancelledSelection);
    SelectCalls = 0;
    InstallPageHost host;
    ASSERT_TRUE(host.Created());
    HWND list = host.Control(IDC_PORT_LIST);

    // Only the pairing row: the page applies the first row while building the list, but the
    // pairing opens only when the user picks that row.
    host.Click(IDC_FILTER_BLUETOOTH);
    ASSERT_EQ(host.Rows().size(), 1u);
    EXPECT_EQ(host.Rows()[0].port, L"Add Bluetooth Printer ...");
    EXPECT_EQ(SelectCalls, 0);
    SelectRow(list, 0);
    Pump(std::chrono::milliseconds(100));
    EXPECT_EQ(SelectCalls, 1);

    // A Bluetooth serial port appears while the filter is Bluetooth: the list is rebuilt with it.
    ComPortSetup setup;
    const std::wstring sppHardwareId = L"BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&0002";
    setup.instanceId = sppHardwareId + L"\\7&1A2B3C4D&0&001122AABBCC_C00000000";
    setup.hardwareId = sppHardwareId;
    setup.portName = L"COM5";
    setup.friendlyName = L"TavolenMX-410-1A2B";
    auto port = AddComPort(setup);
    ASSERT_TRUE(port->Ok()) << Narrow(port->Failure());
    SendInterfaceChange(host.Page(), DBT_DEVICEARRIVAL, kComPortInterfaceClass);
    const auto rows = host.Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].port, L"BT Printer(COM5:)");
    EXPECT_EQ(rows[1].port, L"Add Bluetooth Printer ...");
    EXPECT_EQ(host.Text(IDC_MODEL_LIST), L"Tavolen MX-410");
    host.PressNext();
    EXPECT_TRUE(host.Prompts().empty());
    EXPECT_EQ(WideField(host.State().request->portName), L"COM5:");
    EXPECT_EQ(SelectCalls, 1);

    // Under another filter a COM port notification leaves the rows alone.
    host.Click(IDC_FILTER_OTHERS);
    const std::size_t others = host.Rows().size();
    SendInterfaceChange(host.Page(), DBT_DEVICEARRIVAL, kComPortInterfaceClass);
    EXPECT_EQ(host.Rows().size(), others);
    for (const auto& row : host.Rows()) EXPECT_EQ(row.port.rfind(L"BT Printer(", 0), std::wstring::npos);
}

}  // namespace
}  // namespace kelno::test
