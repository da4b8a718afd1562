// Stencil binarisation: moment threshold, tone curve, unsharp mask and the two diffusions.
#include "driverui/docsheet/stencil.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <limits>
#include <stdexcept>

// The float steps must give the same result on every target: no fused multiply-add.
#if defined(__clang__)
#pragma STDC FP_CONTRACT OFF
#endif

namespace kelno {
namespace {

constexpr std::uint32_t kMomentFallback = 128;

// Rounds half away from zero into 0..255 (a value that is no number gives 0). Without
// branches: value - whole is exact in double, so the half is decided exactly.
inline std::uint8_t RoundToByte(double value) {
    value = value > 0 ? value : 0.0;
    value = value < 255 ? value : 255.0;
    const int whole = static_cast<int>(value);
    return static_cast<std::uint8_t>(whole + (value - whole >= 0.5 ? 1 : 0));
}

inline float Clamp01(float value) { return std::clamp(value, 0.0f, 1.0f); }

// For every column x: sum over the taps k, in order, of weights[k] x value(k, x); then
// done(x, sum). Eight columns at a time so that their sums stay in registers.
template <class Value, class Done>
inline void ConvolveBlocks(const std::vector<double>& weights, std::uint32_t width, Value value, Done done) {
    constexpr std::uint32_t kBlock = 8;
    const std::size_t taps = weights.size();
    std::uint32_t x = 0;
    for (; x + kBlock <= width; x += kBlock) {
        double sums[kBlock] = {};
        for (std::size_t k = 0; k < taps; ++k) {
            const double weight = weights[k];
            for (std::uint32_t i = 0; i < kBlock; ++i) sums[i] += weight * value(k, x + i);
        }
        for (std::uint32_t i = 0; i < kBlock; ++i) done(x + i, sums[i]);
    }
    for (; x < width; ++x) {
        double sum = 0;
        for (std::size_t k = 0; k < taps; ++k) sum += weights[k] * value(k, x);
        done(x, sum);
    }
}

bool IsGrey(const GreyImage& image) { return image.Format() == kGreyFormat && !image.Empty(); }

}  // namespace

std::uint32_t BytesPerPixelOfFormat(std::uint32_t format) {
    if (format == 0) return 1;
    if (format == 1 || format == 2) return 3;
    return 4;
}

GreyImage::GreyImage(std::uint32_t width, std::uint32_t height, std::uint32_t format)
    : width_(width), height_(height), bytesPerPixel_(BytesPerPixelOfFormat(format)), format_(format) {
    const std::uint64_t pixels = std::uint64_t{width} * height;
    if (pixels > std::numeric_limits<std::size_t>::max() / bytesPerPixel_) throw std::length_error("picture too large");
    pixels_.assign(static_cast<std::size_t>(pixels) * bytesPerPixel_, 0);
}

GreyImage GreyImage::FromBuffer(const std::uint8_t* pixels, std::uint32_t width, std::uint32_t height,
                                std::size_t stride, std::uint32_t format) {
    if (pixels == nullptr) return GreyImage(0, 0, format);
    GreyImage image(width, height, format);
    const std::size_t rowBytes = image.RowBytes();
    for (std::uint32_t y = 0; y < height && rowBytes != 0; ++y)
        std::copy_n(pixels + y * stride, rowBytes, image.Row(y));
    return image;
}

std::uint32_t MomentThreshold(const GreyImage& image) {
    if (!IsGrey(image)) return kMomentFallback;
    // Four histograms in turn, so that runs of one value do not wait on one counter.
    std::array<std::array<std::uint64_t, 256>, 4> partial{};
    const std::vector<std::uint8_t>& pixels = image.Pixels();
    const std::size_t size = pixels.size();
    std::size_t i = 0;
    for (; i + 4 <= size; i += 4) {
        for (std::size_t j = 0; j < 4; ++j) ++partial[j][pixels[i + j]];
    }
    for (; i < size; ++i) ++partial[0][pixels[i]];
    std::array<std::uint64_t, 256> counts;
    for (int v = 0; v < 256; ++v) counts[v] = partial[0][v] + partial[1][v] + partial[2][v] + partial[3][v];
    const float total = static_cast<float>(image.Pixels().size());
    std::array<float, 256> p;
    float m1 = 0, m2 = 0, m3 = 0;
    for (int i = 0; i < 256; ++i) {
        p[i] = static_cast<float>(counts[i]) / total;
        const float level = static_cast<float>(i);
        m1 += level * p[i];
        m2 += level * level * p[i];
        m3 += level * level * level * p[i];
    }
    // A single grey level has no variance and so no two-level split.
    const float cd = m2 - m1 * m1;
    if (cd == 0) return kMomentFallback;
    const float c0 = (m1 * m3 - m2 * m2) / cd;
    const float c1 = (m1 * m2 - m3) / cd;
    const float discriminant = c1 * c1 - 4 * c0;
    if (!(discriminant >= 0) || !std::isfinite(discriminant)) return kMomentFallback;
    const float r = std::sqrt(discriminant);
    const float z0 = (-c1 - r) / 2;
    const float z1 = (r - c1) / 2;
    if (z1 == z0) return kMomentFallback;  // both representative levels coincide
    const float p0 = (z1 - m1) / (z1 - z0) - 0.000001f;
    float sum = 0;
    for (std::uint32_t i = 0; i < 256; ++i) {
        sum += p[i];
        if (sum > p0) return i == 255 ? kMomentFallback : i;
    }
    return kMomentFallback;  // p0 no number, or beyond the whole
}

namespace {

std::array<std::uint8_t, 256> ToneTable(std::uint32_t pivotValue, double below, double above) {
    const double pivot = std::min(pivotValue, 255u);
    std::array<std::uint8_t, 256> table;
    for (int v = 0; v < 256; ++v) {
        double mapped;
        if (v < pivot) {
            mapped = pivot * std::pow(v / pivot, below);
        } else if (pivot == 255) {
            mapped = 255;  // only v = 255 lies at or above a pivot of 255
        } else {
            mapped = pivot + (255 - pivot) * std::pow((v - pivot) / (255 - pivot), above);
        }
        // Truncated; exponents that leave 0..255 are held at its ends.
        table[v] = !(mapped > 0) ? 0 : mapped >= 255 ? 255 : static_cast<std::uint8_t>(mapped);
    }
    return table;
}

}  // namespace

GreyImage ToneCurve(const GreyImage& image, std::uint32_t pivotValue, double below, double above) {
    if (!IsGrey(image)) return image;
    const std::array<std::uint8_t, 256> table = ToneTable(pivotValue, below, above);
    GreyImage out = image;
    for (std::uint32_t y = 0; y < out.Height(); ++y) {
        std::uint8_t* row = out.Row(y);
        for (std::uint32_t x = 0; x < out.Width(); ++x) row[x] = table[row[x]];
    }
    return out;
}

std::vector<double> GaussianKernel(int kernelSize, double sigma) {
    int n = std::max(kernelSize, 0);
    if (n == 0) {
        n = sigma > 0 ? static_cast<int>(std::min(2 * std::ceil(3 * sigma) + 1, static_cast<double>(kMaxUnsharpKernel)))
                      : 1;
    } else if (n % 2 == 0) {
        n += 1;
    }
    n = std::min(n, kMaxUnsharpKernel);
    if (!(sigma > 0)) sigma = ((n - 1) * 0.5 - 1) * 0.3 + 0.8;
    const int half = n / 2;
    std::vector<double> weights(static_cast<std::size_t>(n));
    const double scale = std::sqrt(2 * 3.14159265358979323846) * sigma;
    double sum = 0;
    for (int k = -half; k <= half; ++k) {
        weights[k + half] = std::exp(-(static_cast<double>(k) * k) / (2 * sigma * sigma)) / scale;
        sum += weights[k + half];
    }
    for (double& w : weights) w /= sum;
    return weights;
}

namespace {

// The unsharp mask of the picture with every value v read as tone[v] (the tone curve goes into
// the mask's reads instead of a picture of its own).
GreyImage UnsharpMaskOfTone(const GreyImage& image, const std::array<std::uint8_t, 256>& tone, int kernelSize,
                            double sigma, double amount) {
    const std::vector<double> weights = GaussianKernel(kernelSize, sigma);
    const std::size_t taps = weights.size();
    const std::int64_t half = static_cast<std::int64_t>(taps / 2);
    const std::uint32_t width = image.Width(), height = image.Height();
    const std::int64_t w = width, h = height;

    // Rows: each row with its edge pixels repeated half a kernel out. Every sum adds the taps
    // in kernel order; blocks of columns keep their sums in registers. The rounded sums of the
    // rows the columns reach are kept in a ring (as the doubles the columns take), row r in
    // slot r mod slots.
    const std::int64_t slots = std::min<std::int64_t>(static_cast<std::int64_t>(taps), h);
    std::vector<double> ring(static_cast<std::size_t>(slots) * width);
    std::vector<double> extended(width + 2 * taps);
    std::vector<double> sums(width);
    const auto blurRow = [&](std::int64_t r) {
        const std::uint8_t* src = image.Row(static_cast<std::uint32_t>(r));
        std::fill_n(extended.begin(), half, static_cast<double>(tone[src[0]]));
        for (std::int64_t x = 0; x < w; ++x) extended[half + x] = tone[src[x]];
        std::fill_n(extended.begin() + half + w, half, static_cast<double>(tone[src[w - 1]]));
        ConvolveBlocks(
            weights, width, [&](std::size_t k, std::uint32_t x) { return extended[x + k]; },
            [&](std::uint32_t x, double sum) { sums[x] = sum; });
        double* out = ring.data() + (r % slots) * w;
        for (std::int64_t x = 0; x < w; ++x) out[x] = RoundToByte(sums[x]);
    };

    // Columns of the row results, the same taps in the same order; then the mask itself.
    GreyImage out(width, height);
    const double keep = 1 + amount;
    std::vector<const double*> tapRows(taps);
    std::vector<std::uint8_t> blur(width);
    std::int64_t rowsDone = 0;  // rows 0 .. rowsDone - 1 have been blurred
    for (std::int64_t y = 0; y < h; ++y) {
        for (; rowsDone <= std::min(y + half, h - 1); ++rowsDone) blurRow(rowsDone);
        for (std::size_t k = 0; k < taps; ++k)
            tapRows[k] = ring.data() + (std::clamp<std::int64_t>(y + std::int64_t(k) - half, 0, h - 1) % slots) * w;
        ConvolveBlocks(
            weights, width, [&](std::size_t k, std::uint32_t x) { return tapRows[k][x]; },
            [&](std::uint32_t x, double sum) { sums[x] = sum; });
        for (std::int64_t x = 0; x < w; ++x) blur[x] = RoundToByte(sums[x]);
        const std::uint8_t* src = image.Row(static_cast<std::uint32_t>(y));
        std::uint8_t* dst = out.Row(static_cast<std::uint32_t>(y));
        for (std::int64_t x = 0; x < w; ++x)
            dst[x] = RoundToByte(tone[src[x]] * keep - static_cast<double>(blur[x]) * amount);
    }
    return out;
}

}  // namespace

GreyImage UnsharpMask(const GreyImage& image, int kernelSize, double sigma, double amount) {
    if (!IsGrey(image)) return image;
    std::array<std::uint8_t, 256> same;
    for (int v = 0; v < 256; ++v) same[v] = static_cast<std::uint8_t>(v);
    return UnsharpMaskOfTone(image, same, kernelSize, sigma, amount);
}

GreyImage DiffuseSixWeights(const GreyImage& image, std::uint32_t threshold) {
    if (!IsGrey(image)) return image;
    const std::uint32_t width = image.Width(), height = image.Height();
    const std::int64_t w = width;
    const float limit = static_cast<float>(threshold);
    // What a white dot takes off after 0, 1 or 2 black neighbours (0 at the picture's edges).
    std::array<float, 3> white;
    for (int n = 0; n < 3; ++n) white[n] = 255.0f * (1.0f - 0.1427f * static_cast<float>(n));
    GreyImage out(width, height);
    // The errors of the current and the next row (the taps reach no further), with two cells
    // either side: what falls outside the row (or below the last one) lands there, unread.
    constexpr std::size_t kPad = 2;
    std::vector<float> currentStore(width + 2 * kPad, 0.0f), nextStore(width + 2 * kPad, 0.0f);
    float* current = currentStore.data() + kPad;
    float* next = nextStore.data() + kPad;
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::uint8_t* src = image.Row(y);
        std::uint8_t* dst = out.Row(y);
        const std::uint8_t* above = y > 0 ? out.Row(y - 1) : nullptr;
        const bool innerRow = y >= 1 && y + 2 <= height;
        // Decides pixel x and spreads its error, but for the share of pixel x + 1, which the
        // caller adds last (kept out of memory: it is the next pixel's own input).
        const auto decide = [&](std::int64_t x, float value) {
            if (value > limit) {
                dst[x] = 255;
                const bool counted = innerRow && x >= 1 && x + 2 <= w;
                value -= white[counted ? (dst[x - 1] == 0 ? 1 : 0) + (above[x] == 0 ? 1 : 0) : 0];
            } else {
                dst[x] = 0;
            }
            current[x + 2] += -0.052926f * value;
            next[x - 2] += 0.226194f * value;
            next[x - 1] += 0.128835f * value;
            next[x] += 0.243191f * value;
            next[x + 1] += -0.111078f * value;
            return value;
        };
        float before = decide(0, current[0] + static_cast<float>(src[0]));
        for (std::int64_t x = 1; x < w; ++x) {
            before = decide(x, current[x] + 0.505786f * before + static_cast<float>(src[x]));
        }
        std::swap(current, next);
        std::fill(next - kPad, next + width + kPad, 0.0f);
    }
    return out;
}

namespace {

// The per-pixel terms of DiffuseEdgeAware that depend on 8-bit values alone, worked out once
// with the same float steps: by the rise to the highest of the pixel and its four neighbours
// (highest - pixel, exact in float), 1 - edge and 0.65 edge + 0.35; by the pixel, 1 - p / 255.
struct EdgeAwareTerms {
    std::array<float, 256> smooth;  // 1 - edge
    std::array<float, 256> lobe;    // 0.65 edge + 0.35
    std::array<float, 256> dark;    // 1 - p / 255
    EdgeAwareTerms() {
        for (int i = 0; i < 256; ++i) {
            const float t = Clamp01((static_cast<float>(i) - 8.0f) / 42.0f);
            const float e = t * t * (3.0f - 2.0f * t);
            smooth[i] = 1.0f - e;
            lobe[i] = 0.65f * e + 0.35f;
            dark[i] = 1.0f - static_cast<float>(i) / 255.0f;
        }
    }
};

// The rows DiffuseEdgeAware works on. The rows of the pixels, their rises and the mask have a
// cell either side (x = -1 and x = width), so that the terms of the pixel after the last one
// can be worked out, unused.
struct EdgeAwareRow {
    const std::uint8_t* pixels;
    const std::uint8_t* rise;  // highest of the pixel and its four neighbours, less the pixel
    const float* maskPart;     // 0.65 x the black mask of the rows before
    const float* e0;           // error of this row
    float* e1;                 // of the next row, with two cells either side
    float* e2;                 // of the row after
    std::uint8_t* dst;
};

// What a pixel's black density gives it: its value is error + p + add - take, and the error
// it passes on is (value - output) x damping.
struct EdgeAwareShares {
    float add, take, damping, density;
};

inline EdgeAwareShares SharesOf(float density, float maskPart, float smooth, float lobe, float k) {
    const float crowd = Clamp01(maskPart + density * 0.35f);
    const float lit = smooth * crowd;
    return {lit * 145.0f * k, (1.0f - crowd) * k * lobe * 20.0f, 1.0f - lit * 0.25f, density};
}

// One of a or b by their bits: compilers make a conditional move of it, where a float select
// tends to become a branch (mispredicted half the time in grey areas).
inline float Pick(bool first, float a, float b) {
    const std::uint32_t bitsA = std::bit_cast<std::uint32_t>(a), bitsB = std::bit_cast<std::uint32_t>(b);
    return std::bit_cast<float>(first ? bitsA : bitsB);
}

// One row in the direction D (1: left to right, -1: right to left). The chain from a pixel to
// the next is long (its decision, the black density, the next pixel's shares of it); so the
// next pixel's shares are worked out for both outcomes while this pixel is decided, and the
// decision only picks one.
template <int D>
void EdgeAwareScan(const EdgeAwareRow& row, std::int64_t w, float limit, const EdgeAwareTerms& terms) {
    const auto sharesAt = [&](std::int64_t x, float density) {
        const std::uint8_t rise = row.rise[x];
        return SharesOf(density, row.maskPart[x], terms.smooth[rise], terms.lobe[rise], terms.dark[row.pixels[x]]);
    };
    EdgeAwareShares shares = sharesAt(D > 0 ? 0 : w - 1, 0.0f);  // the density starts at 0
    // What the two pixels before gave to this one along the row, added in the order they
    // came (kept out of memory: the row's own error is read only here).
    float fromSecondBefore = 0, fromBefore = 0;
    for (std::int64_t i = 0; i < w; ++i) {
        const std::int64_t x = D > 0 ? i : w - 1 - i;
        const float p = static_cast<float>(row.pixels[x]);
        const float error = row.e0[x] + fromSecondBefore + fromBefore;
        const float v = error + p + shares.add - shares.take;
        // Two spellings of one test (v is never NaN), so that the float select has a compare
        // of its own and stays a mask.
        const bool isBlack = v < limit;
        const float output = v >= limit ? 255.0f : 0.0f;
        const float q = std::clamp((v - output) * shares.damping, -150.0f, 150.0f) / 8.0f;
        const EdgeAwareShares white = sharesAt(x + D, Clamp01(0.22f * 0.0f + 0.78f * shares.density));
        const EdgeAwareShares black = sharesAt(x + D, Clamp01(0.22f * 1.0f + 0.78f * shares.density));
        shares = {Pick(isBlack, black.add, white.add), Pick(isBlack, black.take, white.take),
                  Pick(isBlack, black.damping, white.damping), Pick(isBlack, black.density, white.density)};
        row.dst[x] = isBlack ? 0 : 255;
        fromSecondBefore = fromBefore;
        fromBefore = q;
        row.e1[x - D] += q;
        row.e1[x] += q;
        row.e1[x + D] += q;
        row.e2[x] += q;
    }
}

}  // namespace

GreyImage DiffuseEdgeAware(const GreyImage& image, std::uint32_t threshold) {
    if (!IsGrey(image)) return image;
    const std::uint32_t width = image.Width(), height = image.Height();
    const std::int64_t w = width;
    const float limit = static_cast<float>(threshold);
    const EdgeAwareTerms terms;
    GreyImage out(width, height);
    // Error rows with two cells either side: what falls outside the row lands there, unread.
    constexpr std::size_t kPad = 2;
    std::vector<float> store(3 * (width + 2 * kPad), 0.0f);
    float* e0 = store.data() + kPad;
    float* e1 = e0 + width + 2 * kPad;
    float* e2 = e1 + width + 2 * kPad;
    // Rows with a cell either side (zeros for the mask): the black dots, the mask, and the
    // pixels with their rises.
    std::vector<float> black(width + 2, 0.0f), mask(width + 2, 0.0f), maskPart(width + 2, 0.0f);
    std::vector<std::uint8_t> pixels(width + 2, 0), rise(width + 2, 0);
    float* b = black.data() + 1;
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::uint8_t* src = image.Row(y);
        const std::uint8_t* up = y > 0 ? image.Row(y - 1) : src;
        const std::uint8_t* down = y + 1 < height ? image.Row(y + 1) : src;
        std::copy_n(src, width, pixels.begin() + 1);
        // The edge columns repeat themselves; the columns between take no test (and vectorise).
        const auto riseAt = [&](std::int64_t x, std::uint8_t left, std::uint8_t right) {
            const std::uint8_t highest = std::max({src[x], left, right, up[x], down[x]});
            rise[x + 1] = static_cast<std::uint8_t>(highest - src[x]);
        };
        riseAt(0, src[0], src[w > 1 ? 1 : 0]);
        for (std::int64_t x = 1; x + 1 < w; ++x) riseAt(x, src[x - 1], src[x + 1]);
        if (w > 1) riseAt(w - 1, src[w - 2], src[w - 1]);
        std::uint8_t* dst = out.Row(y);
        const EdgeAwareRow row{pixels.data() + 1, rise.data() + 1, maskPart.data() + 1, e0, e1, e2, dst};
        if (y & 1) {
            EdgeAwareScan<-1>(row, w, limit, terms);
        } else {
            EdgeAwareScan<1>(row, w, limit, terms);
        }
        for (std::int64_t x = 0; x < w; ++x) b[x] = dst[x] == 0 ? 1.0f : 0.0f;
        for (std::int64_t x = 0; x < w; ++x) {
            const float m = Clamp01(0.78f * mask[x] + 0.3f * (0.7f * b[x] + 0.15f * b[x - 1] + 0.15f * b[x + 1]));
            mask[x] = m;
            maskPart[x + 1] = m * 0.65f;
        }
        float* done = e0;
        e0 = e1;
        e1 = e2;
        e2 = done;
        std::fill(e2 - kPad, e2 + width + kPad, 0.0f);
    }
    return out;
}

GreyImage StencilBinarise(const GreyImage& image, std::uint32_t level) {
    if (!IsGrey(image)) return image;
    constexpr int kKernel = 11;
    constexpr double kSigma = 3.0, kAmount = 3.0;
    const std::uint32_t threshold = MomentThreshold(image);  // always of the picture as given
    if (level == 10) {
        return DiffuseSixWeights(UnsharpMaskOfTone(image, ToneTable(threshold, 0.5, 1.5), kKernel, kSigma, kAmount),
                                 threshold);
    }
    const GreyImage sharpened = UnsharpMaskOfTone(image, ToneTable(64, 0.85, 0.7), kKernel, kSigma, kAmount);
    return level == 11 ? DiffuseEdgeAware(sharpened, threshold) : DiffuseSixWeights(sharpened, threshold);
}

}  // namespace kelno
