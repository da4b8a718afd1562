#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "driverui/docsheet/binarise.h"
#include "driverui/docsheet/preview_colour.h"
#include "driverui/docsheet/stencil.h"
#include "tests/support/grey_picture.h"

namespace kelno {
namespace {

using test::Binarised;
using test::FilledGreyPicture;
using test::MakeGreyPicture;
using test::RandomGreyPicture;

constexpr std::uint8_t B = 0, W = 255;

struct Worked {
    std::string name;
    std::uint32_t level;
    std::uint32_t width, height;
    std::vector<std::uint8_t> grey, expected;
};

// Each kernel traced by hand: "(x,y): s -> r" is the error sum the pixel has received (units
// of 1/divisor) and its read floor((s + divisor/2) / divisor); then value -> output, error.
const Worked kDiffusion[] = {
    // FS /16, white above 128. (0,0): 0, 100 -> B, e 100 (7e = 700 to (1,0); 3e, 5e, e below).
    // (1,0): 700 -> 44, 144 -> W, e -111. (2,0): 700 - 1477 = -777 -> -49, 51 -> B, e 51.
    // (0,1): 500 - 333 = 167 -> 10, 110 -> B, e 110. (1,1): 100 - 555 + 153 + 770 = 468 -> 29,
    // 129 -> W (129 is the first white value), e -126. (2,1): -111 + 255 - 882 = -738 -> -46, 54 -> B.
    {"FloydSteinberg", kDitherFloydSteinberg, 3, 2, {100, 100, 100, 100, 100, 100}, {B, W, B, B, W, B}},
    // Burkes /32: ahead 8, 4; below 2 4 8 4 2. (0,0) 100 -> B e 100; (1,0) 800 -> 25, 125 -> B
    // e 125; (2,0) 400 + 1000 = 1400 -> 44, 144 -> W e -111; (3,0) 500 - 888 = -388 -> -12, 88 -> B
    // e 88. (0,1) 800 + 500 - 222 = 1078 -> 34, 134 -> W. (1,1) 400 + 1000 - 444 + 176 - 968 = 164
    // -> 5, 105 -> B e 105. (2,1) 520 -> 16, 116 -> B e 116. (3,1) 1858 -> 58, 158 -> W.
    {"Burkes", kDitherBurkes, 4, 2, {100, 100, 100, 100, 100, 100, 100, 100}, {B, B, W, B, W, B, B, W}},
    // Stucki /42 on a checkerboard of 60 and 200. (0,0) 60 -> B e 60; (1,0) 480 -> 11, 211 -> W
    // e -44; (2,0) 240 - 352 = -112 -> -3, 57 -> B. (0,1) 418 -> 10, 210 -> W. (1,1) -244 -> -6,
    // 54 -> B. (2,1) 652 -> 16, 216 -> W. Row 2 reads -13 -> 0, 634 -> 15, -66 -> -2: 60, 215, 58.
    {"Stucki", kDitherStucki, 3, 3, {60, 200, 60, 200, 60, 200, 60, 200, 60}, {B, W, B, W, B, W, B, W, B}},
    // Jarvis-Judice-Ninke /48 on 90. Row 0 reads 0, 630 -> 13, 1171 -> 24: 90, 103, 114, all B.
    // (0,1) 1487 -> 31, 121 -> B; (1,1) 2588 -> 54, 144 -> W e -111; (2,1) 1411 -> 29, 119 -> B.
    // Row 2: 1522 -> 32 (122 B), 2404 -> 50 (140 W), 1415 -> 29 (119 B).
    {"JarvisJudiceNinke", kDitherJarvis, 3, 3, {90, 90, 90, 90, 90, 90, 90, 90, 90}, {B, B, B, B, W, B, B, W, B}},
    // Sierra /32 on 140. (0,0) 140 -> W e -115; (1,0) -575 -> -18, 122 -> B e 122; (2,0)
    // -345 + 610 = 265 -> 8, 148 -> W. Row 1 reads -301 -> -9 (131 W), -898 -> -28 (112 B),
    // -89 -> -3 (137 W); row 2: -509 -> -16 (124 B), 134 -> 4 (144 W), -650 -> -20 (120 B).
    {"Sierra", kDitherSierra, 3, 3, {140, 140, 140, 140, 140, 140, 140, 140, 140}, {W, B, W, W, B, W, B, W, B}},
    // Stevenson-Arce /200 on 128 (taps two ahead and up to three rows down). (0,0) 128 -> B e 128;
    // (1,0) 0 -> 128 B e 128; (2,0) 32 x 128 = 4096 -> 20, 148 -> W e -107; (3,0) 4096 -> W.
    // Row 1: 2044 -> 10 (138 W), 1058 -> 5 (133 W), -2686 -> -13 (115 B), -5066 -> -25 (103 B).
    // Row 2: 108 -> 1 (129 W), 1524 -> 8 (136 W), -6260 -> -31 (97 B), -3476 -> -17 (111 B).
    // Row 3: -2423 -> -12 (116 B), -2942 -> -15 (113 B), 4866 -> 24 (152 W), 5080 -> 25 (153 W).
    {"StevensonArce",
     kDitherStevensonArce,
     4,
     4,
     std::vector<std::uint8_t>(16, 128),
     {B, B, W, W, W, W, B, B, W, W, B, B, B, B, W, W}},
    // 4 x 4 Bayer, white above 16 m + 8: 128 is white where m <= 7, a checkerboard.
    {"Bayer", kDitherBayer, 4, 4, std::vector<std::uint8_t>(16, 128), {W, B, W, B, B, W, B, W, W, B, W, B, B, W, B, W}},
    // Bayer cell thresholds 8 (m 0), 136 (m 8), 40 (m 2), 168 (m 10) against one value each.
    {"BayerCellThresholds", kDitherBayer, 4, 1, {9, 136, 41, 169}, {W, B, W, W}},
    {"Threshold", kDitherThreshold, 4, 1, {0, 128, 129, 255}, {B, B, W, W}},
    {"LevelTwelveIsThreshold", 12, 4, 1, {0, 128, 129, 255}, {B, B, W, W}},
    {"HighLevelIsThreshold", 0xFFFFFFFF, 3, 1, {127, 128, 129}, {B, B, W}},
    // Adaptive: Otsu of {200 x7, 100 x2, 10 x7} is 100. The box reaches 4 left, 3 right; white
    // when 2 n v > box sum + 100 n. x = 4 (100 among 200s): 1600 against 1500 + 800 -> B;
    // x = 11 (100 among 10s): 1600 against 360 + 800 -> W; the same grey, opposite results.
    {"Adaptive",
     kDitherAdaptive,
     16,
     1,
     {200, 200, 200, 200, 100, 200, 200, 200, 10, 10, 10, 100, 10, 10, 10, 10},
     {W, W, W, W, B, W, W, W, B, B, B, W, B, B, B, B}},
};

class BinariseWorked : public testing::TestWithParam<Worked> {};

TEST_P(BinariseWorked, MatchesTheHandTrace) {
    const Worked& c = GetParam();
    test::GreyPicture picture = MakeGreyPicture(c.width, c.height, c.grey);
    Binarise(picture.Data(), c.width, c.height, c.level, 0);
    EXPECT_EQ(picture.Pixels(), c.expected);
    EXPECT_TRUE(picture.PaddingIntact());
    // Family 80 takes the same methods.
    EXPECT_EQ(Binarised(MakeGreyPicture(c.width, c.height, c.grey), c.level, kDitherFamilyStandard), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Kernels, BinariseWorked, testing::ValuesIn(kDiffusion),
                         [](const auto& info) { return info.param.name; });

TEST(Binarise, RowBytesArePaddedToFour) {
    const std::pair<std::uint32_t, std::size_t> cases[] = {{0, 0}, {1, 4}, {4, 4}, {5, 8}, {199, 200}, {201, 204}};
    for (const auto& [width, bytes] : cases) EXPECT_EQ(PaddedRowBytes(width), bytes) << width;
}

TEST(Binarise, PictureWithoutPixelsIsLeftAlone) {
    std::uint8_t bytes[4] = {1, 2, 3, 4};
    for (std::uint32_t level = 0; level < 12; ++level) {
        Binarise(bytes, 0, 1, level, 0);
        Binarise(bytes, 3, 0, level, 0);
        Binarise(nullptr, 3, 1, level, 0);
    }
    EXPECT_EQ(std::vector<std::uint8_t>(bytes, bytes + 4), (std::vector<std::uint8_t>{1, 2, 3, 4}));
}

const std::uint32_t kAllLevels[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
const std::pair<std::uint32_t, std::uint32_t> kSizes[] = {{1, 1}, {2, 3}, {3, 1}, {5, 7}, {13, 4}, {33, 17}};

TEST(Binarise, WhiteStaysWhiteAtEveryLevel) {
    for (std::uint32_t family : {kDitherFamilyStandard, kDitherFamily80})
        for (std::uint32_t level : kAllLevels)
            for (const auto& [w, h] : kSizes) {
                const std::vector<std::uint8_t> white(std::size_t{w} * h, W);
                EXPECT_EQ(Binarised(FilledGreyPicture(w, h, W), level, family), white)
                    << "level " << level << " family " << family << " " << w << "x" << h;
            }
}

TEST(Binarise, EveryLevelGivesTwoValuesAndKeepsThePadding) {
    std::uint32_t seed = 1;
    for (std::uint32_t level : kAllLevels)
        for (const auto& [w, h] : kSizes) {
            test::GreyPicture picture = RandomGreyPicture(w, h, seed++);
            Binarise(picture.Data(), w, h, level, 0);
            EXPECT_TRUE(picture.PaddingIntact()) << level;
            for (std::uint8_t v : picture.Pixels()) ASSERT_TRUE(v == B || v == W) << "level " << level;
        }
}

// Error diffusion passes the error on instead of dropping it: the share of white dots follows
// the grey, flat or noisy, within what the edges lose.
TEST(Binarise, ErrorDiffusionKeepsTheMeanGrey) {
    const std::uint32_t levels[] = {kDitherFloydSteinberg, kDitherBurkes, kDitherStucki,
                                    kDitherJarvis,         kDitherSierra, kDitherStevensonArce};
    for (std::uint32_t level : levels) {
        for (std::uint8_t grey : {8, 40, 100, 128, 129, 190, 247}) {
            const test::GreyPicture flat = FilledGreyPicture(200, 168, grey);
            test::GreyPicture out = flat;
            Binarise(out.Data(), out.width, out.height, level, 0);
            EXPECT_NEAR(out.Mean(), grey, 2.0) << "level " << level << " grey " << int{grey};
        }
        const test::GreyPicture noise = RandomGreyPicture(201, 167, level);
        test::GreyPicture out = noise;
        Binarise(out.Data(), out.width, out.height, level, 0);
        EXPECT_NEAR(out.Mean(), noise.Mean(), 2.0) << "level " << level;
    }
}

// ---- Stencil filters ----

GreyImage Image(std::uint32_t width, std::uint32_t height, const std::vector<std::uint8_t>& pixels) {
    return GreyImage::FromBuffer(pixels.data(), width, height, width);
}

TEST(GreyImage, CopiesThePixelsWithoutRowPadding) {
    const std::uint8_t padded[] = {1, 2, 3, 0xEE, 4, 5, 6, 0xEE};
    const GreyImage image = GreyImage::FromBuffer(padded, 3, 2, 4);
    EXPECT_EQ(image.Pixels(), (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6}));
    const std::pair<std::uint32_t, std::uint32_t> formats[] = {{0, 1}, {1, 3}, {2, 3}, {3, 4}, {7, 4}};
    for (const auto& [format, bytes] : formats) {
        const GreyImage empty(2, 3, format);
        EXPECT_EQ(empty.Pixels(), std::vector<std::uint8_t>(6 * bytes, 0)) << format;
    }
    EXPECT_TRUE(GreyImage::FromBuffer(nullptr, 3, 2, 4).Empty());
}

TEST(Stencil, MomentThreshold) {
    const struct {
        const char* what;
        std::vector<std::uint8_t> pixels;
        std::uint32_t threshold;
    } cases[] = {
        // p = 1/2, 1/4, 1/4 at 0, 100, 240: m1 = 85, m2 = 16900, m3 = 3706000, cd = 9675,
        // c0 = 3038.76, c1 = -234.574, z0 = 13.76, z1 = 220.81, p0 = 0.65594 - 0.000001: the sum
        // passes it at 100 (0.75).
        {"three levels", {0, 0, 100, 240}, 100},
        // 20 x5, 90 x3, 200 x2: m1 = 77, z0 = 32.04, z1 = 181.57, p0 = 0.69934: passes at 90 (0.8).
        {"three levels, more pixels", {20, 20, 20, 20, 20, 90, 90, 90, 200, 200}, 90},
        // One grey: no variance (cd = 0), no split.
        {"single grey", {77, 77, 77, 77}, 128},
        {"white", {255, 255, 255}, 128},
        {"black", {0}, 128},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MomentThreshold(Image(std::uint32_t(c.pixels.size()), 1, c.pixels)), c.threshold) << c.what;
    EXPECT_EQ(MomentThreshold(GreyImage()), 128u);
}

TEST(Stencil, ToneCurve) {
    std::vector<std::uint8_t> ramp(256);
    for (int v = 0; v < 256; ++v) ramp[v] = static_cast<std::uint8_t>(v);
    const GreyImage image = Image(256, 1, ramp);
    const struct {
        std::uint32_t pivot;
        double below, above;
        std::vector<std::pair<int, int>> map;
    } cases[] = {
        // 64 (v/64)^0.85: 1 -> 1.87, 32 -> 35.5; 64 + 191 ((v-64)/191)^0.7: 65 -> 68.0,
        // 128 -> 152.9, 200 -> 214.0.
        {64, 0.85, 0.7, {{0, 0}, {1, 1}, {32, 35}, {63, 63}, {64, 64}, {65, 68}, {128, 152}, {200, 214}, {255, 255}}},
        // 128 (v/128)^0.5: 127 -> 127.5; 128 + 127 ((v-128)/127)^1.5: 200 -> 182.2.
        {128, 0.5, 1.5, {{0, 0}, {127, 127}, {128, 128}, {200, 182}, {255, 255}}},
        // A pivot at either end leaves one piece; 255 - pivot = 0 divides nothing.
        {0, 0.5, 2.0, {{0, 0}, {128, 64}, {255, 255}}},
        {255, 2.0, 0.5, {{0, 0}, {128, 64}, {254, 253}, {255, 255}}},
    };
    for (const auto& c : cases) {
        const GreyImage mapped = ToneCurve(image, c.pivot, c.below, c.above);
        for (const auto& [from, to] : c.map) EXPECT_EQ(mapped.At(from, 0), to) << "pivot " << c.pivot << " v " << from;
    }
}

TEST(Stencil, GaussianKernelSizeAndSigma) {
    const struct {
        int size;
        double sigma;
        std::size_t taps;
        double sigmaUsed;
    } cases[] = {
        {11, 3.0, 11, 3.0},
        {4, 1.0, 5, 1.0},   // even sizes grow by one
        {0, 1.0, 7, 1.0},   // from sigma: 2 ceil(3) + 1
        {0, 0.4, 5, 0.4},   // 2 ceil(1.2) + 1
        {5, 0.0, 5, 1.1},   // from size: ((5 - 1) 0.5 - 1) 0.3 + 0.8
        {0, -1.0, 1, 0.5},  // neither: one tap
        {100000, 2.0, kMaxUnsharpKernel, 2.0},
    };
    for (const auto& c : cases) {
        const std::vector<double> weights = GaussianKernel(c.size, c.sigma);
        ASSERT_EQ(weights.size(), c.taps) << c.size;
        double sum = 0;
        for (double w : weights) sum += w;
        EXPECT_NEAR(sum, 1.0, 1e-12);
        const std::size_t middle = c.taps / 2;
        if (c.taps > 1)
            EXPECT_NEAR(weights[middle + 1] / weights[middle], std::exp(-0.5 / (c.sigmaUsed * c.sigmaUsed)), 1e-12);
        EXPECT_EQ(weights.front(), weights.back());
    }
}

TEST(Stencil, UnsharpMaskOnAStepEdge) {
    // Row blur of 100 x6 | 160 x6 with the 11-tap sigma 3 kernel (edges repeated): 100.0, 102.13,
    // 105.64, 110.82, 117.65, 125.73 | 134.27, 142.35, 149.18, 154.36, 157.87, 160.0, rounded; three
    // equal rows leave the column blur as it is. 4 src - 3 blur: 94 = 400 - 306, ..., 22 = 400 - 378
    // | 238 = 640 - 402, ..., 166 = 640 - 474: dark and light fringes on either side of the edge.
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 12; ++x) pixels.push_back(x < 6 ? 100 : 160);
    const GreyImage sharp = UnsharpMask(Image(12, 3, pixels), 11, 3.0, 3.0);
    const std::vector<std::uint8_t> row = {100, 94, 82, 67, 46, 22, 238, 214, 193, 178, 166, 160};
    for (std::uint32_t y = 0; y < 3; ++y)
        EXPECT_EQ(std::vector<std::uint8_t>(sharp.Row(y), sharp.Row(y) + 12), row) << y;
    // Transposed, the column pass does the same work.
    const GreyImage column =
        UnsharpMask(Image(1, 12, std::vector<std::uint8_t>(pixels.begin(), pixels.begin() + 12)), 11, 3.0, 3.0);
    EXPECT_EQ(column.Pixels(), row);
    // A flat picture stays flat at every grey (the blur's sum of weights is 1 to rounding).
    for (int grey = 0; grey < 256; grey += 17) {
        const GreyImage flat = UnsharpMask(Image(5, 4, std::vector<std::uint8_t>(20, grey)), 11, 3.0, 3.0);
        EXPECT_EQ(flat.Pixels(), std::vector<std::uint8_t>(20, grey));
    }
}

TEST(Stencil, DiffuseSixWeights) {
    // 4 x 3 of 100, threshold 60 ("in" = pixel + error, then what is carried on):
    // (0,0) 100 -> W, carries -155 (edge: the full 255); (1,0) 100 - 78.40 = 21.60 -> B, carries
    // 21.60; (2,0) 119.13 -> W, -135.87; (3,0) 30.14 -> B. (0,1) 34.36 -> B; (1,1) 129.16 -> W
    // inside the picture with two black neighbours (left, above): 255 (1 - 2 x 0.1427) = 182.22
    // taken off, carries -53.06; (2,1) 39.78 -> B; (3,1) 145.35 -> W. Row 2: 110.52 W, -9.47 B,
    // 104.30 W, -6.81 B.
    const GreyImage out = DiffuseSixWeights(Image(4, 3, std::vector<std::uint8_t>(12, 100)), 60);
    EXPECT_EQ(out.Pixels(), (std::vector<std::uint8_t>{W, B, W, B, B, W, B, W, W, B, W, B}));
    // A value equal to the threshold is black and carries itself on: 60 -> B; 60 + 30.35 -> W,
    // carrying -164.65 (one row: no pixel is inside); 60 - 83.28 - 3.18 -> B.
    EXPECT_EQ(DiffuseSixWeights(Image(3, 1, {60, 60, 60}), 60).Pixels(), (std::vector<std::uint8_t>{B, W, B}));
    EXPECT_EQ(DiffuseSixWeights(Image(3, 2, std::vector<std::uint8_t>(6, W)), 254).Pixels(),
              std::vector<std::uint8_t>(6, W));
}

TEST(Stencil, DiffuseEdgeAware) {
    // 3 x 2 of 100, threshold 100; flat, so no edge term (e = 0); k = 1 - 100/255 = 0.608.
    // (0,0): v = 100 - 0.608 x 0.35 x 20 = 95.75 -> B, q = 11.97; (1,0): crowding 0.35 x 0.22 =
    // 0.077, v = 114.83 -> W, q = -17.18; (2,0): 96.08 -> B. Mask 0.21, 0.09, 0.21.
    // Row 1 from the right: (2,1) 103.00 -> W; (1,1) 89.41 -> B; (0,1) 102.92 -> W.
    EXPECT_EQ(DiffuseEdgeAware(Image(3, 2, std::vector<std::uint8_t>(6, 100)), 100).Pixels(),
              (std::vector<std::uint8_t>{B, W, B, W, B, W}));
    EXPECT_EQ(DiffuseEdgeAware(Image(4, 3, std::vector<std::uint8_t>(12, W)), 128).Pixels(),
              std::vector<std::uint8_t>(12, W));
}

// Odd rows are scanned from the right. Under a white row (which passes on no error and no black
// mask) a row of constant grey starts afresh, so its dots must be the mirror of those of the
// same row scanned first, from the left, above a white row; and for this grey the two
// directions differ, so the check has teeth.
TEST(Stencil, EdgeAwareScansOddRowsFromTheRight) {
    for (std::uint32_t width : {5u, 7u, 8u}) {
        std::vector<std::uint8_t> whiteThenGrey(2 * width, 128), greyThenWhite(2 * width, 128);
        std::fill_n(whiteThenGrey.begin(), width, W);
        std::fill_n(greyThenWhite.begin() + width, width, W);
        const GreyImage odd = DiffuseEdgeAware(Image(width, 2, whiteThenGrey), 128);
        const GreyImage even = DiffuseEdgeAware(Image(width, 2, greyThenWhite), 128);
        const std::vector<std::uint8_t> oddRow(odd.Row(1), odd.Row(1) + width);
        const std::vector<std::uint8_t> evenRow(even.Row(0), even.Row(0) + width);
        EXPECT_EQ(oddRow, std::vector<std::uint8_t>(evenRow.rbegin(), evenRow.rend())) << width;
        EXPECT_NE(oddRow, evenRow) << width;
        EXPECT_EQ(std::vector<std::uint8_t>(odd.Row(0), odd.Row(0) + width), std::vector<std::uint8_t>(width, W));
    }
}

// A grey ramp with noise, a bright disc and a dark block, in integers only.
std::vector<std::uint8_t> Textured(std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint8_t> pixels(std::size_t{width} * height);
    std::uint32_t state = 0x2545f491u;
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            int grey = static_cast<int>(40 + 3 * x + 2 * y) + static_cast<int>(state % 41) - 20;
            const int dx = static_cast<int>(x) - 20, dy = static_cast<int>(y) - 15;
            if (dx * dx + dy * dy < 100) grey = 230 - dx * dx - dy * dy;
            if (x > 38 && x < 52 && y > 8 && y < 30) grey = 30;
            pixels[y * width + x] = static_cast<std::uint8_t>(std::clamp(grey, 0, 255));
        }
    }
    return pixels;
}

std::uint64_t Fnv1a(const std::vector<std::uint8_t>& bytes) {
    std::uint64_t hash = 14695981039346656037ull;
    for (std::uint8_t b : bytes) hash = (hash ^ b) * 1099511628211ull;
    return hash;
}

// Two greys, 56 and 105, scattered at random: their moments put the threshold on a knife edge
// (computed with fused multiply-adds it moves from 105 to 56).
std::vector<std::uint8_t> TwoGreys(std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint8_t> pixels(std::size_t{width} * height);
    std::uint32_t state = 0x2545f491u;
    for (std::uint8_t& pixel : pixels) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        pixel = (state >> 7) & 1 ? 105 : 56;
    }
    return pixels;
}

// The float steps are fixed, and so is every bit of the result: a faster path that rounds
// differently, a compiler that fuses multiply-adds or a change of precision shows here, in
// this sanitized debug build as in an optimised one. The hashes were taken from the first,
// plain form of the filters. 61 x 47 has more rows than the mask's kernel (whose row results
// are kept in a ring), 16 x 9 fewer.
TEST(Stencil, ResultsAreBitExact) {
    struct Pinned {
        const char* name;
        std::uint32_t width, height;
        std::vector<std::uint8_t> (*make)(std::uint32_t, std::uint32_t);
        std::uint64_t level9, level10, level11, unsharp;
    };
    const Pinned pinned[] = {
        {"textured 61 x 47", 61, 47, Textured, 0x2ca7d10695275d73ull, 0x7d47723bacbde526ull, 0x09b557d8600fd841ull,
         0xb6ca09f17f3dd4fdull},
        {"textured 16 x 9", 16, 9, Textured, 0xf546e89efacc0d3bull, 0x7d9f5788cf3562c7ull, 0x273314145f741071ull,
         0xe34e0aca142bad21ull},
        {"two greys 24 x 20", 24, 20, TwoGreys, 0x9213071292835a4cull, 0x04f522605efafb4eull, 0xa26448283f102f8full,
         0xe8d96e689d398161ull},
    };
    for (const Pinned& p : pinned) {
        const GreyImage image = Image(p.width, p.height, p.make(p.width, p.height));
        EXPECT_EQ(Fnv1a(StencilBinarise(image, 9).Pixels()), p.level9) << p.name;
        EXPECT_EQ(Fnv1a(StencilBinarise(image, 10).Pixels()), p.level10) << p.name;
        EXPECT_EQ(Fnv1a(StencilBinarise(image, 11).Pixels()), p.level11) << p.name;
        EXPECT_EQ(Fnv1a(UnsharpMask(image, 11, 3.0, 3.0).Pixels()), p.unsharp) << p.name;
    }
}

TEST(Stencil, PictureWithoutPixelsComesBackEmpty) {
    for (std::uint32_t level : {9u, 10u, 11u}) EXPECT_TRUE(StencilBinarise(GreyImage(), level).Empty());
}

// ---- Preview colour steps ----

TEST(PreviewColour, ContrastAndBrightness) {
    const struct {
        int contrast, brightness;
        std::vector<std::pair<int, int>> map;  // colour byte before -> after
    } cases[] = {
        {0, 0, {{0, 0}, {77, 77}, {128, 128}, {255, 255}}},
        // C = 255, F = 259 x 510 / (4 x 255) = 129.5: 127 -> -1.5 (clamped 0), 129 -> 257.5.
        {100, 0, {{0, 0}, {127, 0}, {128, 128}, {129, 255}, {255, 255}}},
        // C = -255, F = 0: every byte becomes 128.
        {-100, 0, {{0, 128}, {200, 128}, {255, 128}}},
        // C = 25 (25.5 truncated), F = 1.21535: 200 -> 215.505, 50 -> 33.2.
        {10, 0, {{50, 33}, {200, 215}}},
        // C = -25 (toward zero), F = 0.82256: 0 -> 22.71, 255 -> 232.47.
        {-10, 0, {{0, 22}, {255, 232}}},
        {0, 100, {{0, 128}, {100, 228}, {200, 255}}},
        {0, -100, {{0, 0}, {100, 0}, {200, 72}, {255, 127}}},
        // 33 x 128 / 100 = 42.24 -> 42; -42 (not -43) below zero.
        {0, 33, {{10, 52}}},
        {0, -33, {{100, 58}}},
        // Contrast first, then brightness: 129 -> 257.5 -> 255, then -128.
        {100, -100, {{129, 127}, {127, 0}}},
        // Settings beyond the trackbars are held at their ends.
        {250, 400, {{127, 128}, {129, 255}}},
    };
    for (const auto& c : cases) {
        for (const auto& [from, to] : c.map) {
            std::uint8_t pixel[4] = {std::uint8_t(from), std::uint8_t(from), std::uint8_t(from), 0x5A};
            AdjustColours(pixel, 4, 1, 1, c.contrast, c.brightness);
            EXPECT_EQ(std::vector<int>(pixel, pixel + 3), std::vector<int>(3, to))
                << "contrast " << c.contrast << " brightness " << c.brightness << " from " << from;
            EXPECT_EQ(pixel[3], 0x5A);
        }
    }
    EXPECT_EQ(ContrastFactor(100), 129.5);
}

// A 3 x 2 picture in a 24-bit bitmap: rows of 9 bytes padded to 12, in either row order.
TEST(PreviewColour, GreyAndBackInBothRowOrders) {
    // (38 R + 75 G + 15 B) >> 7: (30, 20, 10) -> 2790 >> 7 = 21; pure red 9690 -> 75; pure green
    // 19125 -> 149; pure blue 3825 -> 29; white 32640 -> 255; black 0.
    const std::vector<std::uint8_t> bgr = {10,  20, 30, 0,   0,   255, 0, 255, 0, 0xC1, 0xC2, 0xC3,
                                           255, 0,  0,  255, 255, 255, 0, 0,   0, 0xC4, 0xC5, 0xC6};
    ASSERT_EQ(Bgr24RowBytes(3), 12u);
    for (bool bottomUp : {false, true}) {
        std::vector<std::uint8_t> bitmap = bgr;
        std::uint8_t* first = bottomUp ? bitmap.data() + 12 : bitmap.data();
        const std::ptrdiff_t stride = bottomUp ? -12 : 12;
        std::vector<std::uint8_t> grey(8, 0);
        BgrToGrey(first, stride, 3, 2, grey.data());
        const std::vector<std::uint8_t> top = {21, 75, 149, 255}, bottom = {29, 255, 0, 255};
        std::vector<std::uint8_t> expected = bottomUp ? bottom : top;
        expected.insert(expected.end(), (bottomUp ? top : bottom).begin(), (bottomUp ? top : bottom).end());
        EXPECT_EQ(grey, expected) << bottomUp;

        GreyToBgr(grey.data(), 3, 2, first, stride);
        EXPECT_EQ(bitmap, (std::vector<std::uint8_t>{21, 21, 21, 75,  75,  75,  149, 149, 149, 0xC1, 0xC2, 0xC3,
                                                     29, 29, 29, 255, 255, 255, 0,   0,   0,   0xC4, 0xC5, 0xC6}));
    }
}

TEST(PreviewColour, RenderPreview) {
    const std::vector<std::uint8_t> bgr = {10, 20, 30, 200, 200, 200, 0xEE, 0xEE};  // 2 x 1, row of 8
    std::vector<std::uint8_t> grey(4);
    const struct {
        PreviewSettings settings;
        std::vector<std::uint8_t> expected;
    } cases[] = {
        {{0, 0, kDitherThreshold, 0, false}, {0, 0, 0, 255, 255, 255, 0xEE, 0xEE}},
        {{0, 0, 12, 0, false}, {0, 0, 0, 255, 255, 255, 0xEE, 0xEE}},
        // +100 brightness: 21 grey -> (138, 148, 158) -> 146 -> white.
        {{0, 100, kDitherThreshold, 0, false}, {255, 255, 255, 255, 255, 255, 0xEE, 0xEE}},
        // The original: only brightness and contrast.
        {{0, -100, kDitherThreshold, 0, true}, {0, 0, 0, 72, 72, 72, 0xEE, 0xEE}},
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> bitmap = bgr;
        RenderPreview(bitmap.data(), 8, 2, 1, c.settings, grey.data());
        EXPECT_EQ(bitmap, c.expected) << c.settings.brightness << " " << c.settings.showOriginal;
    }
}

}  // namespace
}  // namespace kelno
