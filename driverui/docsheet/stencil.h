#pragma once
// The stencil binarisation of dither levels 9, 10 and 11 (tattoo stencils): each level is a
// fixed pipeline on an 8-bit grey picture (a global threshold from the picture's moments, a
// tone curve, an unsharp mask, an error diffusion of its own) that ends in 0 (black) and 255
// (white). Pure computation. The diffusions keep their errors in 32-bit floats and compute each
// pixel's terms in float, so that a result does not depend on the compiler's choice of precision.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kelno {

// Pixel formats of GreyImage: 0 is one grey byte per pixel (0 black, 255 white); 1 and 2 take
// three bytes a pixel, any other four. The stencil filters use format 0 only.
inline constexpr std::uint32_t kGreyFormat = 0;
std::uint32_t BytesPerPixelOfFormat(std::uint32_t format);

// A picture with owned pixels, rows one after the other without gap. Copy and assignment copy
// the pixels (the old ones are freed).
class GreyImage {
public:
    GreyImage() = default;  // no pixels
    // Zero-filled pixels of the size.
    GreyImage(std::uint32_t width, std::uint32_t height, std::uint32_t format = kGreyFormat);
    // Copies width x height pixels of the format from rows `stride` bytes apart.
    static GreyImage FromBuffer(const std::uint8_t* pixels, std::uint32_t width, std::uint32_t height,
                                std::size_t stride, std::uint32_t format = kGreyFormat);

    std::uint32_t Width() const { return width_; }
    std::uint32_t Height() const { return height_; }
    std::uint32_t BytesPerPixel() const { return bytesPerPixel_; }
    std::uint32_t Format() const { return format_; }
    bool Empty() const { return pixels_.empty(); }
    std::size_t RowBytes() const { return std::size_t{width_} * bytesPerPixel_; }
    std::uint8_t* Row(std::uint32_t y) { return pixels_.data() + y * RowBytes(); }
    const std::uint8_t* Row(std::uint32_t y) const { return pixels_.data() + y * RowBytes(); }
    std::uint8_t& At(std::uint32_t x, std::uint32_t y) { return Row(y)[x]; }
    std::uint8_t At(std::uint32_t x, std::uint32_t y) const { return Row(y)[x]; }
    const std::vector<std::uint8_t>& Pixels() const { return pixels_; }

private:
    std::uint32_t width_ = 0;
    std::uint32_t height_ = 0;
    std::uint32_t bytesPerPixel_ = 1;
    std::uint32_t format_ = kGreyFormat;
    std::vector<std::uint8_t> pixels_;
};

// Tsai's moment-preserving threshold of the picture's histogram (values above it are the light
// class). A picture whose moments give no split (a single grey level, or no pixels) gets 128.
std::uint32_t MomentThreshold(const GreyImage& image);

// Maps every value v through a two-piece power curve around the pivot p: v < p gives
// p * (v / p)^below, v >= p gives p + (255 - p) * ((v - p) / (255 - p))^above, truncated.
GreyImage ToneCurve(const GreyImage& image, std::uint32_t pivot, double below, double above);

// Sharpens by pixel * (1 + amount) - blur * amount, the blur being a separable Gaussian (rows,
// then columns, edges repeated, every sum rounded half away from zero). kernelSize 0 takes the
// size from sigma; sigma <= 0 takes sigma from the size. Kernels wider than kMaxUnsharpKernel
// are cut to it.
inline constexpr int kMaxUnsharpKernel = 1023;
GreyImage UnsharpMask(const GreyImage& image, int kernelSize, double sigma, double amount);
// The normalised weights the mask blurs with, from -size/2 to size/2.
std::vector<double> GaussianKernel(int kernelSize, double sigma);

// Error diffusion over six neighbours with negative side lobes; a white dot that follows black
// dots (left or above) inside the picture gives back less error. Values above the threshold
// are white.
GreyImage DiffuseSixWeights(const GreyImage& image, std::uint32_t threshold);

// Error diffusion that weighs each dot by the local edge strength and by the black density
// already laid down, scanning even rows left to right and odd rows right to left. Values below
// the threshold are black.
GreyImage DiffuseEdgeAware(const GreyImage& image, std::uint32_t threshold);

// The pipeline of stencil level 9, 10 or 11 (any other level is taken as 9). A picture without
// pixels comes back as a copy.
GreyImage StencilBinarise(const GreyImage& image, std::uint32_t level);

}  // namespace kelno
