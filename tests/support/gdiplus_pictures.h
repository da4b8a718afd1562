#pragma once
// Picture files written at run time with the GDI+ encoders (PNG, JPEG, BMP, GIF), for the
// tests of the watermark preview. GDI+ must be started.
#include <windows.h>
#include <objidl.h>  // gdiplus.h needs it with WIN32_LEAN_AND_MEAN
#include <gdiplus.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kelno::test {

// The encoder of a MIME type ("image/png", "image/jpeg", "image/bmp", "image/gif").
inline bool EncoderOf(const std::wstring& mimeType, CLSID* encoder) {
    UINT count = 0, bytes = 0;
    if (Gdiplus::DllExports::GdipGetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || bytes == 0) return false;
    std::vector<BYTE> buffer(bytes);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (Gdiplus::DllExports::GdipGetImageEncoders(count, bytes, codecs) != Gdiplus::Ok) return false;
    for (UINT i = 0; i < count; ++i)
        if (mimeType == codecs[i].MimeType) {
            *encoder = codecs[i].Clsid;
            return true;
        }
    return false;
}

// Writes a width x height picture; colour(x, y) gives 0xAARRGGBB of each pixel.
inline bool WritePicture(const std::wstring& path, const std::wstring& mimeType, int width, int height,
                         const std::function<std::uint32_t(int, int)>& colour) {
    using namespace Gdiplus::DllExports;
    CLSID encoder{};
    if (!EncoderOf(mimeType, &encoder)) return false;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) pixels[static_cast<std::size_t>(y) * width + x] = colour(x, y);
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (GdipCreateBitmapFromScan0(width, height, width * 4, PixelFormat32bppARGB,
                                  reinterpret_cast<BYTE*>(pixels.data()), &bitmap) != Gdiplus::Ok)
        return false;
    const bool saved = GdipSaveImageToFile(bitmap, path.c_str(), &encoder, nullptr) == Gdiplus::Ok;
    GdipDisposeImage(bitmap);
    return saved;
}

// Writes a width x height picture of 8-bit palette indices (GIF needs them); grey(x, y) gives
// each pixel's grey level. The palette runs from white to black, so that an index is not the
// grey level it stands for: index i shows grey 255 - i.
inline bool WriteIndexedPicture(const std::wstring& path, const std::wstring& mimeType, int width, int height,
                                const std::function<std::uint8_t(int, int)>& grey) {
    using namespace Gdiplus::DllExports;
    CLSID encoder{};
    if (!EncoderOf(mimeType, &encoder)) return false;
    const int stride = (width + 3) & ~3;
    std::vector<BYTE> indices(static_cast<std::size_t>(stride) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) indices[static_cast<std::size_t>(y) * stride + x] = 255 - grey(x, y);
    std::vector<BYTE> paletteBytes(sizeof(Gdiplus::ColorPalette) + 255 * sizeof(Gdiplus::ARGB));
    auto* palette = reinterpret_cast<Gdiplus::ColorPalette*>(paletteBytes.data());
    palette->Flags = Gdiplus::PaletteFlagsGrayScale;
    palette->Count = 256;
    for (UINT i = 0; i < 256; ++i) {
        const UINT level = 255 - i;
        palette->Entries[i] = 0xFF000000u | (level << 16) | (level << 8) | level;
    }
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (GdipCreateBitmapFromScan0(width, height, stride, PixelFormat8bppIndexed, indices.data(), &bitmap) !=
        Gdiplus::Ok)
        return false;
    const bool saved = GdipSetImagePalette(bitmap, palette) == Gdiplus::Ok &&
                       GdipSaveImageToFile(bitmap, path.c_str(), &encoder, nullptr) == Gdiplus::Ok;
    GdipDisposeImage(bitmap);
    return saved;
}

}  // namespace kelno::test
