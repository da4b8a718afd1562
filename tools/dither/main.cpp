// kelno-dither: shows how a picture will print. Reads a PNG or PBM/PGM/PPM picture, applies the
// page's contrast and brightness, binarises it with one of the driver's methods and writes the
// result as PBM or PNG.
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "driverui/docsheet/binarise.h"
#include "tools/dither/picture_io.h"

namespace {

using kelno::dither::Exit;

constexpr const char kUsage[] =
    "usage: kelno-dither [options] INPUT OUTPUT\n"
    "\n"
    "Binarises a picture the way the Tavolen driver prints it, so that it can be looked at.\n"
    "INPUT is a PNG or PBM/PGM/PPM file; OUTPUT is written as PBM (.pbm) or 1-bit PNG (.png).\n"
    "\n"
    "options:\n"
    "  --method M        fs (default), burkes, stucki, jarvis, sierra, stevenson-arce, bayer,\n"
    "                    threshold, adaptive, stencil9, stencil10, stencil11\n"
    "  --contrast N      -100..100 (default 0), applied to each colour channel before grey\n"
    "  --brightness N    -100..100 (default 0), applied after the contrast\n"
    "  --help            this text\n"
    "\n"
    "Pictures are limited to 1048576 pixels wide and 268435456 pixels in all.\n"
    "\n"
    "exit codes:\n"
    "  0  written\n"
    "  2  bad usage: unknown option or method, bad number, output not .pbm or .png\n"
    "  3  input cannot be opened or read\n"
    "  4  input is not a PNG or PBM/PGM/PPM picture\n"
    "  5  input is broken or truncated\n"
    "  6  picture too large for the limits above, or out of memory\n"
    "  7  output cannot be written\n";

struct Method {
    const char* name;
    std::uint32_t level;
};
constexpr Method kMethods[] = {
    {"fs", kelno::kDitherFloydSteinberg},
    {"adaptive", kelno::kDitherAdaptive},
    {"burkes", kelno::kDitherBurkes},
    {"stucki", kelno::kDitherStucki},
    {"jarvis", kelno::kDitherJarvis},
    {"sierra", kelno::kDitherSierra},
    {"stevenson-arce", kelno::kDitherStevensonArce},
    {"bayer", kelno::kDitherBayer},
    {"threshold", kelno::kDitherThreshold},
    {"stencil9", kelno::kDitherStencil9},
    {"stencil10", kelno::kDitherStencil10},
    {"stencil11", kelno::kDitherStencil11},
};

int Die(Exit code, const std::string& message) {
    std::fprintf(stderr, "kelno-dither: %s%s\n", message.c_str(), code == Exit::kUsage ? " (see --help)" : "");
    return static_cast<int>(code);
}

bool ParseStep(std::string_view text, int& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data() + (!text.empty() && text[0] == '+'), end, value);
    return error == std::errc() && ptr == end && value >= -100 && value <= 100;
}

}  // namespace

int main(int argc, char** argv) {
    std::uint32_t level = kelno::kDitherFloydSteinberg;
    int contrast = 0, brightness = 0;
    const char* paths[2] = {};
    int path_count = 0;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg.size() > 2 && arg.substr(0, 2) == "--") {
            std::string_view name = arg, value;
            const std::size_t eq = arg.find('=');
            if (eq != std::string_view::npos) {
                name = arg.substr(0, eq);
                value = arg.substr(eq + 1);
            } else if (name == "--method" || name == "--contrast" || name == "--brightness") {
                if (i + 1 >= argc) return Die(Exit::kUsage, std::string(name) + " needs a value");
                value = argv[++i];
            }
            if (name == "--method") {
                const Method* found = nullptr;
                for (const Method& m : kMethods) {
                    if (value == m.name) found = &m;
                }
                if (found == nullptr) return Die(Exit::kUsage, "unknown method '" + std::string(value) + "'");
                level = found->level;
            } else if (name == "--contrast" || name == "--brightness") {
                int& target = name == "--contrast" ? contrast : brightness;
                if (!ParseStep(value, target)) {
                    return Die(Exit::kUsage, std::string(name) + " takes a whole number from -100 to 100, not '" +
                                                 std::string(value) + "'");
                }
            } else {
                return Die(Exit::kUsage, "unknown option '" + std::string(arg) + "'");
            }
            continue;
        }
        if (path_count == 2) return Die(Exit::kUsage, "too many arguments: '" + std::string(arg) + "'");
        paths[path_count++] = argv[i];
    }
    if (path_count != 2) return Die(Exit::kUsage, "needs an input and an output file");
    const std::string input = paths[0], output = paths[1];
    if (!kelno::dither::IsKnownOutputExtension(output)) {
        return Die(Exit::kUsage, output + ": output must end in .pbm or .png");
    }

    kelno::dither::GreyPicture picture;
    kelno::dither::Status status = kelno::dither::ReadPicture(input, {contrast, brightness}, picture);
    if (!status.ok()) return Die(status.code, input + ": " + status.message);
    kelno::Binarise(picture.pixels.data(), picture.width, picture.height, level, kelno::kDitherFamilyStandard);
    status = kelno::dither::WritePicture(output, picture);
    if (!status.ok()) return Die(status.code, output + ": " + status.message);
    return 0;
}
