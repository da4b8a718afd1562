// Both property sheets of the configuration DLL, opened for a test queue on the private Xvfb
// display. Wine's CommonPropertySheetUIW cannot take the driver's description
// (CPSFUNC_ADD_PCOMPROPSHEETUIW answers 0) and PrinterProperties never reaches
// DrvDevicePropertySheets, so this test plays the common UI's part the way the system's
// compstui does (tests/support/common_ui_host.h): it hands the DLL a pfnComPropSheet callback,
// takes the description and the pages the DLL adds, shows them in a real PropertySheetW, presses
// OK, calls the description's callback with APPLYNOW, passes the result back with SET_RESULT and
// ends with DESTROY. A screenshot of each sheet is kept as an artifact.
#include <windows.h>
#include <commctrl.h>
#include <compstui.h>
#include <prsht.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "driverui/core/datafile_header.h"
#include "driverui/core/win/driver_interface.h"
#include "driverui/core/paper_record.h"
#include "driverui/docsheet/binarise.h"
#include "driverui/docsheet/preview_colour.h"
#include "tests/support/common_ui_host.h"
#include "tests/wine/driverui_test_support.h"

namespace kelno::test {
namespace {

const std::wstring kQueue = L"Sheet queue";
HMODULE g_driverUi = nullptr;

class SheetEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
        InitCommonControlsEx(&controls);
        ASSERT_TRUE(InstallPackageDriver(L"Tavolen MX-420")) << GetLastError();
        ASSERT_TRUE(AddQueue(kQueue, L"Tavolen MX-420")) << GetLastError();
        g_driverUi = LoadInstalledDriverUi();
        ASSERT_NE(g_driverUi, nullptr);
        using PrinterEvent = BOOL(WINAPI*)(LPWSTR, INT, DWORD, LPARAM);
        ASSERT_TRUE(ExportOf<PrinterEvent>(g_driverUi, "DrvPrinterEvent")(const_cast<wchar_t*>(kQueue.c_str()),
                                                                          kPrinterEventInitialize, 0, 0));
    }
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new SheetEnvironment);

SheetEntry DocumentSheet() { return ExportOf<SheetEntry>(g_driverUi, "DrvDocumentPropertySheets"); }
SheetEntry DeviceSheet() { return ExportOf<SheetEntry>(g_driverUi, "DrvDevicePropertySheets"); }

std::wstring Text(const char16_t* text, std::size_t units) {
    std::wstring out;
    for (std::size_t i = 0; i < units && text[i]; ++i) out.push_back(static_cast<wchar_t>(text[i]));
    return out;
}

std::wstring DialogText(HWND page, int id) {
    wchar_t text[128] = L"";
    GetDlgItemTextW(page, id, text, static_cast<int>(std::size(text)));
    return text;
}

// The About page: its three texts and its white background.
void CheckAboutPage(HWND page) {
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(DialogText(page, 1000), L"Tavolen printer driver for windows");
    EXPECT_EQ(DialogText(page, 1001), L"2026.09.12.01");
    EXPECT_EQ(DialogText(page, 1002), L"Copyright \u00A9 2026 Tavolen. All rights reserved.");
    // The logo picture: a static showing a 310 x 147 bitmap.
    HWND picture = nullptr;
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (GetDlgCtrlID(child) == 0xFFFF || GetDlgCtrlID(child) == -1) picture = child;
    ASSERT_NE(picture, nullptr);
    HBITMAP logo = reinterpret_cast<HBITMAP>(SendMessageW(picture, STM_GETIMAGE, IMAGE_BITMAP, 0));
    BITMAP bitmap{};
    ASSERT_NE(GetObjectW(logo, sizeof bitmap, &bitmap), 0);
    EXPECT_EQ(bitmap.bmWidth, 310);
    EXPECT_EQ(bitmap.bmHeight, 147);

    // Background: WM_ERASEBKGND paints white, the statics get a white brush.
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, 400, 400);
    HGDIOBJ old = SelectObject(memory, canvas);
    SendMessageW(page, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory), 0);
    EXPECT_EQ(GetPixel(memory, 5, 5), RGB(255, 255, 255));
    auto brush = reinterpret_cast<HBRUSH>(
        SendMessageW(page, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(memory), reinterpret_cast<LPARAM>(picture)));
    LOGBRUSH brushInfo{};
    ASSERT_NE(GetObjectW(brush, sizeof brushInfo, &brushInfo), 0);
    EXPECT_EQ(brushInfo.lbColor, RGB(255, 255, 255));
    EXPECT_EQ(GetBkColor(memory), RGB(255, 255, 255));
    SelectObject(memory, old);
    DeleteObject(canvas);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

// The queue's default DEVMODE asking for list paper 258 ("76 mm x 130 mm").
std::vector<BYTE> JobOnSecondPaper() {
    Printer printer(kQueue);
    std::vector<BYTE> dm(5196);
    EXPECT_EQ(DocumentPropertiesW(nullptr, printer.get(), const_cast<wchar_t*>(kQueue.c_str()),
                                  reinterpret_cast<DEVMODEW*>(dm.data()), nullptr, DM_OUT_BUFFER),
              1);
    auto* job = reinterpret_cast<DEVMODEW*>(dm.data());
    job->dmFields = DM_PAPERSIZE;
    job->dmPaperSize = 258;
    return dm;
}

DocumentPropertyHeader DocumentHeader(std::vector<BYTE>* in, std::vector<BYTE>* out, DWORD mode) {
    DocumentPropertyHeader header{};
    header.cbSize = sizeof header;
    header.pszPrinterName = const_cast<wchar_t*>(kQueue.c_str());
    header.pdmIn = in ? reinterpret_cast<DEVMODEW*>(in->data()) : nullptr;
    header.pdmOut = out ? reinterpret_cast<DEVMODEW*>(out->data()) : nullptr;
    header.fMode = mode;
    return header;
}

TEST(DocumentSheetTest, OpensWithItsPagesAndAppliesTheChosenPaper) {
    DeletePrinterValue(kQueue, L"InstalledForm");
    Printer printer(kQueue);
    std::vector<BYTE> in = JobOnSecondPaper();
    std::vector<BYTE> out(5196, 0);
    DocumentPropertyHeader header = DocumentHeader(&in, &out, DM_IN_BUFFER | DM_OUT_BUFFER);
    header.hPrinter = printer.get();
    CommonUiHost host(DocumentSheet(), reinterpret_cast<LPARAM>(&header));
    ASSERT_EQ(host.Init(), 1);

    // The merged DEVMODE is written to the output at once.
    EXPECT_EQ(std::memcmp(out.data() + 220, "MDVQ", 4), 0);
    EXPECT_EQ(reinterpret_cast<const DEVMODEW*>(out.data())->dmPaperWidth, 760);

    // The description handed to the common UI.
    ASSERT_EQ(host.descriptionsAdded(), 1);
    const COMPROPSHEETUI& description = *host.description();
    EXPECT_EQ(description.cbSize, 128);
    EXPECT_STREQ(description.pCallerName, L"Ortavex Printer Driver for Windows");
    EXPECT_STREQ(description.pOptItemName, kQueue.c_str());
    EXPECT_EQ(description.IconID, 64087u + 2u) << "monochrome requests accepted, roll paper";
    EXPECT_EQ(description.CallerVersion, 0x0600);
    EXPECT_EQ(description.cOptItem, 1);
    ASSERT_NE(description.pOptItem, nullptr);
    EXPECT_EQ(description.pOptItem->cbSize, 88);
    EXPECT_TRUE(description.Flags & CPSUIF_UPDATE_PERMISSION);
    EXPECT_FALSE(description.Flags & CPSUIF_ABOUT_CALLBACK);
    ASSERT_GE(description.cDlgPage, 1);
    EXPECT_EQ(description.pDlgPage[description.cDlgPage - 1].cbSize, 40);
    EXPECT_EQ(description.pDlgPage[description.cDlgPage - 1].DlgTemplateID, 101);
    ASSERT_NE(description.pHelpFile, nullptr);
    EXPECT_NE(std::wstring(description.pHelpFile).find(L"vamtdrv6ui.hlp"), std::wstring::npos);

    // Pages: Page Setup, Graphics Property, WaterMark, Print Settings, then About ends the sheet,
    // added with the Vista page size.
    EXPECT_EQ(host.pageTemplates(), (std::vector<WORD>{106, 108, 120, 113, 101}));
    EXPECT_EQ(host.pageSizes().back(), 104u);

    PROPSHEETUI_INFO_HEADER infoHeader{};
    infoHeader.cbSize = sizeof infoHeader;
    EXPECT_EQ(host.GetInfoHeader(&infoHeader), 1);
    EXPECT_EQ(infoHeader.Flags, PSUIHDRF_NOAPPLYNOW | PSUIHDRF_PROPTITLE);
    EXPECT_STREQ(infoHeader.pTitle, kQueue.c_str());
    EXPECT_EQ(infoHeader.hInst, g_driverUi);

    host.ShowSheet(infoHeader.pTitle, L"driverui_document_sheet.bmp", CheckAboutPage);

    EXPECT_FALSE(StoredPrinterValue(kQueue, L"InstalledForm").found);
    EXPECT_EQ(host.ApplyNow(), CPSUICB_ACTION_ITEMS_APPLIED);
    EXPECT_EQ(host.applyResult(), static_cast<ULONG_PTR>(CPSUI_OK));

    // Apply stored the paper in use as the printer's installed form ...
    const StoredValue installed = StoredPrinterValue(kQueue, L"InstalledForm");
    ASSERT_EQ(installed.bytes.size(), sizeof(CurrentFormRecord));
    const auto* form = reinterpret_cast<const CurrentFormRecord*>(installed.bytes.data());
    EXPECT_EQ(Text(form->name, 32), L"76 mm x 130 mm");
    EXPECT_EQ(form->id, 258u);
    EXPECT_EQ(form->width, 76000);
    EXPECT_EQ(form->height, 130000);
    // ... and wrote the output DEVMODE with it.
    const auto* applied = reinterpret_cast<const DEVMODEW*>(out.data());
    EXPECT_STREQ(applied->dmFormName, L"76 mm x 130 mm");
    EXPECT_EQ(applied->dmPaperSize, 258);
    EXPECT_EQ(applied->dmPaperWidth, 760);
    EXPECT_EQ(applied->dmPaperLength, 1300);
    EXPECT_EQ(applied->dmFields & 0x1000Eu, 0x1000Eu);

    // The result comes back only for the handle of the description.
    EXPECT_EQ(host.SetResult(reinterpret_cast<HANDLE>(0x9999), CPSUI_OK), -1);
    EXPECT_EQ(host.SetResult(reinterpret_cast<HANDLE>(CommonUiHost::kDescriptionHandle), CPSUI_OK), 1);
    EXPECT_EQ(host.info().Result, static_cast<ULONG_PTR>(CPSUI_OK));
    EXPECT_EQ(host.Destroy(), 1);
    EXPECT_EQ(host.info().UserData, 0u);
}

TEST(DocumentSheetTest, WithoutPermissionNothingIsApplied) {
    DeletePrinterValue(kQueue, L"InstalledForm");
    std::vector<BYTE> in = JobOnSecondPaper();
    std::vector<BYTE> out(5196, 0xCD);
    DocumentPropertyHeader header = DocumentHeader(&in, &out, DM_IN_BUFFER | DM_OUT_BUFFER | kDmNoPermission);
    CommonUiHost host(DocumentSheet(), reinterpret_cast<LPARAM>(&header));
    ASSERT_EQ(host.Init(), 1);
    EXPECT_EQ(out[0], 0xCD) << "no output DEVMODE";
    EXPECT_FALSE(host.description()->Flags & CPSUIF_UPDATE_PERMISSION);
    EXPECT_EQ(host.ApplyNow(), CPSUICB_ACTION_NONE);
    EXPECT_FALSE(StoredPrinterValue(kQueue, L"InstalledForm").found);
}

TEST(DocumentSheetTest, LockedLabelStocksTakeTheUpdatePermissionAway) {
    ASSERT_TRUE(SetPrinterDword(kQueue, L"PPDataFlags", 16));
    std::vector<BYTE> out(5196, 0);
    DocumentPropertyHeader header = DocumentHeader(nullptr, &out, DM_OUT_BUFFER);
    CommonUiHost host(DocumentSheet(), reinterpret_cast<LPARAM>(&header));
    ASSERT_EQ(host.Init(), 1);
    EXPECT_FALSE(host.description()->Flags & CPSUIF_UPDATE_PERMISSION);
    DeletePrinterValue(kQueue, L"PPDataFlags");
}

TEST(DocumentSheetTest, FailuresLeaveNoContextBehind) {
    // An unknown printer: no context, ERROR_INVALID_DATA.
    DocumentPropertyHeader unknown{};
    unknown.cbSize = sizeof unknown;
    unknown.pszPrinterName = const_cast<wchar_t*>(L"No such printer");
    CommonUiHost noPrinter(DocumentSheet(), reinterpret_cast<LPARAM>(&unknown));
    SetLastError(0);
    EXPECT_EQ(noPrinter.Init(), -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));
    EXPECT_EQ(noPrinter.info().UserData, 0u);

    // No header at all.
    CommonUiHost noHeader(DocumentSheet(), 0);
    EXPECT_EQ(noHeader.Init(), -1);

    // A common UI that refuses the description: the context is released at once.
    DocumentPropertyHeader header = DocumentHeader(nullptr, nullptr, 0);
    CommonUiHost refusing(DocumentSheet(), reinterpret_cast<LPARAM>(&header));
    refusing.RefuseDescriptions();
    EXPECT_EQ(refusing.Init(), -1);
    EXPECT_EQ(refusing.info().UserData, 0u);
    EXPECT_EQ(refusing.pageCount(), 0u);
}

TEST(DeviceSheetTest, OpensWithPrinterSettingsAndAbout) {
    Printer printer(kQueue);
    DevicePropertyHeader header{sizeof(DevicePropertyHeader), 0, printer.get(), const_cast<wchar_t*>(kQueue.c_str())};
    CommonUiHost host(DeviceSheet(), reinterpret_cast<LPARAM>(&header));
    ASSERT_EQ(host.Init(), 1);
    ASSERT_EQ(host.descriptionsAdded(), 1);
    EXPECT_TRUE(host.description()->Flags & CPSUIF_UPDATE_PERMISSION);
    EXPECT_EQ(host.description()->cDlgPage, 0);
    EXPECT_EQ(host.pageTemplates(), (std::vector<WORD>{104, 101})) << "Printer Settings, then About";

    PROPSHEETUI_INFO_HEADER infoHeader{};
    infoHeader.cbSize = sizeof infoHeader;
    EXPECT_EQ(host.GetInfoHeader(&infoHeader), 1);
    EXPECT_STREQ(infoHeader.pTitle, kQueue.c_str());
    host.ShowSheet(infoHeader.pTitle, L"driverui_device_sheet.bmp", CheckAboutPage);

    // The device sheet has no DEVMODE to write: Apply does nothing.
    DeletePrinterValue(kQueue, L"InstalledForm");
    EXPECT_EQ(host.ApplyNow(), CPSUICB_ACTION_NONE);
    EXPECT_FALSE(StoredPrinterValue(kQueue, L"InstalledForm").found);
    EXPECT_EQ(host.Destroy(), 1);
}

TEST(DeviceSheetTest, PermissionAndBadArguments) {
    DevicePropertyHeader header{sizeof(DevicePropertyHeader), kDpsNoPermission, nullptr,
                                const_cast<wchar_t*>(kQueue.c_str())};
    CommonUiHost host(DeviceSheet(), reinterpret_cast<LPARAM>(&header));
    ASSERT_EQ(host.Init(), 1);
    EXPECT_FALSE(host.description()->Flags & CPSUIF_UPDATE_PERMISSION);

    SetLastError(0);
    EXPECT_EQ(DeviceSheet()(nullptr, 0), -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));
    CommonUiHost noHeader(DeviceSheet(), 0);
    SetLastError(0);
    EXPECT_EQ(noHeader.Init(), -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));
}

// ---- The Graphics Property page ----

constexpr int kGraphicsDialog = 108;
constexpr std::size_t kPreviewRowBytes = 600;  // 200 pixels of 3 bytes
constexpr int kPreviewHeight = 168;

// The page's index among the pages the sheet added.
int GraphicsPageIndex(const CommonUiHost& host) {
    const std::vector<WORD>& pages = host.pageTemplates();
    return static_cast<int>(std::find(pages.begin(), pages.end(), kGraphicsDialog) - pages.begin());
}

template <typename T>
T DevmodeValue(const std::vector<BYTE>& devmode, std::size_t offset) {
    T value{};
    std::memcpy(&value, devmode.data() + offset, sizeof value);
    return value;
}

// The preview static's bitmap read back as bottom-up 24-bit rows.
std::vector<BYTE> ShownPreview(HWND page) {
    auto bitmap = reinterpret_cast<HBITMAP>(SendDlgItemMessageW(page, 1036, STM_GETIMAGE, IMAGE_BITMAP, 0));
    if (!bitmap) return {};
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 200;
    info.bmiHeader.biHeight = kPreviewHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<BYTE> pixels(kPreviewRowBytes * kPreviewHeight);
    HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, bitmap, 0, kPreviewHeight, pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return rows == kPreviewHeight ? pixels : std::vector<BYTE>{};
}

// The library's picture: the DLL's sample (bottom-up rows) rendered from its top row down.
std::vector<BYTE> LibraryPreview(const PreviewSettings& settings) {
    HRSRC found = FindResourceW(g_driverUi, MAKEINTRESOURCEW(112), MAKEINTRESOURCEW(2));
    const auto* bytes = found ? static_cast<const BYTE*>(LockResource(LoadResource(g_driverUi, found))) : nullptr;
    if (!bytes) return {};
    std::vector<BYTE> pixels(bytes + sizeof(BITMAPINFOHEADER),
                             bytes + sizeof(BITMAPINFOHEADER) + kPreviewRowBytes * kPreviewHeight);
    std::vector<std::uint8_t> grey(PaddedRowBytes(200) * kPreviewHeight);
    RenderPreview(pixels.data() + kPreviewRowBytes * (kPreviewHeight - 1),
                  -static_cast<std::ptrdiff_t>(kPreviewRowBytes), 200, kPreviewHeight, settings, grey.data());
    return pixels;
}

PreviewSettings SettingsOf(std::uint32_t level, int brightness, int contrast, std::uint32_t family,
                           bool original = false) {
    PreviewSettings settings;
    settings.ditherLevel = level;
    settings.brightness = brightness;
    settings.contrast = contrast;
    settings.ditherFamily = family;
    settings.showOriginal = original;
    return settings;
}

std::vector<int> CheckedRadios(HWND page) {
    std::vector<int> checked;
    for (int id : {1008, 1097, 1010, 1011, 1012, 1013, 1015, 1096})
        if (IsDlgButtonChecked(page, id) == BST_CHECKED) checked.push_back(id);
    return checked;
}

void Click(HWND page, int id) { SendDlgItemMessageW(page, id, BM_CLICK, 0, 0); }

void MoveTrackbar(HWND page, int id, int position) {
    HWND bar = GetDlgItem(page, id);
    SendMessageW(bar, TBM_SETPOS, TRUE, position);
    SendMessageW(page, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position), reinterpret_cast<LPARAM>(bar));
}

// The private bytes (from 220) in which two DEVMODEs differ.
std::vector<std::size_t> ChangedPrivateBytes(const std::vector<BYTE>& before, const std::vector<BYTE>& after) {
    std::vector<std::size_t> changed;
    for (std::size_t i = 220; i < before.size(); ++i)
        if (before[i] != after[i]) changed.push_back(i);
    return changed;
}

struct GraphicsRun {
    std::vector<BYTE> opened;   // the output DEVMODE written when the sheet opened
    std::vector<BYTE> applied;  // and after Apply
    std::wstring caption;
};

// Opens the printing preferences of a queue on the Graphics Property page, hands the page to
// check, presses OK and applies.
GraphicsRun RunGraphicsPage(const std::wstring& queue, const std::wstring& screenshot,
                            const std::function<void(HWND)>& check) {
    GraphicsRun run;
    std::vector<BYTE> out(5196, 0);
    DocumentPropertyHeader header{};
    header.cbSize = sizeof header;
    header.pszPrinterName = const_cast<wchar_t*>(queue.c_str());
    header.pdmOut = reinterpret_cast<DEVMODEW*>(out.data());
    header.fMode = DM_OUT_BUFFER;
    CommonUiHost host(DocumentSheet(), reinterpret_cast<LPARAM>(&header));
    EXPECT_EQ(host.Init(), 1);
    run.opened = out;
    const int index = GraphicsPageIndex(host);
    EXPECT_LT(index, static_cast<int>(host.pageCount()));
    host.ShowSheet(
        queue, screenshot,
        [&](HWND page) {
            wchar_t caption[64] = L"";
            GetWindowTextW(page, caption, static_cast<int>(std::size(caption)));
            run.caption = caption;
            check(page);
        },
        index);
    EXPECT_EQ(host.ApplyNow(), CPSUICB_ACTION_ITEMS_APPLIED);
    run.applied = out;
    EXPECT_EQ(host.Destroy(), 1);
    return run;
}

TEST(GraphicsPageTest, OpensOnEveryModelWithItsSettingsAndPreview) {
    for (const wchar_t* driver : kModelDrivers) {
        const std::wstring model(driver);
        SCOPED_TRACE(std::string(model.begin(), model.end()));
        if (model != L"Tavolen MX-420") {
            ASSERT_TRUE(InstallPackageDriver(model));
        }
        const std::wstring queue = L"Graphics " + model.substr(model.find(L' ') + 1);
        ASSERT_TRUE(AddQueue(queue, model));
        std::vector<BYTE> preview;
        std::vector<int> radios;
        std::wstring brightness;
        LRESULT position = 0;
        BOOL twoColourEnabled = TRUE;
        const GraphicsRun run =
            RunGraphicsPage(queue, L"driverui_graphics_" + queue.substr(9) + L".bmp", [&](HWND page) {
                preview = ShownPreview(page);
                radios = CheckedRadios(page);
                brightness = DialogText(page, 1041);
                position = SendDlgItemMessageW(page, 1030, TBM_GETPOS, 0, 0);
                twoColourEnabled = IsWindowEnabled(GetDlgItem(page, 1127));
            });
        const auto level = DevmodeValue<std::uint32_t>(run.opened, 268);
        const auto shownBrightness = DevmodeValue<std::int16_t>(run.opened, 290);
        const auto contrast = DevmodeValue<std::int16_t>(run.opened, 288);
        const auto family = DevmodeValue<std::uint32_t>(run.opened, 5184);
        EXPECT_EQ(radios.size(), level <= 6 || level == 8 ? 1u : 0u) << "level " << level;
        EXPECT_EQ(brightness, std::to_wstring(shownBrightness));
        EXPECT_EQ(position, shownBrightness + 100);
        EXPECT_FALSE(twoColourEnabled) << "the shipped models print one colour";
        ASSERT_FALSE(preview.empty());
        EXPECT_TRUE(preview == LibraryPreview(SettingsOf(level, shownBrightness, contrast, family)));
        // Opening and applying without a change changes no private setting.
        EXPECT_EQ(ChangedPrivateBytes(run.opened, run.applied), std::vector<std::size_t>{});
    }
}

TEST(GraphicsPageTest, ControlsChangeThePreviewAndApplyWritesTheirFieldsOnly) {
    std::vector<BYTE> dithered, original, expectedDithered, expectedOriginal;
    std::wstring brightnessText, contrastText;
    const GraphicsRun run = RunGraphicsPage(kQueue, L"driverui_graphics_page.bmp", [&](HWND page) {
        Click(page, 1011);  // Stucki
        MoveTrackbar(page, 1030, 150);
        MoveTrackbar(page, 1031, 80);
        Click(page, 1025);
        Click(page, 1130);
        SendDlgItemMessageW(page, 1082, CB_SETCURSEL, 1, 0);  // Blue
        SendMessageW(page, WM_COMMAND, MAKEWPARAM(1082, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(GetDlgItem(page, 1082)));
        brightnessText = DialogText(page, 1041);
        contrastText = DialogText(page, 1043);
        dithered = ShownPreview(page);
        Click(page, 1009);  // the original picture, brightness and contrast only
        original = ShownPreview(page);
        Click(page, 1009);
    });
    const auto family = DevmodeValue<std::uint32_t>(run.opened, 5184);
    EXPECT_EQ(brightnessText, L"50");
    EXPECT_EQ(contrastText, L"-20");
    ASSERT_FALSE(dithered.empty());
    EXPECT_TRUE(dithered == LibraryPreview(SettingsOf(3, 50, -20, family)));
    EXPECT_TRUE(original == LibraryPreview(SettingsOf(3, 50, -20, family, true)));
    EXPECT_FALSE(original == dithered);

    EXPECT_EQ(DevmodeValue<std::uint32_t>(run.applied, 268), 3u);
    EXPECT_EQ(DevmodeValue<std::int16_t>(run.applied, 290), 50);
    EXPECT_EQ(DevmodeValue<std::int16_t>(run.applied, 288), -20);
    EXPECT_EQ(DevmodeValue<std::uint16_t>(run.applied, 2964), 1);
    EXPECT_EQ(DevmodeValue<std::uint16_t>(run.applied, 2966), 1);
    EXPECT_EQ(DevmodeValue<std::uint16_t>(run.applied, 2972), 1);
    // Every other private byte is as the sheet opened with it.
    const std::vector<std::size_t> allowed = {268, 269,  270,  271,  288,  289,  290,
                                              291, 2964, 2965, 2966, 2967, 2972, 2973};
    for (std::size_t offset : ChangedPrivateBytes(run.opened, run.applied))
        EXPECT_NE(std::find(allowed.begin(), allowed.end(), offset), allowed.end()) << "offset " << offset;
}

// A driver whose data file marks the model as an anti-wrinkle, two-colour model.
bool InstallTattooDriver(const std::wstring& name) {
    if (!StagePackageDriverFiles()) return false;
    std::string bytes = ReadFileBytes(DriverDirectory() + L"\\kelnodrv6.dat");
    if (bytes.size() < sizeof(DataFileHeader)) return false;
    DataFileHeader header;
    std::memcpy(&header, bytes.data(), sizeof header);
    header.modelFields.antiWrinkleFlag = 1;
    header.modelFields.twoColorCapable = 1;
    std::memcpy(bytes.data(), &header, sizeof header);
    return WriteFileBytes(DriverDirectory() + L"\\tattoo.dat", bytes) &&
           AddDriver(name, L"kelnodrv6ui.dll", L"kelnodrv6.dll", L"tattoo.dat");
}

TEST(GraphicsPageTest, TattooStocksForceTheFirstStencilLevel) {
    const std::wstring driver = L"Tavolen Tattoo";
    const std::wstring queue = L"Graphics tattoo";
    ASSERT_TRUE(InstallTattooDriver(driver));
    ASSERT_TRUE(AddQueue(queue, driver));
    CurrentFormRecord form{};
    const std::u16string name = u"A6 (Tattoo)";
    std::copy(name.begin(), name.end(), form.name);
    form.id = 256;
    form.width = form.right = 105000;
    form.height = form.bottom = 148000;
    ASSERT_TRUE(SetPrinterBinary(queue, L"InstalledForm", &form, sizeof form));

    std::vector<int> radios;
    BOOL twoColourEnabled = FALSE, enhanceEnabled = TRUE;
    UINT enhanceChecked = BST_CHECKED;
    const GraphicsRun run = RunGraphicsPage(queue, L"driverui_graphics_tattoo.bmp", [&](HWND page) {
        radios = CheckedRadios(page);
        twoColourEnabled = IsWindowEnabled(GetDlgItem(page, 1127));
        Click(page, 1025);
        Click(page, 1127);  // two colours: the other options are cleared and locked
        enhanceEnabled = IsWindowEnabled(GetDlgItem(page, 1025));
        enhanceChecked = IsDlgButtonChecked(page, 1025);
    });
    EXPECT_TRUE(radios.empty()) << "the stencil levels have no radio button";
    EXPECT_TRUE(twoColourEnabled);
    EXPECT_FALSE(enhanceEnabled);
    EXPECT_EQ(enhanceChecked, static_cast<UINT>(BST_UNCHECKED));
    EXPECT_EQ(DevmodeValue<std::uint32_t>(run.applied, 268), 9u);
    EXPECT_NE(DevmodeValue<std::uint16_t>(run.applied, 2968), 0);
    EXPECT_EQ(DevmodeValue<std::uint16_t>(run.applied, 2964), 0);
}

TEST(GraphicsPageTest, ArabicPage) {
    const LANGID arabic = MAKELANGID(LANG_ARABIC, SUBLANG_ARABIC_SAUDI_ARABIA);
    const LCID before = GetThreadLocale();
    const LANGID uiBefore = GetThreadUILanguage();
    SetThreadLocale(MAKELCID(arabic, SORT_DEFAULT));
    SetThreadUILanguage(arabic);
    const GraphicsRun run = RunGraphicsPage(kQueue, L"driverui_graphics_page_ar.bmp", [](HWND) {});
    SetThreadUILanguage(uiBefore);
    SetThreadLocale(before);
    EXPECT_EQ(run.caption, L"\u062E\u0635\u0627\u0626\u0635 \u0627\u0644\u0631\u0633\u0648\u0645\u0627\u062A");
}

}  // namespace
}  // namespace kelno::test
