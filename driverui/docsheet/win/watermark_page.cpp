#include "driverui/docsheet/win/watermark_page.h"

#include <commctrl.h>
#include <commdlg.h>
#include <prsht.h>

#include <memory>
#include <string>
#include <vector>

#include "base/win/boundary.h"
#include "base/win/scoped.h"
#include "base/win/wide_text.h"
#include "driverui/core/win/context.h"
#include "driverui/core/win/module.h"
#include "driverui/docsheet/binarise.h"
#include "driverui/docsheet/watermark_preview.h"
#include "driverui/docsheet/watermark_settings.h"
#include "driverui/docsheet/win/graphics_page.h"
#include "driverui/docsheet/win/page_state_holder.h"
#include "driverui/docsheet/win/watermark_picture.h"
#include "resources/driverui/resource_ids.h"

namespace kelno {

namespace {

// The page's place among the context's page windows (Page Setup is 0, Graphics Property 1).
constexpr std::size_t kPageWindowIndex = 2;
// The timer that draws the preview once the activated page has painted.
constexpr UINT_PTR kPreviewTimer = 2;
constexpr UINT kPreviewDelayMs = 50;
constexpr std::size_t kPathUnits = 260;

// What one open page keeps in its window's user data. Decoding and binarising a large picture
// takes a while, so the page keeps the last of each: a trackbar move of the scale or position
// only places the picture again.
struct PageData {
    DriverContext* context = nullptr;
    bool ready = false;  // the posted ready command has arrived
    std::wstring loadedPath;
    bool loaded = false;
    WatermarkPicture picture;  // grey picture of loadedPath
    std::uint16_t binarisedBrightness = 0;
    bool binarised = false;
    WatermarkPicture binarisedPicture;
};

PageData* DataOf(HWND page) { return reinterpret_cast<PageData*>(GetWindowLongPtrW(page, GWLP_USERDATA)); }

bool Checked(HWND page, int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; }

void EnableBrowse(HWND page) {
    EnableWindow(GetDlgItem(page, IDC_WATERMARK_BROWSE), Checked(page, IDC_WATERMARK_ENABLE) ? TRUE : FALSE);
}

std::wstring PathText(HWND page) {
    wchar_t path[kPathUnits] = L"";
    GetDlgItemTextW(page, IDC_WATERMARK_PATH, path, static_cast<int>(std::size(path)));
    return path;
}

// The working copy's settings into the controls.
void ShowSettings(HWND page, const PageState& state) {
    const WatermarkSettings settings = WatermarkSettingsOf(state.devmode);
    for (const WatermarkTrackbar& trackbar : kWatermarkTrackbars) {
        HWND bar = GetDlgItem(page, trackbar.control);
        SendMessageW(bar, TBM_SETRANGE, FALSE, MAKELPARAM(0, trackbar.maximum));
        SendMessageW(bar, TBM_SETPAGESIZE, 0, kWatermarkTrackbarPage);
        SendMessageW(bar, TBM_SETPOS, TRUE, WatermarkTrackbarPosition(trackbar, settings));
    }
    CheckDlgButton(page, IDC_WATERMARK_ENABLE, settings.on ? BST_CHECKED : BST_UNCHECKED);
    EnableBrowse(page);
    SendDlgItemMessageW(page, IDC_WATERMARK_PATH, EM_LIMITTEXT, kPathUnits - 1, 0);
    SetDlgItemTextW(page, IDC_WATERMARK_PATH, WidePtr(settings.path.c_str()));
}

// The controls into the working copy.
void ReadControls(HWND page, PageState& state) {
    WatermarkSettings settings = WatermarkSettingsOf(state.devmode);
    settings.on = Checked(page, IDC_WATERMARK_ENABLE);
    for (const WatermarkTrackbar& trackbar : kWatermarkTrackbars)
        StoreWatermarkTrackbarPosition(
            trackbar, static_cast<long>(SendDlgItemMessageW(page, trackbar.control, TBM_GETPOS, 0, 0)), settings);
    const std::wstring path = PathText(page);
    settings.path.assign(path.begin(), path.end());
    StoreWatermarkSettings(settings, state.devmode);
}

// The picture binarised with the brightness, from the kept copies where they serve.
const WatermarkPicture& BinarisedPicture(PageData& data, const std::wstring& path, std::uint16_t brightness) {
    if (!data.loaded || data.loadedPath != path) {
        data.picture = ReadWatermarkPicture(path.c_str());
        data.loadedPath = path;
        data.loaded = true;
        data.binarised = false;
    }
    if (!data.binarised || data.binarisedBrightness != brightness) {
        data.binarisedPicture = BinariseWatermark(data.picture, brightness);
        data.binarisedBrightness = brightness;
        data.binarised = true;
    }
    return data.binarisedPicture;
}

// Hands the frame to the preview static as a bitmap and deletes the one it showed before.
void ShowFrame(HWND page, const WatermarkPicture& frame) {
    if (frame.Empty()) return;
    struct GreyInfo {
        BITMAPINFOHEADER header;
        RGBQUAD colours[256];
    } info{};
    info.header.biSize = sizeof info.header;
    info.header.biWidth = static_cast<LONG>(frame.width);
    info.header.biHeight = -static_cast<LONG>(frame.height);  // top row first
    info.header.biPlanes = 1;
    info.header.biBitCount = 8;
    info.header.biCompression = BI_RGB;
    info.header.biClrUsed = 256;
    for (int i = 0; i < 256; ++i) {
        const auto level = static_cast<BYTE>(i);
        info.colours[i] = RGBQUAD{level, level, level, 0};
    }
    HDC dc = GetDC(page);
    ScopedGdiObject<HBITMAP> bitmap(CreateDIBitmap(dc, &info.header, CBM_INIT, frame.grey.data(),
                                                   reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS));
    ReleaseDC(page, dc);
    if (!bitmap) return;
    const ScopedGdiObject<HBITMAP> previous(reinterpret_cast<HBITMAP>(SendDlgItemMessageW(
        page, IDC_WATERMARK_PREVIEW, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap.release()))));
}

void DropPreview(HWND page) {
    const ScopedGdiObject<HBITMAP> previous(
        reinterpret_cast<HBITMAP>(SendDlgItemMessageW(page, IDC_WATERMARK_PREVIEW, STM_SETIMAGE, IMAGE_BITMAP, 0)));
}

// Reads the controls into the working copy (once the page is ready), draws the preview and
// tells the sheet whether the page's settings differ from the DEVMODE.
void PreviewWatermark(HWND page, PageData& data) {
    PageState* state = PageStateOf(*data.context);
    if (!state) return;
    if (data.ready) ReadControls(page, *state);
    const WatermarkSettings settings = WatermarkSettingsOf(state->devmode);

    RECT client{};
    GetClientRect(GetDlgItem(page, IDC_WATERMARK_PREVIEW), &client);
    const auto frameWidth = static_cast<std::uint32_t>(std::max<LONG>(client.right - client.left, 0));
    const auto frameHeight = static_cast<std::uint32_t>(std::max<LONG>(client.bottom - client.top, 0));
    WatermarkPicture shown;
    WatermarkPlacement placement;
    if (settings.on && !settings.path.empty()) {
        const std::wstring path(settings.path.begin(), settings.path.end());
        const WatermarkPicture& binarised = BinarisedPicture(data, path, settings.brightness);
        shown = binarised;
        placement = PlaceWatermark(binarised.width, binarised.height, frameWidth, frameHeight, settings.scale,
                                   settings.horizontal, settings.vertical);
    }
    ShowFrame(page, ComposeWatermarkPreview(shown, frameWidth, frameHeight, placement));

    HWND sheet = GetParent(page);
    if (WatermarkFieldsDiffer(state->devmode, data.context->state.devmode)) PropSheet_Changed(sheet, page);
    else PropSheet_UnChanged(sheet, page);
}

// "...": the file choice. Cancel changes nothing.
void ChooseFile(HWND page, PageData& data) {
    const std::wstring filterText = ResourceWString(IDS_WATERMARK_FILTER);
    const std::u16string filter = WatermarkFileFilter(std::u16string(filterText.begin(), filterText.end()));
    wchar_t path[kPathUnits] = L"";
    GetDlgItemTextW(page, IDC_WATERMARK_PATH, path, static_cast<int>(std::size(path)));
    OPENFILENAMEW choice{};
    choice.lStructSize = sizeof choice;
    choice.hwndOwner = page;
    choice.lpstrFilter = WidePtr(filter.c_str());
    choice.lpstrFile = path;
    choice.nMaxFile = static_cast<DWORD>(std::size(path));
    choice.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    if (!GetOpenFileNameW(&choice)) return;
    // Chosen again: the file is read again, it may have changed.
    data.loaded = false;
    SetDlgItemTextW(page, IDC_WATERMARK_PATH, path);
}

INT_PTR InitDialog(HWND page, LPARAM lParam) {
    const auto* sheetPage = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
    auto* context = sheetPage ? reinterpret_cast<DriverContext*>(sheetPage->lParam) : nullptr;
    if (!context) return TRUE;
    auto data = std::make_unique<PageData>();
    data->context = context;
    context->pageWindows[kPageWindowIndex] = page;
    ShowSettings(page, OpenPageState(*context));
    SetWindowLongPtrW(page, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(data.release()));
    PostMessageW(page, WM_COMMAND, MAKEWPARAM(0, kPageReadyNotification), 0);
    return TRUE;
}

void Command(HWND page, PageData& data, int id, WORD code) {
    if (code == kPageReadyNotification && id == 0) {
        data.ready = true;
        return;
    }
    if (!data.ready) return;
    if (id == IDC_WATERMARK_BROWSE && code == BN_CLICKED) ChooseFile(page, data);
    if (id == IDC_WATERMARK_ENABLE) EnableBrowse(page);
    PreviewWatermark(page, data);
}

INT_PTR Notify(HWND page, PageData& data, const NMHDR& header) {
    switch (header.code) {
        case PSN_SETACTIVE:
            SetTimer(page, kPreviewTimer, kPreviewDelayMs, nullptr);
            SetWindowLongPtrW(page, DWLP_MSGRESULT, 0);
            return TRUE;
        case PSN_APPLY:
            PreviewWatermark(page, data);
            if (const PageState* state = PageStateOf(*data.context))
                CopyWatermarkFields(state->devmode, data.context->state.devmode);
            PropSheet_UnChanged(GetParent(page), page);
            SetWindowLongPtrW(page, DWLP_MSGRESULT, PSNRET_NOERROR);
            return TRUE;
        default: return FALSE;
    }
}

void Destroy(HWND page, PageData* data) {
    KillTimer(page, kPreviewTimer);
    DropPreview(page);
    SetWindowLongPtrW(page, GWLP_USERDATA, 0);
    if (!data) return;
    if (data->context->pageWindows[kPageWindowIndex] == page) data->context->pageWindows[kPageWindowIndex] = nullptr;
    ClosePageState(*data->context);
    delete data;
}

INT_PTR HandleWatermarkMessage(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) return InitDialog(page, lParam);
    PageData* data = DataOf(page);
    if (message == WM_DESTROY) {
        Destroy(page, data);
        return FALSE;
    }
    if (!data) return FALSE;
    switch (message) {
        case WM_COMMAND: Command(page, *data, LOWORD(wParam), HIWORD(wParam)); return TRUE;
        case WM_HSCROLL:
            if (data->ready) PreviewWatermark(page, *data);
            return TRUE;
        case WM_TIMER:
            if (wParam != kPreviewTimer) return FALSE;
            KillTimer(page, kPreviewTimer);
            PostMessageW(page, WM_COMMAND, 0, 0);
            return TRUE;
        case WM_NOTIFY: return lParam ? Notify(page, *data, *reinterpret_cast<const NMHDR*>(lParam)) : FALSE;
        default: return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK WatermarkPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    return Guarded<INT_PTR>("WaterMark page", FALSE,
                            [&] { return HandleWatermarkMessage(page, message, wParam, lParam); });
}

bool WatermarkPageShown(const DriverContext& context) {
    return HasWatermarkPage(context.state.devmode.priv.printerType);
}

}  // namespace kelno
