#include "driverui/docsheet/win/page_setup_page.h"

#include <commctrl.h>
#include <prsht.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/wide_printf.h"
#include "base/win/boundary.h"
#include "base/win/wide_text.h"
#include "driverui/core/narrow_text.h"
#include "driverui/core/win/context.h"
#include "driverui/core/win/module.h"
#include "driverui/core/win/printer_data.h"
#include "driverui/docsheet/page_setup.h"
#include "driverui/docsheet/win/label_preview_drawing.h"
#include "driverui/docsheet/win/label_stock_dialog.h"
#include "driverui/docsheet/win/page_state_holder.h"
#include "resources/driverui/resource_ids.h"

namespace kelno {

namespace {

constexpr std::size_t kPageWindowIndex = 0;  // the first of the context's page windows
constexpr WORD kSetUpNotification = 1025;    // posted at the end of WM_INITDIALOG
constexpr UINT_PTR kRefreshTimer = 1;
constexpr UINT kRefreshDelay = 50;
constexpr int kMessageUnits = 320;

struct PageData {
    DriverContext* context = nullptr;
    MeasureUnit unit = MeasureUnit::millimetre;
    std::optional<std::vector<PaperRecord>> forms;  // "FORMS" as last read; nothing when the printer has none
    std::vector<StockItem> stocks;                  // the stock list's items
    std::vector<ListItem> speeds;                   // the speed list after its first item
};

PageData* DataOf(HWND page) { return reinterpret_cast<PageData*>(GetWindowLongPtrW(page, GWLP_USERDATA)); }

bool Checked(HWND page, int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; }
void Check(HWND page, int id, bool on) { CheckDlgButton(page, id, on ? BST_CHECKED : BST_UNCHECKED); }
void Enable(HWND page, int id, bool on) { EnableWindow(GetDlgItem(page, id), on ? TRUE : FALSE); }
std::u16string ControlText(HWND page, int id) {
    wchar_t text[64] = L"";
    GetDlgItemTextW(page, id, text, static_cast<int>(std::size(text)));
    return U16String(text);
}
void SetText(HWND page, int id, std::u16string_view text) { SetDlgItemTextW(page, id, WideString(text).c_str()); }
LRESULT Selection(HWND page, int id) { return SendDlgItemMessageW(page, id, CB_GETCURSEL, 0, 0); }
void Select(HWND page, int id, std::size_t item) {
    SendDlgItemMessageW(page, id, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
}
void AddItem(HWND page, int id, const std::wstring& text) {
    SendDlgItemMessageW(page, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}
void SetRange(HWND page, int spin, CountRange range) {
    SendDlgItemMessageW(page, spin, UDM_SETRANGE32, static_cast<WPARAM>(range.lower), static_cast<LPARAM>(range.upper));
}

const ModelFields& ModelOf(const PageData& data) { return data.context->state.model.record.model; }

// Label stocks may be edited: not when the settings are locked, not on anti-wrinkle models.
bool StocksEditable(const PageData& data) {
    return !SettingsLocked(data.context->state) && ModelOf(data).antiWrinkleFlag == 0;
}

// The stock the page works with: the list's entry of the state's name, else the context's
// current form as a paper.
std::optional<PaperRecord> SelectedPaper(const PageData& data, const PageState& state) {
    if (!data.forms) return std::nullopt;
    if (const PaperRecord* stock = FindStock(*data.forms, FixedText(state.stockName))) return *stock;
    const CurrentFormRecord& form = data.context->state.currentForm;
    PaperRecord paper{};
    std::memcpy(paper.name, form.name, sizeof paper.name);
    paper.id = form.id;
    paper.width = form.width;
    paper.height = form.height;
    paper.flags = form.flags;
    paper.gap = form.gap;
    paper.gapOffset = form.gapOffset;
    return paper;
}

// Edit and Delete follow the selected stock; "USER" can be neither edited nor deleted here.
void EnableStockButtons(HWND page, const PageData& data, const PageState& state) {
    const bool stock = data.forms && !data.stocks.empty() && FixedText(state.stockName) != kUserStockName;
    Enable(page, IDC_PAGESETUP_EDIT, stock && StocksEditable(data));
    Enable(page, IDC_PAGESETUP_DELETE, stock && StocksEditable(data));
}

// Reads "FORMS" and fills the stock list, selecting the state's stock.
void FillStocks(HWND page, PageData& data, PageState& state) {
    HWND list = GetDlgItem(page, IDC_PAGESETUP_STOCK);
    SendMessageW(list, CB_RESETCONTENT, 0, 0);
    data.forms = ReadFormList(data.context->printer);
    data.stocks.clear();
    if (!data.forms) return;
    data.stocks = StockListItems(*data.forms, data.unit, ModelOf(data).hideSizeInPaperName != 0);
    for (const StockItem& item : data.stocks) AddItem(page, IDC_PAGESETUP_STOCK, WideString(item.text));
    if (const std::optional<std::size_t> selected = StockSelection(data.stocks, FixedText(state.stockName))) {
        Select(page, IDC_PAGESETUP_STOCK, *selected);
        StoreFixedText(state.stockName, std::u16string_view(data.stocks[*selected].name));
    }
}

// The offsets of the state for the selected stock, with the up-down ranges of its size.
void ShowOffsets(HWND page, const PageData& data, PageState& state) {
    const std::optional<PaperRecord> paper = SelectedPaper(data, state);
    const CurrentFormRecord& form = data.context->state.currentForm;
    const std::int32_t width = paper ? paper->width : form.width;
    const std::int32_t height = paper ? paper->height : form.height;
    PrivateDevmode& priv = state.devmode.priv;
    priv.offsetH = ShownHorizontalOffset(priv.offsetH, ModelOf(data).paperAlignment, paper ? &*paper : nullptr);
    SetRange(page, IDC_PAGESETUP_OFFSET_H_SPIN, OffsetRange(width, data.unit));
    SetRange(page, IDC_PAGESETUP_OFFSET_V_SPIN, OffsetRange(height, data.unit));
    SetText(page, IDC_PAGESETUP_OFFSET_H, LengthText(priv.offsetH, data.unit));
    SetText(page, IDC_PAGESETUP_OFFSET_V, LengthText(priv.offsetV, data.unit));
    EnableStockButtons(page, data, state);
}

void FillLists(HWND page, PageData& data, const PageState& state) {
    const PrivateDevmode& priv = state.devmode.priv;
    for (std::uint32_t id : kDirectionStrings) AddItem(page, IDC_PAGESETUP_DIRECTION, ResourceWString(id));
    Select(page, IDC_PAGESETUP_DIRECTION,
           static_cast<std::size_t>(DirectionItem(state.devmode.pub.dmOrientation, priv.effectFlags)));

    const std::wstring printerSetting = ResourceWString(IDS_USE_PRINTER_SETTING);
    AddItem(page, IDC_PAGESETUP_SPEED, printerSetting);
    data.speeds = SpeedItems(ModelOf(data));
    for (const ListItem& item : data.speeds) AddItem(page, IDC_PAGESETUP_SPEED, WideString(item.text));
    Select(page, IDC_PAGESETUP_SPEED, SpeedSelection(data.speeds, priv.printSpeed));
    Enable(page, IDC_PAGESETUP_SPEED, !data.speeds.empty());

    AddItem(page, IDC_PAGESETUP_DARKNESS, printerSetting);
    const std::vector<std::u16string> levels = DarknessItems(ModelOf(data));
    for (const std::u16string& level : levels) AddItem(page, IDC_PAGESETUP_DARKNESS, WideString(level));
    if (const std::optional<std::size_t> item = DarknessSelection(levels.size() + 1, priv.darkness))
        Select(page, IDC_PAGESETUP_DARKNESS, *item);

    for (std::uint32_t id : kScaleModeStrings) AddItem(page, IDC_PAGESETUP_SCALE_MODE, ResourceWString(id));
    if (priv.printingScaleMode < std::size(kScaleModeStrings))
        Select(page, IDC_PAGESETUP_SCALE_MODE, priv.printingScaleMode);
    Enable(page, IDC_PAGESETUP_SCALE_WIDTH, priv.printingScaleMode != 0);
}

// A length edit into its field. A text that still shows the field's value keeps the field as it
// is: the unit's precision must not change a value the user did not touch.
void ReadLength(HWND page, int id, MeasureUnit unit, std::int32_t& field) {
    const std::u16string text = ControlText(page, id);
    if (text != LengthText(field, unit)) field = MicrometresFromText(text, unit);
}

// The page's controls into the state (only once the page is set up).
void ReadControls(HWND page, PageData& data, PageState& state) {
    PrivateDevmode& priv = state.devmode.priv;
    const LRESULT stock = Selection(page, IDC_PAGESETUP_STOCK);
    if (stock >= 0 && static_cast<std::size_t>(stock) < data.stocks.size())
        StoreFixedText(state.stockName, std::u16string_view(data.stocks[static_cast<std::size_t>(stock)].name));
    EnableStockButtons(page, data, state);

    StoreDirection(static_cast<int>(Selection(page, IDC_PAGESETUP_DIRECTION)), state.devmode.pub.dmOrientation,
                   priv.effectFlags);
    const LRESULT speed = Selection(page, IDC_PAGESETUP_SPEED);
    if (speed == 0) priv.printSpeed = 0;
    else if (speed > 0 && static_cast<std::size_t>(speed) <= data.speeds.size())
        priv.printSpeed = data.speeds[static_cast<std::size_t>(speed) - 1].value;
    const LRESULT darkness = Selection(page, IDC_PAGESETUP_DARKNESS);
    if (darkness >= 0) priv.darkness = static_cast<std::uint32_t>(darkness);

    priv.effectFlags =
        Checked(page, IDC_PAGESETUP_MIRROR) ? priv.effectFlags | kEffectMirror : priv.effectFlags & ~kEffectMirror;
    priv.effectFlags = Checked(page, IDC_PAGESETUP_NEGATIVE) ? priv.effectFlags | kEffectNegative
                                                             : priv.effectFlags & ~kEffectNegative;
    ReadLength(page, IDC_PAGESETUP_OFFSET_H, data.unit, priv.offsetH);
    ReadLength(page, IDC_PAGESETUP_OFFSET_V, data.unit, priv.offsetV);
    state.devmode.pub.dmCopies = CopiesFromText(ControlText(page, IDC_PAGESETUP_COPIES),
                                                CopiesRange(data.context->state.model.record.maxCopies));

    std::int32_t scaleWidth = static_cast<std::int32_t>(std::min<std::uint32_t>(priv.scaleWidth, INT32_MAX));
    ReadLength(page, IDC_PAGESETUP_SCALE_WIDTH, data.unit, scaleWidth);
    priv.scaleWidth = static_cast<std::uint32_t>(scaleWidth < 0 ? 0 : scaleWidth);
    const LRESULT mode = Selection(page, IDC_PAGESETUP_SCALE_MODE);
    if (mode >= 0) priv.printingScaleMode = static_cast<std::uint16_t>(mode);
    priv.ignoreBlankPages = Checked(page, IDC_PAGESETUP_IGNORE_BLANK) ? 1 : 0;
}

// Reads the controls, redraws the preview and tells the sheet whether anything changed.
void Refresh(HWND page, PageData& data) {
    PageState* state = PageStateOf(*data.context);
    if (!state) return;
    if (PageStateSetUp(*data.context)) ReadControls(page, data, *state);
    InvalidateRect(GetDlgItem(page, IDC_PAGESETUP_PREVIEW), nullptr, FALSE);
    ReportPageChanges(page, *data.context);
}

void DrawPreview(const PageData& data, const DRAWITEMSTRUCT& item) {
    const PageState* state = PageStateOf(*data.context);
    const std::optional<PaperRecord> paper = state ? SelectedPaper(data, *state) : std::nullopt;
    LabelPreviewOptions options;
    if (state) {
        const std::uint32_t flags = state->devmode.priv.effectFlags;
        options.angle = PreviewAngle(state->devmode.pub.dmOrientation == kLandscape, (flags & kEffectRotate180) != 0);
        options.mirror = (flags & kEffectMirror) != 0;
        options.negative = (flags & kEffectNegative) != 0;
    }
    const ModelRecord& model = data.context->state.model.record;
    PaintPreviewItem(item, paper ? &*paper : nullptr, model.maxPrintableWidth, model.model.paperAlignment, options);
}

INT_PTR InitDialog(HWND page, LPARAM lParam) {
    const auto* sheetPage = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
    auto* context = sheetPage ? reinterpret_cast<DriverContext*>(sheetPage->lParam) : nullptr;
    if (!context) return TRUE;
    auto owned = std::make_unique<PageData>();
    PageData& data = *owned;
    data.context = context;
    data.unit = DisplayUnitOf(context->state.measureUnit);
    PageState& state = ReloadPageState(*context);

    const std::optional<std::uint32_t> unitName = UnitNameString(context->state.measureUnit);
    const std::wstring unitText = unitName ? ResourceWString(*unitName) : std::wstring();
    for (int id : {IDC_PAGESETUP_UNIT_H, IDC_PAGESETUP_UNIT_V, IDC_PAGESETUP_UNIT_SCALE})
        SetDlgItemTextW(page, id, unitText.c_str());

    const bool unlocked = !SettingsLocked(context->state);
    Enable(page, IDC_PAGESETUP_STOCK, unlocked);
    for (int id : {IDC_PAGESETUP_NEW, IDC_PAGESETUP_EDIT, IDC_PAGESETUP_DELETE}) Enable(page, id, StocksEditable(data));

    // Every control is filled even when the printer has no stock list, so that reading them
    // never stores values the page did not show.
    FillStocks(page, data, state);
    FillLists(page, data, state);
    const PrivateDevmode& priv = state.devmode.priv;
    Check(page, IDC_PAGESETUP_MIRROR, (priv.effectFlags & kEffectMirror) != 0);
    Check(page, IDC_PAGESETUP_NEGATIVE, (priv.effectFlags & kEffectNegative) != 0);
    Check(page, IDC_PAGESETUP_IGNORE_BLANK, priv.ignoreBlankPages != 0);
    const CountRange copies = CopiesRange(context->state.model.record.maxCopies);
    SetText(page, IDC_PAGESETUP_COPIES, CopiesText(state.devmode.pub.dmCopies));
    SetRange(page, IDC_PAGESETUP_COPIES_SPIN, copies);
    ShowOffsets(page, data, state);
    SetText(page, IDC_PAGESETUP_SCALE_WIDTH, LengthText(priv.scaleWidth, data.unit));
    SetRange(page, IDC_PAGESETUP_SCALE_WIDTH_SPIN, kScaleWidthRange);

    SetWindowLongPtrW(page, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owned.release()));
    PostMessageW(page, WM_COMMAND, MAKEWPARAM(0, kSetUpNotification), 0);
    context->pageWindows[kPageWindowIndex] = page;
    return TRUE;
}

std::wstring Formatted(std::uint32_t id, std::u16string_view name) {
    char16_t text[kMessageUnits] = u"";
    const std::u16string format = ResourceString(id);
    const std::u16string argument(name);
    FormatWideArgs(text, std::size(text), format.c_str(), argument.c_str());
    return WideString(FixedText(text));
}

// New or Edit: the stock editor; a saved stock is selected.
void EditStock(HWND page, PageData& data, bool newStock) {
    PageState* state = PageStateOf(*data.context);
    if (!state) return;
    LabelStockRequest request;
    request.context = data.context;
    request.state = state;
    if (!newStock) std::memcpy(request.name, state->stockName, sizeof request.name);
    if (!EditLabelStock(page, request)) return;
    std::memcpy(state->stockName, request.name, sizeof state->stockName);
    FillStocks(page, data, *state);
    ShowOffsets(page, data, *state);
    Refresh(page, data);
}

void DeleteStock(HWND page, PageData& data) {
    PageState* state = PageStateOf(*data.context);
    if (!state) return;
    const std::u16string name(FixedText(state->stockName));
    if (name.empty() || name == kUserStockName) return;
    if (MessageBoxW(page, Formatted(IDS_REMOVE_STOCK_QUESTION, name).c_str(), ResourceWString(IDS_QUESTION).c_str(),
                    MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    // Removing a stock is no reason to drop the sheet's right to apply its other settings.
    const std::uint16_t permission = data.context->state.permission;
    const DWORD status = DeleteFormByName(*data.context, name);
    data.context->state.permission = permission;
    if (status != ERROR_SUCCESS) {
        MessageBoxW(page, Formatted(IDS_REMOVE_STOCK_FAILED, name).c_str(), ResourceWString(IDS_INFORMATION).c_str(),
                    MB_OK | MB_ICONINFORMATION);
    } else {
        StoreFixedText(state->stockName, std::u16string_view(kUserStockName));
    }
    FillStocks(page, data, *state);
    ShowOffsets(page, data, *state);
    Refresh(page, data);
}

void Command(HWND page, PageData& data, int id, WORD code) {
    if (id == 0 && code == kSetUpNotification) {
        MarkPageStateSetUp(*data.context);
        return;
    }
    if (!PageStateSetUp(*data.context)) return;
    PageState* state = PageStateOf(*data.context);
    if (!state) return;
    switch (code) {
        case BN_CLICKED:
            switch (id) {
                case IDC_PAGESETUP_NEW: return EditStock(page, data, true);
                case IDC_PAGESETUP_EDIT: return EditStock(page, data, false);
                case IDC_PAGESETUP_DELETE: return DeleteStock(page, data);
                case IDC_PAGESETUP_MIRROR:
                case IDC_PAGESETUP_NEGATIVE:
                case IDC_PAGESETUP_IGNORE_BLANK: return Refresh(page, data);
                default: return;
            }
        case CBN_SELCHANGE:
            if (id == IDC_PAGESETUP_SCALE_MODE) Enable(page, IDC_PAGESETUP_SCALE_WIDTH, Selection(page, id) > 0);
            Refresh(page, data);
            if (id == IDC_PAGESETUP_STOCK) ShowOffsets(page, data, *state);
            return;
        case EN_CHANGE:
            if (id == IDC_PAGESETUP_OFFSET_H || id == IDC_PAGESETUP_OFFSET_V || id == IDC_PAGESETUP_COPIES ||
                id == IDC_PAGESETUP_SCALE_WIDTH)
                Refresh(page, data);
            return;
        case EN_KILLFOCUS: {
            // A typed value is held in its up-down's range when the edit is left.
            const std::u16string typed = ControlText(page, id);
            std::u16string clamped = typed;
            const auto spinRange = [&](int spin) {
                int lower = 0, upper = 0;
                SendDlgItemMessageW(page, spin, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lower),
                                    reinterpret_cast<LPARAM>(&upper));
                return CountRange{lower, upper};
            };
            if (id == IDC_PAGESETUP_OFFSET_H)
                clamped = StepLengthText(typed, data.unit, 0, spinRange(IDC_PAGESETUP_OFFSET_H_SPIN));
            else if (id == IDC_PAGESETUP_OFFSET_V)
                clamped = StepLengthText(typed, data.unit, 0, spinRange(IDC_PAGESETUP_OFFSET_V_SPIN));
            else if (id == IDC_PAGESETUP_SCALE_WIDTH) clamped = StepLengthText(typed, data.unit, 0, kScaleWidthRange);
            else if (id == IDC_PAGESETUP_COPIES)
                clamped = StepIntegerText(typed, 0, spinRange(IDC_PAGESETUP_COPIES_SPIN));
            if (clamped != typed) SetText(page, id, clamped);
            return;
        }
        default: return;
    }
}

// An up-down arrow: the buddy edit's value moves by the step, held in the range.
INT_PTR SpinMoved(HWND page, PageData& data, const NMUPDOWN& change) {
    int edit = 0;
    switch (change.hdr.idFrom) {
        case IDC_PAGESETUP_OFFSET_H_SPIN: edit = IDC_PAGESETUP_OFFSET_H; break;
        case IDC_PAGESETUP_OFFSET_V_SPIN: edit = IDC_PAGESETUP_OFFSET_V; break;
        case IDC_PAGESETUP_COPIES_SPIN: edit = IDC_PAGESETUP_COPIES; break;
        case IDC_PAGESETUP_SCALE_WIDTH_SPIN: edit = IDC_PAGESETUP_SCALE_WIDTH; break;
        default: return FALSE;
    }
    int lower = 0, upper = 0;
    SendMessageW(change.hdr.hwndFrom, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lower),
                 reinterpret_cast<LPARAM>(&upper));
    const CountRange range{lower, upper};
    const std::u16string text = ControlText(page, edit);
    SetText(page, edit,
            edit == IDC_PAGESETUP_COPIES ? StepIntegerText(text, change.iDelta, range)
                                         : StepLengthText(text, data.unit, change.iDelta, range));
    SetWindowLongPtrW(page, DWLP_MSGRESULT, TRUE);  // the up-down keeps no position of its own
    return TRUE;
}

INT_PTR Notify(HWND page, PageData& data, const NMHDR& header) {
    switch (header.code) {
        case UDN_DELTAPOS: return SpinMoved(page, data, reinterpret_cast<const NMUPDOWN&>(header));
        case PSN_SETACTIVE:
            SetTimer(page, kRefreshTimer, kRefreshDelay, nullptr);
            SetWindowLongPtrW(page, DWLP_MSGRESULT, 0);
            return TRUE;
        case PSN_APPLY:
            if (PageState* state = PageStateOf(*data.context)) {
                if (PageStateSetUp(*data.context)) ReadControls(page, data, *state);
                ApplyPageState(*data.context);
            }
            PropSheet_UnChanged(GetParent(page), page);
            SetWindowLongPtrW(page, DWLP_MSGRESULT, PSNRET_NOERROR);
            return TRUE;
        default: return FALSE;
    }
}

void Destroy(HWND page, PageData* data) {
    KillTimer(page, kRefreshTimer);
    SetWindowLongPtrW(page, GWLP_USERDATA, 0);
    if (!data) return;
    if (data->context->pageWindows[kPageWindowIndex] == page) data->context->pageWindows[kPageWindowIndex] = nullptr;
    ClosePageState(*data->context);
    delete data;
}

INT_PTR HandlePageSetupMessage(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) return InitDialog(page, lParam);
    PageData* data = DataOf(page);
    if (message == WM_DESTROY) {
        Destroy(page, data);
        return FALSE;
    }
    if (!data) return FALSE;
    switch (message) {
        case WM_COMMAND: Command(page, *data, LOWORD(wParam), HIWORD(wParam)); return TRUE;
        case WM_NOTIFY: return lParam ? Notify(page, *data, *reinterpret_cast<const NMHDR*>(lParam)) : FALSE;
        case WM_TIMER:
            if (wParam != kRefreshTimer) return FALSE;
            KillTimer(page, kRefreshTimer);
            Refresh(page, *data);
            return TRUE;
        case WM_PAINT:
            if (PageStateSetUp(*data->context)) Refresh(page, *data);
            return FALSE;
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (!item || item->CtlID != IDC_PAGESETUP_PREVIEW) return FALSE;
            DrawPreview(*data, *item);
            return TRUE;
        }
        default: return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK PageSetupPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    return Guarded<INT_PTR>("Page Setup page", FALSE,
                            [&] { return HandlePageSetupMessage(page, message, wParam, lParam); });
}

}  // namespace kelno
