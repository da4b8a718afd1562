// Speed of kelno::Binarise, one thread, every level on a label picture (812 x 1218, a 4 x 6 inch
// label at 203 dpi) and a photo (4000 x 3000), both synthetic and deterministic, beside the tools
// a user would pick instead, run on the same pictures written as PGM files:
//   Pillow's Image.convert('1') timed inside Python (the picture already loaded);
//   netpbm's pamditherbw and pgmtopbm, ImageMagick's convert and GraphicsMagick's gm convert,
//   timed as whole commands less the same program's no-op (read the PGM, write it back).
// Prints one table with the goals and whether each is met. Never fails on a missed goal.
//   binarise_bench [--no-peers]
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "driverui/docsheet/binarise.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Picture {
    const char* name;
    std::uint32_t width, height;
    std::vector<std::uint8_t> grey;  // rows of PaddedRowBytes(width)
    std::string pgm_path;
    double Megapixels() const { return double(width) * height / 1e6; }
};

// Deterministic noise (xorshift32).
struct Noise {
    std::uint32_t state;
    int Next(int spread) {  // roughly normal, in [-spread, spread]
        int sum = 0;
        for (int i = 0; i < 2; ++i) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            sum += static_cast<int>(state % (2u * spread + 1)) - spread;
        }
        return sum / 2;
    }
};

std::uint8_t Clamp(double v) { return static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0)); }

Picture MakePicture(const char* name, std::uint32_t width, std::uint32_t height) {
    Picture p{name, width, height, std::vector<std::uint8_t>(kelno::PaddedRowBytes(width) * height, 255), {}};
    return p;
}

void Set(Picture& p, std::uint32_t x, std::uint32_t y, std::uint8_t v) {
    p.grey[y * kelno::PaddedRowBytes(p.width) + x] = v;
}

// A photo: smooth light, a textured ground, hard-edged shapes of several greys, sensor noise.
Picture MakePhoto(const char* name, std::uint32_t width, std::uint32_t height) {
    Picture p = MakePicture(name, width, height);
    Noise noise{0x2545f491u};
    const double w = width, h = height;
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            const double u = x / w, v = y / h;
            double g = 40 + 150 * u + 50 * v;                                            // light across the frame
            g += 30 * std::sin(u * 37.0 + 3 * std::sin(v * 11.0)) * std::cos(v * 23.0);  // texture
            const double dx = u - 0.35, dy = v - 0.45;
            if (dx * dx + dy * dy < 0.04) g = 215 - 300 * (dx * dx + dy * dy);  // a bright disc
            if (u > 0.6 && u < 0.85 && v > 0.2 && v < 0.7) g = 30 + 60 * v;     // a dark block
            if (u > 0.1 && u < 0.3 && v > 0.75 && v < 0.9) g = 128;             // a flat mid grey
            Set(p, x, y, Clamp(g + noise.Next(12)));
        }
    }
    return p;
}

// A shipping label: frame, text lines, a barcode, a grey logo and a small photo, on white.
Picture MakeLabel() {
    Picture p = MakePicture("label", 812, 1218);
    Noise noise{0x9e3779b9u};
    const auto fill = [&](std::uint32_t x0, std::uint32_t y0, std::uint32_t x1, std::uint32_t y1, std::uint8_t v) {
        for (std::uint32_t y = y0; y < y1 && y < p.height; ++y) {
            for (std::uint32_t x = x0; x < x1 && x < p.width; ++x) Set(p, x, y, v);
        }
    };
    fill(10, 10, 802, 16, 0), fill(10, 1202, 802, 1208, 0), fill(10, 10, 16, 1208, 0), fill(796, 10, 802, 1208, 0);
    for (std::uint32_t line = 0; line < 14; ++line) {  // text: glyph-sized strokes
        const std::uint32_t y = 40 + line * 34;
        for (std::uint32_t x = 40; x < 760; x += 14 + noise.Next(3)) {
            if (noise.Next(10) > 7) continue;  // spaces
            fill(x, y, x + 3, y + 22, 0), fill(x, y + 9, x + 10, y + 12, 0);
        }
    }
    for (std::uint32_t x = 60; x < 750;) {  // barcode
        const std::uint32_t bar = 2 + (noise.Next(4) + 4) % 4 * 2;
        fill(x, 560, x + bar, 760, 0);
        x += bar + 2 + (noise.Next(4) + 4) % 3 * 2;
    }
    for (std::uint32_t y = 800; y < 1000; ++y) {  // logo: a grey radial shade
        for (std::uint32_t x = 40; x < 300; ++x) {
            const double r = std::hypot(x - 170.0, y - 900.0);
            if (r < 100) Set(p, x, y, Clamp(60 + r * 1.8));
        }
    }
    const Picture photo = MakePhoto("inset", 440, 360);  // product photo
    for (std::uint32_t y = 0; y < photo.height; ++y) {
        for (std::uint32_t x = 0; x < photo.width; ++x) {
            Set(p, 330 + x, 800 + y, photo.grey[y * kelno::PaddedRowBytes(photo.width) + x]);
        }
    }
    return p;
}

void WritePgm(Picture& p, const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return;
    std::fprintf(f, "P5\n%u %u\n255\n", p.width, p.height);
    for (std::uint32_t y = 0; y < p.height; ++y)
        std::fwrite(&p.grey[y * kelno::PaddedRowBytes(p.width)], 1, p.width, f);
    std::fclose(f);
    p.pgm_path = path;
}

// Best time of one Binarise call: at least min_reps calls and min_seconds in all; the copy of
// the picture before each call is not timed (it leaves the picture in cache, as the page's grey
// step does before its Binarise).
double TimeOurs(const Picture& p, std::uint32_t level, int min_reps, double min_seconds) {
    std::vector<std::uint8_t> work(p.grey.size());
    double best = 1e9, total = 0;
    for (int rep = 0; (rep < min_reps || total < min_seconds) && rep < 10000; ++rep) {
        std::memcpy(work.data(), p.grey.data(), work.size());
        const auto t0 = Clock::now();
        kelno::Binarise(work.data(), p.width, p.height, level, kelno::kDitherFamilyStandard);
        const double s = std::chrono::duration<double>(Clock::now() - t0).count();
        best = std::min(best, s);
        total += s;
    }
    return best;
}

// Best wall time of a shell command over reps runs; negative when it fails.
double TimeCommand(const std::string& command, int reps) {
    double best = 1e9;
    for (int i = 0; i < reps; ++i) {
        const auto t0 = Clock::now();
        const int status = std::system(command.c_str());
        const double s = std::chrono::duration<double>(Clock::now() - t0).count();
        if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
        best = std::min(best, s);
    }
    return best;
}

bool Have(const std::string& program) {
    return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

struct Peer {
    std::string name;
    std::uint32_t level;                // the method of ours it stands beside
    std::map<std::string, double> mpx;  // picture name -> Mpx/s; absent when not measured
};

struct Tool {
    std::string program;  // as found on the PATH
    std::string noop;     // {in} {out}: read the PGM and write it back unchanged
    struct Run {
        const char* label;
        std::uint32_t level;
        std::string command;  // {in} {out}
    };
    std::vector<Run> runs;
};

std::string Fill(std::string s, const std::string& in, const std::string& out) {
    for (const auto& [key, value] : {std::pair{"{in}", in}, std::pair{"{out}", out}}) {
        for (std::size_t at; (at = s.find(key)) != std::string::npos;) s.replace(at, std::strlen(key), value);
    }
    return s;
}

// Pillow: Image.convert('1') with Floyd-Steinberg and without dither, timed inside Python.
void TimePillow(const std::vector<Picture>& pictures, const std::string& dir, std::vector<Peer>& peers) {
    const std::string script = dir + "/pillow_convert.py";
    if (std::FILE* f = std::fopen(script.c_str(), "w")) {
        std::fputs("import sys, time\n"
                   "from PIL import Image\n"
                   "im = Image.open(sys.argv[1])\n"
                   "im.load()\n"
                   "for name, dither in (('fs', Image.Dither.FLOYDSTEINBERG), ('none', Image.Dither.NONE)):\n"
                   "    best = 1e9\n"
                   "    for _ in range(int(sys.argv[2])):\n"
                   "        t = time.perf_counter()\n"
                   "        im.convert('1', dither=dither)\n"
                   "        best = min(best, time.perf_counter() - t)\n"
                   "    print(name, best)\n",
                   f);
        std::fclose(f);
    }
    Peer fs{"Pillow convert('1') (in Python)", kelno::kDitherFloydSteinberg, {}};
    Peer none{"Pillow convert('1', dither=NONE)", kelno::kDitherThreshold, {}};
    for (const Picture& p : pictures) {
        // Debian's Python, which has python3-pil.
        std::FILE* out = popen(("/usr/bin/python3 " + script + " " + p.pgm_path + " 5").c_str(), "r");
        if (out == nullptr) continue;
        char name[16];
        double seconds;
        while (std::fscanf(out, "%15s %lf", name, &seconds) == 2) {
            if (seconds > 0) (std::strcmp(name, "fs") == 0 ? fs : none).mpx[p.name] = p.Megapixels() / seconds;
        }
        pclose(out);
    }
    peers.push_back(fs);
    peers.push_back(none);
}

void TimeTools(const std::vector<Picture>& pictures, const std::string& dir, std::vector<Peer>& peers) {
    std::string imagemagick = Have("convert-im6.q16") ? "convert-im6.q16" : "convert";
    const std::vector<Tool> tools = {
        {"pamditherbw",
         "pamtopnm {in} > {out}.pgm",
         {{"pamditherbw -floyd", kelno::kDitherFloydSteinberg, "pamditherbw -floyd {in} > {out}.pam"},
          {"pamditherbw -threshold", kelno::kDitherThreshold, "pamditherbw -threshold {in} > {out}.pam"},
          {"pamditherbw -dither8 (8x8 Bayer)", kelno::kDitherBayer, "pamditherbw -dither8 {in} > {out}.pam"},
          {"pgmtopbm (Floyd-Steinberg)", kelno::kDitherFloydSteinberg, "pgmtopbm {in} > {out}.pbm"}}},
        {imagemagick,
         imagemagick + " {in} {out}.pgm",
         {{"ImageMagick -dither FloydSteinberg -monochrome", kelno::kDitherFloydSteinberg,
           imagemagick + " {in} -dither FloydSteinberg -monochrome {out}.pgm"},
          {"ImageMagick -ordered-dither o4x4", kelno::kDitherBayer,
           imagemagick + " {in} -ordered-dither o4x4 {out}.pgm"},
          {"ImageMagick -threshold 50%", kelno::kDitherThreshold, imagemagick + " {in} -threshold 50% {out}.pgm"},
          {"ImageMagick -lat 8x8-0%", kelno::kDitherAdaptive, imagemagick + " {in} -lat 8x8-0% {out}.pgm"}}},
        {"gm",
         "gm convert {in} {out}.pgm",
         {{"GraphicsMagick -dither -monochrome", kelno::kDitherFloydSteinberg,
           "gm convert {in} -dither -monochrome {out}.pgm"},
          {"GraphicsMagick -ordered-dither intensity 4x4", kelno::kDitherBayer,
           "gm convert {in} -ordered-dither intensity 4x4 {out}.pgm"},
          {"GraphicsMagick -threshold 50%", kelno::kDitherThreshold, "gm convert {in} -threshold 50% {out}.pgm"},
          {"GraphicsMagick -lat 8x8-0%", kelno::kDitherAdaptive, "gm convert {in} -lat 8x8-0% {out}.pgm"}}},
    };
    for (const Tool& tool : tools) {
        if (!Have(tool.program)) {
            std::fprintf(stderr, "binarise_bench: %s not found: its rows are left out (scripts/setup.sh installs it)\n",
                         tool.program.c_str());
            continue;
        }
        std::vector<Peer> found;
        for (const Tool::Run& run : tool.runs) found.push_back(Peer{run.label, run.level, {}});
        for (const Picture& p : pictures) {
            const int reps = p.Megapixels() > 4 ? 3 : 7;
            const std::string out = dir + "/out";
            const double base = TimeCommand(Fill(tool.noop, p.pgm_path, out), reps);
            for (std::size_t i = 0; i < tool.runs.size(); ++i) {
                const double t = TimeCommand(Fill(tool.runs[i].command, p.pgm_path, out), reps);
                if (base > 0 && t > base) found[i].mpx[p.name] = p.Megapixels() / (t - base);
            }
        }
        peers.insert(peers.end(), found.begin(), found.end());
    }
}

struct Goal {
    double mpx;  // at least this on both pictures
    const char* text;
};

Goal GoalOf(std::uint32_t level) {
    switch (level) {
        case kelno::kDitherFloydSteinberg: return {200, ">=200, > Pillow"};
        case kelno::kDitherBayer:
        case kelno::kDitherThreshold: return {1000, ">=1000"};
        case kelno::kDitherAdaptive: return {200, ">=200"};
        case kelno::kDitherStencil9:
        case kelno::kDitherStencil10:
        case kelno::kDitherStencil11: return {40, ">=40"};
        default: return {120, ">=120"};  // the 7- to 12-tap error diffusion kernels
    }
}

}  // namespace

int main(int argc, char** argv) {
    const bool peers_wanted = !(argc > 1 && std::strcmp(argv[1], "--no-peers") == 0);
    // One thread for the peers too (ImageMagick and GraphicsMagick use OpenMP).
    setenv("OMP_NUM_THREADS", "1", 1);
    setenv("MAGICK_THREAD_LIMIT", "1", 1);

    std::vector<Picture> pictures;
    pictures.push_back(MakeLabel());
    pictures.push_back(MakePhoto("photo", 4000, 3000));
    const Picture sample = MakePhoto("sample", 200, 168);

    struct Method {
        const char* name;
        std::uint32_t level;
    };
    const Method methods[] = {{"fs", 0},        {"adaptive", 1}, {"burkes", 2},     {"stucki", 3},
                              {"jarvis", 4},    {"sierra", 5},   {"stev.-arce", 6}, {"bayer", 7},
                              {"threshold", 8}, {"stencil9", 9}, {"stencil10", 10}, {"stencil11", 11}};
    std::map<std::uint32_t, std::map<std::string, double>> ours;  // level -> picture -> Mpx/s
    std::map<std::uint32_t, double> sample_us;
    for (const Method& m : methods) {
        for (const Picture& p : pictures) ours[m.level][p.name] = p.Megapixels() / TimeOurs(p, m.level, 3, 0.4);
        sample_us[m.level] = TimeOurs(sample, m.level, 50, 0.1) * 1e6;
    }

    std::vector<Peer> peers;
    std::string dir;
    if (peers_wanted) {
        char name[] = "/tmp/kelno-bench-XXXXXX";
        if (mkdtemp(name) != nullptr) {
            dir = name;
            for (Picture& p : pictures) WritePgm(p, dir + "/" + p.name + ".pgm");
            TimePillow(pictures, dir, peers);
            TimeTools(pictures, dir, peers);
            std::filesystem::remove_all(dir);
        }
    }

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
    std::printf("WARNING: built with AddressSanitizer: the figures below are not the library's speed\n");
#endif
#endif
    std::printf("Binarise, one thread: label 812 x 1218 (%.2f Mpx), photo 4000 x 3000 (%.1f Mpx), synthetic.\n",
                pictures[0].Megapixels(), pictures[1].Megapixels());
    std::printf("Ours: best of >= 3 calls and >= 0.4 s, picture copy not timed; sample: 200 x 168, best of >= 50.\n");
    std::printf("Pillow: Image.convert('1') alone, timed in Python on the loaded picture, best of 5.\n");
    std::printf(
        "Commands (pamditherbw, pgmtopbm, ImageMagick, GraphicsMagick; OMP_NUM_THREADS=1): best wall time of\n");
    std::printf(
        "the command (3 runs photo, 7 label) less the best of the same program reading the PGM and writing it\n");
    std::printf(
        "back unchanged (pamtopnm, convert in.pgm out.pgm, gm convert in.pgm out.pgm): the dither alone, without\n");
    std::printf(
        "process start and PGM decode. ImageMagick and GraphicsMagick write PGM, as their no-op does (their PBM\n");
    std::printf(
        "writers add a bilevel conversion of their own); netpbm writes PAM/PBM. n/a: not above the no-op's noise.\n\n");
    std::printf("%-10s %8s %8s %8s  %-15s %-4s| %-46s %8s %8s %7s %7s\n", "method", "label", "photo", "200x168",
                "goal Mpx/s", "met", "peer on the same pictures", "label", "photo", "ratio", "ratio");
    std::printf("%-10s %8s %8s %8s  %-15s %-4s| %-46s %8s %8s %7s %7s\n", "", "Mpx/s", "Mpx/s", "us", "(<1 ms sample)",
                "", "", "Mpx/s", "Mpx/s", "label", "photo");
    bool all_met = true;
    for (const Method& m : methods) {
        const Goal goal = GoalOf(m.level);
        bool met = sample_us[m.level] < 1000;
        for (const Picture& p : pictures) met = met && ours[m.level][p.name] >= goal.mpx;
        std::vector<const Peer*> mine;
        for (const Peer& peer : peers) {
            if (peer.level == m.level) mine.push_back(&peer);
        }
        if (m.level == kelno::kDitherFloydSteinberg) {  // ahead of Pillow
            for (const Peer* peer : mine) {
                if (peer->name.rfind("Pillow convert('1') (", 0) != 0) continue;
                for (const Picture& p : pictures) {
                    const auto it = peer->mpx.find(p.name);
                    met = met && it != peer->mpx.end() && ours[m.level][p.name] > it->second;
                }
            }
            if (!peers_wanted) met = false;
        }
        all_met = all_met && met;
        std::printf("%-10s %8.1f %8.1f %8.0f  %-15s %-4s|", m.name, ours[m.level]["label"], ours[m.level]["photo"],
                    sample_us[m.level], goal.text, met ? "yes" : "NO");
        if (mine.empty()) std::printf(" %-46s\n", "-");
        for (std::size_t i = 0; i < mine.size(); ++i) {
            if (i > 0) std::printf("%-10s %8s %8s %8s  %-15s %-4s|", "", "", "", "", "", "");
            std::printf(" %-46s", mine[i]->name.c_str());
            for (const Picture& p : pictures) {
                const auto it = mine[i]->mpx.find(p.name);
                if (it == mine[i]->mpx.end()) std::printf(" %8s", "n/a");
                else std::printf(" %8.1f", it->second);
            }
            for (const Picture& p : pictures) {
                const auto it = mine[i]->mpx.find(p.name);
                if (it == mine[i]->mpx.end()) std::printf(" %7s", "n/a");
                else std::printf(" %7.2f", ours[m.level][p.name] / it->second);
            }
            std::printf("\n");
        }
    }
    std::printf("\nratio = ours / peer (Mpx/s). Goals: %s\n", all_met ? "all met" : "NOT all met (rows marked NO)");
    return 0;
}
