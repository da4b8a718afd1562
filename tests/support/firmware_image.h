#pragma once
// Firmware images and file contents of the printer-properties tests: an image with the header
// the Printer Settings page reads (magic "HW?V", version at 6, model at 20, checksum at 89),
// followed by a byte pattern in which every block of the transfer differs.
#include <cstddef>
#include <cstdint>
#include <string>

namespace kelno::test {

// size bytes whose values repeat only after 251 (a prime), so a lost, doubled or reordered
// block shows.
inline std::string PatternBytes(std::size_t size, unsigned seed = 0) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i + seed) % 251);
    return bytes;
}

// An image of size bytes (at least the 91 header bytes when size allows).
inline std::string FirmwareImage(std::size_t size, const std::string& model, const std::string& version = "V2.10",
                                 std::uint16_t checksum = 0xBEEF) {
    std::string image = PatternBytes(size < 91 ? 91 : size, 7);
    image[0] = 'H';
    image[1] = 'W';
    image[2] = '1';
    image[3] = 'V';
    for (std::size_t i = 0; i < 12; ++i) image[6 + i] = i < version.size() ? version[i] : '\0';
    for (std::size_t i = 0; i < 64; ++i) image[20 + i] = i < model.size() ? model[i] : '\0';
    image[89] = static_cast<char>(checksum & 0xFF);
    image[90] = static_cast<char>(checksum >> 8);
    image.resize(size);
    return image;
}

}  // namespace kelno::test
