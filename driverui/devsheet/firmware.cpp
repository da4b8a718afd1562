#include "driverui/devsheet/firmware.h"

#include <cstdio>

namespace kelno {
namespace {

constexpr std::size_t kVersionOffset = 6;
constexpr std::size_t kVersionBytes = 12;
constexpr std::size_t kModelOffset = 20;
constexpr std::size_t kModelBytes = 64;
constexpr std::size_t kChecksumOffset = 89;

// The reply text of bytes [offset, offset + length) up to the first NUL; bytes beyond the reply
// count as NUL.
std::string TextAt(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t length) {
    std::string text;
    for (std::size_t i = offset; i < offset + length && i < bytes.size() && bytes[i] != 0; ++i)
        text.push_back(static_cast<char>(bytes[i]));
    return text;
}

std::uint8_t ByteAt(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return offset < bytes.size() ? bytes[offset] : 0;
}

std::int16_t SignedLittleEndianAt(std::span<const std::uint8_t> bytes, std::size_t offset) {
    const auto value = static_cast<std::uint16_t>(ByteAt(bytes, offset) | (ByteAt(bytes, offset + 1) << 8));
    return static_cast<std::int16_t>(value);
}

std::string Hex(const char* format, std::int16_t value) {
    char text[16] = "";
    std::snprintf(text, sizeof text, format, static_cast<unsigned>(static_cast<int>(value)));
    return text;
}

}  // namespace

std::optional<FirmwareHeader> ParseFirmwareHeader(std::span<const std::uint8_t> bytes) {
    if (bytes.size() > kFirmwareHeaderBytes) bytes = bytes.first(kFirmwareHeaderBytes);
    if (ByteAt(bytes, 0) != 'H' || ByteAt(bytes, 1) != 'W' || ByteAt(bytes, 3) != 'V') return std::nullopt;
    FirmwareHeader header;
    header.version = TextAt(bytes, kVersionOffset, kVersionBytes);
    header.model = TextAt(bytes, kModelOffset, kModelBytes);
    header.checksum = SignedLittleEndianAt(bytes, kChecksumOffset);
    return header;
}

std::string ImageChecksumText(std::int16_t checksum) { return Hex("0x%2x", checksum); }

std::string PrinterChecksumText(std::int16_t checksum) {
    return checksum == 0 ? std::string() : Hex("0x%02x", checksum);
}

bool ImageFitsPrinter(std::string_view modelText, std::string_view printerName) {
    return modelText.find(printerName) != std::string_view::npos;
}

bool PrinterOffline(std::span<const std::uint8_t> reply) { return !reply.empty() && reply[0] == 8; }

bool InUpdateMode(std::span<const std::uint8_t> reply) { return !reply.empty() && (reply[0] & 1) != 0; }

unsigned UpdateCheckState(std::span<const std::uint8_t> reply) {
    return reply.empty() ? 0u : static_cast<unsigned>((reply[0] & 6) >> 1);
}

std::string FirmwareVersionText(std::span<const std::uint8_t> reply) { return TextAt(reply, 5, 12); }

std::int16_t FirmwareChecksum(std::span<const std::uint8_t> reply) { return SignedLittleEndianAt(reply, 0); }

std::optional<std::uint32_t> FirmwareStatusString(std::uint32_t code) {
    if (code >= 16) return std::nullopt;
    return kFirmwareStatusStringBase + code;
}

FirmwareStatus PollStatus(std::span<const std::uint8_t> updateReply) {
    if (!InUpdateMode(updateReply)) return kFirmwareReady;
    switch (UpdateCheckState(updateReply)) {
        case 0: return kFirmwareReady;
        case 2: return kFirmwareCheckingCrc;
        default: return kFirmwareVerificationFailed;
    }
}

std::uint32_t TransferPercent(std::uint64_t sent, std::uint64_t size) {
    if (size == 0 || sent >= size) return 100;
    return static_cast<std::uint32_t>(sent * 100 / size);
}

}  // namespace kelno
