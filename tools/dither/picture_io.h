#pragma once
// Reading and writing the pictures of kelno-dither: PNG through libpng, PBM/PGM/PPM through
// libnetpbm. A picture is read straight into the binarisation library's grey layout (rows of
// PaddedRowBytes(width) bytes) through the page's own colour steps (contrast, brightness, grey).
#include <cstdint>
#include <string>
#include <vector>

namespace kelno::dither {

// The exit codes of kelno-dither; each failure carries one.
enum class Exit : int {
    kOk = 0,
    kUsage = 2,        // bad option, method, number or output extension
    kCannotOpen = 3,   // input missing or unreadable
    kNotPicture = 4,   // input is neither PNG nor PBM/PGM/PPM
    kBroken = 5,       // truncated or corrupt picture
    kTooLarge = 6,     // dimensions beyond the limits below, or out of memory
    kCannotWrite = 7,  // output cannot be created or written
};

struct Status {
    Exit code = Exit::kOk;
    std::string message;  // one line, without the program's name
    bool ok() const { return code == Exit::kOk; }
};

// Pictures larger than this are refused before anything is allocated for their pixels.
inline constexpr std::uint32_t kMaxWidth = 1u << 20;
inline constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 28;

// The page's colour steps, -100..100 each (driverui/docsheet/preview_colour.h).
struct ColourSteps {
    int contrast = 0;
    int brightness = 0;
};

struct GreyPicture {
    std::uint32_t width = 0, height = 0;
    std::vector<std::uint8_t> pixels;  // height rows of PaddedRowBytes(width) bytes
};

// Reads a PNG or PBM/PGM/PPM file (told apart by its first bytes). Transparent pixels are laid
// on white; 16-bit samples are scaled to 8 bits.
Status ReadPicture(const std::string& path, ColourSteps steps, GreyPicture& out);

// Writes a binarised picture (0 black, anything else white) as PBM (".pbm") or as a 1-bit grey
// PNG (".png"), by the extension of the path; a file that could not be written whole is removed.
Status WritePicture(const std::string& path, const GreyPicture& picture);

// True when the path ends in an extension WritePicture knows.
bool IsKnownOutputExtension(const std::string& path);

}  // namespace kelno::dither
