// Writes the stand-in driver data file: the 472-byte header the configuration DLL reads.
//   make_datafile OUTPUT
// The values are documented in standins/README.md; keep the two together.
#include <cstdio>
#include <cstring>

#include "driverui/core/datafile_header.h"

namespace {

kelno::DataFileHeader MakeHeader() {
    kelno::DataFileHeader h{};
    std::memcpy(h.signature, kelno::kDataFileSignature, sizeof h.signature);
    h.version = 0x00060000;  // header format 6.0
    h.headerSize = kelno::kDataFileHeaderSize;
    h.extraSize = 0;
    std::strncpy(h.deviceName, "Tavolen MX", sizeof h.deviceName - 1);
    // The widest model prints 108 mm (4.25 in at 203 dpi = 864 dots) and up to 2286 mm.
    h.maxPrintableWidth = 108000;
    h.maxPrintLength = 2286000;
    h.marginLeft = h.marginTop = h.marginRight = h.marginBottom = 0;
    // bit 0 monochrome requests accepted, bit 7 roll paper, bit 8 custom paper sizes
    h.modelFlags = 0x0001 | 0x0080 | 0x0100;
    h.xResolution = h.yResolution = 203;
    h.xRasterResolution = h.yRasterResolution = 203;
    h.rasterOperationLevel = 3;
    h.maxScale = 400;
    h.penCount = 2;  // black and white
    h.maxCopies = 9999;
    h.value92 = 0;
    h.qualityCount = 1;
    h.customWidthLimit = 108000;
    h.customLengthLimit = 2286000;
    h.colorInfo = kelno::kDefaultColorInfo;
    // The default COLORINFO leaves cyan Y at 0, which the DLL reads as "not set" and answers
    // with the same defaults and pel resolution 0; say so here rather than disagree.
    h.pelResolution = 0;
    h.halftonePatternSize = 5;  // what a raster resolution of 180-299 dpi derives
    return h;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_datafile OUTPUT\n");
        return 2;
    }
    const kelno::DataFileHeader header = MakeHeader();
    std::FILE* out = std::fopen(argv[1], "wb");
    if (!out) {
        std::perror(argv[1]);
        return 1;
    }
    const bool ok = std::fwrite(&header, sizeof header, 1, out) == 1;
    if (std::fclose(out) != 0 || !ok) {
        std::fprintf(stderr, "make_datafile: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
