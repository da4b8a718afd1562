// kelno-dither run as a user runs it: on small pictures the test writes or keeps in data/.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void Write(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

struct Result {
    int code;
    std::string err;
};

class DitherTool : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::path(::testing::TempDir()) / ("kelno-dither-" + std::to_string(::getpid()) + "-" +
                                                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    static std::string Data(const std::string& name) { return std::string(KELNO_TEST_DATA) + "/" + name; }

    Result Run(const std::string& args) const {
        const std::string err = Path("stderr.txt");
        const int status = std::system((std::string(KELNO_DITHER_TOOL) + " " + args + " 2>'" + err + "'").c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Read(err)};
    }

    fs::path dir_;
};

// A raw PGM whose pixel (x, y) is value(x, y), with 8- or 16-bit samples.
template <typename F>
std::string Pgm(int width, int height, F value, int maxval = 255) {
    std::string s =
        "P5\n" + std::to_string(width) + " " + std::to_string(height) + "\n" + std::to_string(maxval) + "\n";
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int v = value(x, y) * maxval / 255;
            if (maxval > 255) s += static_cast<char>(v >> 8);
            s += static_cast<char>(v & 0xff);
        }
    }
    return s;
}

// A raw PBM: its size, and how many pixels are black (padding bits are not counted).
struct Pbm {
    int width = -1, height = -1;
    long black = 0;
};
Pbm ParsePbm(const std::string& bytes) {
    Pbm p;
    std::istringstream in(bytes);
    std::string magic;
    in >> magic >> p.width >> p.height;
    in.get();
    const std::string bits = bytes.substr(static_cast<std::size_t>(in.tellg()));
    const int row = (p.width + 7) / 8;
    if (magic != "P4" || bits.size() != static_cast<std::size_t>(row) * p.height) return Pbm{};
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) p.black += (bits[y * row + x / 8] >> (7 - x % 8)) & 1;
    }
    return p;
}

const char* const kMethods[] = {"fs",    "burkes",    "stucki",   "jarvis",   "sierra",    "stevenson-arce",
                                "bayer", "threshold", "adaptive", "stencil9", "stencil10", "stencil11"};

TEST_F(DitherTool, EachInputFormatGivesABilevelPictureOfItsSizeAsPbmAndPng) {
    const auto ramp = [](int x, int) { return x * 255 / 30; };
    Write(Path("ramp8.pgm"), Pgm(31, 9, ramp));
    Write(Path("ramp16.pgm"), Pgm(31, 9, ramp, 65535));
    Write(Path("plain.ppm"), "P3\n3 2\n255\n0 0 0  255 255 255  200 10 10\n10 10 10  90 200 90  255 255 255\n");
    const struct {
        std::string input;
        int width, height;
    } cases[] = {{Path("ramp8.pgm"), 31, 9},
                 {Path("ramp16.pgm"), 31, 9},
                 {Path("plain.ppm"), 3, 2},
                 {Data("dither_plain.png"), 29, 13},
                 {Data("dither_interlaced.png"), 29, 13}};
    std::vector<std::string> pbms;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        ASSERT_EQ(Run("'" + c.input + "' " + Path("out.pbm")).code, 0);
        const std::string pbm = Read(Path("out.pbm"));
        const Pbm parsed = ParsePbm(pbm);
        EXPECT_EQ(parsed.width, c.width);
        EXPECT_EQ(parsed.height, c.height);
        EXPECT_GT(parsed.black, 0);
        EXPECT_LT(parsed.black, long{c.width} * c.height);
        // The PNG output holds the same pixels: read back by the tool, it gives the same PBM.
        ASSERT_EQ(Run("--method stucki '" + c.input + "' " + Path("out.png")).code, 0);
        ASSERT_EQ(Run("--method stucki " + Path("out.png") + " " + Path("back.pbm")).code, 0);
        ASSERT_EQ(Run("--method stucki '" + c.input + "' " + Path("direct.pbm")).code, 0);
        EXPECT_EQ(Read(Path("back.pbm")), Read(Path("direct.pbm")));
        pbms.push_back(pbm);
    }
    EXPECT_EQ(pbms[0], pbms[1]) << "16-bit samples read as their 8-bit values";
    EXPECT_EQ(pbms[3], pbms[4]) << "an interlaced PNG reads as its plain twin";
}

TEST_F(DitherTool, WhiteAndTransparentPicturesStayWhiteWithEveryMethod) {
    Write(Path("white.pgm"), Pgm(37, 21, [](int, int) { return 255; }));
    for (const char* method : kMethods) {
        for (const std::string& input : {Path("white.pgm"), Data("dither_transparent.png")}) {
            SCOPED_TRACE(std::string(method) + " " + input);
            ASSERT_EQ(Run(std::string("--method ") + method + " '" + input + "' " + Path("out.pbm")).code, 0);
            const Pbm parsed = ParsePbm(Read(Path("out.pbm")));
            EXPECT_GT(parsed.width, 0);
            EXPECT_EQ(parsed.black, 0);
        }
    }
}

TEST_F(DitherTool, ContrastAndBrightnessActBeforeBinarising) {
    Write(Path("grey.pgm"), Pgm(16, 16, [](int, int) { return 140; }));
    const auto black = [&](const std::string& options) {
        EXPECT_EQ(Run(options + " " + Path("grey.pgm") + " " + Path("out.pbm")).code, 0);
        return ParsePbm(Read(Path("out.pbm"))).black;
    };
    EXPECT_EQ(black("--method threshold --brightness=-100"), 256);
    EXPECT_EQ(black("--method threshold --brightness 100"), 0);
    EXPECT_GT(black("--method bayer"), 0);
    EXPECT_EQ(black("--method bayer --contrast 100"), 0);
}

TEST_F(DitherTool, BadInputGivesItsExitCodeAndOneLineWithoutOutput) {
    const std::string png = Read(Data("dither_plain.png"));
    Write(Path("truncated.png"), png.substr(0, png.size() / 2));
    Write(Path("truncated.pgm"), Pgm(31, 9, [](int x, int) { return x; }).substr(0, 100));
    Write(Path("text.txt"), "just some words\n");
    Write(Path("empty.pgm"), "");
    Write(Path("huge.pgm"), "P5\n100000 100000\n255\n");
    Write(Path("wide.pgm"), "P5\n2000000 1\n255\n");
    Write(Path("ok.pgm"), Pgm(4, 4, [](int, int) { return 0; }));
    const struct {
        std::string args;
        int code;
    } cases[] = {
        {Path("missing.png") + " OUT.pbm", 3},
        {Path("text.txt") + " OUT.pbm", 4},
        {Path("empty.pgm") + " OUT.pbm", 4},
        {Path("truncated.png") + " OUT.png", 5},
        {Path("truncated.pgm") + " OUT.pbm", 5},
        {Path("huge.pgm") + " OUT.pbm", 6},
        {Path("wide.pgm") + " OUT.pbm", 6},
        {Data("dither_huge.png") + " OUT.pbm", 6},
        {Data("dither_beyond_limits.png") + " OUT.pbm", 6},
        {"--method floyd " + Path("ok.pgm") + " OUT.pbm", 2},
        {"--contrast 101 " + Path("ok.pgm") + " OUT.pbm", 2},
        {"--brightness 5x " + Path("ok.pgm") + " OUT.pbm", 2},
        {"--method " + Path("ok.pgm") + " OUT.pbm", 2},
        {Path("ok.pgm") + " " + Path("out.jpg"), 2},
        {Path("ok.pgm") + " " + Path("no/such/folder/out.pbm"), 7},
    };
    for (const auto& c : cases) {
        std::string args = c.args;
        const std::size_t at = args.find("OUT");
        if (at != std::string::npos) args.replace(at, 3, Path("out"));
        SCOPED_TRACE(args);
        const Result r = Run(args);
        EXPECT_EQ(r.code, c.code);
        EXPECT_EQ(r.err.rfind("kelno-dither: ", 0), 0u) << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        EXPECT_FALSE(fs::exists(Path("out.pbm")) || fs::exists(Path("out.png")));
    }
}

}  // namespace
