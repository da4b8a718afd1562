#pragma once
// The firmware update's portable rules: the image header, the printer's answers to the printer
// values, the status codes of the status line and the transfer's progress. The bytes of the
// image and of the answers come from outside and are read with their sizes checked.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kelno {

// The header: the first 91 bytes of an image; a shorter image leaves zeros.
inline constexpr std::size_t kFirmwareHeaderBytes = 91;
// The image is written to the port in blocks of this size.
inline constexpr std::size_t kFirmwareBlockBytes = 1024;

struct FirmwareHeader {
    std::string version;        // bytes 6 to 17, shown as 12 characters (up to a NUL)
    std::string model;          // bytes 20 to 83, up to the first NUL
    std::int16_t checksum = 0;  // bytes 89 and 90, little-endian, signed
};

// The header of an image whose first bytes are given (at most 91 are looked at; missing ones
// count as zero). Nothing when bytes 0, 1 and 3 are not "H", "W" and "V".
std::optional<FirmwareHeader> ParseFirmwareHeader(std::span<const std::uint8_t> bytes);

// The image's checksum as the page shows it ("0x%2x" of the signed value).
std::string ImageChecksumText(std::int16_t checksum);
// The printer's checksum ("0x%02x" of the signed value); empty for 0, which means unknown.
std::string PrinterChecksumText(std::int16_t checksum);

// The model check: the image's model text contains the printer name (case-sensitive).
bool ImageFitsPrinter(std::string_view modelText, std::string_view printerName);

// ---- printer values -----------------------------------------------------------------------

// Reply sizes: the status poll asks with 64 bytes, the mode commands and the mode wait with 32.
inline constexpr std::size_t kPollReplyBytes = 64;
inline constexpr std::size_t kModeReplyBytes = 32;

// "qvgetcmd1": byte 0 is 8 when the printer is offline.
bool PrinterOffline(std::span<const std::uint8_t> reply);
// "qvgetcmd5": bit 0 of byte 0 is set in firmware-update mode.
bool InUpdateMode(std::span<const std::uint8_t> reply);
// "qvgetcmd5": bits 1 and 2 of byte 0, the state of the update check (0 to 3).
unsigned UpdateCheckState(std::span<const std::uint8_t> reply);
// "qvgetcmd2": the firmware version, bytes 5 to 16 up to a NUL (byte 17 counts as NUL).
std::string FirmwareVersionText(std::span<const std::uint8_t> reply);
// "qvgetcmd7": the firmware checksum, bytes 0 and 1, little-endian, signed.
std::int16_t FirmwareChecksum(std::span<const std::uint8_t> reply);

// ---- status line --------------------------------------------------------------------------

// Status codes; the status line shows string kFirmwareStatusStringBase + code.
enum FirmwareStatus : std::uint32_t {
    kFirmwareReady = 0,
    kFirmwareAuthorizationFailure = 1,
    kFirmwareModeFailed = 2,
    kFirmwareSendFailed = 3,
    kFirmwareVerificationFailed = 4,
    kFirmwareFileError = 5,
    kFirmwareCheckingCrc = 6,
    kFirmwareOffline = 7,
    kFirmwareModelMismatch = 15,
};
inline constexpr std::uint32_t kFirmwareStatusStringBase = 2221;
inline constexpr std::uint32_t kFirmwareProgressString = 2220;
// The string of a status code; nothing for codes of 16 and above.
std::optional<std::uint32_t> FirmwareStatusString(std::uint32_t code);

// The status the poll shows for a "qvgetcmd5" answer.
FirmwareStatus PollStatus(std::span<const std::uint8_t> updateReply);

// Percent of the image sent. Never divides by zero (an empty image is 100 % sent) and never
// overflows for large images.
std::uint32_t TransferPercent(std::uint64_t sent, std::uint64_t size);

}  // namespace kelno
