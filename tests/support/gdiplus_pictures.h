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
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppARGB, nullptr, &bitmap) != Gdiplus::Ok)
        return false;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) GdipBitmapSetPixel(bitmap, x, y, colour(x, y));
    const bool saved = GdipSaveImageToFile(bitmap, path.c_str(), &encoder, nullptr) == Gdiplus::Ok;
    GdipDisposeImage(bitmap);
    return saved;
}

}  // namespace kelno::test
