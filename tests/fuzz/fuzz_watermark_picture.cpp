// Arbitrary bytes as the first bytes of a watermark picture file: the header reader, and, for
// a small claimed size, the grey picture, its binarisation and its placement in a frame.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "driverui/docsheet/binarise.h"
#include "driverui/docsheet/watermark_preview.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> head(data, data + size);  // exact size: ASan sees any overrun
    const std::optional<kelno::PictureHeader> header = kelno::PictureHeaderOf(std::span<const std::uint8_t>(head));
    if (!header || !kelno::WatermarkSizeAllowed(header->width, header->height)) return 0;
    if (std::uint64_t{header->width} * header->height > 4096) return 0;  // keep each run quick

    // The bytes as 32-bit pixels, repeated to fill the claimed picture.
    kelno::WatermarkPicture picture{header->width, header->height,
                                    std::vector<std::uint8_t>(kelno::PaddedRowBytes(header->width) * header->height)};
    std::vector<std::uint8_t> row(std::size_t{header->width} * 4);
    for (std::size_t i = 0; i < row.size(); ++i) row[i] = size ? data[i % size] : 0;
    for (std::uint32_t y = 0; y < header->height; ++y) kelno::BgraRowsToGrey(row.data(), 0, 1, y, picture);
    const kelno::WatermarkPicture binarised =
        kelno::BinariseWatermark(picture, static_cast<std::uint16_t>(size ? data[0] : 128));
    const std::uint16_t percent = static_cast<std::uint16_t>(size > 1 ? data[1] : 50);
    const kelno::WatermarkPlacement placement =
        kelno::PlaceWatermark(binarised.width, binarised.height, 37, 23, percent, percent, percent);
    (void)kelno::ComposeWatermarkPreview(binarised, 37, 23, placement);
    return 0;
}
