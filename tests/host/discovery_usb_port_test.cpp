#include <gtest/gtest.h>

#include <string>

#include "discovery/port_record.h"
#include "discovery/usb_port_fields.h"
#include "common/model_table.h"

namespace kelno {
namespace {

constexpr std::u16string_view kPath = u"\\\\?\\usb#vid_2d37&pid_0001#ser123#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";

PortRecordPtr Filled(const UsbInterfaceValues& values, ToAnsiFn toAnsi = AsciiAnsiFromU16) {
    PortRecordPtr record = MakePortRecord();
    FillUsbPortRecord(*record, values, toAnsi);
    return record;
}

TEST(UsbPortName, AtLeastThreeDigits) {
    EXPECT_EQ(UsbPortName(1), u"USB001");
    EXPECT_EQ(UsbPortName(7), u"USB007");
    EXPECT_EQ(UsbPortName(123), u"USB123");
    EXPECT_EQ(UsbPortName(1234), u"USB1234");
    EXPECT_EQ(UsbPortName(0), u"USB000");
    EXPECT_EQ(UsbPortName(4294967295u), u"USB4294967295");
}

TEST(UsbVendorId, FourCharactersAfterTheFirstTwelve) {
    EXPECT_EQ(UsbVendorIdFromPath(kPath), u"2d37");
    EXPECT_EQ(UsbVendorIdFromPath(u"\\\\?\\USB#VID_2D84&PID_0002"), u"2D84");
    EXPECT_EQ(UsbVendorIdFromPath(u"\\\\?\\usb#vid_2d3"), u"");
    EXPECT_EQ(UsbVendorIdFromPath(u""), u"");
}

TEST(UsbVendorId, FilterAcceptsOnlyTheFourSpellings) {
    for (auto id : {u"2d37", u"2d84", u"2D37", u"2D84"}) EXPECT_TRUE(IsSupportedUsbVendorId(id));
    for (auto id : {u"2D3", u"2d37 ", u"2d3A", u"2D37&", u"0483", u""}) EXPECT_FALSE(IsSupportedUsbVendorId(id));
}

TEST(UsbDeviceParametersKey, PathLessItsFirstFourCharacters) {
    EXPECT_EQ(UsbDeviceParametersKey(kPath),
              u"SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\{28d78fad-5a12-11d1-ae5b-0000f803a8c2}\\##?#"
              u"usb#vid_2d37&pid_0001#ser123#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}\\#\\Device Parameters");
}

TEST(UsbDeviceParametersKey, RefusesPathsThatAreTooShortOrLeaveTheirKey) {
    EXPECT_EQ(UsbDeviceParametersKey(u"\\\\?\\"), u"");
    EXPECT_EQ(UsbDeviceParametersKey(u""), u"");
    EXPECT_EQ(UsbDeviceParametersKey(u"\\\\?\\usb#..\\..\\Enum"), u"");
    EXPECT_EQ(UsbDeviceParametersKey(std::u16string_view(u"\\\\?\\usb\0x", 9)), u"");
}

TEST(FillUsbPortRecord, TavolenPrinterGetsItsHardwareIdentifier) {
    auto r = Filled({kPath, u"TavolenMX-410", 7u, u"SER123"});
    EXPECT_EQ(FieldText(r->vendorId), u"2d37");
    EXPECT_EQ(FieldText(r->portName), u"USB007");
    EXPECT_EQ(FieldText(r->description), u"TavolenMX-410");
    EXPECT_EQ(FieldText(r->serialNumber), u"SER123");
    EXPECT_EQ(FieldText(r->hardwareIdChecksum), u"7472");  // the ModelTable checksum of this model
    EXPECT_EQ(FieldText(r->hardwareId), u"usbprint\\tavolenmx-4107472");
    EXPECT_EQ(r->portType, kPortTypeUsb);
    EXPECT_NE(FindModel(FieldText(r->description)), nullptr);
}

TEST(FillUsbPortRecord, LongTextsAreCutTo32BeforeTheChecksum) {
    const std::u16string longDescription = u"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    auto cut = Filled({kPath, longDescription, 1u, std::u16string(40, u's')});
    auto exact = Filled({kPath, longDescription.substr(0, 32), 1u, u""});
    EXPECT_EQ(FieldText(cut->description), longDescription.substr(0, 32));
    EXPECT_EQ(FieldText(cut->serialNumber), std::u16string(32, u's'));
    EXPECT_EQ(FieldText(cut->hardwareIdChecksum), FieldText(exact->hardwareIdChecksum));
    EXPECT_EQ(FieldText(cut->hardwareId), FieldText(exact->hardwareId));
}

TEST(FillUsbPortRecord, MissingValuesLeaveFieldsEmpty) {
    auto r = Filled({kPath, u"", std::nullopt, u""});
    EXPECT_EQ(FieldText(r->portName), u"");
    EXPECT_EQ(FieldText(r->description), u"");
    EXPECT_EQ(FieldText(r->hardwareIdChecksum), u"0000");
    EXPECT_EQ(FieldText(r->hardwareId), u"usbprint\\0000");
    EXPECT_EQ(r->portType, kPortTypeUsb);
}

TEST(FillUsbPortRecord, ChecksumCoversTheAnsiBytesOfTheDescription) {
    // A converter that turns every character into two bytes changes the checksum, not the text.
    ToAnsiFn doubled = [](std::u16string_view text) {
        std::string out;
        for (char16_t c : text) out.append(2, static_cast<char>(c));
        return out;
    };
    auto plain = Filled({kPath, u"abc", 1u, u""});
    auto wide = Filled({kPath, u"abc", 1u, u""}, doubled);
    EXPECT_EQ(FieldText(plain->hardwareIdChecksum), u"9738");
    EXPECT_NE(FieldText(wide->hardwareIdChecksum), u"9738");
    EXPECT_EQ(FieldText(wide->description), u"abc");
}

TEST(FillUsbPortRecord, CutNeverSplitsASurrogatePair) {
    std::u16string text(31, u'a');
    text += u"\U0001F5A8";  // a pair at units 31 and 32
    EXPECT_EQ(CutText(text, 32), std::u16string(31, u'a'));
    EXPECT_EQ(CutText(text, 33), text);
}

TEST(AdoptUsbRecord, TakesOverTheSpoolerPortOfTheSameName) {
    PortList devices, spooler;
    for (auto name : {u"USB001", u"USB007", u"COM1:"}) {
        PortRecordPtr r = MakePortRecord();
        SetField(r->portName, name);
        PushFront(spooler, std::move(r));
    }
    AdoptUsbRecord(devices, &spooler, Filled({kPath, u"TavolenMX-410", 7u, u""}));
    AdoptUsbRecord(devices, nullptr, Filled({kPath, u"TavolenMX-410", 1u, u""}));
    EXPECT_EQ(devices.count, 2u);
    EXPECT_EQ(spooler.count, 2u);
    EXPECT_EQ(FindByPortName(spooler, u"USB007"), nullptr);
    EXPECT_NE(FindByPortName(spooler, u"USB001"), nullptr);
    // A record without a port name takes nothing over.
    AdoptUsbRecord(devices, &spooler, Filled({kPath, u"x", std::nullopt, u""}));
    EXPECT_EQ(spooler.count, 2u);
    FreeAll(devices);
    FreeAll(spooler);
}

TEST(UsbInterfaceServesPort, VendorFilterAndExactPortName) {
    EXPECT_TRUE(UsbInterfaceServesPort(kPath, 7u, u"USB007"));
    EXPECT_FALSE(UsbInterfaceServesPort(kPath, 7u, u"usb007"));
    EXPECT_FALSE(UsbInterfaceServesPort(kPath, 7u, u"USB07"));
    EXPECT_FALSE(UsbInterfaceServesPort(kPath, std::nullopt, u"USB000"));
    const std::u16string_view other = u"\\\\?\\usb#vid_0483&pid_5740#1#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";
    EXPECT_FALSE(UsbInterfaceServesPort(other, 3u, u"USB003"));
    EXPECT_TRUE(UsbInterfaceServesPort(other, 3u, u"USB003", /*anyVendor=*/true));
}

TEST(StoreDevicePath, WholePathOrNothing) {
    char16_t out[kPortTextChars];
    ASSERT_TRUE(StoreDevicePath(out, kPath));
    EXPECT_EQ(FieldText(out), kPath);
    const std::u16string fits(259, u'p'), tooLong(260, u'p');
    EXPECT_TRUE(StoreDevicePath(out, fits));
    EXPECT_EQ(FieldText(out), fits);
    EXPECT_FALSE(StoreDevicePath(out, tooLong));
    EXPECT_EQ(FieldText(out), u"");
}

}  // namespace
}  // namespace kelno
