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
    6380, 3350, 0, 2345, 6075, 0, 1410,  932,   0,     2000, 2450, 0, 5210, 2100, 0,
    4750, 5100, 0, 3127, 3290, 0, 12500, 12500, 12500, 585,  120,  0, 0,    0,    10000,
}};

// Header bytes 232-447: the model fields. The data file supplies their start values and the
// model database overrides them for every model it lists. Lengths in µm. The reserved members
// make the alignment gaps of the layout explicit so that a byte copy carries no stray padding.
struct ModelFields {
    std::uint16_t printDirection;  // 1: landscape by default
    std::uint16_t ramSize;
    std::uint16_t flashSize;
    std::uint16_t accessories;  // 1 cutter, 2 peeler
    std::uint16_t rfid;
    std::uint16_t paperAlignment;  // 0 centre, 1 left, 2 right
    std::uint16_t outputDirection;
    std::uint16_t sensorType1;  // 0 gap, 1 black mark, 2 both
    std::uint16_t sensorType2;
    std::uint16_t gap;
    std::uint16_t gapOffset;
    std::uint16_t reserved254;
    std::uint32_t minLabelWidth;
    std::uint32_t minLabelLength;
    std::uint16_t maxSpeed;  // hundredths of an inch per second
    std::uint16_t minSpeed;
    std::uint16_t defaultSpeed;  // 0: the printer's own setting
    std::uint16_t speedStep;
    std::uint32_t hideSpeed;
    std::uint16_t maxDarkness;
    std::uint16_t defaultDarkness;  // 0: the printer's own setting
    std::uint16_t paperSaving;
    std::uint8_t sendPaperSize;
    std::uint8_t sendPaperType;
    std::uint16_t languageMask;     // 1 ESC/POS, 2 TSPL, 4 ZPL, 8 QVL
    std::uint16_t defaultLanguage;  // one of those bits (16: the fifth language)
    std::uint16_t speed2Max;
    std::uint16_t speed2Min;
    std::uint16_t speed2Default;
    std::uint16_t speed2Step;
    std::uint16_t darkness2Max;
    std::uint16_t darkness2Default;
    std::int32_t shiftH;
    std::int32_t shiftV;
    std::uint32_t ditherLevel;
    std::uint32_t postAction;
    std::uint32_t antiWrinkleFlag;
    std::uint32_t mirrorFlag;
    std::uint32_t antiWrinkleValue;
    std::uint32_t postFeed;
    std::uint16_t fixedValues[4];  // 50, 50, 100, 128: watermark position, scale, brightness
    std::uint16_t printerType;
    std::uint16_t printingScale;
    std::uint32_t printWidth;
    std::uint16_t inputResolution;
    std::uint16_t dashedLine;
    std::uint16_t twoColorCapable;
    std::uint16_t twoColorValue;
    std::uint16_t enhanceMode;
    std::uint16_t specialColor;
    std::uint16_t barcodeOptimisation;
    char defaultPaperName[50];  // narrow text, at most 49 bytes
    std::uint32_t compressionMode;
    std::uint32_t compressionMask;
    std::uint32_t feedPaperWhenPrinting;
    std::uint32_t feedDistanceAfterPrinting;
    std::uint32_t hideSizeInPaperName;
    std::uint16_t sendLanguageSwitch;
    std::uint16_t reserved434;
    std::uint32_t ditherFamily;
    std::uint8_t reserved440[8];
};
static_assert(sizeof(ModelFields) == 216);
// Offsets in the header (and in the model record) of the model fields.
static_assert(232 + offsetof(ModelFields, ramSize) == 234);
static_assert(232 + offsetof(ModelFields, gapOffset) == 252);
static_assert(232 + offsetof(ModelFields, minLabelWidth) == 256);
static_assert(232 + offsetof(ModelFields, maxSpeed) == 264);
static_assert(232 + offsetof(ModelFields, hideSpeed) == 272);
static_assert(232 + offsetof(ModelFields, maxDarkness) == 276);
static_assert(232 + offsetof(ModelFields, sendPaperSize) == 282);
static_assert(232 + offsetof(ModelFields, languageMask) == 284);
static_assert(232 + offsetof(ModelFields, speed2Max) == 288);
static_assert(232 + offsetof(ModelFields, darkness2Default) == 298);
static_assert(232 + offsetof(ModelFields, shiftH) == 300);
static_assert(232 + offsetof(ModelFields, ditherLevel) == 308);
static_assert(232 + offsetof(ModelFields, postFeed) == 328);
static_assert(232 + offsetof(ModelFields, fixedValues) == 332);
static_assert(232 + offsetof(ModelFields, printerType) == 340);
static_assert(232 + offsetof(ModelFields, printWidth) == 344);
static_assert(232 + offsetof(ModelFields, inputResolution) == 348);
static_assert(232 + offsetof(ModelFields, barcodeOptimisation) == 360);
static_assert(232 + offsetof(ModelFields, defaultPaperName) == 362);
static_assert(232 + offsetof(ModelFields, compressionMode) == 412);
static_assert(232 + offsetof(ModelFields, hideSizeInPaperName) == 428);
static_assert(232 + offsetof(ModelFields, sendLanguageSwitch) == 432);
static_assert(232 + offsetof(ModelFields, ditherFamily) == 436);

#pragma pack(push, 4)
struct DataFileHeader {
    char signature[4];  // "Vamt"
    std::uint32_t version;
    std::uint16_t headerSize;                                        // 472
    std::uint16_t extraSize;                                         // bytes the model record carries beyond its 496
    char deviceName[32];                                             // ANSI; byte 43 of the header is forced to 0
    std::int32_t maxPrintableWidth;                                  // µm
    std::uint32_t maxPrintLength;                                    // µm
    std::uint32_t marginLeft, marginTop, marginRight, marginBottom;  // µm
    std::uint32_t modelFlags;                                        // low 14 bits
    std::uint32_t xResolution, yResolution;                          // dpi
    std::uint16_t xRasterResolution, yRasterResolution;
    std::uint16_t rasterOperationLevel;  // at most 3
    std::uint16_t maxScale;              // percent, at most 10000; 0 = no scaling offered
    std::uint16_t penCount;
    std::uint16_t maxCopies;
    std::uint16_t value92;       // below 3 is forced to 0
    std::uint16_t qualityCount;  // at most 4; 0 = print quality not offered
    std::uint32_t customWidthLimit, customLengthLimit;
    ColorInfoRecord colorInfo;
    std::uint32_t pelResolution;  // dpi
    std::uint32_t halftonePatternSize;
    ModelFields modelFields;  // 232-447: overridden by the model database
    std::uint8_t unused[24];  // 448-471: not taken into the model record
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
