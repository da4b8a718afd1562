#pragma once
// Hardware identifiers of USB printers: the USB printing class enumerator, the port
// description and its checksum digits, lowercased as a whole ("usbprint\tavolenmx-4107472").
#include <cstdint>
#include <string>
#include <string_view>

namespace kelno {

// The bus enumerator of the USB printing class driver, as it stands in hardware identifiers.
inline constexpr std::u16string_view kUsbPrintEnumeratorPrefix = u"usbprint\\";

// Four lowercase hexadecimal digits ("%04x").
std::u16string ChecksumDigits(std::uint16_t checksum);

// Enumerator prefix + description + checksum digits, all lowercased.
std::u16string FormatUsbHardwareId(std::u16string_view description, std::uint16_t checksum);

// The identifier for an ASCII description (brand immediately followed by model): the form in
// which the INF files list the models.
std::u16string UsbHardwareIdForAsciiDescription(std::string_view description);

}  // namespace kelno
