#pragma once
// The model record (PrinterModel): the data-file header's device values joined with the model
// database's values for the driver's model, and the model's paper list.
//
// The record keeps the exact 496-byte layout of the original in-memory record. Its last 48
// bytes are three table descriptors that held a count, an entry size and a pointer; here the
// tables live in PrinterModel's own vectors and the descriptors carry only count and entry
// size, so no address is ever stored in (or read from) the record bytes.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "driverui/core/datafile_header.h"
#include "driverui/core/paper_record.h"
#include "driverui/core/string_lookup.h"

namespace kelno {

// Model flags (record offset 68; the data file's low 14 bits).
inline constexpr std::uint32_t kModelFlagMonochrome = 0x0001;  // a monochrome colour request is accepted
inline constexpr std::uint32_t kModelFlagColour = 0x0002;      // colour requests are examined
inline constexpr std::uint32_t kModelFlagThermalTransfer = 0x0004;
inline constexpr std::uint32_t kModelFlagRollPaper = 0x0080;
inline constexpr std::uint32_t kModelFlagCustomSizes = 0x0100;

inline constexpr std::uint16_t kModelRecordSize = 496;
inline constexpr std::uint16_t kMaxCopiesAfterLoad = 32767;

struct TableDescriptor {
    std::uint16_t count;
    std::uint16_t entrySize;
    std::uint32_t reserved;
    std::uint32_t location[2];  // the original's pointer slot; always 0 in this program
};
static_assert(sizeof(TableDescriptor) == 16);

enum ModelRecordTable : std::size_t { kFirstTable = 0, kPaperTable = 1, kPenTable = 2 };

#pragma pack(push, 4)
struct ModelRecord {
    char signature[4];
    std::uint32_t version;
    std::uint16_t headerSize;  // 496 once loaded
    std::uint16_t extraSize;
    char deviceName[32];
    std::int32_t maxPrintableWidth;
    std::uint32_t maxPrintLength;
    std::uint32_t marginLeft, marginTop, marginRight, marginBottom;
    std::uint32_t modelFlags;
    std::uint32_t xResolution, yResolution;
    std::uint16_t xRasterResolution, yRasterResolution;
    std::uint16_t rasterOperationLevel;
    std::uint16_t maxScale;
    std::uint16_t penCount;
    std::uint16_t maxCopies;
    std::uint16_t value92;
    std::uint16_t qualityCount;
    std::uint32_t customWidthLimit, customLengthLimit;
    ColorInfoRecord colorInfo;
    std::uint32_t pelResolution;
    std::uint32_t halftonePatternSize;
    ModelFields model;
    TableDescriptor tables[3];
};
#pragma pack(pop)

static_assert(sizeof(ModelRecord) == kModelRecordSize);
// The first 448 bytes are the data-file header's, field for field.
#define KELNO_SAME_OFFSET(field) static_assert(offsetof(ModelRecord, field) == offsetof(DataFileHeader, field))
KELNO_SAME_OFFSET(version);
KELNO_SAME_OFFSET(headerSize);
KELNO_SAME_OFFSET(extraSize);
KELNO_SAME_OFFSET(deviceName);
KELNO_SAME_OFFSET(maxPrintableWidth);
KELNO_SAME_OFFSET(maxPrintLength);
KELNO_SAME_OFFSET(marginLeft);
KELNO_SAME_OFFSET(marginTop);
KELNO_SAME_OFFSET(marginRight);
KELNO_SAME_OFFSET(marginBottom);
KELNO_SAME_OFFSET(modelFlags);
KELNO_SAME_OFFSET(xResolution);
KELNO_SAME_OFFSET(yResolution);
KELNO_SAME_OFFSET(xRasterResolution);
KELNO_SAME_OFFSET(yRasterResolution);
KELNO_SAME_OFFSET(rasterOperationLevel);
KELNO_SAME_OFFSET(maxScale);
KELNO_SAME_OFFSET(penCount);
KELNO_SAME_OFFSET(maxCopies);
KELNO_SAME_OFFSET(value92);
KELNO_SAME_OFFSET(qualityCount);
KELNO_SAME_OFFSET(customWidthLimit);
KELNO_SAME_OFFSET(customLengthLimit);
KELNO_SAME_OFFSET(colorInfo);
KELNO_SAME_OFFSET(pelResolution);
KELNO_SAME_OFFSET(halftonePatternSize);
#undef KELNO_SAME_OFFSET
static_assert(offsetof(ModelRecord, model) == 232);
static_assert(offsetof(ModelRecord, tables) == 448);

enum class DataFileError { None, ShortHeader, WrongSignature, WrongHeaderSize };

enum class JsonLoadStatus {
    ModelApplied,   // the model was found and its values applied
    ModelNotFound,  // vendor or model not in the document; only the vendor's papers (if any) applied
    NameNotSplit,   // no blank in the driver name: nothing applied
    NoDocument,     // empty resource: nothing applied
    ParseError,     // nothing applied
};

struct JsonLoadResult {
    JsonLoadStatus status;
    std::u16string debugLine;  // the debug-output text to write, empty when there is none
};

class PrinterModel {
public:
    // Builds the record from the driver data file's first bytes (the 472-byte header; more are
    // ignored), validating and repairing the device values. Nothing on a short header, a wrong
    // signature or a wrong header size.
    static std::optional<PrinterModel> FromDataFile(std::span<const std::uint8_t> bytes,
                                                    DataFileError* error = nullptr);

    // Applies the model database document (UTF-8 JSON) for the model named by driverName
    // ("<vendor> <model>") and rebuilds the paper list. "RC_ID" paper names come from strings.
    // Failures leave the record as it was; the result says what to write to the debug output.
    JsonLoadResult LoadJson(std::span<const std::uint8_t> document, std::u16string_view driverName,
                            const StringLookup& strings);

    // The paper list; entry 0 is "USER" once a list is built.
    const std::vector<PaperRecord>& Papers() const { return papers_; }
    // Replaces the paper list (at most 65535 entries are kept) and updates its descriptor.
    void SetPapers(std::vector<PaperRecord> papers);

    // The current form for the model's default paper: the list entry whose name equals the
    // default paper name, else entry 0, else "USER" with no size.
    CurrentFormRecord DefaultPaper() const;

    // The size the record occupies with its extra bytes (496 + extra size).
    std::size_t AllocationSize() const { return sizeof(ModelRecord) + extra.size(); }

    ModelRecord record{};
    std::vector<std::uint8_t> extra;  // the extra bytes the header asks for, zero-filled

private:
    std::vector<PaperRecord> papers_;
};

}  // namespace kelno
