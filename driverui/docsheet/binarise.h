#pragma once
// Binarisation of 8-bit grey pictures to the printer's two levels, 0 (black) and 255 (white):
// the methods the Graphics Property page offers (error diffusion with the published kernels,
// ordered dither, fixed and adaptive thresholds) and the stencil levels 9 to 11. Pure
// computation: the page's preview, the watermark preview and the kelno-dither tool share it.
#include <cstddef>
#include <cstdint>

namespace kelno {

// Dither levels of the driver's DEVMODE (private u32 at offset 268).
inline constexpr std::uint32_t kDitherFloydSteinberg = 0;
inline constexpr std::uint32_t kDitherAdaptive = 1;
inline constexpr std::uint32_t kDitherBurkes = 2;
inline constexpr std::uint32_t kDitherStucki = 3;
inline constexpr std::uint32_t kDitherJarvis = 4;
inline constexpr std::uint32_t kDitherSierra = 5;
inline constexpr std::uint32_t kDitherStevensonArce = 6;
inline constexpr std::uint32_t kDitherBayer = 7;
inline constexpr std::uint32_t kDitherThreshold = 8;
inline constexpr std::uint32_t kDitherStencil9 = 9;
inline constexpr std::uint32_t kDitherStencil10 = 10;
inline constexpr std::uint32_t kDitherStencil11 = 11;

// The dither family (private u32 at offset 5184): the shipped models use the standard family;
// family 0x50 has a method table of its own.
inline constexpr std::uint32_t kDitherFamilyStandard = 0;
inline constexpr std::uint32_t kDitherFamily80 = 0x50;

// Bytes of one grey row: width rounded up to a multiple of 4.
std::size_t PaddedRowBytes(std::uint32_t width);

// Replaces the values of a grey picture (height rows of PaddedRowBytes(width) bytes, the first
// width bytes of each row are pixels) with 0 or 255 by the method of the level and family.
// Levels of 12 and above are taken as 8. The row padding is left as it is. A picture without
// pixels is left alone.
void Binarise(std::uint8_t* grey, std::uint32_t width, std::uint32_t height, std::uint32_t level, std::uint32_t family);

}  // namespace kelno
