// Arbitrary pictures, levels and families through the binarisation and the preview's colour
// steps: every pixel ends as 0 or 255, and the row padding keeps its bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "driverui/docsheet/binarise.h"
#include "driverui/docsheet/preview_colour.h"

namespace {

constexpr std::uint8_t kPadding = 0xA5;

// Input: width - 1, height - 1 (both up to 256), level, family selector, contrast, brightness,
// then pixel bytes, repeated to fill the picture (white when there are none).
struct Input {
    std::uint32_t width, height, level, family;
    int contrast, brightness;
    const std::uint8_t* pixels;
    std::size_t pixelBytes;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 6) return 0;
    const Input in{std::uint32_t{data[0]} + 1,
                   std::uint32_t{data[1]} + 1,
                   data[2] < 240 ? data[2] % 16u : 0xFFFFFFF0u + (data[2] & 0xF),
                   data[3] & 1 ? kelno::kDitherFamily80 : data[3],
                   static_cast<std::int8_t>(data[4]),
                   static_cast<std::int8_t>(data[5]),
                   data + 6,
                   size - 6};
    auto pixel = [&](std::size_t i) -> std::uint8_t { return in.pixelBytes ? in.pixels[i % in.pixelBytes] : 255; };

    // Exact size: ASan sees any write past the last row.
    const std::size_t stride = kelno::PaddedRowBytes(in.width);
    std::vector<std::uint8_t> grey(stride * in.height, kPadding);
    for (std::uint32_t y = 0; y < in.height; ++y)
        for (std::uint32_t x = 0; x < in.width; ++x) grey[y * stride + x] = pixel(std::size_t{y} * in.width + x);
    kelno::Binarise(grey.data(), in.width, in.height, in.level, in.family);
    for (std::uint32_t y = 0; y < in.height; ++y)
        for (std::size_t x = 0; x < stride; ++x) {
            const std::uint8_t v = grey[y * stride + x];
            if (x < in.width ? v != 0 && v != 255 : v != kPadding) std::abort();
        }

    // The preview on a 24-bit bitmap of the same size, bottom-up.
    const std::size_t rowBytes = kelno::Bgr24RowBytes(in.width);
    std::vector<std::uint8_t> bitmap(rowBytes * in.height, kPadding);
    for (std::uint32_t y = 0; y < in.height; ++y)
        for (std::size_t i = 0; i < std::size_t{in.width} * 3; ++i) bitmap[y * rowBytes + i] = pixel(y * 3 + i);
    kelno::PreviewSettings settings;
    settings.contrast = in.contrast;
    settings.brightness = in.brightness;
    settings.ditherLevel = in.level;
    settings.ditherFamily = in.family;
    settings.showOriginal = (data[3] & 2) != 0;
    kelno::RenderPreview(bitmap.data() + (in.height - 1) * rowBytes, -static_cast<std::ptrdiff_t>(rowBytes), in.width,
                         in.height, settings, grey.data());
    for (std::uint32_t y = 0; y < in.height; ++y)
        for (std::size_t i = 0; i < rowBytes; ++i) {
            const std::uint8_t v = bitmap[y * rowBytes + i];
            if (i >= std::size_t{in.width} * 3 ? v != kPadding : !settings.showOriginal && v != 0 && v != 255)
                std::abort();
        }
    return 0;
}
