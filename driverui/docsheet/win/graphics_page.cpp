#include "driverui/docsheet/win/graphics_page.h"

#include <commctrl.h>
#include <prsht.h>

#include <cstring>
#include <memory>
#include <vector>

#include "base/win/boundary.h"
#include "base/win/scoped.h"
#include "driverui/core/narrow_text.h"
#include "driverui/core/win/context.h"
#include "driverui/core/win/module.h"
#include "driverui/docsheet/binarise.h"
#include "driverui/docsheet/graphics_settings.h"
#include "driverui/docsheet/win/page_state_holder.h"
#include "resources/driverui/resource_ids.h"

namespace kelno {

namespace {

// The page's place among the context's page windows (Page Setup is 0).
constexpr std::size_t kPageWindowIndex = 1;

// What one open page keeps in its window's user data.
struct PageData {
    DriverContext* context = nullptr;
    bool ready = false;         // the posted ready command has arrived
    bool showOriginal = false;  // "View the original image"
};

PageData* DataOf(HWND page) { return reinterpret_cast<PageData*>(GetWindowLongPtrW(page, GWLP_USERDATA)); }

bool Checked(HWND page, int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; }
void Check(HWND page, int id, bool on) { CheckDlgButton(page, id, on ? BST_CHECKED : BST_UNCHECKED); }
void Enable(HWND page, int id, bool on) { EnableWindow(GetDlgItem(page, id), on ? TRUE : FALSE); }

// The controls whose clicks are the page's commands.
bool IsCommandControl(int id) {
    for (const DitherChoice& choice : kDitherChoices)
        if (choice.control == id) return true;
    return id == IDC_GRAPHICS_LOW_RESOLUTION || id == IDC_GRAPHICS_TWO_COLOURS || id == IDC_GRAPHICS_DASHED_LINES ||
           id == IDC_GRAPHICS_VIEW_ORIGINAL;
}

void SetUpTrackbar(HWND page, int id) {
    HWND bar = GetDlgItem(page, id);
    SendMessageW(bar, TBM_SETRANGE, FALSE, MAKELPARAM(0, kTrackbarMaximum));
    SendMessageW(bar, TBM_SETPAGESIZE, 0, kTrackbarTick);
    SendMessageW(bar, TBM_CLEARTICS, FALSE, 0);
    for (int tick = kTrackbarTick; tick < kTrackbarMaximum; tick += kTrackbarTick)
        SendMessageW(bar, TBM_SETTIC, 0, tick);
}

void ShowTwoColourRule(HWND page) {
    const TwoColourOptions options =
        ApplyTwoColourRule(Checked(page, IDC_GRAPHICS_TWO_COLOURS), Checked(page, IDC_GRAPHICS_LOW_RESOLUTION),
                           Checked(page, IDC_GRAPHICS_DASHED_LINES));
    Check(page, IDC_GRAPHICS_LOW_RESOLUTION, options.enhanceChecked);
    Check(page, IDC_GRAPHICS_DASHED_LINES, options.dashedChecked);
    Enable(page, IDC_GRAPHICS_LOW_RESOLUTION, options.optionsEnabled);
    Enable(page, IDC_GRAPHICS_DASHED_LINES, options.optionsEnabled);
}

void FillSpecialColours(HWND page, std::uint16_t value) {
    HWND list = GetDlgItem(page, IDC_GRAPHICS_SPECIAL_COLOUR);
    SendMessageW(list, CB_RESETCONTENT, 0, 0);
    for (std::uint32_t id : kSpecialColourStrings)
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ResourceWString(id).c_str()));
    const std::optional<int> item = SpecialColourItem(value);
    SendMessageW(list, CB_SETCURSEL, item ? static_cast<WPARAM>(*item) : static_cast<WPARAM>(-1), 0);
}

// The sample picture as a packed 24-bit DIB (header, then the rows as stored) rendered with the
// settings; empty when the resource is missing or not a 24-bit picture without colour table.
std::vector<std::uint8_t> RenderPreviewSample(HMODULE module, const PreviewSettings& settings) {
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(IDB_PREVIEW_SAMPLE), MAKEINTRESOURCEW(2) /* RT_BITMAP */);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const auto* bytes = loaded ? static_cast<const std::uint8_t*>(LockResource(loaded)) : nullptr;
    const DWORD size = found ? SizeofResource(module, found) : 0;
    if (!bytes || size < sizeof(BITMAPINFOHEADER)) return {};
    BITMAPINFOHEADER header{};
    std::memcpy(&header, bytes, sizeof header);
    const bool bottomUp = header.biHeight > 0;
    const LONG height = bottomUp ? header.biHeight : -header.biHeight;
    if (header.biSize < sizeof header || header.biSize > size || header.biBitCount != 24 ||
        header.biCompression != BI_RGB || header.biClrUsed != 0 || header.biWidth <= 0 || height <= 0 ||
        header.biWidth > 4096 || height > 4096)
        return {};
    const auto width = static_cast<std::uint32_t>(header.biWidth);
    const std::size_t rowBytes = Bgr24RowBytes(width);
    const std::size_t pixelBytes = rowBytes * static_cast<std::size_t>(height);
    if (size - header.biSize < pixelBytes) return {};

    // A fresh copy: the resource's bytes are read-only.
    std::vector<std::uint8_t> dib(bytes, bytes + header.biSize + pixelBytes);
    std::uint8_t* pixels = dib.data() + header.biSize;
    const auto rows = static_cast<std::uint32_t>(height);
    // Rendered from the top row down, whichever way the rows are stored.
    std::uint8_t* top = bottomUp ? pixels + rowBytes * (rows - 1) : pixels;
    const std::ptrdiff_t stride =
        bottomUp ? -static_cast<std::ptrdiff_t>(rowBytes) : static_cast<std::ptrdiff_t>(rowBytes);
    std::vector<std::uint8_t> grey(PaddedRowBytes(width) * rows);
    RenderPreview(top, stride, width, rows, settings, grey.data());
    return dib;
}

// Hands a new picture to the preview static and deletes the one it showed before.
void ShowPreview(HWND page, const PageState& state, bool showOriginal) {
    const std::vector<std::uint8_t> dib = RenderPreviewSample(g_module, PreviewSettingsOf(state.devmode, showOriginal));
    if (dib.empty()) return;
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(dib.data());
    HDC dc = GetDC(page);
    ScopedGdiObject<HBITMAP> bitmap(CreateDIBitmap(dc, header, CBM_INIT, dib.data() + header->biSize,
                                                   reinterpret_cast<const BITMAPINFO*>(header), DIB_RGB_COLORS));
    ReleaseDC(page, dc);
    if (!bitmap) return;
    const ScopedGdiObject<HBITMAP> previous(reinterpret_cast<HBITMAP>(SendDlgItemMessageW(
        page, IDC_GRAPHICS_PREVIEW, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap.release()))));
}

void DropPreview(HWND page) {
    const ScopedGdiObject<HBITMAP> previous(
        reinterpret_cast<HBITMAP>(SendDlgItemMessageW(page, IDC_GRAPHICS_PREVIEW, STM_SETIMAGE, IMAGE_BITMAP, 0)));
}

// The values of the working copy: brightness and contrast, the dither level's radio button, the
// trackbars, and the preview.
void ShowValues(HWND page, const PageState& state, bool showOriginal) {
    const GraphicsSettings settings = GraphicsSettingsOf(state.devmode);
    SetDlgItemInt(page, IDC_GRAPHICS_BRIGHTNESS_VALUE, static_cast<UINT>(settings.brightness), TRUE);
    SetDlgItemInt(page, IDC_GRAPHICS_CONTRAST_VALUE, static_cast<UINT>(settings.contrast), TRUE);
    const std::optional<int> radio = DitherControl(settings.ditherLevel);
    for (const DitherChoice& choice : kDitherChoices) Check(page, choice.control, radio && *radio == choice.control);
    SendDlgItemMessageW(page, IDC_GRAPHICS_BRIGHTNESS, TBM_SETPOS, TRUE, TrackbarPosition(settings.brightness));
    SendDlgItemMessageW(page, IDC_GRAPHICS_CONTRAST, TBM_SETPOS, TRUE, TrackbarPosition(settings.contrast));
    ShowPreview(page, state, showOriginal);
}

// Opening, and every activation once the page is ready.
void Open(HWND page, const DriverContext& context, PageState& state, bool showOriginal) {
    const ModelFields& model = context.state.model.record.model;
    SetUpTrackbar(page, IDC_GRAPHICS_BRIGHTNESS);
    SetUpTrackbar(page, IDC_GRAPHICS_CONTRAST);
    const GraphicsSettings settings = GraphicsSettingsOf(state.devmode);
    Check(page, IDC_GRAPHICS_LOW_RESOLUTION, settings.lowResolutionEnhance != 0);
    Check(page, IDC_GRAPHICS_TWO_COLOURS, settings.twoColour != 0);
    Check(page, IDC_GRAPHICS_DASHED_LINES, settings.dashedLine != 0);
    Enable(page, IDC_GRAPHICS_TWO_COLOURS, model.twoColorCapable != 0);
    ShowTwoColourRule(page);
    FillSpecialColours(page, settings.specialColour);

    const bool tattoo = IsTattooMode(model.antiWrinkleFlag, FixedText(state.stockName));
    state.devmode.priv.ditherLevel = OpeningDitherLevel(state.devmode.priv.ditherLevel, tattoo);
    ShowValues(page, state, showOriginal);
}

// The controls into the working copy.
void ReadControls(HWND page, PageState& state) {
    GraphicsSettings settings = GraphicsSettingsOf(state.devmode);
    settings.brightness =
        TrackbarValue(static_cast<int>(SendDlgItemMessageW(page, IDC_GRAPHICS_BRIGHTNESS, TBM_GETPOS, 0, 0)));
    settings.contrast =
        TrackbarValue(static_cast<int>(SendDlgItemMessageW(page, IDC_GRAPHICS_CONTRAST, TBM_GETPOS, 0, 0)));
    for (const DitherChoice& choice : kDitherChoices)
        if (Checked(page, choice.control)) settings.ditherLevel = choice.level;
    settings.lowResolutionEnhance =
        CheckBoxValue(Checked(page, IDC_GRAPHICS_LOW_RESOLUTION), settings.lowResolutionEnhance);
    settings.dashedLine = CheckBoxValue(Checked(page, IDC_GRAPHICS_DASHED_LINES), settings.dashedLine);
    settings.twoColour = CheckBoxValue(Checked(page, IDC_GRAPHICS_TWO_COLOURS), settings.twoColour);
    const LRESULT item = SendDlgItemMessageW(page, IDC_GRAPHICS_SPECIAL_COLOUR, CB_GETCURSEL, 0, 0);
    if (item >= 0 && static_cast<std::size_t>(item) < kSpecialColourStrings.size())
        settings.specialColour = static_cast<std::uint16_t>(item);
    StoreGraphicsSettings(settings, state.devmode);
}

INT_PTR InitDialog(HWND page, LPARAM lParam) {
    const auto* sheetPage = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
    auto* context = sheetPage ? reinterpret_cast<DriverContext*>(sheetPage->lParam) : nullptr;
    if (!context) return TRUE;
    auto data = std::make_unique<PageData>();
    data->context = context;
    context->pageWindows[kPageWindowIndex] = page;
    PageState& state = OpenPageState(*context);
    Open(page, *context, state, data->showOriginal);
    SetWindowLongPtrW(page, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(data.release()));
    PostMessageW(page, WM_COMMAND, MAKEWPARAM(0, kPageReadyNotification), 0);
    return TRUE;
}

void Command(HWND page, PageData& data, int id, WORD code) {
    if (code == kPageReadyNotification && id == 0) {
        data.ready = true;
        return;
    }
    // A new special colour is a change like a click (the drop-down notifies with its own code).
    const bool colourChosen = id == IDC_GRAPHICS_SPECIAL_COLOUR && code == CBN_SELCHANGE;
    if (!colourChosen && (code != BN_CLICKED || !IsCommandControl(id))) return;
    PageState* state = PageStateOf(*data.context);
    if (!state) return;
    ShowTwoColourRule(page);
    data.showOriginal = Checked(page, IDC_GRAPHICS_VIEW_ORIGINAL);
    if (data.ready) ReadControls(page, *state);
    ShowPreview(page, *state, data.showOriginal);
    ReportPageChanges(page, *data.context);
}

void TrackbarMoved(HWND page, PageData& data) {
    PageState* state = PageStateOf(*data.context);
    if (!state) return;
    if (data.ready) ReadControls(page, *state);
    ShowValues(page, *state, data.showOriginal);
    ReportPageChanges(page, *data.context);
}

INT_PTR Notify(HWND page, PageData& data, const NMHDR& header) {
    PageState* state = PageStateOf(*data.context);
    switch (header.code) {
        case PSN_SETACTIVE:
            if (data.ready && state) Open(page, *data.context, *state, data.showOriginal);
            SetWindowLongPtrW(page, DWLP_MSGRESULT, 0);
            return TRUE;
        case PSN_APPLY:
            if (state) {
                ReadControls(page, *state);
                ApplyPageState(*data.context);
            }
            PropSheet_UnChanged(GetParent(page), page);
            SetWindowLongPtrW(page, DWLP_MSGRESULT, PSNRET_NOERROR);
            return TRUE;
        default: return FALSE;
    }
}

void Destroy(HWND page, PageData* data) {
    DropPreview(page);
    SetWindowLongPtrW(page, GWLP_USERDATA, 0);
    if (!data) return;
    if (data->context->pageWindows[kPageWindowIndex] == page) data->context->pageWindows[kPageWindowIndex] = nullptr;
    ClosePageState(*data->context);
    delete data;
}

INT_PTR HandleGraphicsMessage(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) return InitDialog(page, lParam);
    PageData* data = DataOf(page);
    if (message == WM_DESTROY) {
        Destroy(page, data);
        return FALSE;
    }
    if (!data) return FALSE;
    switch (message) {
        case WM_COMMAND: Command(page, *data, LOWORD(wParam), HIWORD(wParam)); return TRUE;
        case WM_HSCROLL: TrackbarMoved(page, *data); return TRUE;
        case WM_PAINT:
            if (const PageState* state = PageStateOf(*data->context)) ShowPreview(page, *state, data->showOriginal);
            return FALSE;
        case WM_NOTIFY: return lParam ? Notify(page, *data, *reinterpret_cast<const NMHDR*>(lParam)) : FALSE;
        default: return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK GraphicsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    return Guarded<INT_PTR>("Graphics Property page", FALSE,
                            [&] { return HandleGraphicsMessage(page, message, wParam, lParam); });
}

}  // namespace kelno
