#pragma once
// The WaterMark page's preview, apart from its window: what a picture file claims to be (read
// from its first bytes, before anything is decoded), the grey picture made from its colour
// pixels, the lightening by the brightness, the binarisation, and the placement of the result
// in the preview frame.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kelno {

// The picture formats the page accepts.
enum class PictureFormat { bmp, png, jpeg, gif };

struct PictureHeader {
    PictureFormat format;
    std::uint32_t width;
    std::uint32_t height;
};

// How many leading bytes of a file PictureHeaderOf looks at, at most.
inline constexpr std::size_t kPictureHeaderBytes = 1 << 20;
// The largest picture the page decodes: a side of at most 20000 pixels and at most 25 million
// pixels (a 24-megapixel photo). Larger ones, and whatever claims to be, show an empty preview.
inline constexpr std::uint32_t kMaxWatermarkSide = 20000;
inline constexpr std::uint64_t kMaxWatermarkPixels = 25'000'000;

// The format and size a file's first bytes claim: BMP, PNG, JPEG (its first frame header) or
// GIF (the logical screen). Nothing for other bytes, a size of 0, or a header cut short.
std::optional<PictureHeader> PictureHeaderOf(std::span<const std::uint8_t> head);
// Whether a picture of this size may be decoded.
bool WatermarkSizeAllowed(std::uint32_t width, std::uint32_t height);

// An 8-bit grey picture, rows of PaddedRowBytes(width) bytes (binarise.h), top row first.
struct WatermarkPicture {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> grey;

    bool Empty() const { return width == 0 || height == 0; }
};

// Grey of 32-bit pixels (blue, green, red, alpha bytes, not premultiplied) into `rows` rows of
// a grey picture from row `firstRow` on: every colour is laid over white by its alpha, then
// g = (38 R + 75 G + 15 B) >> 7. The row padding is filled with 255.
void BgraRowsToGrey(const std::uint8_t* pixels, std::ptrdiff_t stride, std::uint32_t rows, std::uint32_t firstRow,
                    WatermarkPicture& picture);

// The lightening of a brightness 0-255 (values above are taken as 255):
// (255 - brightness) * 128 / 100, truncated.
int WatermarkLightening(std::uint16_t brightness);

// The picture as it prints: every value v becomes v + lightening (held to 0-255), then the
// Stucki error diffusion of the standard dither family makes it 0 or 255.
WatermarkPicture BinariseWatermark(const WatermarkPicture& picture, std::uint16_t brightness);

// Where the picture is drawn in a frame of frameWidth x frameHeight pixels (the percentages are
// held to 100): width W = scale * frameWidth / 100; height H = (frameWidth * height / width) *
// scale / 100, which keeps the aspect ratio; x = (frameWidth - W) * horizontal / 100 when W is
// below frameWidth, else 0; y likewise with the heights and vertical.
struct WatermarkPlacement {
    std::int64_t x = 0;
    std::int64_t y = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
};
WatermarkPlacement PlaceWatermark(std::uint32_t pictureWidth, std::uint32_t pictureHeight, std::uint32_t frameWidth,
                                  std::uint32_t frameHeight, std::uint16_t scale, std::uint16_t horizontal,
                                  std::uint16_t vertical);

// The preview frame: frameWidth x frameHeight grey pixels (rows of PaddedRowBytes(frameWidth)),
// white, with the binarised picture drawn into its placement: where the picture is reduced,
// every frame pixel is the mean of the picture pixels it covers; where it is enlarged, the
// picture pixel under it. The part outside the frame is cut off. An empty picture gives a white
// frame.
WatermarkPicture ComposeWatermarkPreview(const WatermarkPicture& binarised, std::uint32_t frameWidth,
                                         std::uint32_t frameHeight, const WatermarkPlacement& placement);

}  // namespace kelno
