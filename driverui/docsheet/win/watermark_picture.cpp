#include "driverui/docsheet/win/watermark_picture.h"

#include <objidl.h>  // gdiplus.h needs it with WIN32_LEAN_AND_MEAN
#include <gdiplus.h>

#include <algorithm>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "base/win/scoped.h"
#include "driverui/docsheet/binarise.h"

namespace kelno {

namespace {

using namespace Gdiplus::DllExports;

// Rows locked at a time: the 32-bit copy GDI+ makes of a band stays small.
constexpr UINT kBandRows = 256;

// The first bytes of the file, at most kPictureHeaderBytes.
std::vector<std::uint8_t> ReadHead(const wchar_t* path) {
    ScopedFile file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return {};
    std::vector<std::uint8_t> head(kPictureHeaderBytes);
    DWORD read = 0;
    if (!ReadFile(file.get(), head.data(), static_cast<DWORD>(head.size()), &read, nullptr)) return {};
    head.resize(read);
    return head;
}

struct BitmapCloser {
    void operator()(Gdiplus::GpBitmap* bitmap) const { GdipDisposeImage(bitmap); }
};

}  // namespace

WatermarkPicture ReadWatermarkPicture(const wchar_t* path) {
    if (!path || !*path) return {};
    const std::optional<PictureHeader> header = PictureHeaderOf(ReadHead(path));
    if (!header || !WatermarkSizeAllowed(header->width, header->height)) return {};

    Gdiplus::GpBitmap* loaded = nullptr;
    if (GdipCreateBitmapFromFile(path, &loaded) != Gdiplus::Ok || !loaded) return {};
    const std::unique_ptr<Gdiplus::GpBitmap, BitmapCloser> bitmap(loaded);
    UINT width = 0, height = 0;
    if (GdipGetImageWidth(bitmap.get(), &width) != Gdiplus::Ok ||
        GdipGetImageHeight(bitmap.get(), &height) != Gdiplus::Ok || !WatermarkSizeAllowed(width, height))
        return {};

    WatermarkPicture picture;
    try {
        picture.grey.resize(PaddedRowBytes(width) * height);
    } catch (const std::bad_alloc&) {
        return {};
    }
    picture.width = width;
    picture.height = height;
    // Locked as 32-bit colour with alpha: an 8-bit lock gives palette indices (or nothing) and
    // no grey levels.
    for (UINT top = 0; top < height; top += kBandRows) {
        const Gdiplus::GpRect band(0, static_cast<INT>(top), static_cast<INT>(width),
                                   static_cast<INT>(std::min(kBandRows, height - top)));
        Gdiplus::BitmapData data{};
        if (GdipBitmapLockBits(bitmap.get(), &band, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) !=
            Gdiplus::Ok)
            return {};
        BgraRowsToGrey(static_cast<const std::uint8_t*>(data.Scan0), data.Stride,
                       static_cast<std::uint32_t>(band.Height), top, picture);
        GdipBitmapUnlockBits(bitmap.get(), &data);
    }
    return picture;
}

}  // namespace kelno
