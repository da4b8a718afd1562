// Arbitrary bytes as a firmware image's first bytes and as the printer's answers: the readers
// stay inside the bytes they are given and their texts inside their fields.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <vector>

#include "driverui/devsheet/firmware.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Exact-size copies: ASan sees any read past them.
    const std::vector<std::uint8_t> bytes(data, data + size);
    const std::span<const std::uint8_t> input(bytes);
    if (const std::optional<kelno::FirmwareHeader> header = kelno::ParseFirmwareHeader(input)) {
        if (header->version.size() > 12 || header->model.size() > 64) std::abort();
        if (kelno::ImageChecksumText(header->checksum).size() > 10) std::abort();
        (void)kelno::ImageFitsPrinter(header->model, "MX-410");
    }
    if (kelno::FirmwareVersionText(input).size() > 12) std::abort();
    if (kelno::UpdateCheckState(input) > 3) std::abort();
    const kelno::FirmwareStatus status = kelno::PollStatus(input);
    if (!kelno::FirmwareStatusString(status)) std::abort();
    (void)kelno::PrinterOffline(input);
    if (kelno::PrinterChecksumText(kelno::FirmwareChecksum(input)).size() > 10) std::abort();
    return 0;
}
