#pragma once
// The header of the driver data file (kelnodrv6.dat): 472 bytes, little-endian. The
// configuration DLL reads nothing else of the file; the model database overrides the model
// fields (bytes 232-447) for every model it lists.
#include <cstddef>
#include <cstdint>

namespace kelno {

inline constexpr char kDataFileSignature[4] = {'V', 'a', 'm', 't'};
inline constexpr std::uint16_t kDataFileHeaderSize = 472;

// GDI COLORINFO: seven CIE chromaticities (x, y, Y) for red, green, blue, cyan, magenta, yellow
// and alignment white, three gammas and six dye values, each in 1/10000.
struct ColorInfoRecord {
    std::int32_t values[30];
};
static_assert(sizeof(ColorInfoRecord) == 120);

// The defaults that stand in for a COLORINFO whose cyan Y value (header offset 148) is 0.
inline constexpr ColorInfoRecord kDefaultColorInfo = {{
    6380, 3350, 0,  2345, 6075, 0,  1410, 932, 0,  2000, 2450, 0,
    5210, 2100, 0,  4750, 5100, 0,  3127, 3290, 0,
    12500, 12500, 12500,
    585, 120, 0, 0, 0, 10000,
}};

#pragma pack(push, 4)
struct DataFileHeader {
    char signature[4];                 // "Vamt"
    std::uint32_t version;
    std::uint16_t headerSize;          // 472
    std::uint16_t extraSize;           // bytes the model record carries beyond its 496
    char deviceName[32];               // ANSI; byte 43 of the header is forced to 0
    std::int32_t maxPrintableWidth;    // µm
    std::uint32_t maxPrintLength;      // µm
    std::uint32_t marginLeft, marginTop, marginRight, marginBottom;  // µm
    std::uint32_t modelFlags;          // low 14 bits
    std::uint32_t xResolution, yResolution;          // dpi
    std::uint16_t xRasterResolution, yRasterResolution;
    std::uint16_t rasterOperationLevel;  // at most 3
    std::uint16_t maxScale;            // percent, at most 10000; 0 = no scaling offered
    std::uint16_t penCount;
    std::uint16_t maxCopies;
    std::uint16_t value92;             // below 3 is forced to 0
    std::uint16_t qualityCount;        // at most 4; 0 = print quality not offered
    std::uint32_t customWidthLimit, customLengthLimit;
    ColorInfoRecord colorInfo;
    std::uint32_t pelResolution;       // dpi
    std::uint32_t halftonePatternSize;
    std::uint8_t modelFields[216];     // 232-447: overridden by the model database
    std::uint8_t unused[24];           // 448-471: not taken into the model record
};
#pragma pack(pop)

static_assert(sizeof(DataFileHeader) == kDataFileHeaderSize);
static_assert(offsetof(DataFileHeader, version) == 4);
static_assert(offsetof(DataFileHeader, headerSize) == 8);
static_assert(offsetof(DataFileHeader, extraSize) == 10);
static_assert(offsetof(DataFileHeader, deviceName) == 12);
static_assert(offsetof(DataFileHeader, maxPrintableWidth) == 44);
static_assert(offsetof(DataFileHeader, maxPrintLength) == 48);
static_assert(offsetof(DataFileHeader, marginLeft) == 52);
static_assert(offsetof(DataFileHeader, marginBottom) == 64);
static_assert(offsetof(DataFileHeader, modelFlags) == 68);
static_assert(offsetof(DataFileHeader, xResolution) == 72);
static_assert(offsetof(DataFileHeader, yResolution) == 76);
static_assert(offsetof(DataFileHeader, xRasterResolution) == 80);
static_assert(offsetof(DataFileHeader, yRasterResolution) == 82);
static_assert(offsetof(DataFileHeader, rasterOperationLevel) == 84);
static_assert(offsetof(DataFileHeader, maxScale) == 86);
static_assert(offsetof(DataFileHeader, penCount) == 88);
static_assert(offsetof(DataFileHeader, maxCopies) == 90);
static_assert(offsetof(DataFileHeader, value92) == 92);
static_assert(offsetof(DataFileHeader, qualityCount) == 94);
static_assert(offsetof(DataFileHeader, customWidthLimit) == 96);
static_assert(offsetof(DataFileHeader, customLengthLimit) == 100);
static_assert(offsetof(DataFileHeader, colorInfo) == 104);
static_assert(offsetof(DataFileHeader, pelResolution) == 224);
static_assert(offsetof(DataFileHeader, halftonePatternSize) == 228);
static_assert(offsetof(DataFileHeader, modelFields) == 232);
static_assert(offsetof(DataFileHeader, unused) == 448);

}  // namespace kelno
