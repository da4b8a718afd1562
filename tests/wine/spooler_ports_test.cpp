// The spooler port scan against Wine's spooler (its local ports COM1-4, LPT1-3 and FILE:, and
// ports the tests add under the spooler's Ports key), a standard TCP/IP port of the stand-in
// port monitor, and Bluetooth COM port devices simulated in the Ports setup class. The decisions
// are read back from the log.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "discovery/win/helper.h"
#include "discovery/port_record.h"
#include "common/win/log.h"
#include "tests/support/simulated_devices.h"
#include "tests/support/scoped_log.h"
#include "tests/support/wine_test_support.h"
#include "tests/support/tcpip_monitor.h"

namespace kelno::test {
namespace {

const wchar_t kSpoolerPortsKey[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
const wchar_t kBluetoothSppId[] = L"BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&0002";

std::wstring W(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

std::map<std::wstring, const PortRecord*> ByPortName(const PortList& list) {
    std::map<std::wstring, const PortRecord*> records;
    for (const PortRecord* r = list.head; r; r = r->next) records[W(FieldText(r->portName))] = r;
    return records;
}

std::uint32_t Length(const PortList& list) {
    std::uint32_t n = 0;
    for (const PortRecord* r = list.head; r; r = r->next) ++n;
    return n;
}

void Push(PortList& list, const char16_t* name, std::uint16_t type) {
    PortRecordPtr record = MakePortRecord();
    SetField(record->portName, name);
    record->portType = type;
    PushFront(list, std::move(record));
}

// A standard TCP/IP port of the stand-in monitor for the lifetime of the object.
class NetworkPort {
public:
    explicit NetworkPort(std::wstring name) : key_(std::wstring(kTcpIpMonitorKey) + L"\\Ports\\" + name) {
        InstallTcpIpMonitor();
        EXPECT_TRUE(SetMachineString(key_, L"HostName", name));
    }
    ~NetworkPort() { DeleteMachineTree(key_); }

private:
    std::wstring key_;
};

// A spooler port added under the Ports key for the lifetime of the object.
class ExtraPort {
public:
    explicit ExtraPort(std::wstring name) : name_(std::move(name)) {
        EXPECT_TRUE(SetMachineString(kSpoolerPortsKey, name_, L""));
    }
    ~ExtraPort() { DeleteMachineValue(kSpoolerPortsKey, name_); }

private:
    std::wstring name_;
};

std::unique_ptr<SimulatedDevice> BluetoothPort(const std::wstring& serial, const std::wstring& portName,
                                               const std::wstring& hardwareId = kBluetoothSppId) {
    ComPortSetup setup;
    setup.instanceId =
        L"BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&0002\\7&" + serial + L"&0&001122AABBCC_C00000000";
    setup.hardwareId = hardwareId;
    setup.portName = portName;
    setup.withInterface = false;
    auto device = AddComPort(setup);
    EXPECT_TRUE(device->Ok()) << Narrow(device->Failure());
    return device;
}

class SpoolerPortsTest : public ::testing::Test {
protected:
    void SetUp() override { FreeLists(); }
    void TearDown() override { FreeLists(); }
    static void FreeLists() {
        FreeAll(UsbDeviceList);
        FreeAll(NetworkPrinterList);
        FreeAll(SpoolerPortList);
    }
};

// ---- classification ---------------------------------------------------------------------------

TEST_F(SpoolerPortsTest, EveryPortGetsItsType) {
    ExtraPort usb(L"USB001");
    NetworkPort network(L"192.168.1.9");
    auto bluetooth = BluetoothPort(L"C0M3", L"COM3");

    ScopedLog log{L"spooler"};
    ASSERT_TRUE(log.started);
    const std::uint32_t added = ComScan();
    const auto records = ByPortName(SpoolerPortList);
    EXPECT_EQ(added, records.size());
    EXPECT_EQ(SpoolerPortList.count, added);
    EXPECT_EQ(Length(SpoolerPortList), added);

    const std::map<std::wstring, std::uint16_t> expected = {
        {L"USB001", kPortTypeUsb},      {L"COM1:", kPortTypeCom}, {L"COM2:", kPortTypeCom},
        {L"COM3:", kPortTypeBluetooth}, {L"COM4:", kPortTypeCom}, {L"LPT1:", kPortTypeOther},
        {L"FILE:", kPortTypeOther},
    };
    for (const auto& [name, type] : expected) {
        ASSERT_EQ(records.count(name), 1u) << Narrow(name);
        EXPECT_EQ(records.at(name)->portType, type) << Narrow(name);
        EXPECT_EQ(W(FieldText(records.at(name)->description)), L"Local Port") << Narrow(name);
    }
    ASSERT_EQ(records.count(L"192.168.1.9"), 1u);
    EXPECT_EQ(records.at(L"192.168.1.9")->portType, kPortTypeNetwork);
    EXPECT_EQ(W(FieldText(records.at(L"192.168.1.9")->description)), L"Standard TCP/IP Port");

    const auto lines = log.Lines();
    // One "seen" and one "classified" line per COM port, none for the others.
    EXPECT_EQ(Containing(lines, "decision=spooler_port_seen").size(), 4u);
    EXPECT_EQ(Containing(lines, "decision=spooler_port_seen port=COM3: description=Local Port spoolerType=").size(),
              1u);
    EXPECT_TRUE(Containing(lines, "port=LPT1:").empty());
    EXPECT_EQ(Containing(lines, "decision=classified port=COM3: installerPortType=5 deviceOpenSucceeded=").size(), 1u);
    EXPECT_EQ(Containing(lines, "decision=classified port=COM4: installerPortType=2 deviceOpenSucceeded=").size(), 1u);
    EXPECT_EQ(
        Containing(lines, "decision=classified_as_bluetooth port=COM3: hardwareId=" + Narrow(kBluetoothSppId)).size(),
        1u);
    // COM2 is not the Bluetooth device's port: one device, one candidate with a readable name.
    EXPECT_EQ(Containing(lines, "decision=classified_as_serial reason=no_matching_bluetooth_device port=COM2: "
                                "enumeratedDevices=1 hardwareIdReadFailures=0 bluetoothHardwareCandidates=1 "
                                "readableCandidatePortNames=1")
                  .size(),
              1u);
    EXPECT_EQ(Containing(lines, "[Bluetooth][Summary] stage=com_scan spoolerComPorts=4 classifiedBluetoothPorts=1 "
                                "acceptedPorts=" +
                                    std::to_string(added))
                  .size(),
              1u);
}

TEST_F(SpoolerPortsTest, OpenResultOnlyLogged) {
    // COM1 is linked to a device of the machine and held open here; COM2 has no device behind
    // it and cannot be opened. Both are listed all the same.
    HANDLE held = CreateFileW(L"COM1:", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ScopedLog log{L"spooler"};
    ComScan();
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    const auto records = ByPortName(SpoolerPortList);
    EXPECT_EQ(records.count(L"COM1:"), 1u);
    ASSERT_EQ(records.count(L"COM2:"), 1u);
    EXPECT_EQ(records.at(L"COM2:")->portType, kPortTypeCom);
    const auto lines = log.Lines();
    EXPECT_EQ(Containing(lines, "decision=classified port=COM2: installerPortType=2 deviceOpenSucceeded=false "
                                "note=device_open_result_does_not_filter_port")
                  .size(),
              1u);
}

// ---- no port twice ----------------------------------------------------------------------------

TEST_F(SpoolerPortsTest, PortsOfOtherListsAreNotAddedAgain) {
    ExtraPort usb(L"USB001");
    NetworkPort network(L"192.168.1.9");
    Push(UsbDeviceList, u"USB001", kPortTypeUsb);                // the printer is plugged in
    Push(NetworkPrinterList, u"192.168.1.9", kPortTypeNetwork);  // it answered the discovery
    Push(SpoolerPortList, u"COM4:", kPortTypeCom);

    ScopedLog log{L"spooler"};
    const std::uint32_t added = ComScan();
    const auto records = ByPortName(SpoolerPortList);
    EXPECT_EQ(records.count(L"USB001"), 0u);
    EXPECT_EQ(records.count(L"192.168.1.9"), 0u);
    EXPECT_EQ(records.count(L"LPT1:"), 1u);
    EXPECT_EQ(records.count(L"COM1:"), 1u);
    EXPECT_EQ(Length(SpoolerPortList), added + 1);  // COM4: was there before, once
    EXPECT_EQ(SpoolerPortList.count, added + 1);

    // A second scan finds every port already listed.
    EXPECT_EQ(ComScan(), 0u);
    EXPECT_EQ(Length(SpoolerPortList), added + 1);

    const auto lines = log.Lines();
    EXPECT_EQ(Containing(lines, "decision=drop reason=unknown_type_or_duplicate port=COM4: installerPortType=2 "
                                "duplicateUsb=false duplicateNet=false duplicateCom=true")
                  .size(),
              2u);
    EXPECT_EQ(Containing(lines, "decision=drop reason=unknown_type_or_duplicate port=COM1:").size(), 1u);
    // Duplicates of other types are dropped without a line.
    EXPECT_TRUE(Containing(lines, "port=USB001").empty());
}

// ---- Bluetooth recognition --------------------------------------------------------------------

TEST_F(SpoolerPortsTest, BluetoothPortNamesMatchWithoutCaseOrColon) {
    auto bluetooth = BluetoothPort(L"NAMES", L"COM7:");
    for (const wchar_t* name : {L"COM7", L"COM7:", L"com7", L"Com7:"})
        EXPECT_TRUE(IsBluetoothComPort(name)) << Narrow(name);
    for (const wchar_t* name : {L"COM70", L"COM", L"COM7::", L"LPT7"})
        EXPECT_FALSE(IsBluetoothComPort(name)) << Narrow(name);
}

TEST_F(SpoolerPortsTest, BluetoothHardwareIdsAndUnreadableDevices) {
    auto bthport = BluetoothPort(L"BTHPORT", L"COM8", L"BTHPORT\\REMOTE_DEVICE");
    // Hardware identifiers are compared case-sensitively: this one is no candidate.
    auto lower = BluetoothPort(L"LOWER", L"COM9", L"bthenum\\{00001101-0000-1000-8000-00805f9b34fb}");
    ComPortSetup setup;
    setup.instanceId = L"BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&0002\\7&NONAME&0&001122AABBCC_C0";
    setup.hardwareId = kBluetoothSppId;
    setup.withInterface = false;  // and no "PortName"
    auto unnamed = AddComPort(setup);
    ASSERT_TRUE(unnamed->Ok()) << Narrow(unnamed->Failure());
    setup.instanceId = L"BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&0002\\7&NUMBER&0&001122AABBCC_C0";
    setup.portName = L"5";
    setup.portNameType = REG_DWORD;  // a number where a name belongs
    auto numbered = AddComPort(setup);
    ASSERT_TRUE(numbered->Ok()) << Narrow(numbered->Failure());
    ComPortSetup serial;
    serial.instanceId = L"ACPI\\PNP0501\\1";
    serial.hardwareId = L"ACPI\\PNP0501";
    serial.portName = L"COM9";
    serial.withInterface = false;
    auto plain = AddComPort(serial);
    ASSERT_TRUE(plain->Ok()) << Narrow(plain->Failure());

    ScopedLog log{L"spooler"};
    EXPECT_TRUE(IsBluetoothComPort(L"COM8:"));
    EXPECT_FALSE(IsBluetoothComPort(L"COM9:"));
    EXPECT_FALSE(IsBluetoothComPort(L""));
    EXPECT_FALSE(IsBluetoothComPort(nullptr));
    const auto lines = log.Lines();
    EXPECT_EQ(Containing(lines, "decision=classified_as_bluetooth port=COM8: hardwareId=BTHPORT\\REMOTE_DEVICE").size(),
              1u);
    EXPECT_EQ(Containing(lines, "classification_probe_failed port=COM9: stage=device_registry_open index=").size(), 1u);
    EXPECT_EQ(Containing(lines, "classification_probe_failed port=COM9: stage=port_name_read index=").size(), 1u);
    EXPECT_EQ(Containing(lines, "error=" + std::to_string(ERROR_INVALID_DATATYPE)).size(), 1u);
    EXPECT_EQ(Containing(lines, "decision=classified_as_serial reason=no_matching_bluetooth_device port=COM9: "
                                "enumeratedDevices=5 hardwareIdReadFailures=0 bluetoothHardwareCandidates=3 "
                                "readableCandidatePortNames=1")
                  .size(),
              1u);
    EXPECT_EQ(Containing(lines, "[warning]").size(), 2u);
    EXPECT_EQ(Containing(lines, "decision=not_bluetooth reason=invalid_port_name").size(), 2u);
}

}  // namespace
}  // namespace kelno::test
