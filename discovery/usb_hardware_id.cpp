#include "discovery/usb_hardware_id.h"

#include "base/text.h"
#include "discovery/usb_checksum.h"

namespace kelno {

std::u16string ChecksumDigits(std::uint16_t checksum) {
    static constexpr char16_t kHex[] = u"0123456789abcdef";
    std::u16string digits(4, u'0');
    for (int i = 3; i >= 0; --i) {
        digits[static_cast<std::size_t>(i)] = kHex[checksum & 0xF];
        checksum = static_cast<std::uint16_t>(checksum >> 4);
    }
    return digits;
}

std::u16string FormatUsbHardwareId(std::u16string_view description, std::uint16_t checksum) {
    std::u16string id(kUsbPrintEnumeratorPrefix);
    id += description;
    id += ChecksumDigits(checksum);
    return AsciiLower(id);
}

std::u16string UsbHardwareIdForAsciiDescription(std::string_view description) {
    const auto checksum =
        UsbHardwareIdChecksum(reinterpret_cast<const std::uint8_t*>(description.data()), description.size());
    return FormatUsbHardwareId(AsciiToU16(description), checksum);
}

}  // namespace kelno
