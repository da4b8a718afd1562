#include <gtest/gtest.h>

#include <string>

#include "discovery/port_classification.h"
#include "discovery/registry_text.h"

namespace kelno {
namespace {

TEST(ClassifySpoolerPort, TypicalPortsRuleOrderAndCase) {
    struct Case {
        const char16_t* name;
        const char16_t* description;
        bool bluetoothProbe;
        std::uint16_t type;
    } const cases[] = {
        // Typical spooler ports.
        {u"USB001", u"Virtual printer port for USB", false, kPortTypeUsb},
        {u"192.168.1.9", u"Standard TCP/IP Port", false, kPortTypeNetwork},
        {u"LPT1:", u"Local Port", false, kPortTypeOther},
        {u"FILE:", u"Print to File", false, kPortTypeOther},
        {u"COM1:", u"Local Port", false, kPortTypeCom},
        {u"COM3:", u"Local Port", true, kPortTypeBluetooth},
        // USB wins over TCP/IP; COM overrides both.
        {u"USB002", u"Standard TCP/IP Port", false, kPortTypeUsb},
        {u"USBCOM1", u"", false, kPortTypeCom},
        {u"COM5", u"Standard TCP/IP Port", true, kPortTypeBluetooth},
        // Substring tests are case-sensitive.
        {u"usb001", u"tcp/ip", false, kPortTypeOther},
        {u"com1:", u"", true, kPortTypeOther},
        // The probe's answer only counts for COM names.
        {u"LPT1:", u"", true, kPortTypeOther},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ClassifySpoolerPort(c.name, c.description, c.bluetoothProbe), c.type)
            << std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name)) << " probe "
            << c.bluetoothProbe;
    EXPECT_TRUE(IsComPortName(u"MYCOM"));
    EXPECT_FALSE(IsComPortName(u"Com1"));
}

TEST(BluetoothComProbe, HardwareIdAndPortNameRules) {
    EXPECT_TRUE(IsBluetoothPortsHardwareId(u"BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&0002"));
    EXPECT_TRUE(IsBluetoothPortsHardwareId(u"BTHPORT\\x"));
    EXPECT_FALSE(IsBluetoothPortsHardwareId(u"ACPI\\PNP0501"));

    EXPECT_TRUE(SameComPortName(u"COM3", u"COM3:"));
    EXPECT_TRUE(SameComPortName(u"com3:", u"COM3"));
    EXPECT_FALSE(SameComPortName(u"COM3", u"COM3::"));  // only one ":" is dropped
    EXPECT_FALSE(SameComPortName(u"COM3", u"COM31"));
    EXPECT_FALSE(SameComPortName(u"", u""));
    EXPECT_FALSE(SameComPortName(u":", u""));
}

TEST(ComScanDuplicates, FoundInAnyOfTheThreeLists) {
    PortList usb, net, spooler;
    PortRecordPtr r = MakePortRecord();
    SetField(r->portName, u"USB001");
    PushFront(usb, std::move(r));
    auto d = FindPortNameDuplicates(u"USB001", usb, net, spooler);
    EXPECT_TRUE(d.usb);
    EXPECT_FALSE(d.network || d.spooler);
    EXPECT_TRUE(d.Any());
    EXPECT_FALSE(FindPortNameDuplicates(u"USB002", usb, net, spooler).Any());
    FreeAll(usb);
}

TEST(FillSpoolerPortRecord, RefusesNamesThatDoNotFit) {
    PortRecordPtr r = MakePortRecord();
    EXPECT_TRUE(FillSpoolerPortRecord(*r, u"COM1:", std::u16string(400, u'd'), kPortTypeCom));
    EXPECT_EQ(FieldText(r->portName), u"COM1:");
    EXPECT_EQ(FieldText(r->description).size(), 259u);
    EXPECT_EQ(r->portType, kPortTypeCom);
    EXPECT_FALSE(FillSpoolerPortRecord(*r, std::u16string(260, u'P'), u"", kPortTypeOther));
    EXPECT_FALSE(FillSpoolerPortRecord(*r, u"", u"", kPortTypeOther));
    EXPECT_FALSE(FillSpoolerPortRecord(*r, std::u16string_view(u"COM9\0x", 6), u"", kPortTypeOther));
    EXPECT_EQ(FieldText(r->portName), u"COM1:");  // left as it was
}

TEST(RegistryText, StopsAtNulOrTheEndOfTheData) {
    const char16_t terminated[] = u"COM5\0junk";
    EXPECT_EQ(RegistryStringText(terminated, sizeof(terminated)), u"COM5");
    const char16_t unterminated[4] = {u'C', u'O', u'M', u'7'};
    EXPECT_EQ(RegistryStringText(unterminated, sizeof(unterminated)), u"COM7");
    EXPECT_EQ(RegistryStringText(unterminated, 5), u"CO");  // an odd byte is ignored
    EXPECT_EQ(RegistryStringText(nullptr, 100), u"");
    const char16_t multi[] = u"BTHENUM\\A\0BTHENUM\\B\0";
    EXPECT_EQ(FirstMultiString(multi, sizeof(multi)), u"BTHENUM\\A");
}

}  // namespace
}  // namespace kelno
