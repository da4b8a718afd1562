#include "driverui/docsheet/watermark_preview.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>

#include "driverui/docsheet/binarise.h"

namespace kelno {

namespace {

constexpr std::uint8_t kWhite = 255;
constexpr std::uint16_t kPercentMaximum = 100;
constexpr std::uint16_t kBrightnessMaximum = 255;

std::uint32_t Le16(std::span<const std::uint8_t> b, std::size_t at) { return b[at] | (b[at + 1] << 8); }
std::uint32_t Le32(std::span<const std::uint8_t> b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t{b[at + 3]} << 24);
}
std::uint32_t Be16(std::span<const std::uint8_t> b, std::size_t at) { return (b[at] << 8) | b[at + 1]; }
std::uint32_t Be32(std::span<const std::uint8_t> b, std::size_t at) {
    return (std::uint32_t{b[at]} << 24) | (b[at + 1] << 16) | (b[at + 2] << 8) | b[at + 3];
}

bool StartsWith(std::span<const std::uint8_t> b, std::string_view prefix) {
    return b.size() >= prefix.size() && std::memcmp(b.data(), prefix.data(), prefix.size()) == 0;
}

std::optional<PictureHeader> Sized(PictureFormat format, std::int64_t width, std::int64_t height) {
    if (width <= 0 || height <= 0 || width > UINT32_MAX || height > UINT32_MAX) return std::nullopt;
    return PictureHeader{format, static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)};
}

std::optional<PictureHeader> BmpHeader(std::span<const std::uint8_t> b) {
    constexpr std::size_t kInfoAt = 14;
    constexpr std::uint32_t kCoreHeaderSize = 12;
    if (b.size() < kInfoAt + kCoreHeaderSize) return std::nullopt;
    const std::uint32_t infoSize = Le32(b, kInfoAt);
    if (infoSize == kCoreHeaderSize) return Sized(PictureFormat::bmp, Le16(b, 18), Le16(b, 20));
    if (infoSize < 16 || b.size() < 26) return std::nullopt;
    // The height is negative for a picture stored top row first.
    const auto height = static_cast<std::int32_t>(Le32(b, 22));
    return Sized(PictureFormat::bmp, static_cast<std::int32_t>(Le32(b, 18)),
                 height < 0 ? -std::int64_t{height} : std::int64_t{height});
}

std::optional<PictureHeader> PngHeader(std::span<const std::uint8_t> b) {
    if (b.size() < 24 || !std::equal(b.begin() + 12, b.begin() + 16, "IHDR")) return std::nullopt;
    return Sized(PictureFormat::png, Be32(b, 16), Be32(b, 20));
}

// The frame header markers SOF0-SOF15; C4 (Huffman tables), C8 (reserved) and CC (arithmetic
// conditioning) share the range but are no frame headers.
bool IsFrameHeader(std::uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

std::optional<PictureHeader> JpegHeader(std::span<const std::uint8_t> b) {
    std::size_t at = 2;
    while (at < b.size()) {
        if (b[at] != 0xFF) return std::nullopt;
        while (at < b.size() && b[at] == 0xFF) ++at;  // fill bytes
        if (at >= b.size()) return std::nullopt;
        const std::uint8_t marker = b[at++];
        const bool standalone = marker == 0x01 || marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7);
        if (standalone) continue;
        if (marker == 0xD9 || marker == 0xDA) return std::nullopt;  // end, or a scan before any frame
        if (at + 2 > b.size()) return std::nullopt;
        const std::uint32_t length = Be16(b, at);
        if (length < 2) return std::nullopt;
        if (IsFrameHeader(marker)) {
            // length, precision, height, width
            if (length < 7 || at + 7 > b.size()) return std::nullopt;
            return Sized(PictureFormat::jpeg, Be16(b, at + 5), Be16(b, at + 3));
        }
        at += length;
    }
    return std::nullopt;
}

std::optional<PictureHeader> GifHeader(std::span<const std::uint8_t> b) {
    if (b.size() < 10) return std::nullopt;
    return Sized(PictureFormat::gif, Le16(b, 6), Le16(b, 8));
}

}  // namespace

std::optional<PictureHeader> PictureHeaderOf(std::span<const std::uint8_t> head) {
    if (StartsWith(head, "BM")) return BmpHeader(head);
    if (StartsWith(head, "\x89PNG\r\n\x1A\n")) return PngHeader(head);
    if (StartsWith(head, "\xFF\xD8")) return JpegHeader(head);
    if (StartsWith(head, "GIF87a") || StartsWith(head, "GIF89a")) return GifHeader(head);
    return std::nullopt;
}

bool WatermarkSizeAllowed(std::uint32_t width, std::uint32_t height) {
    return width > 0 && height > 0 && width <= kMaxWatermarkSide && height <= kMaxWatermarkSide &&
           std::uint64_t{width} * height <= kMaxWatermarkPixels;
}

void BgraRowsToGrey(const std::uint8_t* pixels, std::ptrdiff_t stride, std::uint32_t rows, std::uint32_t firstRow,
                    WatermarkPicture& picture) {
    const std::size_t rowBytes = PaddedRowBytes(picture.width);
    const std::uint32_t last = std::min(picture.height, firstRow + rows);
    for (std::uint32_t y = firstRow; y < last; ++y) {
        const std::uint8_t* in = pixels + static_cast<std::ptrdiff_t>(y - firstRow) * stride;
        std::uint8_t* out = picture.grey.data() + rowBytes * y;
        for (std::uint32_t x = 0; x < picture.width; ++x, in += 4) {
            const std::uint32_t alpha = in[3];
            // Laid over white: c * a / 255 + 255 - a, rounded.
            auto over = [&](std::uint32_t c) { return (c * alpha + kWhite * (kWhite - alpha) + 127) / kWhite; };
            out[x] = static_cast<std::uint8_t>((38 * over(in[2]) + 75 * over(in[1]) + 15 * over(in[0])) >> 7);
        }
        std::fill(out + picture.width, out + rowBytes, kWhite);
    }
}

int WatermarkLightening(std::uint16_t brightness) {
    return (kBrightnessMaximum - std::min(brightness, kBrightnessMaximum)) * 128 / 100;
}

WatermarkPicture BinariseWatermark(const WatermarkPicture& picture, std::uint16_t brightness) {
    WatermarkPicture result = picture;
    if (result.Empty()) return result;
    const int offset = WatermarkLightening(brightness);
    const std::size_t rowBytes = PaddedRowBytes(result.width);
    for (std::uint32_t y = 0; y < result.height; ++y) {
        std::uint8_t* row = result.grey.data() + rowBytes * y;
        for (std::uint32_t x = 0; x < result.width; ++x)
            row[x] = static_cast<std::uint8_t>(std::min(row[x] + offset, 255));
    }
    Binarise(result.grey.data(), result.width, result.height, kDitherStucki, kDitherFamilyStandard);
    return result;
}

WatermarkPlacement PlaceWatermark(std::uint32_t pictureWidth, std::uint32_t pictureHeight, std::uint32_t frameWidth,
                                  std::uint32_t frameHeight, std::uint16_t scale, std::uint16_t horizontal,
                                  std::uint16_t vertical) {
    WatermarkPlacement placement;
    if (pictureWidth == 0 || pictureHeight == 0) return placement;
    scale = std::min(scale, kPercentMaximum);
    horizontal = std::min(horizontal, kPercentMaximum);
    vertical = std::min(vertical, kPercentMaximum);
    const std::int64_t frameW = frameWidth;
    const std::int64_t frameH = frameHeight;
    placement.width = scale * frameW / 100;
    // The frame width over the picture width, times the picture height, truncated: computed in
    // integers so that no rounding of a quotient can lose a pixel.
    placement.height = frameW * pictureHeight / pictureWidth * scale / 100;
    placement.x = placement.width < frameW ? (frameW - placement.width) * horizontal / 100 : 0;
    placement.y = placement.height < frameH ? (frameH - placement.height) * vertical / 100 : 0;
    return placement;
}

WatermarkPicture ComposeWatermarkPreview(const WatermarkPicture& binarised, std::uint32_t frameWidth,
                                         std::uint32_t frameHeight, const WatermarkPlacement& placement) {
    WatermarkPicture frame;
    frame.width = frameWidth;
    frame.height = frameHeight;
    const std::size_t frameRow = PaddedRowBytes(frameWidth);
    frame.grey.assign(frameRow * frameHeight, kWhite);
    if (binarised.Empty() || placement.width <= 0 || placement.height <= 0) return frame;

    const std::size_t pictureRow = PaddedRowBytes(binarised.width);
    const std::int64_t left = std::max<std::int64_t>(placement.x, 0);
    const std::int64_t top = std::max<std::int64_t>(placement.y, 0);
    const std::int64_t right = std::min<std::int64_t>(placement.x + placement.width, frameWidth);
    const std::int64_t bottom = std::min<std::int64_t>(placement.y + placement.height, frameHeight);
    // The picture pixels [first, end) that drawn pixel d of n covers.
    auto covered = [](std::int64_t d, std::int64_t n, std::int64_t size) {
        const std::int64_t first = d * size / n;
        return std::pair{first, std::max(first + 1, (d + 1) * size / n)};
    };
    for (std::int64_t fy = top; fy < bottom; ++fy) {
        const auto [y0, y1] = covered(fy - placement.y, placement.height, binarised.height);
        std::uint8_t* out = frame.grey.data() + frameRow * static_cast<std::size_t>(fy);
        for (std::int64_t fx = left; fx < right; ++fx) {
            const auto [x0, x1] = covered(fx - placement.x, placement.width, binarised.width);
            std::uint64_t sum = 0;
            for (std::int64_t y = y0; y < y1; ++y) {
                const std::uint8_t* in = binarised.grey.data() + pictureRow * static_cast<std::size_t>(y);
                for (std::int64_t x = x0; x < x1; ++x) sum += in[x];
            }
            const auto count = static_cast<std::uint64_t>((y1 - y0) * (x1 - x0));
            out[fx] = static_cast<std::uint8_t>((sum + count / 2) / count);
        }
    }
    return frame;
}

}  // namespace kelno
