// Binarisation methods of the Graphics Property page.
//
// Error diffusion (levels 0 and 2 to 6): the classic left-to-right raster (no serpentine), the
// published kernels in integers. A pixel's value is its grey plus the error it has received,
// read as the kernel's sum of weighted errors divided by the kernel's divisor and rounded half
// up (floor((sum + divisor / 2) / divisor)). Values above 128 become white (255), the others
// black (0); the whole integer error (value - output) goes on, each neighbour receiving
// error x weight in units of 1/divisor, so that nothing but the read rounding and the taps that
// fall outside the picture loses error. No clamping: with these all-positive kernels the error
// stays within -128..128.
//
// Level 7: ordered dither with the 4 x 4 Bayer matrix m, white when value > 16 m + 8.
// Level 8 (and 12 and above): white when value > 128.
// Level 1: adaptive threshold. The box is 8 x 8 pixels, from 4 before to 3 after the pixel in
// each direction, cut at the picture's edges; the global threshold t is Otsu's (the first level
// of largest between-class variance, class 0 = values <= t; 128 for a single-grey picture).
// With balance 0.5 and bias 0 a pixel is white when value > (box mean + t) / 2, decided exactly
// in integers: 2 x n x value > box sum + n x t (n pixels in the box).
// Levels 9 to 11: the stencil pipelines.
// Dither family 80 maps every level to the same method as the standard family.
#include "driverui/docsheet/binarise.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <utility>
#include <vector>

#include "driverui/docsheet/stencil.h"

namespace kelno {
namespace {

constexpr int kWhiteAbove = 128;

// Taps of an error-diffusion kernel: ahead[k] goes to x + 1 + k in the current row, below[r][k]
// to x - 3 + k in row y + 1 + r.
template <int Divisor, int Rows>
struct Kernel {
    static constexpr int kDivisor = Divisor;
    static constexpr int kRows = Rows;
};

struct FloydSteinberg : Kernel<16, 1> {
    static constexpr int ahead[2] = {7, 0};
    static constexpr int below[1][7] = {{0, 0, 3, 5, 1, 0, 0}};
};
struct Burkes : Kernel<32, 1> {
    static constexpr int ahead[2] = {8, 4};
    static constexpr int below[1][7] = {{0, 2, 4, 8, 4, 2, 0}};
};
struct Stucki : Kernel<42, 2> {
    static constexpr int ahead[2] = {8, 4};
    static constexpr int below[2][7] = {{0, 2, 4, 8, 4, 2, 0}, {0, 1, 2, 4, 2, 1, 0}};
};
struct JarvisJudiceNinke : Kernel<48, 2> {
    static constexpr int ahead[2] = {7, 5};
    static constexpr int below[2][7] = {{0, 3, 5, 7, 5, 3, 0}, {0, 1, 3, 5, 3, 1, 0}};
};
struct Sierra : Kernel<32, 2> {
    static constexpr int ahead[2] = {5, 3};
    static constexpr int below[2][7] = {{0, 2, 4, 5, 4, 2, 0}, {0, 0, 2, 3, 2, 0, 0}};
};
struct StevensonArce : Kernel<200, 3> {
    static constexpr int ahead[2] = {0, 32};
    static constexpr int below[3][7] = {{12, 0, 26, 0, 30, 0, 16}, {0, 12, 0, 26, 0, 12, 0}, {5, 0, 12, 0, 12, 0, 5}};
};

template <class K>
constexpr bool WeightsAddUp() {
    int sum = K::ahead[0] + K::ahead[1];
    for (const auto& row : K::below)
        for (int w : row) sum += w;
    return sum == K::kDivisor;
}
static_assert(WeightsAddUp<FloydSteinberg>() && WeightsAddUp<Burkes>() && WeightsAddUp<Stucki>() &&
              WeightsAddUp<JarvisJudiceNinke>() && WeightsAddUp<Sierra>() && WeightsAddUp<StevensonArce>());

// floor((sum + divisor / 2) / divisor) for |sum| <= 1024 x divisor.
template <int Divisor>
inline int ReadError(int sum) {
    if constexpr ((Divisor & (Divisor - 1)) == 0) {
        return (sum + Divisor / 2) >> std::countr_zero(unsigned{Divisor});
    } else {
        constexpr int kBias = 1024;
        return static_cast<int>(static_cast<unsigned>(sum + Divisor / 2 + kBias * Divisor) / unsigned{Divisor}) - kBias;
    }
}

// What the pixels of a row so far give to x - 3 .. x + 3 of each row below (window[7 r + k]
// for row y + 1 + r), held until no later pixel of the row adds to its first column. Written
// with constant indices only, so that the window lives in registers.
template <class K, int... I>
inline void AddToWindow(int* window, int error, std::integer_sequence<int, I...>) {
    ((window[I] += error * K::below[I / 7][I % 7]), ...);
}
template <class K, int... R>
inline void FlushWindow(const int* window, std::int32_t* const* rows, std::ptrdiff_t column,
                        std::integer_sequence<int, R...>) {
    ((rows[R + 1][column] += window[7 * R]), ...);
}
template <int... I>
inline void ShiftWindow(int* window, std::integer_sequence<int, I...>) {
    constexpr int kLast = sizeof...(I) - 1;
    ((window[I] = I % 7 == 6 ? 0 : window[I < kLast ? I + 1 : I]), ...);
}

template <class K>
void DiffuseClassic(std::uint8_t* grey, std::size_t stride, std::uint32_t width, std::uint32_t height) {
    constexpr int kRows = K::kRows;
    constexpr std::size_t kPad = 3;  // taps reach three columns to either side
    const std::size_t span = width + 2 * kPad;
    // Error sums (in units of 1/divisor) of the current row and the rows below it.
    std::vector<std::int32_t> store((kRows + 1) * span, 0);
    std::array<std::int32_t*, kRows + 1> rows;
    for (int r = 0; r <= kRows; ++r) rows[r] = store.data() + r * span + kPad;
    constexpr auto kTaps = std::make_integer_sequence<int, 7 * kRows>{};
    constexpr auto kRowIndex = std::make_integer_sequence<int, kRows>{};

    for (std::uint32_t y = 0; y < height; ++y) {
        std::uint8_t* px = grey + y * stride;
        const std::int32_t* cur = rows[0];
        int here = 0, next = 0;  // the current row's own error for x and x + 1
        int window[7 * kRows] = {};
        for (std::uint32_t x = 0; x < width; ++x) {
            const int value = px[x] + ReadError<K::kDivisor>(cur[x] + here);
            const int out = -static_cast<int>(value > kWhiteAbove) & 255;  // no branch: dots are unpredictable
            const int error = value - out;
            px[x] = static_cast<std::uint8_t>(out);
            here = next + error * K::ahead[0];
            next = error * K::ahead[1];
            AddToWindow<K>(window, error, kTaps);
            FlushWindow<K>(window, rows.data(), static_cast<std::ptrdiff_t>(x) - 3, kRowIndex);
            ShiftWindow(window, kTaps);
        }
        // The last pixel's window covers width - 3 .. width + 3 (the right padding).
        for (std::ptrdiff_t k = 0; k < 6; ++k) {
            FlushWindow<K>(window, rows.data(), static_cast<std::ptrdiff_t>(width) - 3 + k, kRowIndex);
            ShiftWindow(window, kTaps);
        }
        std::int32_t* done = rows[0];
        for (int r = 0; r < kRows; ++r) rows[r] = rows[r + 1];
        std::fill(done - kPad, done - kPad + span, 0);
        rows[kRows] = done;
    }
}

void FixedThreshold(std::uint8_t* grey, std::size_t stride, std::uint32_t width, std::uint32_t height) {
    for (std::uint32_t y = 0; y < height; ++y) {
        std::uint8_t* px = grey + y * stride;
        for (std::uint32_t x = 0; x < width; ++x) px[x] = px[x] > kWhiteAbove ? 255 : 0;
    }
}

void OrderedBayer(std::uint8_t* grey, std::size_t stride, std::uint32_t width, std::uint32_t height) {
    static constexpr std::uint8_t kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    // The thresholds of the four row phases laid out over the width, so that the inner loop is
    // one comparison per pixel.
    std::vector<std::uint8_t> thresholds(4 * std::size_t{width});
    for (std::size_t phase = 0; phase < 4; ++phase)
        for (std::size_t x = 0; x < width; ++x) thresholds[phase * width + x] = 16 * kBayer[phase][x & 3] + 8;
    for (std::uint32_t y = 0; y < height; ++y) {
        std::uint8_t* px = grey + y * stride;
        const std::uint8_t* t = thresholds.data() + (y & 3) * std::size_t{width};
        for (std::uint32_t x = 0; x < width; ++x) px[x] = px[x] > t[x] ? 255 : 0;
    }
}

// Otsu's threshold of the histogram.
std::uint32_t OtsuThreshold(const std::uint8_t* grey, std::size_t stride, std::uint32_t width, std::uint32_t height) {
    std::array<std::uint64_t, 256> histogram{};
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::uint8_t* px = grey + y * stride;
        for (std::uint32_t x = 0; x < width; ++x) ++histogram[px[x]];
    }
    double total = 0, totalSum = 0;
    for (int i = 0; i < 256; ++i) {
        total += static_cast<double>(histogram[i]);
        totalSum += static_cast<double>(histogram[i]) * i;
    }
    std::uint32_t best = 128;
    double bestVariance = 0;  // a split must separate something
    double count0 = 0, sum0 = 0;
    for (int t = 0; t < 255; ++t) {
        count0 += static_cast<double>(histogram[t]);
        sum0 += static_cast<double>(histogram[t]) * t;
        const double count1 = total - count0;
        if (count0 == 0 || count1 == 0) continue;
        // Between-class variance times total^2.
        const double d = total * sum0 - count0 * totalSum;
        const double variance = d * d / (count0 * count1);
        if (variance > bestVariance) {
            bestVariance = variance;
            best = static_cast<std::uint32_t>(t);
        }
    }
    return best;
}

void AdaptiveThreshold(std::uint8_t* grey, std::size_t stride, std::uint32_t width, std::uint32_t height) {
    constexpr std::int64_t kBefore = 4, kAfter = 3;  // the box of 8
    const int global = static_cast<int>(OtsuThreshold(grey, stride, width, height));
    // The box sums read the input while the rows above are already written.
    std::vector<std::uint8_t> source(grey, grey + (height - 1) * stride + width);
    std::vector<std::int32_t> columns(width, 0);     // sums over the box's rows
    std::vector<std::int32_t> prefix(width + 1, 0);  // prefix[x] = columns[0] + .. + columns[x - 1]
    const std::int64_t w = width, h = height;
    std::int64_t rowsFrom = 0, rowsTo = 0;  // rows summed in `columns`: [rowsFrom, rowsTo)
    for (std::int64_t y = 0; y < h; ++y) {
        const std::int64_t from = std::max<std::int64_t>(y - kBefore, 0);
        const std::int64_t to = std::min<std::int64_t>(y + kAfter + 1, h);
        for (; rowsTo < to; ++rowsTo) {
            const std::uint8_t* row = source.data() + rowsTo * stride;
            for (std::int64_t x = 0; x < w; ++x) columns[x] += row[x];
        }
        for (; rowsFrom < from; ++rowsFrom) {
            const std::uint8_t* row = source.data() + rowsFrom * stride;
            for (std::int64_t x = 0; x < w; ++x) columns[x] -= row[x];
        }
        for (std::int64_t x = 0; x < w; ++x) prefix[x + 1] = prefix[x] + columns[x];
        const int boxRows = static_cast<int>(to - from);
        const std::uint8_t* in = source.data() + y * stride;
        std::uint8_t* out = grey + y * stride;
        for (std::int64_t x = 0; x < w; ++x) {
            const std::int64_t left = std::max<std::int64_t>(x - kBefore, 0);
            const std::int64_t right = std::min<std::int64_t>(x + kAfter + 1, w);
            const int n = boxRows * static_cast<int>(right - left);
            const int sum = prefix[right] - prefix[left];
            out[x] = 2 * n * in[x] > sum + n * global ? 255 : 0;
        }
    }
}

void Stencil(std::uint8_t* grey, std::size_t stride, std::uint32_t width, std::uint32_t height, std::uint32_t level) {
    const GreyImage result = StencilBinarise(GreyImage::FromBuffer(grey, width, height, stride), level);
    for (std::uint32_t y = 0; y < height; ++y) std::memcpy(grey + y * stride, result.Row(y), width);
}

}  // namespace

std::size_t PaddedRowBytes(std::uint32_t width) {
    return static_cast<std::size_t>((std::uint64_t{width} + 3) & ~std::uint64_t{3});
}

void Binarise(std::uint8_t* grey, std::uint32_t width, std::uint32_t height, std::uint32_t level,
              std::uint32_t family) {
    if (grey == nullptr || width == 0 || height == 0) return;
    (void)family;  // family 80 takes the standard methods
    const std::size_t stride = PaddedRowBytes(width);
    switch (level) {
        case kDitherFloydSteinberg: return DiffuseClassic<FloydSteinberg>(grey, stride, width, height);
        case kDitherAdaptive: return AdaptiveThreshold(grey, stride, width, height);
        case kDitherBurkes: return DiffuseClassic<Burkes>(grey, stride, width, height);
        case kDitherStucki: return DiffuseClassic<Stucki>(grey, stride, width, height);
        case kDitherJarvis: return DiffuseClassic<JarvisJudiceNinke>(grey, stride, width, height);
        case kDitherSierra: return DiffuseClassic<Sierra>(grey, stride, width, height);
        case kDitherStevensonArce: return DiffuseClassic<StevensonArce>(grey, stride, width, height);
        case kDitherBayer: return OrderedBayer(grey, stride, width, height);
        case kDitherStencil9:
        case kDitherStencil10:
        case kDitherStencil11: return Stencil(grey, stride, width, height, level);
        default: return FixedThreshold(grey, stride, width, height);
    }
}

}  // namespace kelno
