#pragma once
// The first bytes of picture files (BMP, PNG, JPEG, GIF) as the watermark tests need them: with
// a chosen size, cut short or claiming sizes no picture has.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace kelno::test {

using Bytes = std::vector<std::uint8_t>;

inline void PutLe(Bytes& b, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) b.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}
inline void PutBe(Bytes& b, std::uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) b.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}
inline Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }
inline Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

// The first `count` bytes (a file cut short).
inline Bytes Cut(Bytes bytes, std::size_t count) {
    bytes.resize(count < bytes.size() ? count : bytes.size());
    return bytes;
}

// A BITMAPINFOHEADER file header of a 24-bit picture; a negative height stores the rows top first.
inline Bytes BmpHead(std::int32_t width, std::int32_t height) {
    Bytes b = Text("BM");
    const std::uint32_t rowBytes = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
    const std::uint32_t rows = static_cast<std::uint32_t>(height < 0 ? -height : height);
    PutLe(b, 54 + rowBytes * rows, 4);
    PutLe(b, 0, 4);
    PutLe(b, 54, 4);
    PutLe(b, 40, 4);
    PutLe(b, static_cast<std::uint32_t>(width), 4);
    PutLe(b, static_cast<std::uint32_t>(height), 4);
    PutLe(b, 1, 2);
    PutLe(b, 24, 2);
    for (int i = 0; i < 6; ++i) PutLe(b, 0, 4);
    return b;
}

// The old OS/2 header with 16-bit sizes.
inline Bytes BmpCoreHead(std::uint16_t width, std::uint16_t height) {
    Bytes b = Text("BM");
    PutLe(b, 0, 4);
    PutLe(b, 0, 4);
    PutLe(b, 26, 4);
    PutLe(b, 12, 4);
    PutLe(b, width, 2);
    PutLe(b, height, 2);
    PutLe(b, 1, 2);
    PutLe(b, 24, 2);
    return b;
}

inline Bytes PngHead(std::uint32_t width, std::uint32_t height) {
    Bytes b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PutBe(b, 13, 4);
    Bytes chunk = Text("IHDR");
    b.insert(b.end(), chunk.begin(), chunk.end());
    PutBe(b, width, 4);
    PutBe(b, height, 4);
    b.insert(b.end(), {8, 2, 0, 0, 0});  // depth, colour type, compression, filter, interlace
    PutBe(b, 0, 4);                      // CRC, not checked by the header reader
    return b;
}

// A JPEG segment: marker, length, payload.
inline Bytes JpegSegment(std::uint8_t marker, const Bytes& payload) {
    Bytes b = {0xFF, marker};
    PutBe(b, static_cast<std::uint32_t>(payload.size() + 2), 2);
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
}
// A frame header payload: precision 8, height, width, one component.
inline Bytes JpegFrame(std::uint16_t width, std::uint16_t height) {
    Bytes b = {8};
    PutBe(b, height, 2);
    PutBe(b, width, 2);
    b.insert(b.end(), {1, 1, 0x11, 0});
    return b;
}
inline Bytes JpegStart() { return {0xFF, 0xD8}; }

inline Bytes GifHead(const std::string& version, std::uint16_t width, std::uint16_t height) {
    Bytes b = Text(version);
    PutLe(b, width, 2);
    PutLe(b, height, 2);
    b.insert(b.end(), {0, 0, 0});
    return b;
}

}  // namespace kelno::test
