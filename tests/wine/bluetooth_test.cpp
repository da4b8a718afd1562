// Bluetooth serial printers: COM port devices simulated in the Ports setup class with a COM port
// interface, the remote device names under the BTHPORT key, the registered serial ports under
// HARDWARE\DEVICEMAP\SERIALCOMM, and a real report list view. Wine exports no
// SetupDiGetDeviceInterfacePropertyW, so the address comes from the device path there; the tests
// of the address property and of the pairing (which Wine cannot show) go through the discovery
// seams.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "discovery/win/BtPrinter.h"
#include "common/win/seams.h"
#include "discovery/win/win_support.h"
#include "common/win/log.h"
#include "common/win/seams.h"
#include "tests/support/simulated_devices.h"
#include "tests/support/scoped_log.h"
#include "tests/support/wine_test_support.h"

namespace kelno::test {
namespace {

const std::wstring kSppHardwareId = L"BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&0002";
const std::wstring kBthportDevices = L"SYSTEM\\CurrentControlSet\\Services\\BTHPORT\\Parameters\\Devices\\";
const std::wstring kSerialComm = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";

// A Bluetooth serial port whose instance id ends in "&<marker>&<address>_C00000000" (or in
// tail when given).
std::unique_ptr<SimulatedDevice> BluetoothPort(const std::wstring& serial, const std::wstring& portName,
                                               const std::wstring& tail,
                                               std::optional<std::wstring> friendlyName = std::nullopt) {
    ComPortSetup setup;
    setup.instanceId = kSppHardwareId + L"\\7&" + serial + tail;
    setup.hardwareId = kSppHardwareId;
    setup.portName = portName;
    setup.friendlyName = std::move(friendlyName);
    auto device = AddComPort(setup);
    EXPECT_TRUE(device->Ok()) << Narrow(device->Failure());
    return device;
}

std::size_t Count(const std::vector<std::string>& lines, const std::string& text) {
    return Containing(lines, text).size();
}

// A remote device name under the BTHPORT key, removed again at the end.
class RemoteName {
public:
    RemoteName(const std::wstring& address, DWORD type, const void* data, DWORD bytes)
        : key_(kBthportDevices + address) {
        EXPECT_TRUE(SetMachineValue(key_, L"Name", type, data, bytes));
    }
    ~RemoteName() { DeleteMachineTree(key_); }

private:
    std::wstring key_;
};

// A page with a report list view of three columns, as the install page has it.
class ListViewWindow {
public:
    // A visible window costs Wine a round trip to the display: only the screenshot needs one.
    explicit ListViewWindow(bool visible = false) {
        INITCOMMONCONTROLSEX init{sizeof(init), ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&init);
        frame_ = CreateWindowExW(0, L"STATIC", L"Bluetooth printers", WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0),
                                 0, 0, 520, 300, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        list_ = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL, 0, 0, 500,
                                260, frame_, nullptr, GetModuleHandleW(nullptr), nullptr);
        const wchar_t* titles[] = {L"Port", L"Description", L""};
        const int widths[] = {200, 200, 80};
        for (int i = 0; i < 3; ++i) {
            LVCOLUMNW column{};
            column.mask = LVCF_TEXT | LVCF_WIDTH;
            column.pszText = const_cast<wchar_t*>(titles[i]);
            column.cx = widths[i];
            ListView_InsertColumn(list_, i, &column);
        }
    }
    ~ListViewWindow() {
        if (frame_) DestroyWindow(frame_);
    }
    HWND List() const { return list_; }
    HWND Frame() const { return frame_; }
    int Rows() const { return ListView_GetItemCount(list_); }
    std::wstring Text(int row, int column) const {
        wchar_t text[300] = {};
        ListView_GetItemText(list_, row, column, text, 300);
        return text;
    }
    void AddRow(const wchar_t* text) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = Rows();
        item.pszText = const_cast<wchar_t*>(text);
        ListView_InsertItem(list_, &item);
    }
    // Lets the window paint itself before a screenshot.
    void Paint() const {
        UpdateWindow(frame_);
        const DWORD end = GetTickCount() + 300;
        while (GetTickCount() < end) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
            Sleep(10);
        }
    }
    int Selected() const { return ListView_GetNextItem(list_, -1, LVNI_SELECTED); }
    int Focused() const { return ListView_GetNextItem(list_, -1, LVNI_FOCUSED); }

private:
    HWND frame_ = nullptr;
    HWND list_ = nullptr;
};

// ---- listing ----------------------------------------------------------------------------------

TEST(BluetoothListing, SerialPortProfilePrinterBecomesARow) {
    const char name[] = "Tavolen MX-410";
    RemoteName remote(L"001122aabbcc", REG_BINARY, name, sizeof(name) - 1);
    auto printer = BluetoothPort(L"1A2B3C4D", L"COM5", L"&0&001122AABBCC_C00000000");
    ListViewWindow window(true);
    window.AddRow(L"USB001");  // rows the page inserted before go
    window.AddRow(L"COM5:");

    ScopedLog log{L"bluetooth"};
    ListBluetoothPrinters(window.List());
    window.Paint();
    SaveScreenshot(window.Frame(), JoinPath(ArtifactFolder(), L"bluetooth_listing.bmp"));

    ASSERT_EQ(window.Rows(), 2);
    EXPECT_EQ(window.Text(0, 0), L"BT Printer(COM5:)");
    EXPECT_EQ(window.Text(0, 1), L"Tavolen MX-410");
    EXPECT_EQ(window.Text(0, 2), L"COM5:");
    EXPECT_EQ(window.Text(1, 0), L"Add Bluetooth Printer ...");
    EXPECT_EQ(window.Selected(), 0);
    EXPECT_EQ(window.Focused(), 0);

    const auto lines = log.Lines();
    EXPECT_EQ(Count(lines, "[Bluetooth][SetupAPI] decision=interface_seen index=0 port=COM5: bluetoothHardwareId=true "
                           "bluetoothPathHint=true path=" +
                               Narrow(printer->DevicePath())),
              1u);
    // Wine has no address property: the path's marker gives the address, as it stands there.
    EXPECT_EQ(Count(lines, "result=unavailable source=interface_property port=COM5: error=127 "
                           "fallback=device_path_markers"),
              1u);
    EXPECT_EQ(Count(lines, "[Bluetooth][Address] result=found source=device_path_marker_0 port=COM5: "
                           "address=001122aabbcc state=nonzero"),
              1u);
    EXPECT_EQ(Count(lines, "[Bluetooth][Filter] decision=eligible port=COM5: address=001122aabbcc "
                           "addressSource=device_path_marker_0 direction=outgoing_candidate name=Tavolen MX-410"),
              1u);
    EXPECT_EQ(Count(lines, "[Bluetooth][UI] refresh_started eligiblePortCount=1 rowsBeforeClear=2 clearResult=true"),
              1u);
    EXPECT_EQ(Count(lines, "[Bluetooth][UI] modelPolicy=passthrough"), 1u);
    EXPECT_EQ(Count(lines, "[Bluetooth][UI] decision=displayed row=0 port=COM5: address=001122aabbcc "
                           "model=Tavolen MX-410"),
              1u);
    EXPECT_EQ(Count(lines, "[Bluetooth][Summary] stage=ui eligiblePorts=1 displayedPorts=1 filteredPorts=0 "
                           "insertFailures=0 finalRows=2"),
              1u);
}

TEST(BluetoothListing, IncomingAndForeignPortsAreDropped) {
    auto incoming = BluetoothPort(L"INCOMING", L"COM6", L"&0&000000000000_C00000000", L"Incoming port");
    ComPortSetup serial;
    serial.instanceId = L"ACPI\\PNP0501\\7";
    serial.hardwareId = L"ACPI\\PNP0501";
    serial.portName = L"COM7";
    auto plain = AddComPort(serial);
    ASSERT_TRUE(plain->Ok()) << Narrow(plain->Failure());
    ListViewWindow window;

    ScopedLog log{L"bluetooth"};
    ListBluetoothPrinters(window.List());
    ASSERT_EQ(window.Rows(), 1);
    EXPECT_EQ(window.Text(0, 0), L"Add Bluetooth Printer ...");
    EXPECT_EQ(window.Selected(), -1);

    const auto lines = log.Lines();
    EXPECT_EQ(Count(lines, "[Bluetooth][Filter] decision=drop stage=direction reason=zero_address_candidate "
                           "direction=incoming_candidate port=COM6: address=000000000000 "
                           "addressSource=device_path_marker_0 name=Incoming port"),
              1u);
    EXPECT_EQ(Count(lines, "[Bluetooth][Filter] decision=drop stage=bluetooth_match reason=no_bthenum_evidence "
                           "port=COM7: path=" +
                               Narrow(plain->DevicePath()) + " hardwareId=ACPI\\PNP0501"),
              1u);
    EXPECT_EQ(Count(lines, "[Bluetooth][Summary] stage=enumeration registeredComPorts="), 1u);
    EXPECT_EQ(Count(lines, "setupApiInterfaces=2 setupApiPorts=2 bluetoothCandidates=1 eligiblePorts=0"), 1u);
    EXPECT_EQ(Count(lines, "stage=ui eligiblePorts=0 displayedPorts=0 filteredPorts=0 insertFailures=0 finalRows=1"),
              1u);
}

TEST(BluetoothListing, PortWithoutAddressIsListedAsUnknown) {
    auto anonymous = BluetoothPort(L"NOADDR", L"COM8", L"");  // no marker in the path
    auto named = BluetoothPort(L"FRIENDLY", L"COM9", L"&1&00000000001G_C0", L"Standard Serial over Bluetooth link");
    ListViewWindow window;

    ScopedLog log{L"bluetooth"};
    ListBluetoothPrinters(window.List());
    ASSERT_EQ(window.Rows(), 3);
    std::map<std::wstring, std::wstring> names;
    for (int row = 0; row < 2; ++row) names[window.Text(row, 2)] = window.Text(row, 1);
    EXPECT_EQ(names[L"COM8:"], L"Unknown");
    EXPECT_EQ(names[L"COM9:"], L"Standard Serial over Bluetooth link");
    EXPECT_EQ(window.Text(2, 0), L"Add Bluetooth Printer ...");

    const auto lines = log.Lines();
    EXPECT_EQ(Count(lines, "result=unavailable source=device_path_markers reason=address_marker_not_found "
                           "supportedMarkers=0,1 path=" +
                               Narrow(anonymous->DevicePath())),
              1u);
    EXPECT_EQ(Count(lines, "result=unavailable source=device_path_marker_1 reason=address_not_hex path="), 1u);
    EXPECT_EQ(Count(lines, "[Bluetooth][DeviceName] decision=fallback reason=name_unavailable port=COM8: address= "
                           "fallback=Unknown"),
              1u);
    EXPECT_EQ(Count(lines, "[Bluetooth][DeviceName] result=found source=setupapi_friendly_name port=COM9: "
                           "name=Standard Serial over Bluetooth link"),
              1u);
    EXPECT_EQ(Count(lines, "[Bluetooth][Filter] decision=eligible stage=direction reason=address_unavailable "
                           "direction=unknown port=COM8: path=" +
                               Narrow(anonymous->DevicePath()) + " name=Unknown"),
              1u);
    EXPECT_EQ(Count(lines, "[Bluetooth][Filter] decision=eligible port=COM8: address= addressSource=unavailable "
                           "direction=unknown name=Unknown"),
              1u);
}

TEST(BluetoothListing, UnusablePortNamesAreDropped) {
    ComPortSetup setup;
    setup.hardwareId = kSppHardwareId;
    setup.instanceId = kSppHardwareId + L"\\7&NUMBER&0&001122AABBCC_C0";
    setup.portName = L"5";
    setup.portNameType = REG_DWORD;
    auto numbered = AddComPort(setup);
    setup.portNameType = REG_SZ;
    setup.instanceId = kSppHardwareId + L"\\7&NONAME&0&001122AABBCC_C0";
    setup.portName.reset();
    auto unnamed = AddComPort(setup);
    setup.instanceId = kSppHardwareId + L"\\7&EMPTY&0&001122AABBCD_C0";
    setup.portName = L"";
    auto empty = AddComPort(setup);
    setup.instanceId = kSppHardwareId + L"\\7&ODD&0&001122AABBCE_C0";
    setup.portName = L"BTSPP1";
    auto odd = AddComPort(setup);
    for (auto* device : {numbered.get(), unnamed.get(), empty.get(), odd.get()})
        ASSERT_TRUE(device->Ok()) << Narrow(device->Failure());
    ListViewWindow window;

    ScopedLog log{L"bluetooth"};
    ListBluetoothPrinters(window.List());
    // Only the port with a name that is no COM name is listed, as it stands.
    ASSERT_EQ(window.Rows(), 2);
    EXPECT_EQ(window.Text(0, 0), L"BT Printer(BTSPP1)");

    const auto lines = log.Lines();
    EXPECT_EQ(Count(lines, "decision=drop reason=port_name_type_unsupported index="), 1u);
    EXPECT_EQ(Count(lines, "type=4 path=" + Narrow(numbered->DevicePath())), 1u);
    // Without "PortName" the device has no hardware key here.
    const auto unnamedLines = Containing(lines, "path=" + Narrow(unnamed->DevicePath()));
    ASSERT_EQ(unnamedLines.size(), 1u);
    EXPECT_NE(unnamedLines[0].find("decision=drop reason=device_registry_open_failed index="), std::string::npos);
    EXPECT_NE(unnamedLines[0].find(" hardwareId=" + Narrow(kSppHardwareId) +
                                   " hardwareIdError=0 friendlyName= "
                                   "friendlyNameError=13 error="),
              std::string::npos);
    EXPECT_EQ(Count(lines, "[Bluetooth][Filter] decision=drop stage=port_name reason=port_name_empty path=" +
                               Narrow(empty->DevicePath())),
              1u);
    EXPECT_EQ(Count(lines, "decision=continue stage=port_name reason=unexpected_non_com_name port=BTSPP1 path="), 1u);
}

TEST(BluetoothListing, InvalidListViewHandleStopsAtOnce) {
    ScopedLog log{L"bluetooth"};
    ListBluetoothPrinters(nullptr);
    ListBluetoothPrinters(reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x12345)));
    const auto lines = log.Lines();
    EXPECT_EQ(Count(lines, "[Bluetooth][UI] decision=abort reason=listview_handle_invalid handle="), 2u);
    EXPECT_EQ(Count(lines, "[Bluetooth][Summary]"), 0u);
}

// ---- address property -------------------------------------------------------------------------

// Answers the address property by a word in the device path.
BOOL WINAPI FakeAddressProperty(HDEVINFO set, PSP_DEVICE_INTERFACE_DATA deviceInterface, const DEVPROPKEY* key,
                                DEVPROPTYPE* type, PBYTE buffer, DWORD bufferSize, PDWORD requiredSize, DWORD) {
    BYTE detailBuffer[1024] = {};
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(detailBuffer);
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    SetupDiGetDeviceInterfaceDetailW(set, deviceInterface, detail, sizeof(detailBuffer), nullptr, nullptr);
    const std::wstring path = detail->DevicePath;
    const DEVPROPKEY address = {{0x2bd67d8b, 0x8beb, 0x48d5, {0x87, 0xe0, 0x6c, 0xda, 0x34, 0x28, 0x04, 0x0a}}, 1};
    if (std::memcmp(key, &address, sizeof(address)) != 0) {
        SetLastError(ERROR_NOT_FOUND);
        return FALSE;
    }
    std::wstring text;
    *type = DEVPROP_TYPE_STRING;
    if (path.find(L"propok") != std::wstring::npos) text = L"00:11:22:aa:bb:cc";
    else if (path.find(L"propbad") != std::wstring::npos) text = L"0011-22AA-BBCC-DD";
    else if (path.find(L"propzero") != std::wstring::npos) text = L"00 00 00 00 00 00";
    else {
        SetLastError(ERROR_NOT_FOUND);
        return FALSE;
    }
    const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    *requiredSize = bytes;
    if (bytes > bufferSize) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(buffer, text.c_str(), bytes);
    return TRUE;
}

TEST(BluetoothAddress, InterfacePropertyBeforeDevicePath) {
    ScopedSeam property(seams::Pnp().getDeviceInterfaceProperty, &FakeAddressProperty);
    auto ok = BluetoothPort(L"PROPOK", L"COM10", L"");
    auto bad = BluetoothPort(L"PROPBAD", L"COM11", L"&0&A1B2C3D4E5F6_C00000000");
    auto zero = BluetoothPort(L"PROPZERO", L"COM12", L"&0&A1B2C3D4E5F7_C00000000");

    ScopedLog log{L"bluetooth"};
    const auto entries = EnumerateBluetoothCOMPorts();
    std::map<std::wstring, BluetoothPortEntry> byPort;
    for (const auto& e : entries) byPort[std::wstring(WidePtr(e.portName))] = e;
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(std::wstring(WidePtr(byPort[L"COM10:"].address)), L"001122AABBCC");
    EXPECT_EQ(byPort[L"COM10:"].addressState, kAddressNonZero);
    EXPECT_EQ(std::wstring(WidePtr(byPort[L"COM11:"].address)), L"a1b2c3d4e5f6");

    const auto lines = log.Lines();
    EXPECT_EQ(Count(lines, "result=found source=interface_property port=COM10: address=001122AABBCC state=nonzero"),
              1u);
    EXPECT_EQ(Count(lines, "result=unavailable source=interface_property port=COM11: error=13 "
                           "fallback=device_path_markers"),
              1u);
    EXPECT_EQ(Count(lines, "result=found source=device_path_marker_0 port=COM11: address=a1b2c3d4e5f6 state=nonzero"),
              1u);
    // The property's all-zero address marks an incoming port; the path is not asked.
    EXPECT_EQ(Count(lines, "result=found source=interface_property port=COM12: address=000000000000 state=zero"), 1u);
    EXPECT_EQ(Count(lines, "direction=incoming_candidate port=COM12:"), 1u);
}

// ---- remote device names ----------------------------------------------------------------------

TEST(BluetoothDeviceName, NameValuesOfTheBthportKey) {
    wchar_t name[kBluetoothDeviceNameChars];
    const char binary[] = "Tavolen MX-420";
    RemoteName a(L"00AA00AA00AA", REG_BINARY, binary, sizeof(binary));  // with its terminator
    const wchar_t text[] = L"Tavolen MX-430";
    RemoteName b(L"00BB00BB00BB", REG_SZ, text, sizeof(text));
    const std::string longName(256, 'N');
    RemoteName c(L"00CC00CC00CC", REG_BINARY, longName.data(), static_cast<DWORD>(longName.size()));
    const std::string tooLong(300, 'L');
    RemoteName d(L"00DD00DD00DD", REG_BINARY, tooLong.data(), static_cast<DWORD>(tooLong.size()));
    const DWORD number = 7;
    RemoteName e(L"00EE00EE00EE", REG_DWORD, &number, sizeof(number));
    RemoteName f(L"00FF00FF00FF", REG_BINARY, "\0\0", 2);

    ScopedLog log{L"bluetooth"};
    ASSERT_TRUE(GetDeviceNameByAddress(L"00AA00AA00AA", name, std::size(name)));
    EXPECT_STREQ(name, L"Tavolen MX-420");
    ASSERT_TRUE(GetDeviceNameByAddress(L"00bb00bb00bb", name, std::size(name)));
    EXPECT_STREQ(name, L"Tavolen MX-430");
    wchar_t small[8];
    EXPECT_FALSE(GetDeviceNameByAddress(L"00BB00BB00BB", small, std::size(small)));
    EXPECT_FALSE(GetDeviceNameByAddress(L"00CC00CC00CC", name, std::size(name)));
    EXPECT_FALSE(GetDeviceNameByAddress(L"00DD00DD00DD", name, std::size(name)));
    EXPECT_FALSE(GetDeviceNameByAddress(L"00EE00EE00EE", name, std::size(name)));
    EXPECT_FALSE(GetDeviceNameByAddress(L"00FF00FF00FF", name, std::size(name)));
    EXPECT_FALSE(GetDeviceNameByAddress(L"001122334455", name, std::size(name)));
    EXPECT_EQ(name[0], L'\0');
    EXPECT_FALSE(GetDeviceNameByAddress(L"", name, std::size(name)));
    EXPECT_FALSE(GetDeviceNameByAddress(nullptr, name, std::size(name)));
    EXPECT_FALSE(GetDeviceNameByAddress(L"00AA00AA00AA", nullptr, 0));
    // Only an address names a key: no way up or across the registry.
    EXPECT_FALSE(GetDeviceNameByAddress(L"..\\..\\00AA00", name, std::size(name)));

    const auto lines = log.Lines();
    EXPECT_EQ(Count(lines, "reason=name_buffer_too_small address=00BB00BB00BB requiredChars=15 bufferChars=8"), 1u);
    EXPECT_EQ(Count(lines, "reason=name_buffer_too_small address=00CC00CC00CC requiredChars=257 bufferChars=256"), 1u);
    EXPECT_EQ(Count(lines, "reason=name_value_read_failed address=00DD00DD00DD error=234"), 1u);
    EXPECT_EQ(Count(lines, "reason=name_value_type_unsupported address=00EE00EE00EE type=4"), 1u);
    EXPECT_EQ(Count(lines, "reason=name_conversion_failed address=00FF00FF00FF sourceBytes=2"), 1u);
    EXPECT_EQ(Count(lines, "reason=device_registry_open_failed address=001122334455 error=2"), 1u);
    EXPECT_EQ(Count(lines, "reason=invalid_arguments"), 4u);
}

// ---- registered serial ports ------------------------------------------------------------------

TEST(BluetoothSerialComm, RegisteredPortsMissingFromTheInterfacesAreLogged) {
    struct Value {
        std::wstring name;
        ~Value() { DeleteMachineValue(kSerialComm, name); }
    };
    Value modem{L"\\Device\\BthModem0"}, lost{L"\\Device\\BthModem9"}, number{L"\\Device\\Odd"},
        colon{L"\\Device\\Colon"};
    ASSERT_TRUE(SetMachineString(kSerialComm, modem.name, L"COM13"));
    ASSERT_TRUE(SetMachineString(kSerialComm, lost.name, L"com14::"));
    const DWORD four = 4;
    ASSERT_TRUE(SetMachineValue(kSerialComm, number.name, REG_DWORD, &four, sizeof(four)));
    ASSERT_TRUE(SetMachineString(kSerialComm, colon.name, L":"));
    auto printer = BluetoothPort(L"SERIALCOMM", L"COM13", L"&0&0011223344EE_C00000000");

    ScopedLog log{L"bluetooth"};
    const ComPortNameSet registered = LogRegisteredSerialComPorts();
    EXPECT_TRUE(registered.Contains(u"COM13"));
    EXPECT_TRUE(registered.Contains(u"COM14"));
    EXPECT_EQ(EnumerateBluetoothCOMPorts().size(), 1u);

    const auto lines = log.Lines();
    EXPECT_EQ(Count(lines, "[Bluetooth][OS_COM] decision=present port=COM14 device=\\Device\\BthModem9 type=1"), 2u);
    EXPECT_EQ(Count(lines, "decision=drop reason=serialcomm_value_type_unsupported index="), 2u);
    EXPECT_EQ(Count(lines, "type=4 device=\\Device\\Odd"), 2u);
    EXPECT_EQ(Count(lines, "decision=drop reason=serialcomm_port_name_empty index="), 2u);
    EXPECT_EQ(
        Count(lines, "[Bluetooth][Compare] decision=not_displayable reason=os_com_missing_from_setupapi port=COM14"),
        1u);
    EXPECT_EQ(
        Count(lines, "[Bluetooth][Compare] decision=not_displayable reason=os_com_missing_from_setupapi port=COM13"),
        0u);
    EXPECT_EQ(
        Count(lines, "[Bluetooth][Summary] stage=enumeration registeredComPorts=" + std::to_string(registered.Size()) +
                         " setupApiInterfaces=1 setupApiPorts=1 "
                         "bluetoothCandidates=1 eligiblePorts=1"),
        1u);
}

// ---- pairing ----------------------------------------------------------------------------------

struct PairingScript {
    BOOL selectResult = FALSE;
    DWORD selectError = ERROR_CANCELLED;
    std::vector<BLUETOOTH_DEVICE_INFO> devices;
    DWORD authenticationResult = ERROR_SUCCESS;
    // What the calls saw.
    BLUETOOTH_SELECT_DEVICE_PARAMS params{};
    int frees = 0;
    int authentications = 0;
    HWND authenticationParent = nullptr;
    HANDLE authenticationRadio = reinterpret_cast<HANDLE>(1);
    std::wstring passkey;
    ULONG passkeyLength = 0;
    std::vector<std::wstring> boxes;  // "caption|text"
    UINT boxType = 0;
    HWND boxOwner = nullptr;
};
PairingScript* g_script = nullptr;

BOOL WINAPI FakeSelect(BLUETOOTH_SELECT_DEVICE_PARAMS* params) {
    g_script->params = *params;
    if (g_script->selectResult) {
        params->cNumDevices = static_cast<DWORD>(g_script->devices.size());
        params->pDevices = g_script->devices.empty() ? nullptr : g_script->devices.data();
    }
    SetLastError(g_script->selectError);
    return g_script->selectResult;
}
BOOL WINAPI FakeFree(BLUETOOTH_SELECT_DEVICE_PARAMS*) {
    ++g_script->frees;
    return TRUE;
}
DWORD WINAPI FakeAuthenticate(HWND parent, HANDLE radio, BLUETOOTH_DEVICE_INFO*, PWSTR passkey, ULONG length) {
    ++g_script->authentications;
    g_script->authenticationParent = parent;
    g_script->authenticationRadio = radio;
    g_script->passkey.assign(passkey, length);
    g_script->passkeyLength = length;
    return g_script->authenticationResult;
}
int WINAPI FakeMessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    g_script->boxes.push_back(std::wstring(caption) + L"|" + text);
    g_script->boxType = type;
    g_script->boxOwner = owner;
    return IDOK;
}

// Runs the pairing dialog against a script of answers.
class Pairing {
public:
    explicit Pairing(PairingScript& script)
        : select_(seams::Ui().bluetoothSelectDevices, &FakeSelect),
          free_(seams::Ui().bluetoothSelectDevicesFree, &FakeFree),
          authenticate_(seams::Ui().bluetoothAuthenticateDevice, &FakeAuthenticate),
          box_(seams::Ui().messageBoxW, &FakeMessageBox) {
        g_script = &script;
    }
    ~Pairing() { g_script = nullptr; }

private:
    ScopedSeam<BluetoothSelectDevicesFn> select_;
    ScopedSeam<BluetoothSelectDevicesFreeFn> free_;
    ScopedSeam<BluetoothAuthenticateDeviceFn> authenticate_;
    ScopedSeam<int(WINAPI*)(HWND, LPCWSTR, LPCWSTR, UINT)> box_;
};

BLUETOOTH_DEVICE_INFO Device(const wchar_t* name, bool authenticated) {
    BLUETOOTH_DEVICE_INFO device{};
    device.dwSize = sizeof(device);
    const BYTE address[6] = {0xCC, 0xBB, 0xAA, 0x22, 0x11, 0x00};  // least significant byte first
    std::memcpy(device.Address.rgBytes, address, 6);
    device.fAuthenticated = authenticated;
    device.fRemembered = TRUE;
    wcsncpy(device.szName, name, BLUETOOTH_MAX_NAME_SIZE - 1);
    return device;
}

TEST(BluetoothPairing, CancelShowsNoMessage) {
    ListViewWindow page;
    PairingScript script;
    Pairing pairing(script);
    ScopedLog log{L"bluetooth"};
    EXPECT_FALSE(ShowBluetoothPairDialog(page.Frame()));
    EXPECT_TRUE(script.boxes.empty());
    EXPECT_EQ(script.params.dwSize, sizeof(BLUETOOTH_SELECT_DEVICE_PARAMS));
    EXPECT_EQ(script.params.hwndParent, page.Frame());
    EXPECT_TRUE(script.params.fForceAuthentication && script.params.fShowAuthenticated &&
                script.params.fShowRemembered && script.params.fShowUnknown && script.params.fAddNewDeviceWizard);
    EXPECT_EQ(script.authentications, 0);
    EXPECT_EQ(Count(log.Lines(), "[Bluetooth][Pair] decision=dialog_completed result=false "
                                 "reason=no_selection_or_error error=1223"),
              1u);
}

TEST(BluetoothPairing, FailedSelectionShowsTheSystemText) {
    ListViewWindow page;
    PairingScript script;
    script.selectError = ERROR_ACCESS_DENIED;
    Pairing pairing(script);
    EXPECT_FALSE(ShowBluetoothPairDialog(page.Frame()));
    ASSERT_EQ(script.boxes.size(), 1u);
    wchar_t systemText[512] = {};
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_ACCESS_DENIED, 0,
                   systemText, 512, nullptr);
    ASSERT_NE(systemText[0], L'\0');
    EXPECT_EQ(script.boxes[0], std::wstring(L"\u84DD\u7259\u8BBE\u5907\u9009\u62E9\u9519\u8BEF|") + systemText);
    EXPECT_EQ(script.boxType & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(script.boxOwner, page.Frame());
}

TEST(BluetoothPairing, NoDeviceChosen) {
    PairingScript script;
    script.selectResult = TRUE;
    script.selectError = ERROR_SUCCESS;
    Pairing pairing(script);
    ScopedLog log{L"bluetooth"};
    EXPECT_FALSE(ShowBluetoothPairDialog(nullptr));
    EXPECT_TRUE(script.boxes.empty());
    EXPECT_EQ(Count(log.Lines(), "decision=dialog_completed result=false reason=no_selected_devices"), 1u);
}

TEST(BluetoothPairing, ChosenDeviceIsPairedWithTheFixedPasskey) {
    ListViewWindow page;
    PairingScript script;
    script.selectResult = TRUE;
    script.selectError = ERROR_SUCCESS;
    script.devices = {Device(L"Tavolen MX-410", false), Device(L"Second", false)};
    Pairing pairing(script);
    ScopedLog log{L"bluetooth"};
    EXPECT_TRUE(ShowBluetoothPairDialog(page.Frame()));
    EXPECT_EQ(script.authentications, 1);
    EXPECT_EQ(script.authenticationParent, page.Frame());
    EXPECT_EQ(script.authenticationRadio, nullptr);
    EXPECT_EQ(script.passkey, L"7351");
    EXPECT_EQ(script.passkeyLength, 4u);
    EXPECT_EQ(script.frees, 1);
    EXPECT_TRUE(script.boxes.empty());
    const auto lines = log.Lines();
    EXPECT_EQ(Count(lines, "[Bluetooth][Pair] decision=device_selected name=Tavolen MX-410 address=001122AABBCC "
                           "authenticated=false remembered=true connected=false"),
              1u);
    EXPECT_EQ(Count(lines, "decision=dialog_completed result=true authenticationResult=0 "
                           "note=spp_com_port_creation_is_asynchronous_and_not_guaranteed"),
              1u);
}

TEST(BluetoothPairing, PairedDeviceAndFailedPairing) {
    PairingScript paired;
    paired.selectResult = TRUE;
    paired.selectError = ERROR_SUCCESS;
    paired.devices = {Device(L"Already paired", true)};
    {
        Pairing pairing(paired);
        EXPECT_TRUE(ShowBluetoothPairDialog(nullptr));
    }
    EXPECT_EQ(paired.authentications, 0);

    PairingScript failing = paired;
    failing.devices = {Device(L"Refuses", false)};
    failing.authenticationResult = ERROR_NOT_AUTHENTICATED;
    ScopedLog log{L"bluetooth"};
    {
        Pairing pairing(failing);
        EXPECT_TRUE(ShowBluetoothPairDialog(nullptr));  // the COM port may still come
    }
    const auto lines = log.Lines();
    EXPECT_EQ(Count(lines, "decision=authentication_failed error=1244 note=com_port_may_not_be_created"), 1u);
    EXPECT_EQ(Count(lines, "decision=dialog_completed result=true authenticationResult=1244"), 1u);
}

}  // namespace
}  // namespace kelno::test
