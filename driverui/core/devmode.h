#pragma once
// The driver DEVMODE: the public DEVMODEW (220 bytes) followed by the 4976-byte private part,
// 5196 bytes in all. The render DLL reads this block byte for byte, so the layout is fixed.
//
// Every function that looks at a DEVMODE from outside takes it as bytes with the size of the
// buffer that holds them. dmSize and dmDriverExtra are claims of the sender: a DEVMODE whose
// claims do not fit its buffer is not recognised, and no byte outside the buffers is touched.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "driverui/core/paper_record.h"
#include "driverui/core/printer_model.h"

namespace kelno {

inline constexpr std::uint16_t kDevmodeSpecVersion = 0x0401;
inline constexpr std::uint16_t kDevmodeDriverVersion = 0x0600;
inline constexpr std::uint16_t kPublicDevmodeSize = 220;
inline constexpr std::uint16_t kPrivateDevmodeSize = 4976;
inline constexpr std::size_t kDriverDevmodeSize = kPublicDevmodeSize + kPrivateDevmodeSize;  // 5196
inline constexpr char kPrivateSignature[4] = {'M', 'D', 'V', 'Q'};
inline constexpr std::uint32_t kPrivateVersion = 4112;
// The fields up to and including dmDriverExtra: the least a DEVMODE must hold to be read.
inline constexpr std::size_t kDevmodeHeaderBytes = 72;

// dmFields bits.
inline constexpr std::uint32_t kDmOrientation = 0x00000001;
inline constexpr std::uint32_t kDmPaperSize = 0x00000002;
inline constexpr std::uint32_t kDmPaperLength = 0x00000004;
inline constexpr std::uint32_t kDmPaperWidth = 0x00000008;
inline constexpr std::uint32_t kDmScale = 0x00000010;
inline constexpr std::uint32_t kDmCopies = 0x00000100;
inline constexpr std::uint32_t kDmPrintQuality = 0x00000400;
inline constexpr std::uint32_t kDmColor = 0x00000800;
inline constexpr std::uint32_t kDmFormName = 0x00010000;
inline constexpr std::uint32_t kDmPaperBits = kDmPaperSize | kDmPaperLength | kDmPaperWidth | kDmFormName;  // 0x1000E
// Merge mask bit of a rejected colour adjustment.
inline constexpr std::uint32_t kMaskColorAdjustment = 0x20000000;

// Mirror of DEVMODEW for a printer (the display members share their bytes with the printer
// ones and are not named).
struct PublicDevmode {
    char16_t dmDeviceName[32];
    std::uint16_t dmSpecVersion;
    std::uint16_t dmDriverVersion;
    std::uint16_t dmSize;
    std::uint16_t dmDriverExtra;
    std::uint32_t dmFields;
    std::int16_t dmOrientation;
    std::int16_t dmPaperSize;
    std::int16_t dmPaperLength;  // tenths of a millimetre
    std::int16_t dmPaperWidth;
    std::int16_t dmScale;
    std::int16_t dmCopies;
    std::int16_t dmDefaultSource;
    std::int16_t dmPrintQuality;
    std::int16_t dmColor;
    std::int16_t dmDuplex;
    std::int16_t dmYResolution;
    std::int16_t dmTTOption;
    std::int16_t dmCollate;
    char16_t dmFormName[32];
    std::uint16_t dmLogPixels;
    std::uint32_t dmBitsPerPel;
    std::uint32_t dmPelsWidth;
    std::uint32_t dmPelsHeight;
    std::uint32_t dmNup;
    std::uint32_t dmDisplayFrequency;
    std::uint32_t dmICMMethod;
    std::uint32_t dmICMIntent;
    std::uint32_t dmMediaType;
    std::uint32_t dmDitherType;
    std::uint32_t dmReserved1;
    std::uint32_t dmReserved2;
    std::uint32_t dmPanningWidth;
    std::uint32_t dmPanningHeight;
};
static_assert(sizeof(PublicDevmode) == kPublicDevmodeSize);
static_assert(offsetof(PublicDevmode, dmSpecVersion) == 64);
static_assert(offsetof(PublicDevmode, dmSize) == 68);
static_assert(offsetof(PublicDevmode, dmDriverExtra) == 70);
static_assert(offsetof(PublicDevmode, dmFields) == 72);
static_assert(offsetof(PublicDevmode, dmOrientation) == 76);
static_assert(offsetof(PublicDevmode, dmPaperSize) == 78);
static_assert(offsetof(PublicDevmode, dmPaperLength) == 80);
static_assert(offsetof(PublicDevmode, dmPaperWidth) == 82);
static_assert(offsetof(PublicDevmode, dmScale) == 84);
static_assert(offsetof(PublicDevmode, dmCopies) == 86);
static_assert(offsetof(PublicDevmode, dmPrintQuality) == 90);
static_assert(offsetof(PublicDevmode, dmColor) == 92);
static_assert(offsetof(PublicDevmode, dmDuplex) == 94);
static_assert(offsetof(PublicDevmode, dmCollate) == 100);
static_assert(offsetof(PublicDevmode, dmFormName) == 102);
static_assert(offsetof(PublicDevmode, dmLogPixels) == 166);
static_assert(offsetof(PublicDevmode, dmBitsPerPel) == 168);
static_assert(offsetof(PublicDevmode, dmNup) == 180);
static_assert(offsetof(PublicDevmode, dmICMMethod) == 188);
static_assert(offsetof(PublicDevmode, dmReserved2) == 208);
static_assert(offsetof(PublicDevmode, dmPanningHeight) == 216);

// GDI COLORADJUSTMENT.
struct ColorAdjustment {
    std::uint16_t caSize;
    std::uint16_t caFlags;
    std::uint16_t caIlluminantIndex;
    std::uint16_t caRedGamma;
    std::uint16_t caGreenGamma;
    std::uint16_t caBlueGamma;
    std::uint16_t caReferenceBlack;
    std::uint16_t caReferenceWhite;
    std::int16_t caContrast;
    std::int16_t caBrightness;
    std::int16_t caColorfulness;
    std::int16_t caRedGreenTint;
};
static_assert(sizeof(ColorAdjustment) == 24);

inline constexpr ColorAdjustment kDefaultColorAdjustment = {24, 0, 0, 10000, 10000, 10000, 0, 10000, 0, 0, 0, 0};

inline constexpr std::size_t kCommandTextUnits = 262;
inline constexpr std::size_t kWatermarkPathUnits = 260;

// The private part. Offsets in the comments are from the start of the whole DEVMODE.
struct PrivateDevmode {
    char signature[4];                            // 220 "MDVQ"
    std::uint32_t version;                        // 224 4112
    std::uint32_t effectFlags;                    // 228 bit 0 mirror, bit 1 negative, bit 5 default, bit 7 rotate 180
    std::int32_t offsetH;                         // 232 µm
    std::int32_t offsetV;                         // 236 µm
    std::uint32_t postAction;                     // 240
    std::uint32_t reserved244;                    // 244
    std::uint32_t postActionOccurrence;           // 248 0 every page, 1 after the job, 2 every interval
    std::uint32_t postActionInterval;             // 252 pages, 1-999
    std::uint32_t postFeed;                       // 256
    std::uint32_t setting260;                     // 260
    std::uint32_t setting264;                     // 264
    std::uint32_t ditherLevel;                    // 268
    ColorAdjustment colorAdjustment;              // 272
    std::uint32_t printMode;                      // 296 0 printer's setting, 1 thermal, 2 thermal transfer
    std::uint32_t setting300;                     // 300
    std::uint32_t setting304;                     // 304
    std::uint32_t setting308;                     // 308
    std::uint32_t printSpeed;                     // 312 0: printer's setting
    std::uint32_t darkness;                       // 316 0: printer's setting, n: level n-1
    std::uint32_t paperSaving;                    // 320
    std::uint8_t sendPaperSize;                   // 324
    std::uint8_t sendPaperType;                   // 325
    char16_t commands[4][kCommandTextUnits];      // 326 user command texts
    std::uint16_t reserved2422;                   // 2422
    std::uint32_t printerLanguage;                // 2424 0 QVL, 1 ESC/POS, 2 TSPL, 3 ZPL, 5 the fifth language
    char16_t watermarkPath[kWatermarkPathUnits];  // 2428
    std::uint16_t watermarkPosX;                  // 2948 %
    std::uint16_t watermarkPosY;                  // 2950 %
    std::uint16_t watermarkScale;                 // 2952 %
    std::uint16_t watermarkBrightness;            // 2954 0-255
    std::uint16_t printingScaleMode;              // 2956 0 none, 1 fit, 2 scale width, 3 shrink, 4 crop
    std::uint16_t reserved2958;                   // 2958
    std::uint32_t scaleWidth;                     // 2960 µm
    std::uint16_t lowResolutionEnhance;           // 2964
    std::uint16_t dashedLine;                     // 2966
    std::uint16_t twoColorValue;                  // 2968
    std::uint16_t enhanceMode;                    // 2970
    std::uint16_t specialColor;                   // 2972
    std::uint16_t printerType;                    // 2974
    char defaultPaperName[50];                    // 2976 narrow text
    std::uint16_t barcodeOptimisation;            // 3026
    std::uint32_t antiWrinkleValue;               // 3028
    std::uint32_t antiWrinkleFlag;                // 3032
    std::uint32_t setting3036;                    // 3036
    std::uint32_t compressionMode;                // 3040
    std::uint16_t settings3044[4];                // 3044
    std::uint8_t settingsBlock[2112];             // 3052 carried unchanged
    std::uint16_t settings5164[4];                // 5164 [2] feed paper when printing, [3] feed distance after printing
    std::uint32_t setting5172;                    // 5172
    std::uint32_t ignoreBlankPages;               // 5176
    std::uint16_t sendLanguageSwitch;             // 5180
    std::uint16_t reserved5182;                   // 5182
    std::uint32_t ditherFamily;                   // 5184
    std::uint32_t setting5188;                    // 5188
    std::uint32_t setting5192;                    // 5192
};
static_assert(sizeof(PrivateDevmode) == kPrivateDevmodeSize);
#define KELNO_PRIVATE_AT(field, offset) static_assert(kPublicDevmodeSize + offsetof(PrivateDevmode, field) == offset)
KELNO_PRIVATE_AT(version, 224);
KELNO_PRIVATE_AT(effectFlags, 228);
KELNO_PRIVATE_AT(postAction, 240);
KELNO_PRIVATE_AT(postActionOccurrence, 248);
KELNO_PRIVATE_AT(postFeed, 256);
KELNO_PRIVATE_AT(ditherLevel, 268);
KELNO_PRIVATE_AT(colorAdjustment, 272);
KELNO_PRIVATE_AT(printMode, 296);
KELNO_PRIVATE_AT(printSpeed, 312);
KELNO_PRIVATE_AT(darkness, 316);
KELNO_PRIVATE_AT(paperSaving, 320);
KELNO_PRIVATE_AT(sendPaperSize, 324);
KELNO_PRIVATE_AT(sendPaperType, 325);
KELNO_PRIVATE_AT(commands, 326);
KELNO_PRIVATE_AT(reserved2422, 2422);
KELNO_PRIVATE_AT(printerLanguage, 2424);
KELNO_PRIVATE_AT(watermarkPath, 2428);
KELNO_PRIVATE_AT(watermarkPosX, 2948);
KELNO_PRIVATE_AT(watermarkBrightness, 2954);
KELNO_PRIVATE_AT(printingScaleMode, 2956);
KELNO_PRIVATE_AT(scaleWidth, 2960);
KELNO_PRIVATE_AT(lowResolutionEnhance, 2964);
KELNO_PRIVATE_AT(twoColorValue, 2968);
KELNO_PRIVATE_AT(printerType, 2974);
KELNO_PRIVATE_AT(defaultPaperName, 2976);
KELNO_PRIVATE_AT(barcodeOptimisation, 3026);
KELNO_PRIVATE_AT(antiWrinkleValue, 3028);
KELNO_PRIVATE_AT(antiWrinkleFlag, 3032);
KELNO_PRIVATE_AT(compressionMode, 3040);
KELNO_PRIVATE_AT(settings3044, 3044);
KELNO_PRIVATE_AT(settingsBlock, 3052);
KELNO_PRIVATE_AT(settings5164, 5164);
KELNO_PRIVATE_AT(setting5172, 5172);
KELNO_PRIVATE_AT(ignoreBlankPages, 5176);
KELNO_PRIVATE_AT(sendLanguageSwitch, 5180);
KELNO_PRIVATE_AT(ditherFamily, 5184);
KELNO_PRIVATE_AT(setting5192, 5192);
#undef KELNO_PRIVATE_AT

struct DriverDevmode {
    PublicDevmode pub;
    PrivateDevmode priv;
};
static_assert(sizeof(DriverDevmode) == kDriverDevmodeSize);
static_assert(offsetof(DriverDevmode, priv) == kPublicDevmodeSize);

// The size fields of a DEVMODE held in a buffer, when it is recognised there: the buffer
// holds its size fields, dmSize is 188, 212 or 220 (or another size with a non-zero
// dmSpecVersion), dmSize covers the size fields, and dmSize + dmDriverExtra fit the buffer.
struct DevmodeSizes {
    std::uint16_t specVersion;  // as recognised from dmSize
    std::uint16_t driverVersion;
    std::uint16_t size;
    std::uint16_t driverExtra;
};
std::optional<DevmodeSizes> RecogniseDevmode(std::span<const std::uint8_t> devmode);

// The dmSpecVersion a DEVMODE of this size stands for; 0 when the size alone says nothing.
std::uint16_t SpecVersionForSize(std::uint16_t dmSize);

// What the merge asks of the printer. An empty function, or one that returns nothing, means
// the value cannot be read.
struct PrinterDataSource {
    std::function<std::optional<std::vector<PaperRecord>>()> formList;  // "FORMS"
    std::function<std::optional<CurrentFormRecord>()> installedForm;    // "InstalledForm"
    std::function<std::optional<std::u16string>(std::u16string_view printer)> driverNameOf;
};

// The driver default for a model. A non-empty deviceName becomes dmDeviceName (cut to 31
// units); a name that fits is also kept in the record as its device name. The model record
// is adjusted on the way (colour flag, ESC/POS darkness), as the rest of the driver expects.
void BuildDriverDefault(PrinterModel& model, std::u16string_view deviceName, DriverDevmode& out);

// Merges a caller's DEVMODE into target, which holds the driver default (or an earlier merge).
// Rejected requests keep target's values and are reported in the returned mask.
std::uint32_t MergeDevmode(const PrinterModel& model, const PrinterDataSource& printer,
                           std::span<const std::uint8_t> caller, DriverDevmode& target);

// Whether a context merges the caller's DEVMODE at all: not when it carries this driver's
// private part with a print mode above 2.
bool CallerDevmodeIsMerged(std::span<const std::uint8_t> caller);

// Copies source into destination, whose size fields are already set: the smaller public part
// and the smaller private part. destination keeps its sizes and driver version and takes the
// dmSpecVersion of its size. Returns the bytes copied, or -1 when either is not recognised.
int CopyDevmodeWithSizes(std::span<const std::uint8_t> source, std::span<std::uint8_t> destination);

// Writes the merged DEVMODE for a caller. With an input DEVMODE the output has the smaller
// dmSize and the smaller dmDriverExtra of the two; without one it is the whole 5196 bytes.
// False when the output buffer is too small for that.
bool WriteDevmodeOutput(const DriverDevmode& merged, std::span<const std::uint8_t> input,
                        std::span<std::uint8_t> output);

// The bytes of a driver DEVMODE.
std::span<const std::uint8_t> DevmodeBytes(const DriverDevmode& devmode);

// Resets each out-of-range member of a colour adjustment to its default (all of them when
// caSize is not 24). Returns true when anything was reset.
bool ValidateColorAdjustment(ColorAdjustment& adjustment);

// The spooler's conversion requests.
inline constexpr std::uint32_t kConvertCurrent = 1;                   // CDM_CONVERT
inline constexpr std::uint32_t kConvert351 = 2;                       // CDM_CONVERT351
inline constexpr std::uint32_t kConvertDriverDefault = 4;             // CDM_DRIVER_DEFAULT
inline constexpr std::uint32_t kSize351 = 188 + kPrivateDevmodeSize;  // 5164

inline constexpr std::uint32_t kErrorInvalidData = 13;
inline constexpr std::uint32_t kErrorInvalidParameter = 87;
inline constexpr std::uint32_t kErrorInsufficientBuffer = 122;

struct ConvertOutcome {
    bool ok;
    std::uint32_t lastError;  // for SetLastError when !ok
    bool buildDriverDefault;  // ok, and the caller must now write the driver default to output
};

// The conversions of DrvConvertDevMode. output is the caller's buffer with *size bytes of room
// (empty when there is no output); size is updated as the spooler expects. A driver default is
// left to the caller (it needs the printer), which buildDriverDefault asks for.
ConvertOutcome ConvertDevmode(std::uint32_t mode, std::span<const std::uint8_t> input, std::span<std::uint8_t> output,
                              std::uint32_t* size);

}  // namespace kelno
