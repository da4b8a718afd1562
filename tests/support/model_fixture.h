#pragma once
// The model fixture of the configuration DLL's portable core, for its unit tests and fuzz
// targets: a data-file header like the package's, the shipped model database (where the build
// names it in KELNO_MODELS_JSON), model records made from both, and paper records.
#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "driverui/core/datafile_header.h"
#include "driverui/core/narrow_text.h"
#include "driverui/core/printer_model.h"

namespace kelno::test {

// The header of the package's data file (108 mm x 2286 mm, monochrome, roll paper, custom sizes).
inline DataFileHeader PackageHeader() {
    DataFileHeader h{};
    std::memcpy(h.signature, kDataFileSignature, sizeof h.signature);
    h.version = 0x00060000;
    h.headerSize = kDataFileHeaderSize;
    std::strncpy(h.deviceName, "Tavolen MX", sizeof h.deviceName - 1);
    h.maxPrintableWidth = 108000;
    h.maxPrintLength = 2286000;
    h.modelFlags = 0x0001 | 0x0080 | 0x0100;
    h.xResolution = h.yResolution = 203;
    h.xRasterResolution = h.yRasterResolution = 203;
    h.rasterOperationLevel = 3;
    h.maxScale = 400;
    h.penCount = 2;
    h.maxCopies = 9999;
    h.qualityCount = 1;
    h.customWidthLimit = 108000;
    h.customLengthLimit = 2286000;
    h.colorInfo = kDefaultColorInfo;
    h.halftonePatternSize = 5;
    return h;
}

inline std::vector<std::uint8_t> HeaderBytes(const DataFileHeader& header) {
    std::vector<std::uint8_t> bytes(sizeof header);
    std::memcpy(bytes.data(), &header, sizeof header);
    return bytes;
}

inline std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

#ifdef KELNO_MODELS_JSON
// The model database document the DLL ships.
inline const std::vector<std::uint8_t>& ShippedDatabase() {
    static const std::vector<std::uint8_t> document = [] {
        std::ifstream in(KELNO_MODELS_JSON, std::ios::binary);
        return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }();
    return document;
}
#endif

// A string table standing in for the DLL's resources.
inline StringLookup Strings(std::map<std::uint32_t, std::u16string> table = {
                                {2044, u"Roll paper storehouse"},
                                {2045, u"Main storehouse"},
                                {2200, u"Custom size"},
                                {1904, u"The paper size is out of range supported by printer."},
                                {1914, u"The selected paper has not been loaded."}}) {
    return [table](std::uint32_t id) {
        const auto it = table.find(id);
        return it == table.end() ? std::u16string() : it->second;
    };
}

inline PrinterModel FromHeader(const DataFileHeader& header) {
    std::optional<PrinterModel> model = PrinterModel::FromDataFile(HeaderBytes(header));
    if (!model) throw std::runtime_error("header not accepted");
    return std::move(*model);
}

// The model record of the package's data file alone, before any database is applied.
inline PrinterModel PackageModel() { return FromHeader(PackageHeader()); }

#ifdef KELNO_MODELS_JSON
// A model record as the DLL builds it for a driver name: package header + shipped database.
inline PrinterModel LoadModel(std::u16string_view driverName, const DataFileHeader& header = PackageHeader()) {
    PrinterModel model = FromHeader(header);
    model.LoadJson(ShippedDatabase(), driverName, Strings());
    return model;
}
#endif

inline std::u16string Name(const char16_t* fixed, std::size_t capacity = 32) {
    std::u16string s;
    for (std::size_t i = 0; i < capacity && fixed[i]; ++i) s.push_back(fixed[i]);
    return s;
}

inline PaperRecord Paper(std::u16string_view name, std::uint32_t id, std::int32_t width, std::int32_t height,
                         std::uint32_t flags = kBuiltInPaperFlag | 0x11) {
    PaperRecord p{};
    for (std::size_t i = 0; i < name.size() && i < 31; ++i) p.name[i] = name[i];
    p.id = id;
    p.width = width;
    p.height = height;
    p.flags = flags;
    p.gap = 3000;
    return p;
}

// Built-in papers "A", "B", ... (ids from 256), 50 mm wide and 10 mm wider each, 30 mm high.
inline std::vector<PaperRecord> LetteredPapers(std::size_t count) {
    std::vector<PaperRecord> papers;
    for (std::size_t i = 0; i < count; ++i)
        papers.push_back(Paper(std::u16string(1, static_cast<char16_t>(u'A' + i)), static_cast<std::uint32_t>(256 + i),
                               50000 + 10000 * static_cast<std::int32_t>(i), 30000));
    return papers;
}

}  // namespace kelno::test
