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

#include <cstring>
#include <string>
#include <vector>

#include "driverui/core/win/driver_interface.h"
#include "driverui/core/paper_record.h"
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

    // Pages: About ends the sheet, added with the Vista page size.
    ASSERT_FALSE(host.pageTemplates().empty());
    EXPECT_EQ(host.pageTemplates().back(), 101);
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

TEST(DeviceSheetTest, OpensWithTheAboutPage) {
    Printer printer(kQueue);
    DevicePropertyHeader header{sizeof(DevicePropertyHeader), 0, printer.get(), const_cast<wchar_t*>(kQueue.c_str())};
    CommonUiHost host(DeviceSheet(), reinterpret_cast<LPARAM>(&header));
    ASSERT_EQ(host.Init(), 1);
    ASSERT_EQ(host.descriptionsAdded(), 1);
    EXPECT_TRUE(host.description()->Flags & CPSUIF_UPDATE_PERMISSION);
    EXPECT_EQ(host.description()->cDlgPage, 0);
    EXPECT_EQ(host.pageTemplates(), std::vector<WORD>{101});

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

}  // namespace
}  // namespace kelno::test
