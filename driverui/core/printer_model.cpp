#include "driverui/core/printer_model.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "driverui/core/narrow_text.h"

namespace kelno {

namespace {

constexpr std::int32_t kMinimumExtent = 10000;           // 10 mm
constexpr std::uint32_t kDefaultPrintLength = 15240000;  // 600 in

std::int32_t ClampToInt32(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

// The halftone pattern size that suits a raster resolution.
std::uint32_t HalftonePatternFor(std::uint32_t resolution) {
    if (resolution < 180) return 3;
    if (resolution < 300) return 5;
    if (resolution < 900) return 7;
    if (resolution < 1200) return 9;
    if (resolution < 1800) return 11;
    if (resolution < 2400) return 13;
    return 15;
}

// Repairs device values that would make the rest of the driver misbehave. The comparisons are
// signed, as the record's consumers read them; sums are formed in 64 bits and clamped.
void RepairDeviceValues(ModelRecord& r) {
    r.deviceName[31] = 0;
    r.modelFlags &= 0x3FFF;

    const std::int64_t left = static_cast<std::int32_t>(r.marginLeft);
    const std::int64_t right = static_cast<std::int32_t>(r.marginRight);
    const std::int64_t top = static_cast<std::int32_t>(r.marginTop);
    const std::int64_t bottom = static_cast<std::int32_t>(r.marginBottom);
    if (std::int64_t{r.maxPrintableWidth} - left - right < kMinimumExtent)
        r.maxPrintableWidth = ClampToInt32(left + right + kMinimumExtent);
    if (static_cast<std::int32_t>(r.maxPrintLength) < kMinimumExtent) r.maxPrintLength = kDefaultPrintLength;
    if (std::int64_t{static_cast<std::int32_t>(r.maxPrintLength)} - top - bottom < kMinimumExtent)
        r.maxPrintLength = static_cast<std::uint32_t>(ClampToInt32(top + bottom + kMinimumExtent));

    r.yResolution = r.xResolution;
    r.yRasterResolution = r.xRasterResolution;
    r.rasterOperationLevel = std::min<std::uint16_t>(r.rasterOperationLevel, 3);
    r.maxScale = std::min<std::uint16_t>(r.maxScale, 10000);
    if (!(r.modelFlags & kModelFlagMonochrome)) r.penCount = std::min<std::uint16_t>(r.penCount, 32);
    if (r.value92 < 3) r.value92 = 0;
    r.qualityCount = std::min<std::uint16_t>(r.qualityCount, 4);

    const auto maxWidth = static_cast<std::uint32_t>(r.maxPrintableWidth);
    if (r.modelFlags & kModelFlagCustomSizes) {
        if (r.customWidthLimit != maxWidth && r.customLengthLimit != maxWidth) {
            r.customWidthLimit = maxWidth;
            r.customLengthLimit = r.maxPrintLength;
        }
    } else {
        r.customWidthLimit = 0;
        r.customLengthLimit = 0;
    }

    // Cyan Y (header offset 148) of 0 marks a COLORINFO that was never filled in.
    if (r.colorInfo.values[11] == 0) {
        r.colorInfo = kDefaultColorInfo;
        r.pelResolution = 0;
    } else if (static_cast<std::int32_t>(r.pelResolution) < 30 || r.pelResolution > r.xRasterResolution) {
        r.pelResolution = 0;
    }

    if (r.halftonePatternSize > 15)
        r.halftonePatternSize = HalftonePatternFor(std::min(r.xRasterResolution, r.yRasterResolution));

    std::memset(r.tables, 0, sizeof r.tables);
    if (!(r.modelFlags & kModelFlagMonochrome)) r.modelFlags |= 0x202;
}

}  // namespace

CurrentFormRecord CurrentFormFromPaper(const PaperRecord& paper) {
    CurrentFormRecord form{};
    StoreFixedText(form.name, FixedText(paper.name));
    form.id = paper.id;
    form.width = paper.width;
    form.height = paper.height;
    form.left = paper.marginLeft;
    form.top = paper.marginTop;
    form.right = ClampToInt32(std::int64_t{paper.width} - paper.marginRight);
    form.bottom = ClampToInt32(std::int64_t{paper.height} - paper.marginBottom);
    form.flags = paper.flags;
    form.gap = paper.gap;
    form.gapOffset = paper.gapOffset;
    form.extra1 = paper.extra1;
    form.extra2 = paper.extra2;
    return form;
}

std::optional<PrinterModel> PrinterModel::FromDataFile(std::span<const std::uint8_t> bytes, DataFileError* error) {
    auto fail = [error](DataFileError reason) -> std::optional<PrinterModel> {
        if (error) *error = reason;
        return std::nullopt;
    };
    if (bytes.size() < sizeof(DataFileHeader)) return fail(DataFileError::ShortHeader);
    DataFileHeader header;
    std::memcpy(&header, bytes.data(), sizeof header);
    if (std::memcmp(header.signature, kDataFileSignature, sizeof header.signature) != 0)
        return fail(DataFileError::WrongSignature);
    if (header.headerSize != kDataFileHeaderSize) return fail(DataFileError::WrongHeaderSize);

    PrinterModel model;
    static_assert(offsetof(ModelRecord, tables) == offsetof(DataFileHeader, unused));
    std::memcpy(&model.record, &header, offsetof(ModelRecord, tables));
    model.record.headerSize = kModelRecordSize;
    model.extra.assign(header.extraSize, 0);
    RepairDeviceValues(model.record);
    if (error) *error = DataFileError::None;
    return model;
}

void PrinterModel::SetPapers(std::vector<PaperRecord> papers) {
    if (papers.size() > std::numeric_limits<std::uint16_t>::max())
        papers.resize(std::numeric_limits<std::uint16_t>::max());
    papers_ = std::move(papers);
    TableDescriptor& table = record.tables[kPaperTable];
    table = TableDescriptor{};
    if (!papers_.empty()) {
        table.count = static_cast<std::uint16_t>(papers_.size());
        table.entrySize = sizeof(PaperRecord);
    }
}

CurrentFormRecord PrinterModel::DefaultPaper() const {
    if (papers_.empty()) {
        CurrentFormRecord form{};
        StoreFixedText(form.name, std::u16string_view(u"USER"));
        form.id = kUserPaperId;
        form.flags = 1;
        form.gap = 3000;
        return form;
    }
    const std::u16string wanted = Utf8ToU16(FixedText(record.model.defaultPaperName, 49));
    for (std::size_t i = 0; i < papers_.size(); ++i) {
        if (FixedText(papers_[i].name) == wanted) {
            CurrentFormRecord form = CurrentFormFromPaper(papers_[i]);
            form.id = static_cast<std::uint32_t>(kUserPaperId + i);
            return form;
        }
    }
    return CurrentFormFromPaper(papers_[0]);
}

}  // namespace kelno
