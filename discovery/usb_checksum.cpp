#include "discovery/usb_checksum.h"

namespace kelno {
namespace {

constexpr std::uint16_t kLowNibble[16] = {
    0x0000, 0xC0C1, 0xC181, 0x0140, 0xC301, 0x03C0, 0x0280, 0xC241,
    0xC601, 0x06C0, 0x0780, 0xC741, 0x0500, 0xC5C1, 0xC481, 0x0440,
};
constexpr std::uint16_t kHighNibble[16] = {
    0x0000, 0xCC01, 0xD801, 0x1400, 0xF001, 0x3C00, 0x2800, 0xE401,
    0xA001, 0x6C00, 0x7800, 0xB401, 0x5000, 0x9C01, 0x8801, 0x4600,
};

}  // namespace

std::uint16_t UsbHardwareIdChecksum(const std::uint8_t* bytes, std::size_t length) {
    std::uint16_t crc = 0;
    for (std::size_t i = 0; i < length; ++i) {
        const unsigned a = (crc & 0xFFu) ^ bytes[i];
        crc = static_cast<std::uint16_t>(kHighNibble[a >> 4] ^ kLowNibble[a & 0x0F] ^ (crc >> 8));
    }
    return crc;
}

}  // namespace kelno
