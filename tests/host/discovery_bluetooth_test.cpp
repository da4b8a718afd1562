#include <gtest/gtest.h>

#include <string>

#include "discovery/bluetooth_address.h"

namespace kelno {
namespace {

constexpr std::u16string_view kBthPath =
    u"\\\\?\\BTHENUM#{00001101-0000-1000-8000-00805f9b34fb}_LOCALMFG&0002#7&2f1c3b2&0&001122AABBCC_C00000000#"
    u"{86e0d1e0-8089-11d0-9ce4-08003e301f73}";

TEST(AddressProperty, AcceptsTwelveDigitsWithSeparators) {
    auto a = ParseAddressProperty(u"00:11:22:aa:bb:cc");
    EXPECT_EQ(a.state, kAddressNonZero);
    EXPECT_EQ(a.Digits(), u"001122AABBCC");
    EXPECT_STREQ(a.source, "interface_property");
    EXPECT_EQ(ParseAddressProperty(u" 0011-22AA-BBCC ").Digits(), u"001122AABBCC");
    EXPECT_EQ(ParseAddressProperty(u"00:00:00:00:00:00").state, kAddressZero);
    EXPECT_EQ(ParseAddressProperty(std::u16string_view(u"001122AABBCC\0zz", 15)).state, kAddressNonZero);
}

TEST(AddressProperty, RejectsWrongCountsAndForeignCharacters) {
    for (std::u16string_view text : {u"0011-22AA-BBCC-DD", u"001122AABBC", u"", u"00:11:22:aa:bb:cg",
                                     u"00_11_22_aa_bb_cc", u"001122AABBCC00112233445566778899"}) {
        auto a = ParseAddressProperty(text);
        EXPECT_EQ(a.state, kAddressNone) << std::string(text.begin(), text.end());
        EXPECT_STREQ(a.reason, "invalid_data");
        EXPECT_EQ(a.Digits(), u"");
    }
}

TEST(ExtractAddress, MarkerZeroThenMarkerOne) {
    auto a = ExtractAddress(kBthPath);
    EXPECT_EQ(a.state, kAddressNonZero);
    EXPECT_EQ(a.Digits(), u"001122AABBCC");
    EXPECT_STREQ(a.source, "device_path_marker_0");
    EXPECT_STREQ(a.reason, "");

    auto one = ExtractAddress(u"bthenum#x#8&1&001122aabbcc_c00000000#y");
    EXPECT_STREQ(one.source, "device_path_marker_1");
    EXPECT_EQ(one.Digits(), u"001122aabbcc");  // kept as it stands

    auto zero = ExtractAddress(u"x&0&000000000000_C00000000");
    EXPECT_EQ(zero.state, kAddressZero);
    EXPECT_STREQ(AddressStateWord(zero.state), "zero");

    EXPECT_EQ(ExtractAddress(u"x&0&001122AABBCC").state, kAddressNonZero);  // no "_": up to the end
}

TEST(ExtractAddress, FailuresCarryTheirReason) {
    struct Case {
        std::u16string_view path;
        const char* reason;
    } cases[] = {
        {u"", "invalid_arguments"},
        {u"\\\\?\\ACPI#PNP0501#1#{86e0d1e0}", "address_marker_not_found"},
        {u"x&0&001122AABB_C0000", "address_length_invalid"},
        {u"x&0&001122AABBCCDD_C0", "address_length_invalid"},
        {u"x&0&_", "address_length_invalid"},
        {u"x&0&00112G2AABBC_C0", "address_not_hex"},
        {u"x&0&001122AABB__&1&001122AABBCC_", "address_length_invalid"},  // "&0&" decides
    };
    for (const auto& c : cases) {
        auto a = ExtractAddress(c.path);
        EXPECT_EQ(a.state, kAddressNone);
        EXPECT_STREQ(a.reason, c.reason) << std::string(c.path.begin(), c.path.end());
    }
}

TEST(BluetoothEvidence, HardwareIdOrPathWithoutRegardToCase) {
    EXPECT_TRUE(
        FindBluetoothEvidence(u"BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&0002", u"").hardwareId);
    EXPECT_TRUE(FindBluetoothEvidence(u"bthenum\\x", u"").hardwareId);
    EXPECT_FALSE(FindBluetoothEvidence(u"BTHENUM", u"").hardwareId);  // the backslash belongs to it
    EXPECT_TRUE(FindBluetoothEvidence(u"", kBthPath).pathHint);
    const auto serial = FindBluetoothEvidence(u"ACPI\\PNP0501", u"\\\\?\\acpi#pnp0501#1#{86e0d1e0}");
    EXPECT_FALSE(serial.Any());
}

TEST(BluetoothPortName, ColonForComNamesThatHaveRoom) {
    EXPECT_EQ(BluetoothPortName(u"COM5"), u"COM5:");
    EXPECT_EQ(BluetoothPortName(u"com12"), u"com12:");
    EXPECT_EQ(BluetoothPortName(u"COM5:"), u"COM5:");
    EXPECT_EQ(BluetoothPortName(u"BTPORT"), u"BTPORT");
    EXPECT_EQ(BluetoothPortName(u""), u"");
    const std::u16string com30 = u"COM" + std::u16string(27, u'9');
    EXPECT_EQ(BluetoothPortName(com30), com30 + u":");
    const std::u16string com40 = u"COM" + std::u16string(37, u'9');
    EXPECT_EQ(BluetoothPortName(com40), com40.substr(0, 31));  // cut, no room left for ":"
    EXPECT_TRUE(StartsWithCom(u"cOm1"));
    EXPECT_FALSE(StartsWithCom(u"CO"));
}

TEST(ComPortNameSet, NormalisedWithoutDuplicates) {
    EXPECT_EQ(NormaliseComPortName(u"com5::"), u"COM5");
    ComPortNameSet registered, seen;
    EXPECT_TRUE(registered.Add(u"COM1"));
    EXPECT_TRUE(registered.Add(u"com5:"));
    EXPECT_FALSE(registered.Add(u"COM5"));
    EXPECT_FALSE(registered.Add(u":"));
    EXPECT_EQ(registered.Size(), 2u);
    seen.Add(u"COM5:");
    EXPECT_EQ(PortsMissingFromInterfaces(registered, seen), std::vector<std::u16string>{u"COM1"});
}

TEST(BluetoothDirection, OnlyIncomingPortsAreDropped) {
    EXPECT_FALSE(DecideBluetoothDirection(kAddressZero).eligible);
    EXPECT_TRUE(DecideBluetoothDirection(kAddressNone).eligible);
    EXPECT_STREQ(DecideBluetoothDirection(kAddressNone).direction, "unknown");
    EXPECT_TRUE(DecideBluetoothDirection(kAddressNonZero).eligible);
}

TEST(BluetoothDeviceName, RemoteThenFriendlyThenUnknown) {
    EXPECT_EQ(ChooseBluetoothDeviceName(kAddressNonZero, u"MX-410-BT", u"Friendly").name, u"MX-410-BT");
    EXPECT_EQ(ChooseBluetoothDeviceName(kAddressNonZero, std::nullopt, u"Friendly").name, u"Friendly");
    // Without an address the remote name is not looked at.
    EXPECT_EQ(ChooseBluetoothDeviceName(kAddressNone, u"Remote", u"Friendly").name, u"Friendly");
    EXPECT_EQ(ChooseBluetoothDeviceName(kAddressNone, std::nullopt, u"").name, u"Unknown");
    EXPECT_EQ(ChooseBluetoothDeviceName(kAddressNone, std::nullopt, std::nullopt).name, u"Unknown");
}

TEST(BluetoothPortEntry, UnknownDeviceWithoutAddressIsListed) {
    const auto address = ExtractAddress(u"\\\\?\\bthenum#{x}#8&abc#{y}");
    ASSERT_EQ(address.state, kAddressNone);
    ASSERT_TRUE(DecideBluetoothDirection(address.state).eligible);
    const auto entry = MakeBluetoothPortEntry(BluetoothPortName(u"COM5"),
                                              ChooseBluetoothDeviceName(address.state, {}, {}).name, address);
    EXPECT_EQ(std::u16string(entry.portName), u"COM5:");
    EXPECT_EQ(std::u16string(entry.deviceName), u"Unknown");
    EXPECT_EQ(std::u16string(entry.address), u"");
    EXPECT_EQ(entry.addressState, kAddressNone);
    EXPECT_EQ(BluetoothRowText(entry.portName), u"BT Printer(COM5:)");

    const auto cut = MakeBluetoothPortEntry(std::u16string(50, u'P'), std::u16string(300, u'N'), address);
    EXPECT_EQ(std::u16string(cut.portName).size(), 31u);
    EXPECT_EQ(std::u16string(cut.deviceName).size(), 255u);
}

TEST(BluetoothDeviceRegistry, KeyOnlyForTwelveHexDigits) {
    EXPECT_EQ(BluetoothDeviceKey(u"001122aabbcc"),
              u"SYSTEM\\CurrentControlSet\\Services\\BTHPORT\\Parameters\\Devices\\001122aabbcc");
    EXPECT_EQ(BluetoothDeviceKey(u""), u"");
    EXPECT_EQ(BluetoothDeviceKey(u"..\\..\\..\\xx"), u"");
}

TEST(BluetoothDeviceRegistry, NameValueRules) {
    const std::uint8_t name[] = {'M', 'X', '-', '4', '1', '0', 0, 'z'};
    auto ok = DeviceNameFromValue(name, sizeof(name));
    EXPECT_TRUE(ok.ok);
    EXPECT_EQ(ok.name, u"MX-410");
    auto empty = DeviceNameFromValue(name + 6, 2);
    EXPECT_FALSE(empty.ok);
    EXPECT_STREQ(empty.reason, "name_conversion_failed");
    EXPECT_STREQ(DeviceNameFromValue(nullptr, 4).reason, "name_conversion_failed");
    const std::string n255(255, 'a'), n256(256, 'a');
    EXPECT_TRUE(DeviceNameFromValue(reinterpret_cast<const std::uint8_t*>(n255.data()), n255.size()).ok);
    auto big = DeviceNameFromValue(reinterpret_cast<const std::uint8_t*>(n256.data()), n256.size());
    EXPECT_STREQ(big.reason, "name_buffer_too_small");
    EXPECT_EQ(big.requiredChars, 257u);
}

TEST(BluetoothPairing, AddressMostSignificantByteFirst) {
    const std::uint8_t rgBytes[6] = {0xCC, 0xBB, 0xAA, 0x22, 0x11, 0x00};
    EXPECT_EQ(FormatPairedDeviceAddress(rgBytes), "001122AABBCC");
}

}  // namespace
}  // namespace kelno
