#include <gtest/gtest.h>

#include <string>

#include "discovery/usb_checksum.h"
#include "discovery/usb_hardware_id.h"
#include "common/model_table.h"

namespace kelno {
namespace {

std::uint16_t Checksum(const std::string& text) {
    return UsbHardwareIdChecksum(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

TEST(UsbHardwareIdChecksum, KnownVectors) {
    EXPECT_EQ(Checksum("123456789"), 0x593C);  // the textbook CRC-16/ARC gives 0xBB3D
    EXPECT_EQ(Checksum("abc"), 0x9738);
    EXPECT_EQ(Checksum(""), 0x0000);
}

TEST(UsbHardwareIdChecksum, DiffersFromTextbookTableOnlyThroughItsLastHighEntry) {
    // A single 0xF0 byte lands on the changed entry: HIGH[15] ^ LOW[0] = 0x4600.
    const std::uint8_t f0 = 0xF0;
    EXPECT_EQ(UsbHardwareIdChecksum(&f0, 1), 0x4600);  // CRC-16/ARC: 0x4400
    const std::uint8_t e0 = 0xE0;
    EXPECT_EQ(UsbHardwareIdChecksum(&e0, 1), 0x8801);  // same as CRC-16/ARC
}

TEST(ModelTable, EveryChecksumIsThatOfBrandFollowedByModel) {
    ASSERT_EQ(ModelTable().size(), 4u);
    for (const auto& row : ModelTable()) {
        std::string text;
        for (const char16_t* p = row.brand; *p; ++p) text += static_cast<char>(*p);
        for (const char16_t* p = row.model; *p; ++p) text += static_cast<char>(*p);
        EXPECT_EQ(Checksum(text), row.checksum) << text;
    }
}

TEST(UsbHardwareId, LowercasedPrefixDescriptionAndDigits) {
    EXPECT_EQ(UsbHardwareIdForAsciiDescription("TavolenMX-410"), u"usbprint\\tavolenmx-4107472");
    EXPECT_EQ(UsbHardwareIdForAsciiDescription("TavolenMX-310"), u"usbprint\\tavolenmx-310b5c1");
    EXPECT_EQ(ChecksumDigits(0x000A), u"000a");
    EXPECT_EQ(FormatUsbHardwareId(u"ABC", 0xBEEF), u"usbprint\\abcbeef");
}

}  // namespace
}  // namespace kelno
