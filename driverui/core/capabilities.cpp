#include "driverui/core/capabilities.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "driverui/core/forms.h"
#include "driverui/core/narrow_text.h"

namespace kelno {

namespace {

constexpr std::int32_t kMaxExtentUnit = 32767;            // tenths of a millimetre
constexpr std::int64_t kLongestReportedLength = 3276700;  // µm

// Writes whole elements into the caller's area, never past its end.
class OutputWriter {
public:
    OutputWriter(CapabilityOutput output, std::size_t elementBytes)
        : bytes_(output.bytes), elementBytes_(elementBytes) {
        const std::size_t fit = bytes_.size() / elementBytes_;
        limit_ = std::min(fit, output.slotLimit);
    }

    bool present() const { return bytes_.data() != nullptr; }
    std::size_t limit() const { return present() ? limit_ : 0; }

    void Put(std::size_t slot, const void* element, std::size_t size) {
        if (!present() || slot >= limit_) return;
        std::uint8_t* at = bytes_.data() + slot * elementBytes_;
        std::memset(at, 0, elementBytes_);
        if (size != 0) std::memcpy(at, element, std::min(size, elementBytes_));
    }

    void PutText(std::size_t slot, std::u16string_view text) {
        const std::size_t units = elementBytes_ / sizeof(char16_t);
        if (units == 0) return;
        text = text.substr(0, std::min(text.find(u'\0'), std::min(text.size(), units - 1)));
        Put(slot, text.data(), text.size() * sizeof(char16_t));  // the slot is zero-filled behind it
    }

private:
    std::span<std::uint8_t> bytes_;
    std::size_t elementBytes_;
    std::size_t limit_ = 0;
};

struct Point {
    std::int32_t x, y;
};

std::int32_t Tenths(std::int64_t micrometres) { return static_cast<std::int32_t>((micrometres + 50) / 100); }

std::int32_t ListAnswer(const CapabilityInputs& in, std::uint16_t index, CapabilityOutput output) {
    if (!in.formList) return kGdiError;
    const std::vector<PaperRecord>& list = *in.formList;
    const auto count = static_cast<std::int32_t>(std::min<std::size_t>(list.size(), INT32_MAX));
    switch (index) {
        case kDcPapers: {
            OutputWriter out(output, sizeof(std::uint16_t));
            std::size_t slot = 0;
            WalkFormList(list, out.limit(), [&](const PaperRecord*, std::size_t i) {
                const auto id = static_cast<std::uint16_t>(i < list.size() ? kUserPaperId + i : kUserPaperId);
                out.Put(slot++, &id, sizeof id);
            });
            return count;
        }
        case kDcPaperSize: {
            OutputWriter out(output, sizeof(Point));
            const std::vector<PaperRecord>& modelPapers = in.model.Papers();
            std::size_t slot = 0;
            WalkFormList(list, out.limit(), [&](const PaperRecord* paper, std::size_t) {
                Point size{};
                if (paper) {
                    size = {Tenths(paper->width), Tenths(paper->height)};
                } else if (!modelPapers.empty()) {
                    size = {modelPapers[0].width / 100, modelPapers[0].height / 100};
                }
                out.Put(slot++, &size, sizeof size);
            });
            return count;
        }
        default: {  // kDcPaperNames
            OutputWriter out(output, kPaperNameSlotUnits * sizeof(char16_t));
            const std::u16string custom = LookUpString(in.strings, kStringCustomSize);
            std::size_t slot = 0;
            WalkFormList(list, out.limit(), [&](const PaperRecord* paper, std::size_t) {
                out.PutText(slot++, paper ? FixedText(paper->name) : std::u16string_view(custom));
            });
            return count;
        }
    }
}

std::int32_t MediaReady(const CapabilityInputs& in, CapabilityOutput output) {
    OutputWriter out(output, kPaperNameSlotUnits * sizeof(char16_t));
    if (in.currentForm.height != 0) {
        if (!in.formList) return kGdiError;
        const std::vector<PaperRecord>& list = *in.formList;
        const std::size_t limit = out.limit();
        for (std::size_t i = 1; i < list.size() && i - 1 < limit; ++i) out.PutText(i - 1, FixedText(list[i].name));
        return static_cast<std::int32_t>(std::min<std::size_t>(list.size(), INT32_MAX)) - 1;
    }
    if (!out.present()) return 1;
    if (out.limit() == 0) return output.slotLimit == 0 ? 0 : 1;
    out.PutText(0, FixedText(in.currentForm.name));
    return 1;
}

}  // namespace

const char16_t* PersonalityName(std::uint32_t language) {
    switch (language) {
        case 0: return u"QVL";
        case 1: return u"ESC/POS";
        case 2: return u"TSPL";
        case 3: return u"ZPL/ZPL2";
        default: return u"Unknown";
    }
}

std::int32_t DeviceCapability(const CapabilityInputs& in, std::uint16_t index, CapabilityOutput output) {
    const ModelRecord& r = in.model.record;
    const PublicDevmode& dm = in.devmode.pub;
    switch (index) {
        case kDcFields: return static_cast<std::int32_t>(dm.dmFields);
        case kDcPapers:
        case kDcPaperSize:
        case kDcPaperNames: return ListAnswer(in, index, output);
        case kDcMinExtent: return 0x00640064;
        case kDcMaxExtent: {
            const std::int32_t x = std::clamp<std::int32_t>(Tenths(r.maxPrintableWidth), 0, kMaxExtentUnit);
            const std::int64_t length = r.maxPrintLength;
            const std::int32_t y = length >= kLongestReportedLength ? kMaxExtentUnit : Tenths(length);
            return (y << 16) | x;
        }
        case kDcBins: {
            OutputWriter out(output, sizeof(std::uint16_t));
            const std::uint16_t bin = 1;
            out.Put(0, &bin, sizeof bin);
            return 1;
        }
        case kDcDuplex: return 0;
        case kDcSize: return dm.dmSize;
        case kDcExtra: return dm.dmDriverExtra;
        case kDcVersion: return dm.dmSpecVersion;
        case kDcDriver: return dm.dmDriverVersion;
        case kDcBinNames: {
            OutputWriter out(output, kBinNameUnits * sizeof(char16_t));
            const bool roll = (r.modelFlags & kModelFlagRollPaper) != 0;
            out.PutText(0, LookUpString(in.strings, roll ? kStringRollPaperBin : kStringMainBin));
            return 1;
        }
        case kDcEnumResolutions: {
            OutputWriter out(output, 2 * sizeof(std::int32_t));
            const std::int32_t resolutions[2] = {r.xRasterResolution, r.yRasterResolution};
            out.Put(0, resolutions, sizeof resolutions);
            return 1;
        }
        case kDcFileDependencies: {
            OutputWriter out(output, sizeof(char16_t));
            out.PutText(0, u"");
            return 0;
        }
        case kDcTrueType: return 0;
        case kDcOrientation: return 90;
        case kDcCopies: return r.maxCopies;
        case kDcCollate: return 0;
        case kDcPersonality: {
            OutputWriter out(output, kPersonalityUnits * sizeof(char16_t));
            out.PutText(0, PersonalityName(in.devmode.priv.printerLanguage));
            return 1;
        }
        case kDcPrintRate: return (r.model.defaultSpeed / 100) * 60;
        case kDcPrintRateUnit: return 4;  // inches per minute
        case kDcPrinterMem: return r.model.ramSize;
        case kDcMediaReady: return MediaReady(in, output);
        case kDcStaple: return 0;
        case kDcColorDevice: return in.devmode.priv.twoColorValue;
        case kDcNup: return 0;
        default: return kGdiError;
    }
}

std::size_t CapabilityOutputBytes(const CapabilityInputs& in, std::uint16_t index) {
    const std::size_t forms = in.formList ? in.formList->size() : 0;
    const std::size_t nameSlot = kPaperNameSlotUnits * sizeof(char16_t);
    switch (index) {
        case kDcPapers: return forms * sizeof(std::uint16_t);
        case kDcPaperSize: return forms * sizeof(Point);
        case kDcPaperNames: return forms * nameSlot;
        case kDcBins: return sizeof(std::uint16_t);
        case kDcBinNames: return kBinNameUnits * sizeof(char16_t);
        case kDcEnumResolutions: return 2 * sizeof(std::int32_t);
        case kDcFileDependencies: return sizeof(char16_t);
        case kDcPersonality: return kPersonalityUnits * sizeof(char16_t);
        case kDcMediaReady: return in.currentForm.height != 0 ? (forms > 0 ? forms - 1 : 0) * nameSlot : nameSlot;
        default: return 0;
    }
}

std::int32_t SplDeviceCapability(const CapabilityInputs& in, std::uint16_t index, char16_t* buffer, std::size_t units) {
    if (index != kDcPaperNames && index != kDcMediaReady) return kGdiError;
    if (!buffer) return DeviceCapability(in, index);
    if (units < kPaperNameSlotUnits) return kGdiError;
    CapabilityOutput output;
    output.bytes = std::span<std::uint8_t>(reinterpret_cast<std::uint8_t*>(buffer), units * sizeof(char16_t));
    output.slotLimit = units / kPaperNameSlotUnits;
    return DeviceCapability(in, index, output);
}

}  // namespace kelno
