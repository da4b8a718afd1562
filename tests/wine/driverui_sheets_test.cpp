// Both property sheets of the configuration DLL, opened for a test queue on the private Xvfb
// display. Wine's CommonPropertySheetUIW cannot take the driver's description
// (CPSFUNC_ADD_PCOMPROPSHEETUIW answers 0) and PrinterProperties never reaches
// DrvDevicePropertySheets, so this test plays the common UI's part the way the system's
// compstui does: it hands the DLL a pfnComPropSheet callback, takes the description and the
// pages the DLL adds, creates the pages with CreatePropertySheetPageW and shows them in a real
// PropertySheetW, presses OK, calls the description's callback with APPLYNOW, passes the result
// back with SET_RESULT and ends with DESTROY. A screenshot of each sheet is kept as an artifact.
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
#include "tests/wine/driverui_test_support.h"

namespace kelno::test {
namespace {

using SheetEntry = LONG(WINAPI*)(PPROPSHEETUI_INFO, LPARAM);

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

void Pump(DWORD milliseconds) {
    const DWORD end = GetTickCount() + milliseconds;
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    } while (GetTickCount() < end);
}

// The common property-sheet UI's side of the conversation.
class CommonUiHost {
public:
    static constexpr LONG_PTR kDescriptionHandle = 0x4001;

    explicit CommonUiHost(SheetEntry entry, LPARAM header) : entry_(entry) {
        info_.cbSize = sizeof info_;
        info_.Version = PROPSHEETUI_INFO_VERSION;
        info_.hComPropSheet = reinterpret_cast<HANDLE>(this);
        info_.pfnComPropSheet = &CommonUiHost::Callback;
        info_.lParamInit = header;
    }
    ~CommonUiHost() {
        if (initialised_) Destroy();
        for (HPROPSHEETPAGE page : unusedPages_) DestroyPropertySheetPage(page);
    }

    LONG Init() {
        info_.Reason = PROPSHEETUI_REASON_INIT;
        const LONG result = entry_(&info_, 0);
        initialised_ = true;
        return result;
    }
    LONG GetInfoHeader(PROPSHEETUI_INFO_HEADER* header) {
        info_.Reason = PROPSHEETUI_REASON_GET_INFO_HEADER;
        return entry_(&info_, reinterpret_cast<LPARAM>(header));
    }
    LONG SetResult(HANDLE handle, LRESULT result) {
        SETRESULT_INFO setResult{sizeof setResult, 0, handle, result};
        info_.Reason = PROPSHEETUI_REASON_SET_RESULT;
        return entry_(&info_, reinterpret_cast<LPARAM>(&setResult));
    }
    LONG Destroy() {
        info_.Reason = PROPSHEETUI_REASON_DESTROY;
        initialised_ = false;
        return entry_(&info_, 0);
    }

    // The description's callback after the user pressed OK or Apply.
    LONG ApplyNow() {
        CPSUICBPARAM parameter{};
        parameter.cbSize = sizeof parameter;
        parameter.Reason = CPSUICB_REASON_APPLYNOW;
        parameter.pOptItem = description_->pOptItem;
        parameter.cOptItem = description_->cOptItem;
        parameter.UserData = description_->UserData;
        const LONG action = description_->pfnCallBack(&parameter);
        applyResult_ = parameter.Result;
        return action;
    }

    // Shows the pages in a modeless property sheet, keeps a screenshot, selects the last page
    // (About) and hands it to check; then presses OK and waits for the sheet to close.
    template <typename Check>
    void ShowSheet(const std::wstring& title, const std::wstring& screenshot, Check check) {
        ASSERT_FALSE(unusedPages_.empty());
        PROPSHEETHEADERW sheet{};
        sheet.dwSize = sizeof sheet;
        sheet.dwFlags = PSH_MODELESS | PSH_PROPTITLE;
        sheet.pszCaption = title.c_str();
        sheet.nPages = static_cast<UINT>(unusedPages_.size());
        sheet.phpage = unusedPages_.data();
        HWND window = reinterpret_cast<HWND>(PropertySheetW(&sheet));
        ASSERT_NE(window, nullptr);
        unusedPages_.clear();  // the sheet owns them now
        ShowWindow(window, SW_SHOW);
        PropSheet_SetCurSel(window, nullptr, sheet.nPages - 1);
        Pump(600);
        EXPECT_TRUE(SaveScreenshot(window, JoinPath(ArtifactFolder(), screenshot)));
        check(PropSheet_GetCurrentPageHwnd(window));
        PropSheet_PressButton(window, PSBTN_OK);
        for (int i = 0; i < 200 && PropSheet_GetCurrentPageHwnd(window); ++i) Pump(10);
        EXPECT_EQ(PropSheet_GetCurrentPageHwnd(window), nullptr) << "the sheet closes on OK";
        DestroyWindow(window);
    }

    PROPSHEETUI_INFO& info() { return info_; }
    const COMPROPSHEETUI* description() const { return description_; }
    int descriptionsAdded() const { return descriptionsAdded_; }
    std::size_t pageCount() const { return pageTemplates_.size(); }
    const std::vector<WORD>& pageTemplates() const { return pageTemplates_; }
    const std::vector<DWORD>& pageSizes() const { return pageSizes_; }
    ULONG_PTR applyResult() const { return applyResult_; }
    void RefuseDescriptions() { refuseDescriptions_ = true; }

private:
    static LONG_PTR CALLBACK Callback(HANDLE sheet, UINT function, LPARAM first, LPARAM second) {
        auto* host = reinterpret_cast<CommonUiHost*>(sheet);
        switch (function) {
            case CPSFUNC_ADD_PCOMPROPSHEETUIW: {
                const auto* description = reinterpret_cast<const COMPROPSHEETUI*>(first);
                if (host->refuseDescriptions_ || !description || description->cbSize != sizeof(COMPROPSHEETUI))
                    return 0;
                host->description_ = description;
                ++host->descriptionsAdded_;
                // This host draws no option-item pages of its own.
                if (second) *reinterpret_cast<DWORD*>(second) = 0;
                return kDescriptionHandle;
            }
            case CPSFUNC_ADD_PROPSHEETPAGEW: {
                const auto* page = reinterpret_cast<const PROPSHEETPAGEW*>(first);
                if (!page) return 0;
                host->pageTemplates_.push_back(LOWORD(reinterpret_cast<ULONG_PTR>(page->pszTemplate)));
                host->pageSizes_.push_back(page->dwSize);
                HPROPSHEETPAGE created = CreatePropertySheetPageW(page);
                if (!created) return 0;
                host->unusedPages_.push_back(created);
                return reinterpret_cast<LONG_PTR>(created);
            }
            case CPSFUNC_ADD_HPROPSHEETPAGE:
                if (!first) return 0;
                host->unusedPages_.push_back(reinterpret_cast<HPROPSHEETPAGE>(first));
                return first;
            case CPSFUNC_SET_RESULT:
                return 1;
            default:
                return 0;
        }
    }

    SheetEntry entry_;
    PROPSHEETUI_INFO info_{};
    bool initialised_ = false;
    bool refuseDescriptions_ = false;
    const COMPROPSHEETUI* description_ = nullptr;
    int descriptionsAdded_ = 0;
    std::vector<WORD> pageTemplates_;
    std::vector<DWORD> pageSizes_;
    std::vector<HPROPSHEETPAGE> unusedPages_;
    ULONG_PTR applyResult_ = 0;
};

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
