// The WaterMark page of the printing preferences, opened through the test host that plays the
// common property-sheet UI (tests/support/common_ui_host.h) on the private Xvfb display: the
// page on every model and its absence for printers of type 3, the preview of PNG, JPEG, BMP and
// GIF pictures written at run time (read back from the preview static and compared with the
// portable library and with the placement rule), Apply, change tracking, files that are no
// usable picture, and screenshots in English and Arabic.
#include <windows.h>
#include <commctrl.h>
#include <compstui.h>
#include <objidl.h>
#include <gdiplus.h>
#include <prsht.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "driverui/core/datafile_header.h"
#include "driverui/core/win/driver_interface.h"
#include "driverui/docsheet/binarise.h"
#include "driverui/docsheet/watermark_preview.h"
#include "driverui/docsheet/win/watermark_picture.h"
#include "tests/support/common_ui_host.h"
#include "tests/support/file_dialog.h"
#include "tests/support/gdiplus_pictures.h"
#include "tests/support/picture_files.h"
#include "tests/wine/driverui_test_support.h"

namespace kelno::test {
namespace {

constexpr WORD kWatermarkDialog = 120;
constexpr int kEnable = 1009, kPath = 1083, kBrowse = 1084, kBrightness = 1085, kScale = 1087, kHorizontal = 1088,
              kVertical = 1089, kPreview = 1095;
constexpr int kApplyButton = 0x3021;

const std::wstring kQueue = L"Watermark queue";
HMODULE g_driverUi = nullptr;
std::wstring g_pictures;

class WatermarkEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
        InitCommonControlsEx(&controls);
        Gdiplus::GdiplusStartupInput startup;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&gdiplus_, &startup, nullptr), Gdiplus::Ok);
        ASSERT_TRUE(InstallPackageDriver(L"Tavolen MX-420")) << GetLastError();
        ASSERT_TRUE(AddQueue(kQueue, L"Tavolen MX-420")) << GetLastError();
        g_driverUi = LoadInstalledDriverUi();
        ASSERT_NE(g_driverUi, nullptr);
        g_pictures = MakeTempFolder(L"watermark");
    }
    void TearDown() override {
        if (gdiplus_) Gdiplus::GdiplusShutdown(gdiplus_);
    }

private:
    ULONG_PTR gdiplus_ = 0;
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new WatermarkEnvironment);

SheetEntry DocumentSheet() { return ExportOf<SheetEntry>(g_driverUi, "DrvDocumentPropertySheets"); }

template <typename T>
T DevmodeValue(const std::vector<BYTE>& devmode, std::size_t offset) {
    T value{};
    std::memcpy(&value, devmode.data() + offset, sizeof value);
    return value;
}

std::wstring DevmodePath(const std::vector<BYTE>& devmode) {
    const auto* text = reinterpret_cast<const wchar_t*>(devmode.data() + 2428);
    return std::wstring(text, wcsnlen(text, 260));
}

struct SheetRun {
    std::vector<WORD> pages;    // the pages the sheet added
    std::vector<BYTE> opened;   // the output DEVMODE written when the sheet opened
    std::vector<BYTE> applied;  // and after OK and Apply
    std::wstring caption;       // of the WaterMark page
};

// Opens the printing preferences of a queue; with a WaterMark page, shows it, hands it to check,
// presses OK and applies.
SheetRun RunWatermarkPage(const std::wstring& queue, const std::wstring& screenshot,
                          const std::function<void(HWND)>& check) {
    SheetRun run;
    std::vector<BYTE> out(5196, 0);
    DocumentPropertyHeader header{};
    header.cbSize = sizeof header;
    header.pszPrinterName = const_cast<wchar_t*>(queue.c_str());
    header.pdmOut = reinterpret_cast<DEVMODEW*>(out.data());
    header.fMode = DM_OUT_BUFFER;
    CommonUiHost host(DocumentSheet(), reinterpret_cast<LPARAM>(&header));
    EXPECT_EQ(host.Init(), 1);
    run.opened = out;
    run.pages = host.pageTemplates();
    const auto found = std::find(run.pages.begin(), run.pages.end(), kWatermarkDialog);
    if (found != run.pages.end()) {
        host.ShowSheet(
            queue, screenshot,
            [&](HWND page) {
                wchar_t caption[64] = L"";
                GetWindowTextW(page, caption, static_cast<int>(std::size(caption)));
                run.caption = caption;
                check(page);
            },
            static_cast<int>(found - run.pages.begin()));
        EXPECT_EQ(host.ApplyNow(), CPSUICB_ACTION_ITEMS_APPLIED);
    }
    run.applied = out;
    EXPECT_EQ(host.Destroy(), 1);
    return run;
}

void Click(HWND page, int id) { SendDlgItemMessageW(page, id, BM_CLICK, 0, 0); }

void MoveTrackbar(HWND page, int id, int position) {
    HWND bar = GetDlgItem(page, id);
    SendMessageW(bar, TBM_SETPOS, TRUE, position);
    SendMessageW(page, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position), reinterpret_cast<LPARAM>(bar));
}

// The path as the file choice leaves it in the read-only edit.
void ShowPath(HWND page, const std::wstring& path) {
    HWND edit = GetDlgItem(page, kPath);
    SetWindowTextW(edit, path.c_str());
    SendMessageW(page, WM_COMMAND, MAKEWPARAM(kPath, EN_CHANGE), reinterpret_cast<LPARAM>(edit));
}

bool ApplyEnabled(HWND page) { return IsWindowEnabled(GetDlgItem(GetParent(page), kApplyButton)) != FALSE; }

// A grey frame without row padding.
struct Frame {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> pixels;
    bool operator==(const Frame&) const = default;
};

// The preview static's bitmap: one grey value per pixel (empty when a pixel is not grey).
Frame ShownFrame(HWND page) {
    auto bitmap = reinterpret_cast<HBITMAP>(SendDlgItemMessageW(page, kPreview, STM_GETIMAGE, IMAGE_BITMAP, 0));
    BITMAP object{};
    if (!bitmap || !GetObjectW(bitmap, sizeof object, &object)) return {};
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = object.bmWidth;
    info.bmiHeader.biHeight = -object.bmHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<RGBQUAD> colours(static_cast<std::size_t>(object.bmWidth) * object.bmHeight);
    HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, bitmap, 0, object.bmHeight, colours.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (rows != object.bmHeight) return {};
    Frame frame{static_cast<std::uint32_t>(object.bmWidth), static_cast<std::uint32_t>(object.bmHeight), {}};
    for (const RGBQUAD& c : colours) {
        if (c.rgbRed != c.rgbGreen || c.rgbGreen != c.rgbBlue) return {};
        frame.pixels.push_back(c.rgbBlue);
    }
    return frame;
}

// The preview client area the frame must fill.
SIZE PreviewSize(HWND page) {
    RECT client{};
    GetClientRect(GetDlgItem(page, kPreview), &client);
    return {client.right, client.bottom};
}

struct Shown {
    std::uint16_t brightness = 128, scale = 100, horizontal = 50, vertical = 50;
};

// The portable library's frame of a picture file.
Frame LibraryFrame(const std::wstring& path, const Shown& shown, std::uint32_t width, std::uint32_t height) {
    const WatermarkPicture binarised = BinariseWatermark(ReadWatermarkPicture(path.c_str()), shown.brightness);
    const WatermarkPlacement placement =
        PlaceWatermark(binarised.width, binarised.height, width, height, shown.scale, shown.horizontal, shown.vertical);
    const WatermarkPicture frame = ComposeWatermarkPreview(binarised, width, height, placement);
    Frame out{width, height, {}};
    for (std::uint32_t y = 0; y < height; ++y) {
        const auto row = frame.grey.begin() + static_cast<std::ptrdiff_t>(PaddedRowBytes(width) * y);
        out.pixels.insert(out.pixels.end(), row, row + width);
    }
    return out;
}

bool AllWhite(const Frame& frame) {
    return !frame.pixels.empty() &&
           std::all_of(frame.pixels.begin(), frame.pixels.end(), [](auto v) { return v == 255; });
}

// The smallest rectangle holding every pixel that is not white: left, top, right, bottom.
RECT InkBounds(const Frame& frame) {
    RECT bounds{LONG(frame.width), LONG(frame.height), 0, 0};
    for (std::uint32_t y = 0; y < frame.height; ++y)
        for (std::uint32_t x = 0; x < frame.width; ++x)
            if (frame.pixels[y * frame.width + x] != 255) {
                bounds.left = std::min<LONG>(bounds.left, x);
                bounds.top = std::min<LONG>(bounds.top, y);
                bounds.right = std::max<LONG>(bounds.right, x + 1);
                bounds.bottom = std::max<LONG>(bounds.bottom, y + 1);
            }
    return bounds;
}

// A driver whose data file gives the model a printer type.
bool InstallTypedDriver(const std::wstring& name, std::uint16_t printerType) {
    if (!StagePackageDriverFiles()) return false;
    std::string bytes = ReadFileBytes(DriverDirectory() + L"\\kelnodrv6.dat");
    if (bytes.size() < sizeof(DataFileHeader)) return false;
    DataFileHeader header;
    std::memcpy(&header, bytes.data(), sizeof header);
    header.modelFields.printerType = printerType;
    std::memcpy(bytes.data(), &header, sizeof header);
    const std::wstring file = L"type" + std::to_wstring(printerType) + L".dat";
    return WriteFileBytes(DriverDirectory() + L"\\" + file, bytes) &&
           AddDriver(name, L"kelnodrv6ui.dll", L"kelnodrv6.dll", file);
}

TEST(WatermarkPageTest, OpensOnEveryModelWithItsSettings) {
    for (const wchar_t* driver : kModelDrivers) {
        const std::wstring model(driver);
        SCOPED_TRACE(Narrow(model));
        if (model != L"Tavolen MX-420") {
            ASSERT_TRUE(InstallPackageDriver(model));
        }
        const std::wstring queue = L"Watermark " + model.substr(model.find(L' ') + 1);
        ASSERT_TRUE(AddQueue(queue, model));
        std::vector<LRESULT> maxima, positions;
        BOOL browseEnabled = TRUE;
        UINT enabled = BST_CHECKED;
        Frame frame;
        const SheetRun run =
            RunWatermarkPage(queue, L"driverui_watermark_" + queue.substr(10) + L".bmp", [&](HWND page) {
                for (int id : {kBrightness, kScale, kHorizontal, kVertical}) {
                    maxima.push_back(SendDlgItemMessageW(page, id, TBM_GETRANGEMAX, 0, 0));
                    positions.push_back(SendDlgItemMessageW(page, id, TBM_GETPOS, 0, 0));
                }
                enabled = IsDlgButtonChecked(page, kEnable);
                browseEnabled = IsWindowEnabled(GetDlgItem(page, kBrowse));
                frame = ShownFrame(page);
            });
        // The sheet: Graphics Property, WaterMark, then the rest.
        const auto graphics = std::find(run.pages.begin(), run.pages.end(), WORD{108});
        ASSERT_NE(graphics, run.pages.end());
        ASSERT_NE(graphics + 1, run.pages.end());
        EXPECT_EQ(graphics[1], kWatermarkDialog);
        EXPECT_EQ(run.caption, L"WaterMark");
        EXPECT_EQ(maxima, (std::vector<LRESULT>{255, 100, 100, 100}));
        EXPECT_EQ(positions,
                  (std::vector<LRESULT>{
                      DevmodeValue<std::uint16_t>(run.opened, 2954), DevmodeValue<std::uint16_t>(run.opened, 2952),
                      DevmodeValue<std::uint16_t>(run.opened, 2948), DevmodeValue<std::uint16_t>(run.opened, 2950)}));
        EXPECT_EQ(enabled == BST_CHECKED, (DevmodeValue<std::uint32_t>(run.opened, 228) & 0x100) != 0);
        EXPECT_EQ(browseEnabled != FALSE, enabled == BST_CHECKED);
        EXPECT_TRUE(AllWhite(frame)) << "nothing to show without a picture";
        EXPECT_TRUE(std::equal(run.applied.begin() + 220, run.applied.end(), run.opened.begin() + 220))
            << "opening and applying changes no private setting";
    }
}

TEST(WatermarkPageTest, PrintersOfTypeThreeHaveNoWatermarkPage) {
    ASSERT_TRUE(InstallTypedDriver(L"Tavolen Type3", 3));
    ASSERT_TRUE(AddQueue(L"Watermark type 3", L"Tavolen Type3"));
    const SheetRun without = RunWatermarkPage(L"Watermark type 3", L"unused.bmp", [](HWND) {});
    EXPECT_EQ(DevmodeValue<std::uint16_t>(without.opened, 2974), 3);
    EXPECT_EQ(std::count(without.pages.begin(), without.pages.end(), kWatermarkDialog), 0);
    EXPECT_EQ(std::count(without.pages.begin(), without.pages.end(), WORD{108}), 1);

    ASSERT_TRUE(InstallTypedDriver(L"Tavolen Type2", 2));
    ASSERT_TRUE(AddQueue(L"Watermark type 2", L"Tavolen Type2"));
    const SheetRun with = RunWatermarkPage(L"Watermark type 2", L"driverui_watermark_type2.bmp", [](HWND) {});
    EXPECT_EQ(std::count(with.pages.begin(), with.pages.end(), kWatermarkDialog), 1);
}

// The test picture: black squares between squares of a grey ramp.
std::uint8_t PatternGrey(int x, int y) { return (x / 8 + y / 8) % 2 ? static_cast<std::uint8_t>(x * 255 / 160) : 0; }
std::uint32_t Pattern(int x, int y) {
    const std::uint32_t level = PatternGrey(x, y);
    return 0xFF000000u | (level << 16) | (level << 8) | level;
}

TEST(WatermarkPageTest, PreviewsEveryFormatAtItsPlaceAndSize) {
    // GIF, and one PNG, hold palette indices that are not the grey levels they show.
    const struct {
        const wchar_t* mime;
        const wchar_t* file;
        bool indexed;
    } formats[] = {{L"image/png", L"mark.png", false},
                   {L"image/jpeg", L"mark.jpg", false},
                   {L"image/bmp", L"mark.bmp", false},
                   {L"image/gif", L"mark.gif", true},
                   {L"image/png", L"indexed.png", true}};
    for (const auto& format : formats) {
        SCOPED_TRACE(Narrow(format.file));
        const std::wstring path = JoinPath(g_pictures, format.file);
        ASSERT_TRUE(format.indexed ? WriteIndexedPicture(path, format.mime, 160, 80, PatternGrey)
                                   : WritePicture(path, format.mime, 160, 80, Pattern));
        const Shown shown{200, 60, 100, 30};
        Frame frame, expected;
        const SheetRun run = RunWatermarkPage(kQueue, L"unused.bmp", [&](HWND page) {
            Click(page, kEnable);
            ShowPath(page, path);
            MoveTrackbar(page, kBrightness, shown.brightness);
            MoveTrackbar(page, kScale, shown.scale);
            MoveTrackbar(page, kHorizontal, shown.horizontal);
            MoveTrackbar(page, kVertical, shown.vertical);
            frame = ShownFrame(page);
            const SIZE size = PreviewSize(page);
            expected = LibraryFrame(path, shown, size.cx, size.cy);
        });
        ASSERT_FALSE(frame.pixels.empty());
        EXPECT_TRUE(frame == expected);
        EXPECT_FALSE(AllWhite(frame));
        EXPECT_EQ(DevmodePath(run.applied), path);
    }
}

TEST(WatermarkPageTest, ABlackPictureFillsExactlyItsPlace) {
    // Black as colour, and as palette index 255 of a GIF (read as an index it would be white).
    const std::wstring png = JoinPath(g_pictures, L"black.png");
    ASSERT_TRUE(WritePicture(png, L"image/png", 90, 30, [](int, int) { return 0xFF000000u; }));
    const std::wstring gif = JoinPath(g_pictures, L"black.gif");
    ASSERT_TRUE(WriteIndexedPicture(gif, L"image/gif", 90, 30, [](int, int) { return std::uint8_t{0}; }));
    const struct {
        const std::wstring& path;
        std::uint16_t scale, horizontal, vertical;
    } cases[] = {{png, 100, 50, 50}, {png, 50, 0, 100}, {png, 25, 100, 0}, {png, 70, 33, 66}, {gif, 60, 20, 80}};
    for (const auto& c : cases) {
        const std::wstring& path = c.path;
        SCOPED_TRACE(Narrow(path) + " " + std::to_string(c.scale) + " " + std::to_string(c.horizontal) + " " +
                     std::to_string(c.vertical));
        Frame frame;
        RunWatermarkPage(kQueue, L"unused.bmp", [&](HWND page) {
            Click(page, kEnable);
            ShowPath(page, path);
            MoveTrackbar(page, kBrightness, 255);
            MoveTrackbar(page, kScale, c.scale);
            MoveTrackbar(page, kHorizontal, c.horizontal);
            MoveTrackbar(page, kVertical, c.vertical);
            frame = ShownFrame(page);
        });
        ASSERT_FALSE(frame.pixels.empty());
        const LONG Wr = static_cast<LONG>(frame.width), Hr = static_cast<LONG>(frame.height);
        const LONG W = c.scale * Wr / 100, H = (Wr * 30 / 90) * c.scale / 100;
        const LONG x = W < Wr ? (Wr - W) * c.horizontal / 100 : 0, y = H < Hr ? (Hr - H) * c.vertical / 100 : 0;
        const RECT ink = InkBounds(frame);
        EXPECT_EQ(ink.left, x);
        EXPECT_EQ(ink.top, y);
        EXPECT_EQ(ink.right, x + W);
        EXPECT_EQ(ink.bottom, std::min(y + H, Hr));
        // Solid inside.
        for (LONG row = ink.top; row < ink.bottom; ++row)
            for (LONG column = ink.left; column < ink.right; ++column)
                ASSERT_EQ(frame.pixels[static_cast<std::size_t>(row) * frame.width + column], 0)
                    << column << "," << row;
    }
}

TEST(WatermarkPageTest, ApplyWritesTheWatermarkFieldsOnlyAndChangesAreTracked) {
    const std::wstring path = JoinPath(g_pictures, L"applied.png");
    ASSERT_TRUE(WritePicture(path, L"image/png", 40, 40, Pattern));
    bool changedAfterSwitch = false, changedAfterSwitchBack = true, changedAfterFile = false;
    const SheetRun run = RunWatermarkPage(kQueue, L"unused.bmp", [&](HWND page) {
        Click(page, kEnable);
        changedAfterSwitch = ApplyEnabled(page);
        Click(page, kEnable);
        changedAfterSwitchBack = ApplyEnabled(page);
        Click(page, kEnable);
        ShowPath(page, path);
        changedAfterFile = ApplyEnabled(page);
        MoveTrackbar(page, kBrightness, 17);
        MoveTrackbar(page, kScale, 42);
        MoveTrackbar(page, kHorizontal, 3);
        MoveTrackbar(page, kVertical, 97);
    });
    EXPECT_TRUE(changedAfterSwitch);
    EXPECT_FALSE(changedAfterSwitchBack) << "off and on again is no change";
    EXPECT_TRUE(changedAfterFile);

    EXPECT_EQ(DevmodeValue<std::uint32_t>(run.applied, 228), DevmodeValue<std::uint32_t>(run.opened, 228) | 0x100);
    EXPECT_EQ(DevmodeValue<std::uint16_t>(run.applied, 2948), 3);
    EXPECT_EQ(DevmodeValue<std::uint16_t>(run.applied, 2950), 97);
    EXPECT_EQ(DevmodeValue<std::uint16_t>(run.applied, 2952), 42);
    EXPECT_EQ(DevmodeValue<std::uint16_t>(run.applied, 2954), 17);
    EXPECT_EQ(DevmodePath(run.applied), path);
    // The sheet's own Apply writes the paper into the public part; the page writes only its
    // private fields.
    for (std::size_t i = 220; i < run.opened.size(); ++i) {
        const bool watermarkField = (i >= 228 && i < 232) || (i >= 2428 && i < 2956);
        if (!watermarkField) {
            EXPECT_EQ(run.applied[i], run.opened[i]) << "offset " << i;
        }
    }
}

TEST(WatermarkPageTest, FilesThatAreNoUsablePictureShowAnEmptyPreview) {
    const std::wstring good = JoinPath(g_pictures, L"good.png");
    ASSERT_TRUE(WritePicture(good, L"image/png", 64, 64, Pattern));
    const std::string png = ReadFileBytes(good);
    const std::string jpegWhole = [&] {
        const std::wstring jpeg = JoinPath(g_pictures, L"good.jpg");
        return WritePicture(jpeg, L"image/jpeg", 64, 64, Pattern) ? ReadFileBytes(jpeg) : std::string();
    }();
    ASSERT_FALSE(jpegWhole.empty());
    auto asString = [](const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); };
    const struct {
        const wchar_t* file;
        std::string bytes;
    } cases[] = {
        {L"text.png", "This is a text file, not a picture.\r\n"},
        {L"empty.png", ""},
        {L"cut.png", png.substr(0, png.size() / 2)},
        {L"header only.png", png.substr(0, 40)},
        {L"cut.jpg", jpegWhole.substr(0, 200)},
        {L"huge.png", asString(PngHead(65535, 65535)) + png.substr(33)},
        {L"huge.bmp", asString(BmpHead(30000, 30000))},
        {L"huge.gif", asString(GifHead("GIF89a", 65535, 65535))},
        {L"huge.jpg", asString(Join({JpegStart(), JpegSegment(0xC0, JpegFrame(65535, 65535))})) + jpegWhole.substr(2)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.file));
        const std::wstring path = JoinPath(g_pictures, c.file);
        ASSERT_TRUE(WriteFileBytes(path, c.bytes));
        Frame frame;
        bool pageAlive = false;
        const SheetRun run = RunWatermarkPage(kQueue, L"unused.bmp", [&](HWND page) {
            Click(page, kEnable);
            ShowPath(page, path);
            MoveTrackbar(page, kScale, 80);
            frame = ShownFrame(page);
            pageAlive = IsWindow(page) != FALSE;
        });
        EXPECT_TRUE(pageAlive);
        EXPECT_TRUE(AllWhite(frame));
        EXPECT_EQ(DevmodePath(run.applied), path) << "the path is stored as chosen";
    }
    // A file that disappears after it was chosen: the path stays, the preview is empty.
    EXPECT_TRUE(WatermarkPicture{}.Empty());
    EXPECT_TRUE(ReadWatermarkPicture(JoinPath(g_pictures, L"no such file.png").c_str()).Empty());
}

TEST(WatermarkPageTest, TheFileChoiceFillsThePathAndCancelKeepsIt) {
    const std::wstring chosen = JoinPath(g_pictures, L"chosen.png");
    ASSERT_TRUE(WritePicture(chosen, L"image/png", 32, 16, Pattern));
    FileDialogAnswer opened, cancelled, whileOff;
    std::wstring afterOpen, afterCancel;
    BOOL browseWhileOff = TRUE;
    Frame frame;
    const SheetRun run = RunWatermarkPage(kQueue, L"unused.bmp", [&](HWND page) {
        browseWhileOff = IsWindowEnabled(GetDlgItem(page, kBrowse));
        Click(page, kEnable);
        opened = AnswerFileDialog(page, kBrowse, chosen);
        wchar_t text[300] = L"";
        GetDlgItemTextW(page, kPath, text, static_cast<int>(std::size(text)));
        afterOpen = text;
        frame = ShownFrame(page);
        cancelled = AnswerFileDialog(page, kBrowse, L"");
        GetDlgItemTextW(page, kPath, text, static_cast<int>(std::size(text)));
        afterCancel = text;
    });
    EXPECT_FALSE(browseWhileOff) << "\"...\" waits for the switch";
    ASSERT_TRUE(opened.seen);
    ASSERT_FALSE(opened.fileTypes.empty());
    EXPECT_EQ(opened.fileTypes.front(), L"Images(*.bmp,*.jpg,*.png,*.gif)");
    EXPECT_EQ(afterOpen, chosen);
    EXPECT_FALSE(AllWhite(frame)) << "the chosen picture is previewed";
    EXPECT_TRUE(cancelled.seen);
    EXPECT_EQ(afterCancel, chosen);
    EXPECT_EQ(DevmodePath(run.applied), chosen);
}

TEST(WatermarkPageTest, ATwelveMegapixelPhotoFollowsTheTrackbars) {
    const std::wstring photo = JoinPath(g_pictures, L"photo.jpg");
    ASSERT_TRUE(WritePicture(photo, L"image/jpeg", 4000, 3000, [](int x, int y) {
        const std::uint32_t level = static_cast<std::uint32_t>((x / 3 + y / 5) % 256);
        return 0xFF000000u | (level << 16) | ((255 - level) << 8) | (level / 2);
    }));
    ULONGLONG opened = 0, moved = 0;
    Frame frame;
    RunWatermarkPage(kQueue, L"unused.bmp", [&](HWND page) {
        Click(page, kEnable);
        ULONGLONG start = GetTickCount64();
        ShowPath(page, photo);
        opened = GetTickCount64() - start;
        start = GetTickCount64();
        for (int position : {90, 70, 50}) MoveTrackbar(page, kScale, position);
        for (int position : {0, 40, 100}) MoveTrackbar(page, kHorizontal, position);
        moved = (GetTickCount64() - start) / 6;
        frame = ShownFrame(page);
    });
    EXPECT_FALSE(AllWhite(frame));
    // Generous bounds for a loaded machine: the picture is decoded and binarised once; a move of
    // the scale or position only places it again.
    EXPECT_LT(opened, 30000u);
    EXPECT_LT(moved, 1500u);
    std::printf("12-megapixel photo: first preview %llu ms, each move %llu ms\n", opened, moved);
}

// Screenshots of the page with a picture, in English and in Arabic.
void ScreenshotWithPicture(const std::wstring& screenshot, std::wstring* caption) {
    const std::wstring path = JoinPath(g_pictures, L"screenshot.png");
    ASSERT_TRUE(WritePicture(path, L"image/png", 160, 80, Pattern));
    const SheetRun run = RunWatermarkPage(kQueue, L"unused.bmp", [&](HWND page) {
        Click(page, kEnable);
        ShowPath(page, path);
        MoveTrackbar(page, kScale, 70);
        Pump(300);
        EXPECT_TRUE(SaveScreenshot(GetParent(page), JoinPath(ArtifactFolder(), screenshot)));
    });
    *caption = run.caption;
}

TEST(WatermarkPageTest, EnglishAndArabicPages) {
    std::wstring english, arabic;
    ScreenshotWithPicture(L"driverui_watermark_page.bmp", &english);
    EXPECT_EQ(english, L"WaterMark");

    const LANGID language = MAKELANGID(LANG_ARABIC, SUBLANG_ARABIC_SAUDI_ARABIA);
    const LCID before = GetThreadLocale();
    const LANGID uiBefore = GetThreadUILanguage();
    SetThreadLocale(MAKELCID(language, SORT_DEFAULT));
    SetThreadUILanguage(language);
    ScreenshotWithPicture(L"driverui_watermark_page_ar.bmp", &arabic);
    SetThreadUILanguage(uiBefore);
    SetThreadLocale(before);
    EXPECT_EQ(arabic, L"\u0627\u0644\u0639\u0644\u0627\u0645\u0629 \u0627\u0644\u0645\u0627\u0626\u064A\u0629");
}

}  // namespace
}  // namespace kelno::test
