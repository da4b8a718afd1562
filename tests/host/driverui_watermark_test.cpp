// The WaterMark page's rules: the picture headers it trusts before decoding, the grey and
// binarised picture, the placement in the preview frame, and the DEVMODE fields it edits.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "driverui/core/devmode.h"
#include "driverui/core/narrow_text.h"
#include "driverui/docsheet/binarise.h"
#include "driverui/docsheet/watermark_preview.h"
#include "driverui/docsheet/watermark_settings.h"
#include "tests/support/grey_picture.h"
#include "tests/support/picture_files.h"

namespace kelno {
namespace {

using namespace test;

constexpr std::uint8_t B = 0, W = 255;

TEST(WatermarkPictureTest, HeadersGiveFormatAndSizeOrNothing) {
    const Bytes jfif = JpegSegment(0xE0, Text("JFIF"));
    const Bytes bigExif = JpegSegment(0xE1, Bytes(60000, 0xFF));  // fill-like bytes inside a segment
    const struct {
        const char* name;
        Bytes head;
        std::optional<PictureHeader> expected;
    } cases[] = {
        {"bmp", BmpHead(640, 480), PictureHeader{PictureFormat::bmp, 640, 480}},
        {"bmp stored top row first", BmpHead(640, -480), PictureHeader{PictureFormat::bmp, 640, 480}},
        {"bmp with 16-bit sizes", BmpCoreHead(33, 7), PictureHeader{PictureFormat::bmp, 33, 7}},
        {"bmp without width", BmpHead(0, 10), std::nullopt},
        {"bmp with negative width", BmpHead(-5, 10), std::nullopt},
        {"bmp cut in its header", Cut(BmpHead(8, 8), 20), std::nullopt},
        {"png", PngHead(1920, 1080), PictureHeader{PictureFormat::png, 1920, 1080}},
        {"png claiming 4 billion rows", PngHead(1, 0xFFFFFFFF), PictureHeader{PictureFormat::png, 1, 0xFFFFFFFF}},
        {"png cut before its sizes", Cut(PngHead(8, 8), 20), std::nullopt},
        {"png whose first chunk is not IHDR", Join({Cut(PngHead(8, 8), 12), Text("IDAT"), Bytes(12, 1)}), std::nullopt},
        {"jpeg", Join({JpegStart(), jfif, JpegSegment(0xC0, JpegFrame(800, 600))}),
         PictureHeader{PictureFormat::jpeg, 800, 600}},
        {"progressive jpeg after fill bytes and a large segment",
         Join({JpegStart(), bigExif, Bytes{0xFF, 0xFF}, JpegSegment(0xC2, JpegFrame(4000, 3000))}),
         PictureHeader{PictureFormat::jpeg, 4000, 3000}},
        {"jpeg tables before the frame are no frame",
         Join({JpegStart(), JpegSegment(0xC4, Bytes(30, 0)), JpegSegment(0xCC, Bytes(4, 9)),
               JpegSegment(0xC1, JpegFrame(12, 34))}),
         PictureHeader{PictureFormat::jpeg, 12, 34}},
        {"jpeg with a scan before any frame", Join({JpegStart(), JpegSegment(0xDA, Bytes(10, 0))}), std::nullopt},
        {"jpeg with height left to a later marker", Join({JpegStart(), JpegSegment(0xC0, JpegFrame(100, 0))}),
         std::nullopt},
        {"jpeg cut inside a segment", Join({JpegStart(), Cut(jfif, 3)}), std::nullopt},
        {"jpeg frame header cut short", Join({JpegStart(), Bytes{0xFF, 0xC0, 0x00, 0x11, 8, 0}}), std::nullopt},
        {"jpeg with garbage between segments",
         Join({JpegStart(), jfif, Bytes{0x00}, JpegSegment(0xC0, JpegFrame(9, 9))}), std::nullopt},
        {"jpeg segment length below 2", Join({JpegStart(), Bytes{0xFF, 0xE0, 0x00, 0x01}}), std::nullopt},
        {"gif87a", GifHead("GIF87a", 320, 200), PictureHeader{PictureFormat::gif, 320, 200}},
        {"gif89a", GifHead("GIF89a", 1, 65535), PictureHeader{PictureFormat::gif, 1, 65535}},
        {"gif without height", GifHead("GIF89a", 10, 0), std::nullopt},
        {"unknown gif version", GifHead("GIF88a", 10, 10), std::nullopt},
        {"text file", Text("This is not a picture at all."), std::nullopt},
        {"empty file", Bytes{}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<PictureHeader> header = PictureHeaderOf(c.head);
        ASSERT_EQ(header.has_value(), c.expected.has_value());
        if (!header) continue;
        EXPECT_EQ(header->format, c.expected->format);
        EXPECT_EQ(header->width, c.expected->width);
        EXPECT_EQ(header->height, c.expected->height);
    }
}

TEST(WatermarkPictureTest, OnlyPicturesOfBoundedSizeAreDecoded) {
    const struct {
        std::uint32_t width, height;
        bool allowed;
    } cases[] = {
        {4000, 3000, true},   // a 12-megapixel photo
        {6000, 4000, true},   // 24 megapixels
        {5000, 5001, false},  // just over the pixel count
        {20000, 1, true},
        {20001, 1, false},
        {1, 20001, false},
        {65535, 65535, false},
        {0xFFFFFFFF, 0xFFFFFFFF, false},
        {0, 10, false},
        {10, 0, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WatermarkSizeAllowed(c.width, c.height), c.allowed) << c.width << "x" << c.height;
}

TEST(WatermarkPictureTest, ColoursBecomeGreyOverWhite) {
    const struct {
        const char* name;
        std::uint8_t blue, green, red, alpha;
        std::uint8_t grey;
    } cases[] = {
        {"white", 255, 255, 255, 255, 255},
        {"black", 0, 0, 0, 255, 0},
        {"red", 0, 0, 255, 255, 75},  // 38 * 255 >> 7
        {"green", 0, 255, 0, 255, 149},
        {"blue", 255, 0, 0, 255, 29},
        {"mid grey", 100, 100, 100, 255, 100},
        {"transparent black shows the paper", 0, 0, 0, 0, 255},
        {"half transparent black", 0, 0, 0, 128, 127},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // Three rows of two pixels with a gap of 4 bytes behind each row; the picture's rows 1 and 2.
        const std::uint8_t pixel[4] = {c.blue, c.green, c.red, c.alpha};
        std::vector<std::uint8_t> rows;
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < 2; ++x) rows.insert(rows.end(), pixel, pixel + 4);
            rows.insert(rows.end(), 4, 0x5A);
        }
        WatermarkPicture picture{2, 3, std::vector<std::uint8_t>(PaddedRowBytes(2) * 3, kPaddingMarker)};
        BgraRowsToGrey(rows.data(), 12, 5 /* more than are left */, 1, picture);
        EXPECT_EQ(picture.grey,
                  (std::vector<std::uint8_t>{kPaddingMarker, kPaddingMarker, kPaddingMarker, kPaddingMarker, c.grey,
                                             c.grey, W, W, c.grey, c.grey, W, W}));
    }
}

TEST(WatermarkPictureTest, LighteningByBrightness) {
    const struct {
        std::uint16_t brightness;
        int offset;
    } cases[] = {{255, 0}, {254, 1}, {128, 162}, {0, 326}, {300, 0}};
    for (const auto& c : cases) EXPECT_EQ(WatermarkLightening(c.brightness), c.offset) << c.brightness;
}

WatermarkPicture FromGrey(const GreyPicture& grey) { return {grey.width, grey.height, grey.bytes}; }

TEST(WatermarkPictureTest, BinarisedWithStuckiAfterLightening) {
    const GreyPicture random = RandomGreyPicture(37, 23, 7);
    // Full brightness leaves the values: plain Stucki.
    const WatermarkPicture plain = BinariseWatermark(FromGrey(random), 255);
    EXPECT_EQ(GreyPicture({plain.width, plain.height, plain.grey}).Pixels(), Binarised(random, kDitherStucki));
    EXPECT_TRUE(GreyPicture({plain.width, plain.height, plain.grey}).PaddingIntact());

    // Brightness 200 adds 70 to every value (held at 255) before the diffusion.
    std::vector<std::uint8_t> lighter = random.Pixels();
    for (std::uint8_t& v : lighter) v = static_cast<std::uint8_t>(std::min(v + 70, 255));
    const WatermarkPicture lightened = BinariseWatermark(FromGrey(random), 200);
    EXPECT_EQ(GreyPicture({lightened.width, lightened.height, lightened.grey}).Pixels(),
              Binarised(MakeGreyPicture(37, 23, lighter), kDitherStucki));

    // Brightness 0 lightens a black picture to white; 255 leaves it black.
    const GreyPicture black = FilledGreyPicture(9, 5, 0);
    const WatermarkPicture white = BinariseWatermark(FromGrey(black), 0);
    EXPECT_EQ(GreyPicture({9, 5, white.grey}).Pixels(), std::vector<std::uint8_t>(45, W));
    EXPECT_EQ(GreyPicture({9, 5, BinariseWatermark(FromGrey(black), 255).grey}).Pixels(),
              std::vector<std::uint8_t>(45, B));
    EXPECT_TRUE(BinariseWatermark(WatermarkPicture{}, 128).Empty());
}

TEST(WatermarkPlacementTest, SizeAndPosition) {
    const struct {
        const char* name;
        std::uint32_t pictureWidth, pictureHeight, frameWidth, frameHeight;
        std::uint16_t scale, horizontal, vertical;
        WatermarkPlacement expected;
    } cases[] = {
        {"twice as wide as high, full scale", 400, 200, 200, 150, 100, 30, 50, {0, 25, 200, 100}},
        {"same at the bottom", 400, 200, 200, 150, 100, 30, 100, {0, 50, 200, 100}},
        {"half scale in the middle", 400, 200, 200, 150, 50, 50, 50, {50, 50, 100, 50}},
        {"half scale right and top", 400, 200, 200, 150, 50, 100, 0, {100, 0, 100, 50}},
        {"scale 0 draws nothing", 400, 200, 200, 150, 0, 50, 50, {100, 75, 0, 0}},
        {"taller than the frame starts at the top", 100, 300, 200, 150, 100, 50, 50, {0, 0, 200, 600}},
        {"the height is truncated before the scale", 3, 1, 200, 150, 50, 0, 0, {0, 0, 100, 33}},
        {"a quotient that floats would round below", 3, 3, 200, 150, 100, 0, 100, {0, 0, 200, 200}},
        {"percentages above 100 are held", 400, 200, 200, 150, 250, 300, 300, {0, 50, 200, 100}},
        {"a picture without pixels", 0, 0, 200, 150, 100, 50, 50, {0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const WatermarkPlacement p = PlaceWatermark(c.pictureWidth, c.pictureHeight, c.frameWidth, c.frameHeight,
                                                    c.scale, c.horizontal, c.vertical);
        EXPECT_EQ(p.x, c.expected.x);
        EXPECT_EQ(p.y, c.expected.y);
        EXPECT_EQ(p.width, c.expected.width);
        EXPECT_EQ(p.height, c.expected.height);
    }
}

// The frame's pixels without row padding.
std::vector<std::uint8_t> FramePixels(const WatermarkPicture& frame) {
    return GreyPicture{frame.width, frame.height, frame.grey}.Pixels();
}

TEST(WatermarkPlacementTest, TheFrameShowsThePictureInItsPlaceOnly) {
    const WatermarkPicture black = FromGrey(FilledGreyPicture(4, 2, B));
    const WatermarkPicture stripes = FromGrey(MakeGreyPicture(4, 1, {B, W, B, W}));
    const WatermarkPicture halves = FromGrey(MakeGreyPicture(2, 1, {B, W}));
    const struct {
        const char* name;
        WatermarkPicture picture;
        std::uint32_t frameWidth, frameHeight;
        WatermarkPlacement placement;
        std::vector<std::uint8_t> expected;
    } cases[] = {
        {"drawn as placed", black, 5, 3, {1, 1, 3, 2}, {W, W, W, W, W, W, B, B, B, W, W, B, B, B, W}},
        {"reduced pixels are means", stripes, 3, 1, {0, 0, 2, 1}, {128, 128, W}},
        {"enlarged pixels repeat", halves, 5, 1, {1, 0, 4, 1}, {W, B, B, W, W}},
        {"cut at the frame's edges", black, 3, 2, {-1, 1, 8, 4}, {W, W, W, B, B, B}},
        {"nothing drawn at size 0", black, 2, 2, {0, 0, 0, 0}, std::vector<std::uint8_t>(4, W)},
        {"an empty picture leaves the frame white",
         WatermarkPicture{},
         2,
         2,
         {0, 0, 2, 2},
         std::vector<std::uint8_t>(4, W)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const WatermarkPicture frame = ComposeWatermarkPreview(c.picture, c.frameWidth, c.frameHeight, c.placement);
        ASSERT_EQ(frame.grey.size(), PaddedRowBytes(c.frameWidth) * c.frameHeight);
        EXPECT_EQ(FramePixels(frame), c.expected);
    }
}

// ---- Settings ----

DriverDevmode PatternedDevmode(std::uint8_t seed) {
    DriverDevmode devmode{};
    auto* bytes = reinterpret_cast<std::uint8_t*>(&devmode);
    for (std::size_t i = 0; i < sizeof devmode; ++i) bytes[i] = static_cast<std::uint8_t>(i * 31 + seed);
    return devmode;
}

// The byte offsets in which two DEVMODEs differ.
std::set<std::size_t> Differing(const DriverDevmode& a, const DriverDevmode& b) {
    std::set<std::size_t> out;
    const auto* x = reinterpret_cast<const std::uint8_t*>(&a);
    const auto* y = reinterpret_cast<const std::uint8_t*>(&b);
    for (std::size_t i = 0; i < sizeof a; ++i)
        if (x[i] != y[i]) out.insert(i);
    return out;
}

bool InWatermarkFields(std::size_t offset) {
    return (offset >= 228 && offset < 232) || (offset >= 2428 && offset < 2956);
}

TEST(WatermarkSettingsTest, StoringTouchesOnlyThePageFieldsAndHoldsTheRanges) {
    const DriverDevmode before = PatternedDevmode(3);
    WatermarkSettings settings;
    settings.on = true;
    settings.horizontal = 101;
    settings.vertical = 0;
    settings.scale = 500;
    settings.brightness = 256;
    settings.path = std::u16string(300, u'x');
    DriverDevmode devmode = before;
    devmode.priv.effectFlags = 0x0A3;
    StoreWatermarkSettings(settings, devmode);
    EXPECT_EQ(devmode.priv.effectFlags, 0x1A3u) << "the other effect bits are kept";
    for (std::size_t offset : Differing(before, devmode)) EXPECT_TRUE(InWatermarkFields(offset)) << offset;

    const WatermarkSettings back = WatermarkSettingsOf(devmode);
    EXPECT_TRUE(back.on);
    EXPECT_EQ(back.horizontal, 100);
    EXPECT_EQ(back.vertical, 0);
    EXPECT_EQ(back.scale, 100);
    EXPECT_EQ(back.brightness, 255);
    EXPECT_EQ(back.path, std::u16string(259, u'x')) << "cut to the field with its terminator";

    settings.on = false;
    StoreWatermarkSettings(settings, devmode);
    EXPECT_EQ(devmode.priv.effectFlags, 0x0A3u);
}

TEST(WatermarkSettingsTest, ChangesAreTheFieldsOfThePage) {
    DriverDevmode stored{};
    StoreWatermarkSettings(WatermarkSettings{true, 50, 50, 100, 128, u"C:\\pictures\\logo.png"}, stored);
    const struct {
        const char* name;
        void (*change)(DriverDevmode&);
        bool differs;
    } cases[] = {
        {"switch", [](DriverDevmode& d) { d.priv.effectFlags ^= kWatermarkOnFlag; }, true},
        {"another effect bit", [](DriverDevmode& d) { d.priv.effectFlags ^= 1; }, true},
        {"horizontal", [](DriverDevmode& d) { d.priv.watermarkPosX = 51; }, true},
        {"vertical", [](DriverDevmode& d) { d.priv.watermarkPosY = 49; }, true},
        {"scale", [](DriverDevmode& d) { d.priv.watermarkScale = 99; }, true},
        {"brightness", [](DriverDevmode& d) { d.priv.watermarkBrightness = 0; }, true},
        {"path", [](DriverDevmode& d) { d.priv.watermarkPath[12] = u'L'; }, true},
        {"bytes behind the path's end", [](DriverDevmode& d) { d.priv.watermarkPath[200] = u'?'; }, false},
        {"dither level", [](DriverDevmode& d) { d.priv.ditherLevel = 7; }, false},
        {"copies", [](DriverDevmode& d) { d.pub.dmCopies = 9; }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DriverDevmode working = stored;
        c.change(working);
        EXPECT_EQ(WatermarkFieldsDiffer(working, stored), c.differs);
    }
    // Off and on again with the same file is no change.
    DriverDevmode working = stored;
    WatermarkSettings settings = WatermarkSettingsOf(working);
    settings.on = false;
    StoreWatermarkSettings(settings, working);
    settings.on = true;
    StoreWatermarkSettings(settings, working);
    EXPECT_FALSE(WatermarkFieldsDiffer(working, stored));
}

TEST(WatermarkSettingsTest, ApplyCopiesThePageFieldsAndNothingElse) {
    DriverDevmode working = PatternedDevmode(1);
    StoreWatermarkSettings(WatermarkSettings{true, 10, 20, 30, 40, u"D:\\mark.gif"}, working);
    const DriverDevmode before = PatternedDevmode(2);
    DriverDevmode devmode = before;
    CopyWatermarkFields(working, devmode);
    for (std::size_t offset : Differing(before, devmode)) EXPECT_TRUE(InWatermarkFields(offset)) << offset;
    EXPECT_FALSE(WatermarkFieldsDiffer(working, devmode));
    EXPECT_EQ(devmode.priv.effectFlags, working.priv.effectFlags);
    EXPECT_EQ(FixedText(devmode.priv.watermarkPath), u"D:\\mark.gif");
    EXPECT_EQ(devmode.priv.watermarkPath[kWatermarkPathUnits - 1], 0);
}

TEST(WatermarkSettingsTest, TrackbarsEachMoveOneSettingWithinTheirRange) {
    WatermarkSettings probe;
    std::set<const std::uint16_t*> moved;
    for (const WatermarkTrackbar& trackbar : kWatermarkTrackbars) {
        SCOPED_TRACE(trackbar.control);
        const WatermarkSettings before{true, 11, 12, 13, 14, u"p"};
        for (const auto& [position, stored] :
             std::vector<std::pair<long, int>>{{7, 7}, {-20, 0}, {100000, trackbar.maximum}}) {
            WatermarkSettings settings = before;
            StoreWatermarkTrackbarPosition(trackbar, position, settings);
            EXPECT_EQ(settings.*trackbar.value, stored);
            EXPECT_EQ(WatermarkTrackbarPosition(trackbar, settings), stored);
            settings.*trackbar.value = before.*trackbar.value;
            EXPECT_EQ(settings.horizontal + settings.vertical + settings.scale + settings.brightness, 11 + 12 + 13 + 14)
                << "another setting moved";
        }
        WatermarkSettings high = before;
        high.*trackbar.value = 60000;
        EXPECT_EQ(WatermarkTrackbarPosition(trackbar, high), trackbar.maximum);
        moved.insert(&(probe.*trackbar.value));
    }
    EXPECT_EQ(moved.size(), 4u);
}

TEST(WatermarkSettingsTest, FileFilterAndPageRule) {
    const std::u16string filter = WatermarkFileFilter(u"Images(*.bmp,*.jpg,*.png,*.gif)");
    ASSERT_GE(filter.size(), 2u);
    EXPECT_EQ(filter.substr(filter.size() - 2), std::u16string(2, u'\0'));
    const std::size_t split = filter.find(u'\0');
    EXPECT_EQ(filter.substr(0, split), u"Images(*.bmp,*.jpg,*.png,*.gif)");
    const std::u16string patterns = filter.substr(split + 1, filter.size() - split - 3);
    for (const char16_t* pattern : {u"*.bmp", u"*.jpg", u"*.jpeg", u"*.png", u"*.gif"})
        EXPECT_NE(patterns.find(pattern), std::u16string::npos);
    EXPECT_EQ(patterns.find(u'\0'), std::u16string::npos);

    for (std::uint16_t type : {0, 1, 2, 4, 0xFFFF}) EXPECT_TRUE(HasWatermarkPage(type)) << type;
    EXPECT_FALSE(HasWatermarkPage(3));
}

}  // namespace
}  // namespace kelno
