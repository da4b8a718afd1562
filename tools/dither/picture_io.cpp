// PNG through libpng and PBM/PGM/PPM through libnetpbm. Both libraries report errors by
// longjmp: every setjmp sits in a function that keeps its state in a caller's struct, and the
// frames a longjmp skips (the libraries' own and the error callbacks) hold no C++ object.
#include "tools/dither/picture_io.h"

#include <png.h>
#include <netpbm/pbm.h>
#include <netpbm/pnm.h>

#include <csetjmp>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include "driverui/docsheet/binarise.h"
#include "driverui/docsheet/preview_colour.h"

namespace kelno::dither {
namespace {

Status Fail(Exit code, std::string message) { return Status{code, std::move(message)}; }

Status CheckSize(std::uint64_t width, std::uint64_t height) {
    if (width == 0 || height == 0) return Fail(Exit::kBroken, "picture has no pixels");
    if (width > kMaxWidth || width * height > kMaxPixels) {
        return Fail(Exit::kTooLarge, "picture of " + std::to_string(width) + " x " + std::to_string(height) +
                                         " pixels is too large (at most " + std::to_string(kMaxWidth) + " wide and " +
                                         std::to_string(kMaxPixels) + " pixels)");
    }
    return {};
}

// Allocates the grey picture, white; false when memory runs out.
bool AllocateGrey(GreyPicture& out, std::uint32_t width, std::uint32_t height) {
    out.width = width;
    out.height = height;
    try {
        out.pixels.assign(PaddedRowBytes(width) * std::size_t{height}, 255);
    } catch (const std::bad_alloc&) {
        out.pixels = {};
        return false;
    }
    return true;
}

// One value laid on white by its alpha.
inline std::uint8_t OnWhite(unsigned value, unsigned alpha) {
    return static_cast<std::uint8_t>((value * alpha + 255 * (255 - alpha) + 127) / 255);
}

// Turns decoded rows into grey rows the way the page does: each row's pixels go into a 24-bit
// colour row, the library's AdjustColours and BgrToGrey make it grey, and the grey values are
// placed at columns first, first + step, ... (step > 1 for the passes of an interlaced PNG).
class RowConverter {
public:
    explicit RowConverter(ColourSteps steps) : steps_(steps) {}
    bool Reserve(std::uint32_t width) {
        try {
            bgr_.resize(Bgr24RowBytes(width));
            grey_.resize(PaddedRowBytes(width));
        } catch (const std::bad_alloc&) {
            return false;
        }
        return true;
    }
    void SetPixel(std::uint32_t i, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        bgr_[3 * i] = b, bgr_[3 * i + 1] = g, bgr_[3 * i + 2] = r;
    }
    void Emit(std::uint32_t count, std::uint8_t* out, std::uint32_t first, std::uint32_t step) {
        AdjustColours(bgr_.data(), 0, count, 1, steps_.contrast, steps_.brightness);
        BgrToGrey(bgr_.data(), 0, count, 1, grey_.data());
        for (std::uint32_t i = 0; i < count; ++i) out[first + std::size_t{i} * step] = grey_[i];
    }

private:
    ColourSteps steps_;
    std::vector<std::uint8_t> bgr_, grey_;
};

// Puts one decoded PNG row of 8-bit samples (1 to 4 channels: grey, grey+alpha, RGB, RGBA) into
// the converter, laid on white.
void TakePngRow(const std::uint8_t* in, unsigned channels, std::uint32_t count, RowConverter& row) {
    for (std::uint32_t i = 0; i < count; ++i, in += channels) {
        switch (channels) {
            case 1: row.SetPixel(i, in[0], in[0], in[0]); break;
            case 2: {
                const std::uint8_t v = OnWhite(in[0], in[1]);
                row.SetPixel(i, v, v, v);
                break;
            }
            case 3: row.SetPixel(i, in[0], in[1], in[2]); break;
            default: row.SetPixel(i, OnWhite(in[0], in[3]), OnWhite(in[1], in[3]), OnWhite(in[2], in[3])); break;
        }
    }
}

// ---- PNG ----

struct PngState {
    explicit PngState(ColourSteps steps) : convert(steps) {}
    png_structp png = nullptr;
    png_infop info = nullptr;
    char message[256] = "";
    bool limit_hit = false;  // a dimension passed png_set_user_limits
    Status status;
    std::vector<std::uint8_t> row;
    RowConverter convert;
};

void PngError(png_structp png, png_const_charp message) {
    auto* state = static_cast<PngState*>(png_get_error_ptr(png));
    std::snprintf(state->message, sizeof state->message, "%s", message);
    png_longjmp(png, 1);
}

void PngWarning(png_structp png, png_const_charp message) {
    auto* state = static_cast<PngState*>(png_get_error_ptr(png));
    if (std::strstr(message, "exceeds user limit") != nullptr) state->limit_hit = true;
}

// False after a libpng error (message in state) or with state.status set.
bool ReadPngBody(PngState& state, std::FILE* file, GreyPicture& out) {
    if (setjmp(png_jmpbuf(state.png))) return false;
    png_init_io(state.png, file);
    png_set_user_limits(state.png, kMaxWidth, static_cast<png_uint_32>(kMaxPixels));
    png_read_info(state.png, state.info);
    const png_uint_32 width = png_get_image_width(state.png, state.info);
    const png_uint_32 height = png_get_image_height(state.png, state.info);
    state.status = CheckSize(width, height);
    if (!state.status.ok()) return false;
    const bool interlaced = png_get_interlace_type(state.png, state.info) == PNG_INTERLACE_ADAM7;
    png_set_expand(state.png);    // palette to RGB, grey below 8 bits to 8, tRNS to alpha
    png_set_strip_16(state.png);  // 16-bit samples to 8
    png_read_update_info(state.png, state.info);
    const unsigned channels = png_get_channels(state.png, state.info);
    try {
        state.row.resize(png_get_rowbytes(state.png, state.info));
    } catch (const std::bad_alloc&) {
        state.status = Fail(Exit::kTooLarge, "out of memory");
        return false;
    }
    if (!state.convert.Reserve(width) || !AllocateGrey(out, width, height)) {
        state.status = Fail(Exit::kTooLarge, "out of memory");
        return false;
    }
    // Without libpng's interlace handling, each pass of an interlaced picture comes as its own
    // rows of only that pass's pixels; libpng skips the passes that have none.
    const std::size_t stride = PaddedRowBytes(width);
    for (int pass = 0; pass < (interlaced ? 7 : 1); ++pass) {
        std::uint32_t cols = width, rows = height, x0 = 0, y0 = 0, dx = 1, dy = 1;
        if (interlaced) {
            cols = PNG_PASS_COLS(width, pass);
            rows = PNG_PASS_ROWS(height, pass);
            x0 = PNG_PASS_START_COL(pass);
            y0 = PNG_PASS_START_ROW(pass);
            dx = 1u << PNG_PASS_COL_SHIFT(pass);
            dy = 1u << PNG_PASS_ROW_SHIFT(pass);
            if (cols == 0 || rows == 0) continue;
        }
        for (std::uint32_t r = 0; r < rows; ++r) {
            png_read_row(state.png, state.row.data(), nullptr);
            TakePngRow(state.row.data(), channels, cols, state.convert);
            state.convert.Emit(cols, out.pixels.data() + (y0 + std::size_t{r} * dy) * stride, x0, dx);
        }
    }
    png_read_end(state.png, nullptr);
    return true;
}

Status ReadPng(std::FILE* file, ColourSteps steps, GreyPicture& out) {
    PngState state(steps);
    state.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, PngError, PngWarning);
    if (state.png != nullptr) state.info = png_create_info_struct(state.png);
    if (state.info == nullptr) {
        png_destroy_read_struct(&state.png, nullptr, nullptr);
        return Fail(Exit::kTooLarge, "out of memory");
    }
    const bool ok = ReadPngBody(state, file, out);
    // A header that declares too many pixels is refused as such, even when a later chunk is broken.
    if (!ok && state.status.ok()) {
        const png_uint_32 width = png_get_image_width(state.png, state.info);
        const png_uint_32 height = png_get_image_height(state.png, state.info);
        if (width != 0 && height != 0) state.status = CheckSize(width, height);
    }
    png_destroy_read_struct(&state.png, &state.info, nullptr);
    if (ok) return {};
    out.pixels = {};
    if (!state.status.ok()) return state.status;
    if (state.limit_hit) return Fail(Exit::kTooLarge, "PNG dimensions beyond the limit");
    return Fail(Exit::kBroken, std::string("broken or truncated PNG: ") + state.message);
}

// ---- netpbm ----

char g_netpbm_message[256];

void NetpbmErrorMessage(const char* message) {
    std::snprintf(g_netpbm_message, sizeof g_netpbm_message, "%s", message);
    const std::size_t n = std::strlen(g_netpbm_message);
    if (n > 0 && g_netpbm_message[n - 1] == '\n') g_netpbm_message[n - 1] = '\0';
}

void NetpbmMessage(const char*) {}  // informational messages are not shown

void InitNetpbm() {
    static bool done = false;
    if (done) return;
    done = true;
    pm_init("kelno-dither", 0);
    pm_setusererrormsgfn(NetpbmErrorMessage);
    pm_setusermessagefn(NetpbmMessage);
}

struct PnmState {
    explicit PnmState(ColourSteps steps) : convert(steps) {}
    xel* row = nullptr;
    Status status;
    RowConverter convert;
};

bool ReadPnmBody(PnmState& state, std::FILE* file, GreyPicture& out) {
    std::jmp_buf jump;
    if (setjmp(jump)) return false;
    pm_setjmpbuf(&jump);
    int cols = 0, rows = 0, format = 0;
    xelval maxval = 0;
    pnm_readpnminit(file, &cols, &rows, &maxval, &format);
    state.status = CheckSize(static_cast<std::uint32_t>(cols), static_cast<std::uint32_t>(rows));
    if (!state.status.ok() || maxval == 0) {
        if (state.status.ok()) state.status = Fail(Exit::kBroken, "broken PNM header: maxval 0");
        return false;
    }
    state.row = pnm_allocrow(static_cast<unsigned>(cols));
    if (!state.convert.Reserve(cols) || !AllocateGrey(out, cols, rows)) {
        state.status = Fail(Exit::kTooLarge, "out of memory");
        return false;
    }
    const bool colour = PNM_FORMAT_TYPE(format) == PPM_TYPE;
    const std::size_t stride = PaddedRowBytes(cols);
    const auto scale = [maxval](xelval v) -> std::uint8_t {
        return v >= maxval ? 255 : static_cast<std::uint8_t>((std::uint64_t{v} * 255 + maxval / 2) / maxval);
    };
    for (int y = 0; y < rows; ++y) {
        pnm_readpnmrow(file, state.row, cols, maxval, format);
        for (int x = 0; x < cols; ++x) {
            const xel& p = state.row[x];
            if (colour) state.convert.SetPixel(x, scale(PPM_GETR(p)), scale(PPM_GETG(p)), scale(PPM_GETB(p)));
            else state.convert.SetPixel(x, scale(PNM_GET1(p)), scale(PNM_GET1(p)), scale(PNM_GET1(p)));
        }
        state.convert.Emit(cols, out.pixels.data() + std::size_t(y) * stride, 0, 1);
    }
    return true;
}

Status ReadPnm(std::FILE* file, ColourSteps steps, GreyPicture& out) {
    InitNetpbm();
    PnmState state(steps);
    g_netpbm_message[0] = '\0';
    const bool ok = ReadPnmBody(state, file, out);
    pm_setjmpbuf(nullptr);
    if (state.row != nullptr) pnm_freerow(state.row);
    if (ok) return {};
    out.pixels = {};
    if (!state.status.ok()) return state.status;
    return Fail(Exit::kBroken, std::string("broken or truncated PBM/PGM/PPM: ") + g_netpbm_message);
}

// ---- writing ----

bool EndsWith(const std::string& s, const char* tail) {
    const std::size_t n = std::strlen(tail);
    if (s.size() < n) return false;
    for (std::size_t i = 0; i < n; ++i) {
        char c = s[s.size() - n + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != tail[i]) return false;
    }
    return true;
}

// Packs one row, most significant bit first, a bit set where the pixel is black_bit's colour.
void PackRow(const std::uint8_t* grey, std::uint32_t width, bool set_for_black, std::uint8_t* packed) {
    std::memset(packed, 0, (width + 7) / 8);
    for (std::uint32_t x = 0; x < width; ++x) {
        if ((grey[x] == 0) == set_for_black) packed[x / 8] |= static_cast<std::uint8_t>(0x80u >> (x % 8));
    }
}

bool WritePbmBody(std::FILE* file, const GreyPicture& picture, std::vector<std::uint8_t>& packed) {
    std::jmp_buf jump;
    if (setjmp(jump)) return false;
    pm_setjmpbuf(&jump);
    pbm_writepbminit(file, static_cast<int>(picture.width), static_cast<int>(picture.height), 0);
    const std::size_t stride = PaddedRowBytes(picture.width);
    for (std::uint32_t y = 0; y < picture.height; ++y) {
        PackRow(picture.pixels.data() + y * stride, picture.width, PBM_BLACK == 1, packed.data());
        pbm_writepbmrow_packed(file, packed.data(), static_cast<int>(picture.width), 0);
    }
    return true;
}

void PngWriteError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngWriteWarning(png_structp, png_const_charp) {}

bool WritePngBody(png_structp png, png_infop info, std::FILE* file, const GreyPicture& picture,
                  std::vector<std::uint8_t>& packed) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, file);
    png_set_IHDR(png, info, picture.width, picture.height, 1, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const std::size_t stride = PaddedRowBytes(picture.width);
    for (std::uint32_t y = 0; y < picture.height; ++y) {
        PackRow(picture.pixels.data() + y * stride, picture.width, false, packed.data());  // 1 is white
        png_write_row(png, packed.data());
    }
    png_write_end(png, nullptr);
    return true;
}

}  // namespace

Status ReadPicture(const std::string& path, ColourSteps steps, GreyPicture& out) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return Fail(Exit::kCannotOpen, "cannot open: " + std::string(std::strerror(errno)));
    unsigned char magic[8] = {};
    const std::size_t got = std::fread(magic, 1, sizeof magic, file);
    Status status;
    if (std::ferror(file)) {
        status = Fail(Exit::kCannotOpen, "cannot read: " + std::string(std::strerror(errno)));
    } else if (got == sizeof magic && png_sig_cmp(magic, 0, sizeof magic) == 0) {
        std::rewind(file);
        status = ReadPng(file, steps, out);
    } else if (got >= 2 && magic[0] == 'P' && magic[1] >= '1' && magic[1] <= '6') {
        std::rewind(file);
        status = ReadPnm(file, steps, out);
    } else {
        status = Fail(Exit::kNotPicture, "not a PNG or PBM/PGM/PPM picture");
    }
    std::fclose(file);
    return status;
}

bool IsKnownOutputExtension(const std::string& path) { return EndsWith(path, ".pbm") || EndsWith(path, ".png"); }

Status WritePicture(const std::string& path, const GreyPicture& picture) {
    if (!IsKnownOutputExtension(path)) return Fail(Exit::kUsage, "output must end in .pbm or .png");
    std::vector<std::uint8_t> packed;
    try {
        packed.resize((std::size_t{picture.width} + 7) / 8);
    } catch (const std::bad_alloc&) {
        return Fail(Exit::kTooLarge, "out of memory");
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return Fail(Exit::kCannotWrite, "cannot create: " + std::string(std::strerror(errno)));
    errno = 0;
    bool ok = false;
    if (EndsWith(path, ".pbm")) {
        InitNetpbm();
        ok = WritePbmBody(file, picture, packed);
        pm_setjmpbuf(nullptr);
    } else {
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngWriteError, PngWriteWarning);
        png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
        ok = info != nullptr && WritePngBody(png, info, file, picture, packed);
        png_destroy_write_struct(&png, &info);
    }
    ok = std::fflush(file) == 0 && !std::ferror(file) && ok;
    const int saved = errno;
    ok = std::fclose(file) == 0 && ok;
    if (ok) return {};
    std::remove(path.c_str());
    return Fail(Exit::kCannotWrite, "cannot write: " + std::string(std::strerror(saved != 0 ? saved : EIO)));
}

}  // namespace kelno::dither
