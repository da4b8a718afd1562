// The USB printer scan, the port-to-device-path lookup and the model-variant query against
// USB printers simulated in the prefix's SetupAPI database. Wine has no driver behind a
// simulated device path, so the device-ID answers come through the discovery seam; one test
// runs the real query and sees it fail the way an unreachable printer does.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/win/seams.h"
#include "discovery/port_record.h"
#include "discovery/usb_checksum.h"
#include "discovery/usb_hardware_id.h"
#include "discovery/win/usb_scan.h"
#include "common/model_table.h"
#include "common/win/seams.h"
#include "tests/support/simulated_devices.h"
#include "tests/support/wine_test_support.h"

namespace kelno::test {
namespace {

std::wstring W(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

template <std::size_t N>
std::wstring Field(const char16_t (&field)[N]) {
    return W(FieldText(field));
}

// The records of a list by port name.
std::map<std::wstring, const PortRecord*> ByPortName(const PortList& list) {
    std::map<std::wstring, const PortRecord*> records;
    for (const PortRecord* r = list.head; r; r = r->next) records[Field(r->portName)] = r;
    return records;
}

std::uint32_t Length(const PortList& list) {
    std::uint32_t n = 0;
    for (const PortRecord* r = list.head; r; r = r->next) ++n;
    return n;
}

void PushSpoolerPort(const char16_t* name) {
    PortRecordPtr record = MakePortRecord();
    SetField(record->portName, name);
    SetField(record->description, u"Local Port");
    record->portType = kPortTypeUsb;
    PushFront(SpoolerPortList, std::move(record));
}

// Each test starts and ends with empty process-wide lists.
class UsbScanTest : public ::testing::Test {
protected:
    void SetUp() override { FreeLists(); }
    void TearDown() override { FreeLists(); }
    static void FreeLists() {
        FreeAll(UsbDeviceList);
        FreeAll(SpoolerPortList);
        FreeAll(local_);
    }

    std::unique_ptr<SimulatedDevice> Printer(const std::wstring& vendor, const std::wstring& serial,
                                             std::optional<DWORD> port,
                                             std::optional<std::wstring> description = L"TavolenMX-410",
                                             std::optional<std::wstring> serialNumber = std::nullopt) {
        UsbPrinterSetup setup;
        setup.instanceId = L"USB\\VID_" + vendor + L"&PID_0001\\" + serial;
        setup.portNumber = port;
        setup.portDescription = std::move(description);
        setup.serialNumber = serialNumber ? serialNumber : std::optional<std::wstring>(serial);
        auto device = AddUsbPrinter(setup);
        EXPECT_TRUE(device->Ok()) << Narrow(device->Failure());
        return device;
    }

    static PortList local_;  // the one-click installer's own list
};

PortList UsbScanTest::local_;

// ---- the scan ---------------------------------------------------------------------------------

TEST_F(UsbScanTest, PortNamesVendorAndTypeOfEachPrinter) {
    auto a = Printer(L"2D37", L"PN7", 7);
    auto b = Printer(L"2D84", L"PN123", 123);
    auto c = Printer(L"2D37", L"PN1234", 1234);

    EXPECT_EQ(ScanUsbPorts(local_), 3u);
    EXPECT_EQ(local_.count, 3u);
    EXPECT_EQ(Length(local_), 3u);
    const auto records = ByPortName(local_);
    ASSERT_EQ(records.count(L"USB007"), 1u);
    ASSERT_EQ(records.count(L"USB123"), 1u);
    ASSERT_EQ(records.count(L"USB1234"), 1u);
    // The vendor text stands as in the device path, which Wine reports in lower case.
    EXPECT_EQ(Field(records.at(L"USB007")->vendorId), L"2d37");
    EXPECT_EQ(Field(records.at(L"USB123")->vendorId), L"2d84");
    EXPECT_EQ(Field(records.at(L"USB123")->serialNumber), L"PN123");
    for (const auto& [name, record] : records) {
        EXPECT_EQ(record->portType, kPortTypeUsb) << Narrow(name);
        EXPECT_EQ(Field(record->description), L"TavolenMX-410");
    }
}

TEST_F(UsbScanTest, ModelDescriptionGivesTheInfHardwareId) {
    auto printer = Printer(L"2D37", L"HWID", 1, L"TavolenMX-410");
    ASSERT_EQ(ScanUsbPorts(local_), 1u);
    const PortRecord& record = *local_.head;

    const ModelRow* row = FindModel(FieldText(record.description));
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(ModelDisplayName(*row), u"Tavolen MX-410");
    // The model table's checksum column is the one the INF lists: the scan must agree with it.
    EXPECT_EQ(Field(record.hardwareIdChecksum), W(ChecksumDigits(row->checksum)));
    EXPECT_EQ(Field(record.hardwareId), L"usbprint\\tavolenmx-410" + W(ChecksumDigits(row->checksum)));
}

TEST_F(UsbScanTest, LongDescriptionAndSerialAreCutBeforeTheChecksum) {
    const std::wstring description = L"TavolenMX-410 with a rather long description text";  // over 32 characters
    const std::wstring serial(40, L'S');
    auto printer = Printer(L"2D37", L"LONG", 2, description, serial);
    ASSERT_EQ(ScanUsbPorts(local_), 1u);
    const PortRecord& record = *local_.head;

    const std::wstring cut = description.substr(0, 32);
    EXPECT_EQ(Field(record.description), cut);
    EXPECT_EQ(Field(record.serialNumber), serial.substr(0, 32));
    const std::string bytes = Narrow(cut);
    const auto checksum = UsbHardwareIdChecksum(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    const std::string whole = Narrow(description);
    ASSERT_NE(checksum, UsbHardwareIdChecksum(reinterpret_cast<const std::uint8_t*>(whole.data()), whole.size()));
    EXPECT_EQ(Field(record.hardwareIdChecksum), W(ChecksumDigits(checksum)));
    EXPECT_EQ(Field(record.hardwareId), L"usbprint\\tavolenmx-410 with a rather long" + W(ChecksumDigits(checksum)));
}

TEST_F(UsbScanTest, MissingValuesLeaveTheirFieldsEmpty) {
    UsbPrinterSetup setup;
    setup.instanceId = L"USB\\VID_2D37&PID_0001\\BARE";
    setup.portNumber = 5;
    auto bare = AddUsbPrinter(setup);  // neither description nor serial number
    ASSERT_TRUE(bare->Ok()) << Narrow(bare->Failure());
    setup.instanceId = L"USB\\VID_2D37&PID_0001\\NOPORT";
    setup.portNumber.reset();
    setup.portDescription = L"TavolenMX-310";
    auto noPort = AddUsbPrinter(setup);
    ASSERT_TRUE(noPort->Ok()) << Narrow(noPort->Failure());

    ASSERT_EQ(ScanUsbPorts(local_), 2u);
    const auto records = ByPortName(local_);
    ASSERT_EQ(records.count(L"USB005"), 1u);
    const PortRecord& first = *records.at(L"USB005");
    EXPECT_EQ(Field(first.description), L"");
    EXPECT_EQ(Field(first.serialNumber), L"");
    EXPECT_EQ(Field(first.hardwareIdChecksum), L"0000");  // the checksum of no bytes
    EXPECT_EQ(Field(first.hardwareId), L"usbprint\\0000");
    // Without "Port Number" the printer is still listed, with no port name.
    ASSERT_EQ(records.count(L""), 1u);
    EXPECT_EQ(Field(records.at(L"")->description), L"TavolenMX-310");
}

TEST_F(UsbScanTest, InterfaceWithoutDeviceParametersIsSkipped) {
    auto kept = Printer(L"2D37", L"KEPT", 3);
    auto lost = Printer(L"2D37", L"LOST", 4);
    ASSERT_TRUE(DeleteMachineTree(lost->InterfaceParametersKey()));
    ASSERT_EQ(ScanUsbPorts(local_), 1u);
    EXPECT_EQ(Field(local_.head->portName), L"USB003");
}

TEST_F(UsbScanTest, EveryScanReplacesTheList) {
    auto a = Printer(L"2D37", L"R1", 1);
    auto b = Printer(L"2D37", L"R2", 2);
    ASSERT_EQ(ScanUsbPorts(local_), 2u);
    b.reset();  // unplugged
    EXPECT_EQ(ScanUsbPorts(local_), 1u);
    EXPECT_EQ(local_.count, 1u);
    ASSERT_NE(local_.head, nullptr);
    EXPECT_EQ(local_.head->next, nullptr);
    EXPECT_EQ(Field(local_.head->portName), L"USB001");
    a.reset();
    EXPECT_EQ(ScanUsbPorts(local_), 0u);
    EXPECT_EQ(local_.head, nullptr);
    EXPECT_EQ(local_.count, 0u);
}

// ---- the wizard's scan and the one-click installer's ------------------------------------------

int g_locateCalls = 0;
CONFIGRET WINAPI CountLocate(PDEVINST devInst, DEVINSTID_W, ULONG) {
    ++g_locateCalls;
    *devInst = 1;
    return CR_SUCCESS;
}
int g_reenumerateCalls = 0;
CONFIGRET WINAPI CountReenumerate(DEVINST, ULONG flags) {
    if (flags == 0) ++g_reenumerateCalls;
    return CR_SUCCESS;
}

TEST_F(UsbScanTest, WizardScanReenumeratesAndTakesOverSpoolerPorts) {
    ScopedSeam locate(seams::Pnp().cmLocateDevNodeW, &CountLocate);
    ScopedSeam reenumerate(seams::Pnp().cmReenumerateDevNode, &CountReenumerate);
    g_locateCalls = g_reenumerateCalls = 0;
    auto a = Printer(L"2D37", L"W1", 1);
    auto b = Printer(L"2D37", L"W2", 2);
    // USB002 at the head, USB001 further down: both go, the others stay.
    PushSpoolerPort(u"LPT1:");
    PushSpoolerPort(u"USB001");
    PushSpoolerPort(u"USB003");
    PushSpoolerPort(u"USB002");
    ASSERT_EQ(SpoolerPortList.count, 4u);

    EXPECT_EQ(ScanUsbPorts(), 2u);
    EXPECT_EQ(g_locateCalls, 1);
    EXPECT_EQ(g_reenumerateCalls, 1);
    EXPECT_EQ(UsbDeviceList.count, 2u);
    const auto spooler = ByPortName(SpoolerPortList);
    EXPECT_EQ(spooler.size(), 2u);
    EXPECT_EQ(spooler.count(L"LPT1:"), 1u);
    EXPECT_EQ(spooler.count(L"USB003"), 1u);
    EXPECT_EQ(SpoolerPortList.count, 2u);
    EXPECT_EQ(Length(SpoolerPortList), 2u);

    // The one-click installer's form: its own list, no re-enumeration, the spooler list untouched.
    PushSpoolerPort(u"USB001");
    EXPECT_EQ(ScanUsbPorts(local_), 2u);
    EXPECT_EQ(g_locateCalls, 1);
    EXPECT_EQ(SpoolerPortList.count, 3u);
    EXPECT_EQ(UsbDeviceList.count, 2u);
}

TEST_F(UsbScanTest, WizardScanGoesOnWhenTheRootNodeIsMissing) {
    // Wine's configuration manager cannot locate the root node: the scan skips re-enumeration.
    auto a = Printer(L"2D37", L"NOROOT", 6);
    EXPECT_EQ(ScanUsbPorts(), 1u);
    EXPECT_EQ(Field(UsbDeviceList.head->portName), L"USB006");
}

// ---- port to device path ----------------------------------------------------------------------

TEST_F(UsbScanTest, DevicePathOfSupportedVendorsByExactPortName) {
    auto a = Printer(L"2D37", L"P7", 7);
    auto b = Printer(L"2D84", L"P8", 8);
    wchar_t path[kPortTextChars];

    ASSERT_TRUE(FindUsbDevicePath(L"USB007", path));
    EXPECT_EQ(std::wstring(path), a->DevicePath());
    ASSERT_TRUE(FindUsbDevicePath(L"USB008", path));
    EXPECT_EQ(std::wstring(path), b->DevicePath());

    for (const wchar_t* other :
         {L"usb007", L"USB07", L"USB0070", L"USB009", L"", static_cast<const wchar_t*>(nullptr)}) {
        wmemset(path, L'x', kPortTextChars);
        EXPECT_FALSE(FindUsbDevicePath(other, path)) << (other ? Narrow(other) : "null");
        EXPECT_EQ(path[0], L'\0');
    }
}

int g_queries = 0;
std::wstring g_queriedPath;
std::string g_answer;
bool g_answerOk = true;

bool FakeQuery(const wchar_t* devicePath, std::uint8_t* answer, std::size_t capacity, std::size_t* returned) {
    ++g_queries;
    g_queriedPath = devicePath;
    const std::size_t n = g_answer.size() < capacity ? g_answer.size() : capacity;
    std::memcpy(answer, g_answer.data(), n);
    *returned = n;
    return g_answerOk;
}

TEST_F(UsbScanTest, OtherVendorIsListedButNeverResolved) {
    auto st = Printer(L"0483", L"ST", 9, L"QuillonMX-362");
    ASSERT_EQ(ScanUsbPorts(local_), 1u);
    EXPECT_EQ(Field(local_.head->portName), L"USB009");
    EXPECT_EQ(Field(local_.head->vendorId), L"0483");

    wchar_t path[kPortTextChars];
    EXPECT_FALSE(FindUsbDevicePath(L"USB009", path));
    // The configuration DLL's form takes any vendor.
    ASSERT_TRUE(FindUsbDevicePath(L"USB009", path, UsbVendorScope::anyVendor));
    EXPECT_EQ(std::wstring(path), st->DevicePath());

    ScopedSeam query(seams::Pnp().queryDeviceId, &FakeQuery);
    g_queries = 0;
    g_answer = "CMD:QVL;";
    g_answerOk = true;
    wchar_t model[kModelVariantChars] = L"as chosen";
    EXPECT_FALSE(ResolveDeviceModelVariant(L"USB009", model));
    EXPECT_STREQ(model, L"as chosen");
    EXPECT_EQ(g_queries, 0);
}

// ---- model variant ----------------------------------------------------------------------------

TEST_F(UsbScanTest, ModelVariantFromTheCommandSet) {
    auto printer = Printer(L"2D37", L"QVL", 11, L"QuillonMX-362");
    ScopedSeam query(seams::Pnp().queryDeviceId, &FakeQuery);
    g_answerOk = true;

    const struct {
        std::string answer;
        const wchar_t* model;
    } cases[] = {
        {"MFG:Quillon;MDL:MX-362;CMD:QVL;", L"Quillon MX-362_"},
        {"MFG:Quillon;MDL:MX-362;CMD:ESC/POS;", L"Quillon MX-362"},
        {"MFG:Quillon;MDL:MX-362;", L"Quillon MX-362"},            // no CMD key
        {std::string(1020, 'A') + "CMD:QVL;", L"Quillon MX-362"},  // fills the buffer: the rest is not read
        {"", L"Quillon MX-362"},
    };
    for (const auto& c : cases) {
        g_queries = 0;
        g_answer = c.answer;
        wchar_t model[kModelVariantChars] = L"as chosen";
        EXPECT_TRUE(ResolveDeviceModelVariant(L"USB011", model)) << c.answer;
        EXPECT_STREQ(model, c.model) << c.answer;
        EXPECT_EQ(g_queries, 1);
        EXPECT_EQ(g_queriedPath, printer->DevicePath());
    }

    // A printer that does not answer leaves the model text as it was.
    g_answerOk = false;
    g_answer = "CMD:QVL;";
    wchar_t model[kModelVariantChars] = L"as chosen";
    EXPECT_FALSE(ResolveDeviceModelVariant(L"USB011", model));
    EXPECT_STREQ(model, L"as chosen");
}

TEST_F(UsbScanTest, RealQueryOfAPrinterWithoutDriverChangesNothing) {
    // Nothing serves the simulated device path, so CreateFileW fails as for an unplugged printer.
    auto printer = Printer(L"2D37", L"REAL", 12, L"QuillonMX-362");
    std::uint8_t answer[16];
    std::size_t returned = 99;
    EXPECT_FALSE(QueryDeviceIdFromDevice(printer->DevicePath().c_str(), answer, sizeof(answer), &returned));
    EXPECT_EQ(returned, 0u);
    wchar_t model[kModelVariantChars] = L"as chosen";
    EXPECT_FALSE(ResolveDeviceModelVariant(L"USB012", model));
    EXPECT_STREQ(model, L"as chosen");
}

}  // namespace
}  // namespace kelno::test
