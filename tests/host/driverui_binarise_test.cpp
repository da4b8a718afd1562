#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "driverui/docsheet/binarise.h"
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
    EXPECT_EQ(Binarised(MakeGreyPicture(c.width, c.height, c.grey), c.level, kDitherFamily80), c.expected);
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

TEST(Binarise, WhiteStaysWhiteAndBlackStaysBlackAtEveryLevel) {
    for (std::uint32_t family : {0u, kDitherFamily80})
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

}  // namespace
}  // namespace kelno
