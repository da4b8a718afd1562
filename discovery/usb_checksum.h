#pragma once
// Checksum behind the hardware identifiers of USB printers ("usbprint\<brand><model>xxxx").
#include <cstddef>
#include <cstdint>

namespace kelno {

// Reflected 16-bit CRC, initial value 0, two 16-entry nibble tables. The high-nibble table
// differs from the textbook CRC-16/ARC table in its last entry (0x4600 instead of 0x4400),
// so "123456789" gives 0x593C here and 0xBB3D in the textbook; the printers and the INF
// files use this variant.
std::uint16_t UsbHardwareIdChecksum(const std::uint8_t* bytes, std::size_t length);

}  // namespace kelno
