// The install page hosted in a sheet of the test's own process: the merged port list with a
// simulated USB printer, the filters and the controls they show, what Next refuses and what it
// puts into the request, and the USB arrival refresh driven by the device notifications Wine
// never sends for simulated devices (the test sends them, as the system would).
#include <windows.h>
#include <dbt.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/text.h"
#include "discovery/port_record.h"
#include "drvwizard/win/usb_arrival.h"
#include "tests/support/fields.h"
#include "tests/support/install_page_host.h"
#include "tests/support/scoped_log.h"
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

TEST_F(InstallPageTest, ConnectedPrinterIsSelectedWithItsModelAndName) {
    ScopedLog log(L"installpage");
    auto printer = ConnectPrinter(L"MX420A", 1, L"TavolenMX-420");
    {
        InstallPageHost host;
        ASSERT_TRUE(host.Created());

        const auto rows = host.Rows();
        ASSERT_FALSE(rows.empty());
        EXPECT_EQ(rows[0].port, L"USB001");
        EXPECT_EQ(rows[0].description, L"TavolenMX-420");
        EXPECT_EQ(rows[0].type, L"1");
        EXPECT_TRUE(rows[0].selected);
        EXPECT_EQ(host.Text(IDC_MODEL_LIST), L"Tavolen MX-420");
        EXPECT_EQ(host.Text(IDC_PRINTER_NAME), L"Tavolen MX-420");
        EXPECT_FALSE(IsWindowVisible(host.Control(IDC_CONNECT_HINT)));
        EXPECT_EQ(IsDlgButtonChecked(host.Page(), IDC_SET_DEFAULT), BST_CHECKED);
        // No filter chosen yet: the first list holds the connected printers only.
        EXPECT_EQ(IsDlgButtonChecked(host.Page(), IDC_FILTER_USB), BST_UNCHECKED);

        host.PressNext();
        EXPECT_TRUE(host.Prompts().empty());
        ASSERT_NE(host.State().request, nullptr);
        EXPECT_EQ(host.State().requestCount, 1);
        const PrinterInstallEntry& request = *host.State().request;
        EXPECT_EQ(WideField(request.portName), L"USB001");
        EXPECT_EQ(WideField(request.modelName), L"Tavolen MX-420");
        EXPECT_EQ(WideField(request.printerName), L"Tavolen MX-420");
        EXPECT_EQ(host.State().setAsDefault, 1);
    }

    const auto lines = log.Lines();
    for (const char* expected : {"[Bluetooth][DeviceChange] notification_registration allClassesRegistered=true "
                                 "allClassesError=0 comInterfaceRegistered=true comInterfaceError=0",
                                 "[Bluetooth][Installer] initialized providerName=Tavolen providerPolicy=default "
                                 "bluetoothControlExists=true",
                                 "[Bluetooth][Installer] refresh_started filterType=0",
                                 "[Bluetooth][Installer] decision=skip_bluetooth_list "
                                 "reason=bluetooth_filter_not_selected filterType=0",
                                 "[Bluetooth][Installer] refresh_finished filterType=0 bluetoothSelected=false "
                                 "finalRows=1 selectedRows=1"})
        EXPECT_FALSE(Containing(lines, expected).empty()) << expected;
}

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

TEST_F(InstallPageTest, NextRefusesBadInputWithAClearMessage) {
    InstallPageHost host;
    ASSERT_TRUE(host.Created());
    host.Click(IDC_FILTER_NETWORK);

    const struct {
        const char* name;
        BYTE ip[4];
        const wchar_t* tcpPort;
        const wchar_t* printerName;
        UINT message;  // 0: accepted
    } cases[] = {
        {"no address", {0, 0, 0, 0}, L"9100", L"Labels", 145},
        {"port zero", {192, 168, 1, 50}, L"0", L"Labels", IDS_TCP_PORT_INVALID},
        {"port too big", {192, 168, 1, 50}, L"65536", L"Labels", IDS_TCP_PORT_INVALID},
        {"no port", {192, 168, 1, 50}, L"", L"Labels", IDS_TCP_PORT_INVALID},
        {"empty name", {192, 168, 1, 50}, L"9100", L"", IDS_PRINTER_NAME_EMPTY},
        {"backslash", {192, 168, 1, 50}, L"9100", L"Shelf\\Labels", IDS_PRINTER_NAME_INVALID},
        {"comma", {192, 168, 1, 50}, L"9100", L"Shelf,Labels", IDS_PRINTER_NAME_INVALID},
        {"accepted", {192, 168, 1, 50}, L"9100", L"Shelf Labels", 0},
    };
    for (const auto& c : cases) {
        host.SetAddress(c.ip[0], c.ip[1], c.ip[2], c.ip[3]);
        host.SetText(IDC_TCP_PORT, c.tcpPort);
        host.SetText(IDC_PRINTER_NAME, c.printerName);
        host.ClearPrompts();
        host.PressNext();
        const PrinterInstallEntry& request = *host.State().request;
        if (c.message == 0) {
            EXPECT_TRUE(host.Prompts().empty()) << c.name;
            EXPECT_EQ(WideField(request.portName), L"192.168.1.50_9100") << c.name;
            EXPECT_EQ(WideField(request.hostAddress), L"192.168.1.50");
            EXPECT_EQ(request.portKind, 3);
            EXPECT_EQ(WideField(request.printerName), L"Shelf Labels");
            continue;
        }
        ASSERT_EQ(host.Prompts().size(), 1u) << c.name;
        EXPECT_EQ(host.Prompts()[0].text, WizardString(c.message)) << c.name;
        EXPECT_EQ(host.Prompts()[0].title, WizardString(IDS_PROMPT)) << c.name;
        EXPECT_FALSE(host.Prompts()[0].text.empty()) << c.name;
        EXPECT_TRUE(WideField(request.portName).empty()) << c.name;
    }
}

TEST_F(InstallPageTest, NoPortChosenIsRefused) {
    InstallPageHost host;
    ASSERT_TRUE(host.Created());
    host.Click(IDC_FILTER_OTHERS);
    ListView_SetItemState(host.Control(IDC_PORT_LIST), -1, 0, LVIS_SELECTED);
    host.PressNext();
    ASSERT_EQ(host.Prompts().size(), 1u);
    EXPECT_EQ(host.Prompts()[0].text, WizardString(128));
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

TEST_F(InstallPageTest, PageInFourLanguages) {
    auto printer = ConnectPrinter(L"SHOT1", 1, L"TavolenMX-420");
    const struct {
        LANGID language;
        const wchar_t* name;
    } cases[] = {
        {MAKELANGID(LANG_ENGLISH, SUBLANG_NEUTRAL), L"en"},
        {MAKELANGID(LANG_GERMAN, SUBLANG_NEUTRAL), L"de"},
        {MAKELANGID(LANG_ARABIC, SUBLANG_ARABIC_SAUDI_ARABIA), L"ar-SA"},
        {MAKELANGID(LANG_CHINESE, SUBLANG_NEUTRAL), L"zh-CN"},
    };
    std::vector<std::wstring> labels;
    for (const auto& c : cases) {
        InstallPageHost host(c.language);
        ASSERT_TRUE(host.Created()) << Narrow(c.name);
        EXPECT_TRUE(HasRow(host, L"USB001")) << Narrow(c.name);
        const std::wstring label = host.Text(IDC_PORT_TYPE_LABEL);
        EXPECT_FALSE(label.empty()) << Narrow(c.name);
        // Each language has its own words, not a copy of another's.
        for (const auto& other : labels) EXPECT_NE(label, other) << Narrow(c.name);
        labels.push_back(label);
        EXPECT_TRUE(SaveScreenshot(host.Sheet(),
                                   JoinPath(ArtifactFolder(), std::wstring(L"install_page_") + c.name + L".bmp")));
    }
}

}  // namespace
}  // namespace kelno::test
