#include "driverui/core/devmode.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "driverui/core/narrow_text.h"

#if defined(_WIN32)
#include <windows.h>
// The mirror must stay byte-compatible with the SDK's structures.
static_assert(sizeof(DEVMODEW) == sizeof(kelno::PublicDevmode));
static_assert(offsetof(DEVMODEW, dmFields) == offsetof(kelno::PublicDevmode, dmFields));
static_assert(offsetof(DEVMODEW, dmPaperSize) == offsetof(kelno::PublicDevmode, dmPaperSize));
static_assert(offsetof(DEVMODEW, dmPrintQuality) == offsetof(kelno::PublicDevmode, dmPrintQuality));
static_assert(offsetof(DEVMODEW, dmColor) == offsetof(kelno::PublicDevmode, dmColor));
static_assert(offsetof(DEVMODEW, dmCollate) == offsetof(kelno::PublicDevmode, dmCollate));
static_assert(offsetof(DEVMODEW, dmFormName) == offsetof(kelno::PublicDevmode, dmFormName));
static_assert(offsetof(DEVMODEW, dmLogPixels) == offsetof(kelno::PublicDevmode, dmLogPixels));
static_assert(offsetof(DEVMODEW, dmICMMethod) == offsetof(kelno::PublicDevmode, dmICMMethod));
static_assert(offsetof(DEVMODEW, dmPanningHeight) == offsetof(kelno::PublicDevmode, dmPanningHeight));
static_assert(sizeof(COLORADJUSTMENT) == sizeof(kelno::ColorAdjustment));
static_assert(offsetof(COLORADJUSTMENT, caRedGreenTint) == offsetof(kelno::ColorAdjustment, caRedGreenTint));
static_assert(DM_PAPERSIZE == kelno::kDmPaperSize && DM_FORMNAME == kelno::kDmFormName && DM_COLOR == kelno::kDmColor);
#endif

namespace kelno {

namespace {

constexpr std::uint32_t kDefaultFields =
    kDmOrientation | kDmPaperSize | kDmScale | kDmCopies | kDmPrintQuality | kDmFormName;
static_assert(kDefaultFields == 0x10513);
// The public fields the merge examines; the other public fields are taken as they come.
constexpr std::uint32_t kExaminedFields =
    kDmOrientation | kDmPaperBits | kDmScale | kDmCopies | kDmPrintQuality | kDmColor;
constexpr std::uint32_t kCustomSizeFields = kDmPaperSize | kDmPaperLength | kDmPaperWidth;  // 0xE
constexpr std::uint32_t kListPaperFields = kDmPaperSize | kDmFormName;                      // 0x10002
constexpr std::int32_t kMinimumCustomSize = 10000;                                          // 10 mm

std::int16_t ToShort(std::int64_t value) {
    return static_cast<std::int16_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int16_t>::min(),
                                                              std::numeric_limits<std::int16_t>::max()));
}

std::int32_t ToInt(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

std::uint16_t ReadU16(std::span<const std::uint8_t> bytes, std::size_t offset) {
    std::uint16_t value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

void WriteU16(std::span<std::uint8_t> bytes, std::size_t offset, std::uint16_t value) {
    std::memcpy(bytes.data() + offset, &value, sizeof value);
}

// The caller's DEVMODE laid over a base image: the bytes it has replace the base's, the bytes
// it lacks (a shorter public or private part) stay the base's.
DriverDevmode Overlay(const DriverDevmode& base, std::span<const std::uint8_t> bytes, const DevmodeSizes& sizes) {
    DriverDevmode image = base;
    std::memcpy(&image.pub, bytes.data(), std::min<std::size_t>(sizes.size, sizeof image.pub));
    std::memcpy(&image.priv, bytes.data() + sizes.size, std::min<std::size_t>(sizes.driverExtra, sizeof image.priv));
    image.pub.dmDeviceName[31] = 0;
    image.pub.dmFormName[31] = 0;
    return image;
}

bool HasPrivateSignature(const PrivateDevmode& priv) {
    return std::memcmp(priv.signature, kPrivateSignature, sizeof priv.signature) == 0;
}

bool IsTattooOrUser(std::u16string_view formName) {
    return formName == u"USER" || formName.find(u"(Tattoo)") != std::u16string_view::npos;
}

std::uint32_t LanguageFromDefaultBits(std::uint16_t bits) {
    if (bits & 16) return 5;
    if (bits & 8) return 0;  // QVL
    if (bits & 4) return 3;  // ZPL
    if (bits & 2) return 2;  // TSPL
    if (bits & 1) return 1;  // ESC/POS
    return 0;
}

void SetPaper(PublicDevmode& pub, std::uint32_t id, std::int64_t width, std::int64_t height, std::u16string_view name) {
    pub.dmPaperSize = static_cast<std::int16_t>(id);
    pub.dmPaperWidth = ToShort(width);
    pub.dmPaperLength = ToShort(height);
    StoreFixedText(pub.dmFormName, name);
}

// The paper a caller asks for: a custom size, a list paper, or the loaded one. Returns true when it was resolved,
// with the paper written into work and the paper bits of fields adjusted.
bool ResolvePaper(const PrinterModel& model, const PrinterDataSource& printer, const PublicDevmode& in,
                  std::uint32_t requested, std::uint32_t& fields, PublicDevmode& work) {
    const ModelRecord& r = model.record;

    // A custom size that fits the printer upright or turned.
    if ((requested & kCustomSizeFields) == kCustomSizeFields && (in.dmPaperSize == 0 || in.dmPaperSize == 256)) {
        const std::int64_t width = std::int64_t{in.dmPaperWidth} * 100;
        const std::int64_t length = std::int64_t{in.dmPaperLength} * 100;
        const std::int64_t maxWidth = r.maxPrintableWidth;
        const std::int64_t maxLength = r.maxPrintLength;
        if (width >= kMinimumCustomSize && length >= kMinimumCustomSize &&
            ((width <= maxWidth && length <= maxLength) || (length <= maxWidth && width <= maxLength))) {
            fields = (fields & ~kDmPaperBits) | kCustomSizeFields;
            work.dmPaperSize = static_cast<std::int16_t>(kUserPaperId);
            work.dmPaperWidth = in.dmPaperWidth;
            work.dmPaperLength = in.dmPaperLength;
            StoreFixedText(work.dmFormName, std::u16string_view());
            return true;
        }
    }

    if (!(requested & (kDmPaperSize | kDmFormName))) return false;
    std::optional<std::vector<PaperRecord>> list = printer.formList ? printer.formList() : std::nullopt;
    if (!list || list->empty()) return false;

    const std::u16string_view formName = FixedText(in.dmFormName);
    const auto sameSize = [&in](const PaperRecord& paper) {
        return paper.width / 100 == in.dmPaperWidth && paper.height / 100 == in.dmPaperLength;
    };
    const std::vector<PaperRecord>& modelPapers = model.Papers();
    std::optional<PaperRecord> match;

    if (requested & kDmPaperSize) {
        const int index = in.dmPaperSize - static_cast<int>(kUserPaperId);
        if (index >= 1 && static_cast<std::size_t>(index) < list->size() && ((*list)[index].flags & kBuiltInPaperFlag))
            match = (*list)[index];
        if (match && (requested & (kDmPaperLength | kDmPaperWidth)) && modelPapers.size() > 1) {
            for (std::size_t i = 1; i < modelPapers.size(); ++i) {
                if (sameSize(modelPapers[i])) {
                    match = modelPapers[i];
                    break;
                }
            }
        }
    }

    if ((requested & kDmFormName) && !match) {
        for (const PaperRecord& paper : *list) {
            if (((paper.flags & kBuiltInPaperFlag) && FixedText(paper.name) == formName) || sameSize(paper)) {
                match = paper;
                break;
            }
        }
        // Anti-wrinkle models carry their two sheet sizes as model papers 1 and 2.
        if (r.model.antiWrinkleFlag && (IsTattooOrUser(formName) || in.dmPaperSize == 256)) {
            if (in.dmPaperWidth == 2100 && in.dmPaperLength == 2790 && modelPapers.size() > 1) match = modelPapers[1];
            else if (in.dmPaperWidth == 2000 && in.dmPaperLength == 2970 && modelPapers.size() > 2)
                match = modelPapers[2];
        }
    }

    if (!match || match->id == kUserPaperId) {
        // The paper loaded in the printer, and for "USER" the size the caller asked for.
        PaperRecord entry = (*list)[0];
        if (std::optional<CurrentFormRecord> installed =
                printer.installedForm ? printer.installedForm() : std::nullopt) {
            const std::u16string_view installedName = FixedText(installed->name);
            for (const PaperRecord& paper : *list) {
                if (FixedText(paper.name) == installedName) {
                    entry = paper;
                    break;
                }
            }
        }
        if (entry.id == kUserPaperId) {
            entry.width = ToInt(std::int64_t{in.dmPaperWidth} * 100);
            entry.height = ToInt(std::int64_t{in.dmPaperLength} * 100);
        }
        match = entry;
    }

    fields = (fields & ~kDmPaperBits) | kListPaperFields;
    SetPaper(work, match->id, (std::int64_t{match->width} + 50) / 100, (std::int64_t{match->height} + 50) / 100,
             FixedText(match->name));
    return true;
}

// The private part of a caller that carries this driver's current private part.
void TakePrivatePart(const PrivateDevmode& in, PrivateDevmode& work, std::uint32_t& mask) {
    const PrivateDevmode defaults = work;
    work = in;
    // Fields that always come from the model.
    work.reserved244 = defaults.reserved244;
    work.reserved2422 = defaults.reserved2422;
    work.reserved2958 = defaults.reserved2958;
    work.printerType = defaults.printerType;
    std::memcpy(work.defaultPaperName, defaults.defaultPaperName, sizeof work.defaultPaperName);
    work.barcodeOptimisation = defaults.barcodeOptimisation;
    work.antiWrinkleFlag = defaults.antiWrinkleFlag;
    work.sendLanguageSwitch = defaults.sendLanguageSwitch;
    work.reserved5182 = defaults.reserved5182;

    work.effectFlags &= 0xFFF;
    if (ValidateColorAdjustment(work.colorAdjustment)) mask |= kMaskColorAdjustment;
    work.watermarkPath[kWatermarkPathUnits - 1] = 0;
    for (auto& command : work.commands) command[kCommandTextUnits - 1] = 0;
}

}  // namespace

std::uint16_t SpecVersionForSize(std::uint16_t dmSize) {
    switch (dmSize) {
        case 188: return 0x0320;
        case 212: return 0x0400;
        case 220: return 0x0401;
        default: return 0;
    }
}

std::optional<DevmodeSizes> RecogniseDevmode(std::span<const std::uint8_t> devmode) {
    if (devmode.size() < kDevmodeHeaderBytes) return std::nullopt;
    DevmodeSizes sizes{};
    const std::uint16_t specVersion = ReadU16(devmode, offsetof(PublicDevmode, dmSpecVersion));
    sizes.driverVersion = ReadU16(devmode, offsetof(PublicDevmode, dmDriverVersion));
    sizes.size = ReadU16(devmode, offsetof(PublicDevmode, dmSize));
    sizes.driverExtra = ReadU16(devmode, offsetof(PublicDevmode, dmDriverExtra));
    sizes.specVersion = SpecVersionForSize(sizes.size);
    if (sizes.specVersion == 0) {
        if (specVersion == 0) return std::nullopt;
        sizes.specVersion = specVersion;
    }
    if (sizes.size < kDevmodeHeaderBytes) return std::nullopt;
    if (std::size_t{sizes.size} + sizes.driverExtra > devmode.size()) return std::nullopt;
    return sizes;
}

std::span<const std::uint8_t> DevmodeBytes(const DriverDevmode& devmode) {
    return {reinterpret_cast<const std::uint8_t*>(&devmode), sizeof devmode};
}

bool ValidateColorAdjustment(ColorAdjustment& a) {
    const ColorAdjustment& d = kDefaultColorAdjustment;
    if (a.caSize != sizeof(ColorAdjustment)) {
        a = d;
        return true;
    }
    bool reset = false;
    const auto keep = [&reset](auto& field, bool inRange, auto fallback) {
        if (!inRange) {
            field = fallback;
            reset = true;
        }
    };
    const auto gammaOk = [](std::uint16_t g) { return g >= 1344 && g <= 65000; };
    const auto signedOk = [](std::int16_t v) { return v >= -100 && v <= 100; };
    keep(a.caIlluminantIndex, a.caIlluminantIndex <= 8, d.caIlluminantIndex);
    keep(a.caRedGamma, gammaOk(a.caRedGamma), d.caRedGamma);
    keep(a.caGreenGamma, gammaOk(a.caGreenGamma), d.caGreenGamma);
    keep(a.caBlueGamma, gammaOk(a.caBlueGamma), d.caBlueGamma);
    keep(a.caReferenceBlack, a.caReferenceBlack <= 4000, d.caReferenceBlack);
    keep(a.caReferenceWhite, a.caReferenceWhite >= 6000 && a.caReferenceWhite <= 10000, d.caReferenceWhite);
    keep(a.caContrast, signedOk(a.caContrast), d.caContrast);
    keep(a.caBrightness, signedOk(a.caBrightness), d.caBrightness);
    keep(a.caColorfulness, signedOk(a.caColorfulness), d.caColorfulness);
    keep(a.caRedGreenTint, signedOk(a.caRedGreenTint), d.caRedGreenTint);
    return reset;
}

void BuildDriverDefault(PrinterModel& model, std::u16string_view deviceName, DriverDevmode& out) {
    ModelRecord& r = model.record;
    ModelFields& m = r.model;
    out = DriverDevmode{};
    PublicDevmode& pub = out.pub;
    PrivateDevmode& priv = out.priv;

    deviceName = deviceName.substr(0, std::min(deviceName.find(u'\0'), deviceName.size()));
    if (!deviceName.empty()) {
        StoreFixedText(pub.dmDeviceName, deviceName);
        if (deviceName.size() <= 31) StoreFixedText(r.deviceName, std::string_view(U16ToUtf8(deviceName)));
    } else {
        StoreFixedText(pub.dmDeviceName, std::u16string_view(Utf8ToU16(FixedText(r.deviceName))));
    }

    pub.dmSpecVersion = kDevmodeSpecVersion;
    pub.dmDriverVersion = kDevmodeDriverVersion;
    pub.dmSize = kPublicDevmodeSize;
    pub.dmDriverExtra = kPrivateDevmodeSize;
    pub.dmFields = kDefaultFields;
    pub.dmOrientation = m.printDirection == 1 ? 2 : 1;
    pub.dmScale = 100;
    pub.dmCopies = 1;
    pub.dmColor = 1;
    pub.dmDuplex = 1;

    std::memcpy(priv.signature, kPrivateSignature, sizeof priv.signature);
    priv.version = kPrivateVersion;
    priv.effectFlags = 0x20;
    priv.postActionInterval = 1;
    priv.setting260 = 1;
    priv.colorAdjustment = kDefaultColorAdjustment;
    priv.setting300 = 1;
    priv.setting304 = 2000;
    priv.settings3044[1] = 1;

    if (r.maxScale != 0) pub.dmScale = static_cast<std::int16_t>(std::min<int>(pub.dmScale, r.maxScale));
    else pub.dmFields &= ~kDmScale;
    if (r.maxCopies < 2) pub.dmFields &= ~kDmCopies;
    if (r.qualityCount == 0) pub.dmFields &= ~kDmPrintQuality;
    if (!(r.modelFlags & kModelFlagColour)) {
        if (r.modelFlags & kModelFlagMonochrome) {
            pub.dmColor = 1;
            pub.dmFields &= ~kDmColor;
        } else {
            r.modelFlags |= kModelFlagColour;
        }
    }

    priv.printerLanguage = LanguageFromDefaultBits(m.defaultLanguage);
    if (priv.printerLanguage == 1) m.maxDarkness = 8;  // ESC/POS printers know eight levels

    if (m.mirrorFlag) priv.effectFlags |= 1;
    priv.offsetH = m.shiftH;
    priv.offsetV = m.shiftV;
    priv.postAction = m.postAction;
    priv.postFeed = m.postFeed;
    priv.ditherLevel = m.ditherLevel;
    priv.printSpeed = m.defaultSpeed;
    priv.darkness = m.defaultDarkness;
    priv.paperSaving = m.paperSaving;
    priv.sendPaperSize = m.sendPaperSize;
    priv.sendPaperType = m.sendPaperType;
    priv.watermarkPosX = m.fixedValues[0];
    priv.watermarkPosY = m.fixedValues[1];
    priv.watermarkScale = m.fixedValues[2];
    priv.watermarkBrightness = m.fixedValues[3];
    priv.printingScaleMode = m.printingScale;
    if (m.printWidth != 0) priv.scaleWidth = m.printWidth;
    else if (!model.Papers().empty()) priv.scaleWidth = static_cast<std::uint32_t>(model.Papers()[0].width);
    else priv.scaleWidth = static_cast<std::uint32_t>(r.maxPrintableWidth);
    priv.lowResolutionEnhance = m.inputResolution;
    priv.dashedLine = m.dashedLine;
    priv.twoColorValue = m.twoColorValue;
    priv.enhanceMode = m.enhanceMode;
    priv.specialColor = m.specialColor;
    priv.printerType = m.printerType;
    std::memcpy(priv.defaultPaperName, m.defaultPaperName, sizeof priv.defaultPaperName);
    priv.defaultPaperName[sizeof priv.defaultPaperName - 1] = 0;
    priv.barcodeOptimisation = m.barcodeOptimisation;
    priv.antiWrinkleValue = m.antiWrinkleValue;
    priv.antiWrinkleFlag = m.antiWrinkleFlag;
    priv.compressionMode = m.compressionMode;
    priv.settings5164[2] = static_cast<std::uint16_t>(m.feedPaperWhenPrinting);
    priv.settings5164[3] = static_cast<std::uint16_t>(m.feedDistanceAfterPrinting);
    priv.sendLanguageSwitch = m.sendLanguageSwitch;
    priv.ditherFamily = m.ditherFamily;

    pub.dmPrintQuality = static_cast<std::int16_t>(r.xRasterResolution);

    const CurrentFormRecord paper = model.DefaultPaper();
    pub.dmFields |= kDmPaperBits;
    SetPaper(pub, paper.id, paper.width / 100, paper.height / 100, FixedText(paper.name));
}

std::uint32_t MergeDevmode(const PrinterModel& model, const PrinterDataSource& printer,
                           std::span<const std::uint8_t> caller, DriverDevmode& target) {
    const std::optional<DevmodeSizes> sizes = RecogniseDevmode(caller);
    if (!sizes) return 0;
    const ModelRecord& r = model.record;
    const DriverDevmode in = Overlay(target, caller, *sizes);
    const PublicDevmode& defaults = target.pub;
    const std::uint32_t requested = in.pub.dmFields;

    // The fields the merge does not examine come as the caller has them; the examined ones
    // keep the default until a request for them is taken.
    DriverDevmode work = target;
    work.pub = in.pub;
    work.pub.dmSpecVersion = defaults.dmSpecVersion;
    work.pub.dmDriverVersion = defaults.dmDriverVersion;
    work.pub.dmSize = defaults.dmSize;
    work.pub.dmDriverExtra = defaults.dmDriverExtra;
    if (work.pub.dmDeviceName[0] == 0)
        std::memcpy(work.pub.dmDeviceName, defaults.dmDeviceName, sizeof defaults.dmDeviceName);
    work.pub.dmOrientation = defaults.dmOrientation;
    work.pub.dmPaperSize = defaults.dmPaperSize;
    work.pub.dmPaperLength = defaults.dmPaperLength;
    work.pub.dmPaperWidth = defaults.dmPaperWidth;
    work.pub.dmScale = defaults.dmScale;
    work.pub.dmCopies = defaults.dmCopies;
    work.pub.dmPrintQuality = defaults.dmPrintQuality;
    work.pub.dmColor = defaults.dmColor;
    std::memcpy(work.pub.dmFormName, defaults.dmFormName, sizeof defaults.dmFormName);
    std::uint32_t fields = (requested & ~kExaminedFields) | (defaults.dmFields & kExaminedFields);
    std::uint32_t mask = 0;

    if (requested & kDmOrientation) {
        if (in.pub.dmOrientation == 1 || in.pub.dmOrientation == 2) {
            work.pub.dmOrientation = in.pub.dmOrientation;
            fields |= kDmOrientation;
        } else {
            mask |= kDmOrientation;
        }
    }

    mask |= requested & kDmPaperBits;
    if (ResolvePaper(model, printer, in.pub, requested, fields, work.pub)) mask &= ~kDmPaperBits;

    if ((requested & kDmScale) && r.maxScale != 0) {
        if (in.pub.dmScale >= 1 && in.pub.dmScale <= r.maxScale) {
            work.pub.dmScale = in.pub.dmScale;
            fields |= kDmScale;
        } else {
            mask |= kDmScale;
        }
    }
    if (requested & kDmCopies) {
        if (in.pub.dmCopies >= 1 && in.pub.dmCopies <= r.maxCopies) {
            work.pub.dmCopies = in.pub.dmCopies;
            fields |= kDmCopies;
        } else {
            mask |= kDmCopies;
        }
    }
    if (requested & kDmPrintQuality) {
        const std::int16_t q = in.pub.dmPrintQuality;
        if (r.qualityCount != 0 && (q == 203 || q == 300 || (q >= -4 && q <= -1))) {
            work.pub.dmPrintQuality = q;
            fields |= kDmPrintQuality;
        } else {
            mask |= kDmPrintQuality;
        }
    }
    if (requested & kDmColor) {
        const std::int16_t c = in.pub.dmColor;
        const bool colour = (r.modelFlags & kModelFlagColour) != 0;
        const bool taken = colour ? (c == 2 || (c == 1 && (r.modelFlags & kModelFlagMonochrome))) : c == 1;
        if (taken) {
            work.pub.dmColor = c;
            fields |= kDmColor;
        } else {
            mask |= kDmColor;
        }
    }
    work.pub.dmFields = fields;

    const bool currentPrivatePart =
        sizes->driverExtra == kPrivateDevmodeSize && HasPrivateSignature(in.priv) && in.priv.version == kPrivateVersion;
    if (currentPrivatePart) {
        TakePrivatePart(in.priv, work.priv, mask);
        // One special model prints tattoo sheets with its own dithering.
        if (printer.driverNameOf) {
            const std::u16string_view formName = FixedText(work.pub.dmFormName);
            const std::optional<std::u16string> driver = printer.driverNameOf(FixedText(work.pub.dmDeviceName));
            if (driver && *driver == u"MX-300" && IsTattooOrUser(formName)) {
                work.priv.ditherFamily = 300;
                work.priv.ditherLevel = 11;
            }
        }
    }
    target = work;
    return mask;
}

bool CallerDevmodeIsMerged(std::span<const std::uint8_t> caller) {
    const std::optional<DevmodeSizes> sizes = RecogniseDevmode(caller);
    constexpr std::size_t kPrintModeEnd = offsetof(PrivateDevmode, printMode) + sizeof(std::uint32_t);
    if (!sizes || sizes->driverExtra < kPrintModeEnd) return true;
    const std::uint8_t* priv = caller.data() + sizes->size;
    if (std::memcmp(priv, kPrivateSignature, sizeof kPrivateSignature) != 0) return true;
    std::uint32_t printMode;
    std::memcpy(&printMode, priv + offsetof(PrivateDevmode, printMode), sizeof printMode);
    return printMode <= 2;
}

int CopyDevmodeWithSizes(std::span<const std::uint8_t> source, std::span<std::uint8_t> destination) {
    const std::optional<DevmodeSizes> from = RecogniseDevmode(source);
    const std::optional<DevmodeSizes> to = RecogniseDevmode(destination);
    if (!from || !to) return -1;
    const std::size_t publicBytes = std::min(from->size, to->size);
    const std::size_t privateBytes = std::min(from->driverExtra, to->driverExtra);
    // The two may be the same buffer: copy from a snapshot of the source.
    const std::vector<std::uint8_t> snapshot(source.begin(), source.begin() + from->size + from->driverExtra);
    std::memcpy(destination.data(), snapshot.data(), publicBytes);
    std::memcpy(destination.data() + to->size, snapshot.data() + from->size, privateBytes);
    WriteU16(destination, offsetof(PublicDevmode, dmSpecVersion), to->specVersion);
    WriteU16(destination, offsetof(PublicDevmode, dmDriverVersion), to->driverVersion);
    WriteU16(destination, offsetof(PublicDevmode, dmSize), to->size);
    WriteU16(destination, offsetof(PublicDevmode, dmDriverExtra), to->driverExtra);
    return static_cast<int>(publicBytes + privateBytes);
}

bool WriteDevmodeOutput(const DriverDevmode& merged, std::span<const std::uint8_t> input,
                        std::span<std::uint8_t> output) {
    const std::optional<DevmodeSizes> in = RecogniseDevmode(input);
    if (!in) {
        if (output.size() < sizeof merged) return false;
        std::memcpy(output.data(), &merged, sizeof merged);
        return true;
    }
    const PublicDevmode& m = merged.pub;
    const bool inputSmaller = in->size < m.dmSize;
    const std::uint16_t size = inputSmaller ? in->size : m.dmSize;
    const std::uint16_t specVersion =
        inputSmaller ? ReadU16(input, offsetof(PublicDevmode, dmSpecVersion)) : m.dmSpecVersion;
    const bool inputLeaner = in->driverExtra < m.dmDriverExtra;
    const std::uint16_t driverExtra = inputLeaner ? in->driverExtra : m.dmDriverExtra;
    const std::uint16_t driverVersion = inputLeaner ? in->driverVersion : m.dmDriverVersion;
    const std::size_t needed = std::size_t{size} + driverExtra;
    if (output.size() < needed) return false;
    std::span<std::uint8_t> out = output.first(needed);
    std::fill(out.begin(), out.end(), std::uint8_t{0});
    WriteU16(out, offsetof(PublicDevmode, dmSpecVersion), specVersion);
    WriteU16(out, offsetof(PublicDevmode, dmDriverVersion), driverVersion);
    WriteU16(out, offsetof(PublicDevmode, dmSize), size);
    WriteU16(out, offsetof(PublicDevmode, dmDriverExtra), driverExtra);
    return CopyDevmodeWithSizes(DevmodeBytes(merged), out) >= 0;
}

ConvertOutcome ConvertDevmode(std::uint32_t mode, std::span<const std::uint8_t> input, std::span<std::uint8_t> output,
                              std::uint32_t* size) {
    if (!size) return {false, kErrorInvalidParameter, false};
    switch (mode) {
        case kConvertCurrent: {
            const std::optional<DevmodeSizes> out = RecogniseDevmode(output);
            if (!out || CopyDevmodeWithSizes(input, output) < 0) return {false, kErrorInvalidParameter, false};
            *size = std::uint32_t{out->size} + out->driverExtra;
            return {true, 0, false};
        }
        case kConvert351: {
            if (*size < kSize351 || output.size() < kSize351) {
                *size = kSize351;
                return {false, kErrorInsufficientBuffer, false};
            }
            std::span<std::uint8_t> out = output.first(kSize351);
            std::fill(out.begin(), out.end(), std::uint8_t{0});
            WriteU16(out, offsetof(PublicDevmode, dmSpecVersion), 0x0320);
            WriteU16(out, offsetof(PublicDevmode, dmSize), 188);
            WriteU16(out, offsetof(PublicDevmode, dmDriverVersion), 0x0350);
            WriteU16(out, offsetof(PublicDevmode, dmDriverExtra), kPrivateDevmodeSize);
            if (CopyDevmodeWithSizes(input, out) < 0) return {false, kErrorInvalidParameter, false};
            *size = kSize351;
            return {true, 0, false};
        }
        case kConvertDriverDefault: {
            const bool room = *size >= kDriverDevmodeSize && output.size() >= kDriverDevmodeSize;
            *size = kDriverDevmodeSize;
            if (!room) return {false, kErrorInsufficientBuffer, false};
            return {true, 0, true};
        }
        default: return {false, 0, false};
    }
}

}  // namespace kelno
