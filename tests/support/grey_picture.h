#pragma once
// Grey pictures in the layout the binarisation takes (rows padded to a multiple of 4 bytes),
// with a marker in the padding so that a test sees any write outside the pixels.
#include <cstdint>
#include <random>
#include <vector>

#include "driverui/docsheet/binarise.h"

namespace kelno::test {

inline constexpr std::uint8_t kPaddingMarker = 0xA5;

struct GreyPicture {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> bytes;  // height rows of PaddedRowBytes(width)

    std::uint8_t* Data() { return bytes.data(); }
    std::size_t Stride() const { return PaddedRowBytes(width); }
    // The pixels row after row, without padding.
    std::vector<std::uint8_t> Pixels() const {
        std::vector<std::uint8_t> out;
        for (std::uint32_t y = 0; y < height; ++y)
            out.insert(out.end(), bytes.begin() + y * Stride(), bytes.begin() + y * Stride() + width);
        return out;
    }
    bool PaddingIntact() const {
        for (std::uint32_t y = 0; y < height; ++y)
            for (std::size_t x = width; x < Stride(); ++x)
                if (bytes[y * Stride() + x] != kPaddingMarker) return false;
        return true;
    }
    double Mean() const {
        double sum = 0;
        for (std::uint8_t v : Pixels()) sum += v;
        return sum / (double(width) * height);
    }
};

// `pixels` row after row without padding.
inline GreyPicture MakeGreyPicture(std::uint32_t width, std::uint32_t height, const std::vector<std::uint8_t>& pixels) {
    GreyPicture picture{width, height, std::vector<std::uint8_t>(PaddedRowBytes(width) * height, kPaddingMarker)};
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x) picture.bytes[y * picture.Stride() + x] = pixels[y * width + x];
    return picture;
}

inline GreyPicture FilledGreyPicture(std::uint32_t width, std::uint32_t height, std::uint8_t value) {
    return MakeGreyPicture(width, height, std::vector<std::uint8_t>(std::size_t{width} * height, value));
}

inline GreyPicture RandomGreyPicture(std::uint32_t width, std::uint32_t height, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> pixels(std::size_t{width} * height);
    for (std::uint8_t& v : pixels) v = static_cast<std::uint8_t>(random() & 0xFF);
    return MakeGreyPicture(width, height, pixels);
}

inline std::vector<std::uint8_t> Binarised(GreyPicture picture, std::uint32_t level, std::uint32_t family = 0) {
    Binarise(picture.Data(), picture.width, picture.height, level, family);
    return picture.Pixels();
}

}  // namespace kelno::test
