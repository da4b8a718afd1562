#pragma once
// The colour steps of the dithering preview on a 24-bit picture (blue, green, red bytes): the
// contrast and brightness of the page's trackbars, the grey picture the binarisation takes,
// and the binarised grey written back into the colour pixels. Rows are addressed by their first
// byte and a stride, so that both row orders of a device-independent bitmap serve (a negative
// stride walks a bottom-up bitmap from its top row). The grey picture keeps the row order it is
// given.
#include <cstddef>
#include <cstdint>

namespace kelno {

// Bytes of a row of a 24-bit device-independent bitmap (padded to a multiple of 4).
std::size_t Bgr24RowBytes(std::uint32_t width);

// The factor of contrast -100..100 (values outside are held at the ends):
// C = contrast * 255 / 100 (truncated), F = (C + 255) * 259 / ((259 - C) * 255).
double ContrastFactor(int contrast);
// The offset of brightness -100..100 (held at the ends): brightness * 128 / 100, truncated.
int BrightnessOffset(int brightness);

// Every colour byte v becomes (v - 128) * F + 128 truncated, then v + B, each clamped to 0..255.
// Row padding is left alone.
void AdjustColours(std::uint8_t* firstRow, std::ptrdiff_t stride, std::uint32_t width, std::uint32_t height,
                   int contrast, int brightness);

// Grey g = (38 R + 75 G + 15 B) >> 7 of every pixel into rows of PaddedRowBytes(width) bytes,
// the padding filled with 255.
void BgrToGrey(const std::uint8_t* firstRow, std::ptrdiff_t stride, std::uint32_t width, std::uint32_t height,
               std::uint8_t* grey);

// Writes every grey value into the three colour bytes of its pixel.
void GreyToBgr(const std::uint8_t* grey, std::uint32_t width, std::uint32_t height, std::uint8_t* firstRow,
               std::ptrdiff_t stride);

// The whole preview of the page: contrast and brightness, then (unless the original is to be
// shown) grey, binarisation by level and family (levels above 11 as 8), and the grey written
// back. `grey` is scratch of height x PaddedRowBytes(width) bytes.
struct PreviewSettings {
    int contrast = 0;
    int brightness = 0;
    std::uint32_t ditherLevel = 0;
    std::uint32_t ditherFamily = 0;
    bool showOriginal = false;
};
void RenderPreview(std::uint8_t* firstRow, std::ptrdiff_t stride, std::uint32_t width, std::uint32_t height,
                   const PreviewSettings& settings, std::uint8_t* grey);

}  // namespace kelno
