// Colour steps of the dithering preview.
#include "driverui/docsheet/preview_colour.h"

#include <algorithm>
#include <array>

#include "driverui/docsheet/binarise.h"

namespace kelno {
namespace {

constexpr std::uint32_t kHighestLevel = 11;

// Applies a byte table to the colour bytes of every row.
void MapColourBytes(std::uint8_t* firstRow, std::ptrdiff_t stride, std::uint32_t width, std::uint32_t height,
                    const std::array<std::uint8_t, 256>& table) {
    const std::size_t bytes = std::size_t{width} * 3;
    for (std::uint32_t y = 0; y < height; ++y) {
        std::uint8_t* row = firstRow + static_cast<std::ptrdiff_t>(y) * stride;
        for (std::size_t i = 0; i < bytes; ++i) row[i] = table[row[i]];
    }
}

}  // namespace

std::size_t Bgr24RowBytes(std::uint32_t width) {
    return static_cast<std::size_t>((std::uint64_t{width} * 3 + 3) & ~std::uint64_t{3});
}

double ContrastFactor(int contrast) {
    const int c = std::clamp(contrast, -100, 100) * 255 / 100;
    return (c + 255) * 259.0 / ((259 - c) * 255.0);
}

int BrightnessOffset(int brightness) { return std::clamp(brightness, -100, 100) * 128 / 100; }

void AdjustColours(std::uint8_t* firstRow, std::ptrdiff_t stride, std::uint32_t width, std::uint32_t height,
                   int contrast, int brightness) {
    const double factor = ContrastFactor(contrast);
    const int offset = BrightnessOffset(brightness);
    std::array<std::uint8_t, 256> table;
    for (int v = 0; v < 256; ++v) {
        // Clamped before the truncation, which then cannot overflow; the result is the same.
        const double contrasted = std::clamp((v - 128) * factor + 128, 0.0, 255.0);
        table[v] = static_cast<std::uint8_t>(std::clamp(static_cast<int>(contrasted) + offset, 0, 255));
    }
    MapColourBytes(firstRow, stride, width, height, table);
}

void BgrToGrey(const std::uint8_t* firstRow, std::ptrdiff_t stride, std::uint32_t width, std::uint32_t height,
               std::uint8_t* grey) {
    const std::size_t rowBytes = PaddedRowBytes(width);
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::uint8_t* src = firstRow + static_cast<std::ptrdiff_t>(y) * stride;
        std::uint8_t* dst = grey + y * rowBytes;
        for (std::uint32_t x = 0; x < width; ++x) {
            const unsigned b = src[3 * x], g = src[3 * x + 1], r = src[3 * x + 2];
            dst[x] = static_cast<std::uint8_t>((38 * r + 75 * g + 15 * b) >> 7);
        }
        std::fill(dst + width, dst + rowBytes, std::uint8_t{255});
    }
}

void GreyToBgr(const std::uint8_t* grey, std::uint32_t width, std::uint32_t height, std::uint8_t* firstRow,
               std::ptrdiff_t stride) {
    const std::size_t rowBytes = PaddedRowBytes(width);
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::uint8_t* src = grey + y * rowBytes;
        std::uint8_t* dst = firstRow + static_cast<std::ptrdiff_t>(y) * stride;
        for (std::uint32_t x = 0; x < width; ++x) dst[3 * x] = dst[3 * x + 1] = dst[3 * x + 2] = src[x];
    }
}

void RenderPreview(std::uint8_t* firstRow, std::ptrdiff_t stride, std::uint32_t width, std::uint32_t height,
                   const PreviewSettings& settings, std::uint8_t* grey) {
    AdjustColours(firstRow, stride, width, height, settings.contrast, settings.brightness);
    if (settings.showOriginal) return;
    BgrToGrey(firstRow, stride, width, height, grey);
    const std::uint32_t level = settings.ditherLevel > kHighestLevel ? kDitherThreshold : settings.ditherLevel;
    Binarise(grey, width, height, level, settings.ditherFamily);
    GreyToBgr(grey, width, height, firstRow, stride);
}

}  // namespace kelno
