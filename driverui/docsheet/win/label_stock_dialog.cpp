#include "driverui/docsheet/win/label_stock_dialog.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/win/boundary.h"
#include "base/win/wide_text.h"
#include "driverui/core/narrow_text.h"
#include "driverui/core/win/context.h"
#include "driverui/core/win/module.h"
#include "driverui/core/win/printer_data.h"
#include "driverui/core/win/printer_info.h"
#include "driverui/docsheet/label_stock.h"
#include "driverui/docsheet/page_state.h"
#include "driverui/docsheet/win/label_preview_drawing.h"
#include "resources/driverui/resource_ids.h"

namespace kelno {

namespace {

constexpr WORD kReadyNotification = 1025;  // posted at the end of WM_INITDIALOG
constexpr UINT_PTR kDrawTimer = 2;
constexpr UINT kDrawDelay = 50;
constexpr std::int32_t kSmallestDrawn = 10000;  // micrometres; smaller stocks are not drawn
constexpr std::uint32_t kEscPosLanguage = 1;

// The edit, up-down and unit label of each dimension, in StockDimension order.
struct DimensionControls {
    int edit, spin, unit;
    PreviewDimension marked;
};
constexpr DimensionControls kDimensions[kStockDimensions] = {
    {IDC_STOCK_WIDTH, IDC_STOCK_WIDTH_SPIN, IDC_STOCK_UNIT_WIDTH, PreviewDimension::width},
    {IDC_STOCK_LENGTH, IDC_STOCK_LENGTH_SPIN, IDC_STOCK_UNIT_LENGTH, PreviewDimension::length},
    {IDC_STOCK_LEFT, IDC_STOCK_LEFT_SPIN, IDC_STOCK_UNIT_LEFT, PreviewDimension::left},
    {IDC_STOCK_RIGHT, IDC_STOCK_RIGHT_SPIN, IDC_STOCK_UNIT_RIGHT, PreviewDimension::right},
    {IDC_STOCK_GAP, IDC_STOCK_GAP_SPIN, IDC_STOCK_UNIT_GAP, PreviewDimension::gap},
    {IDC_STOCK_OFFSET, IDC_STOCK_OFFSET_SPIN, IDC_STOCK_UNIT_OFFSET, PreviewDimension::offset},
};

struct DialogData {
    LabelStockRequest* request = nullptr;
    MeasureUnit unit = MeasureUnit::millimetre;
    PaperRecord start{};        // the stock as it was opened
    std::u16string openedName;  // the name at open
    bool drawingReady = false;
};

DialogData* DataOf(HWND dialog) { return reinterpret_cast<DialogData*>(GetWindowLongPtrW(dialog, GWLP_USERDATA)); }

std::u16string ControlText(HWND dialog, int id) {
    wchar_t text[64] = L"";
    GetDlgItemTextW(dialog, id, text, static_cast<int>(std::size(text)));
    return U16String(text);
}
void SetText(HWND dialog, int id, std::u16string_view text) { SetDlgItemTextW(dialog, id, WideString(text).c_str()); }
void Enable(HWND dialog, int id, bool on) { EnableWindow(GetDlgItem(dialog, id), on ? TRUE : FALSE); }

std::optional<std::size_t> DimensionOfEdit(int id) {
    for (std::size_t i = 0; i < kStockDimensions; ++i)
        if (kDimensions[i].edit == id) return i;
    return std::nullopt;
}
std::optional<std::size_t> DimensionOfSpin(int id) {
    for (std::size_t i = 0; i < kStockDimensions; ++i)
        if (kDimensions[i].spin == id) return i;
    return std::nullopt;
}

int TypeItem(HWND dialog) {
    const LRESULT item = SendDlgItemMessageW(dialog, IDC_STOCK_TYPE, CB_GETCURSEL, 0, 0);
    return item < 0 ? 0 : static_cast<int>(item);
}

StockTexts ReadTexts(HWND dialog) {
    StockTexts texts;
    wchar_t name[kPaperNameUnits + 8] = L"";
    GetDlgItemTextW(dialog, IDC_STOCK_NAME, name, static_cast<int>(std::size(name)));
    texts.name = U16String(name);
    for (std::size_t i = 0; i < kStockDimensions; ++i) texts.lengths[i] = ControlText(dialog, kDimensions[i].edit);
    return texts;
}

StockMinimum MinimumOf(const DriverContext& context) {
    const ModelFields& model = context.state.model.record.model;
    return {static_cast<std::int32_t>(model.minLabelWidth), static_cast<std::int32_t>(model.minLabelLength)};
}

// The record the controls describe, built on base.
PaperRecord ReadRecord(HWND dialog, const DialogData& data, const PaperRecord& base) {
    return ReadStock(ReadTexts(dialog), TypeItem(dialog), data.unit, base, MinimumOf(*data.request->context));
}

void ShowGapFields(HWND dialog, int type, bool proposeGap, MeasureUnit unit) {
    const bool gaps = PaperTypeHasGaps(type);
    if (proposeGap) {
        SetText(dialog, IDC_STOCK_GAP, ProposedGapText(type, unit));
        if (!gaps) SetText(dialog, IDC_STOCK_OFFSET, u"0");
    }
    Enable(dialog, IDC_STOCK_GAP, gaps);
    Enable(dialog, IDC_STOCK_OFFSET, gaps);
}

INT_PTR InitDialog(HWND dialog, LPARAM lParam) {
    auto* request = reinterpret_cast<LabelStockRequest*>(lParam);
    if (!request || !request->context) {
        EndDialog(dialog, 0);
        return TRUE;
    }
    auto data = std::make_unique<DialogData>();
    data->request = request;
    const DriverContext& context = *request->context;
    data->unit = DisplayUnitOf(context.state.measureUnit);

    const std::optional<std::uint32_t> unitName = UnitNameString(context.state.measureUnit);
    const std::wstring unitText = unitName ? ResourceWString(*unitName) : std::wstring();
    for (const DimensionControls& controls : kDimensions) SetDlgItemTextW(dialog, controls.unit, unitText.c_str());

    HWND types = GetDlgItem(dialog, IDC_STOCK_TYPE);
    for (std::uint32_t id : kPaperTypeStrings)
        SendMessageW(types, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ResourceWString(id).c_str()));
    data->openedName = std::u16string(FixedText(request->name));
    Enable(dialog, IDC_STOCK_NAME, data->openedName != u"USER");
    SendDlgItemMessageW(dialog, IDC_STOCK_NAME, EM_LIMITTEXT, kPaperNameUnits - 1, 0);

    for (std::size_t i = 0; i < kStockDimensions; ++i) {
        const CountRange range = StockRange(static_cast<StockDimension>(i), data->unit);
        SendDlgItemMessageW(dialog, kDimensions[i].spin, UDM_SETRANGE32, static_cast<WPARAM>(range.lower),
                            static_cast<LPARAM>(range.upper));
    }

    std::vector<PaperRecord> forms;
    if (std::optional<std::vector<PaperRecord>> stored = ReadFormList(context.printer)) forms = std::move(*stored);
    data->start =
        StartingStock(forms, context.state.model.Papers(), data->openedName, ResourceString(IDS_NEW_STOCK_NAME));
    const StockTexts texts = ShowStock(data->start, data->unit);
    SetText(dialog, IDC_STOCK_NAME, texts.name);
    for (std::size_t i = 0; i < kStockDimensions; ++i) SetText(dialog, kDimensions[i].edit, texts.lengths[i]);
    int type = PaperTypeItem(data->start.flags);

    const bool escPos = request->state && request->state->devmode.priv.printerLanguage == kEscPosLanguage;
    if (escPos) type = kContinuousPaperType;
    SendMessageW(types, CB_SETCURSEL, static_cast<WPARAM>(type), 0);
    ShowGapFields(dialog, type, escPos, data->unit);
    for (int id : {IDC_STOCK_TYPE, IDC_STOCK_LEFT, IDC_STOCK_RIGHT}) Enable(dialog, id, !escPos);

    SetWindowLongPtrW(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(data.release()));
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(0, kReadyNotification), 0);
    return TRUE;
}

void ShowMessage(HWND dialog, std::wstring text) { MessageBoxW(dialog, text.c_str(), nullptr, MB_OK); }

// Writes "FORMS" with the saved stock in one call; false (list unchanged) when it cannot.
bool SaveStock(const DialogData& data, const PaperRecord& stock) {
    const DriverContext& context = *data.request->context;
    const std::optional<std::vector<std::uint8_t>> stored = ReadFormBytes(context.printer);
    std::optional<std::span<const std::uint8_t>> view;
    if (stored) view = std::span<const std::uint8_t>(*stored);
    const std::optional<std::vector<std::uint8_t>> list = FormsAfterSave(view, stock, data.openedName);
    if (!list) return false;
    const std::wstring device = FieldString(context.state.devmode.pub.dmDeviceName);
    ScopedPrinter printer = OpenPrinterByName(device.c_str(), true);
    if (!printer) return false;
    return SetPrinterDataW(printer.get(), const_cast<wchar_t*>(WidePtr(kFormsValueName)), REG_BINARY,
                           const_cast<BYTE*>(list->data()), static_cast<DWORD>(list->size())) == ERROR_SUCCESS;
}

void Ok(HWND dialog, DialogData& data) {
    const StockTexts texts = ReadTexts(dialog);
    if (CheckStockName(texts.name) != StockNameProblem::none) {
        ShowMessage(dialog, ResourceWString(IDS_STOCK_NAME_INVALID));
        SetFocus(GetDlgItem(dialog, IDC_STOCK_NAME));
        return;
    }
    const PaperRecord stock = ReadRecord(dialog, data, PaperRecord{});
    if (!SaveStock(data, stock)) {
        ShowMessage(dialog, ResourceWString(IDS_SAVE_STOCK_FAILED) + L"\n\n" + ResourceWString(IDS_STOCK_LIST_KEPT));
        return;
    }
    LabelStockRequest& request = *data.request;
    if (FixedText(stock.name) == u"USER" && request.state) {
        // Tenths of a millimetre, held in the 16-bit DEVMODE fields.
        const auto tenths = [](std::int32_t micrometres) {
            return static_cast<std::int16_t>(std::clamp<std::int32_t>(micrometres / 100, INT16_MIN, INT16_MAX));
        };
        request.state->devmode.pub.dmPaperWidth = tenths(stock.width);
        request.state->devmode.pub.dmPaperLength = tenths(stock.height);
    }
    std::memcpy(request.name, stock.name, sizeof request.name);
    EndDialog(dialog, 1);
}

// The preview of the stock the controls describe, with the focused dimension marked.
void DrawPreview(HWND dialog, const DialogData& data, const DRAWITEMSTRUCT& item) {
    const PaperRecord stock = ReadRecord(dialog, data, data.start);
    const ModelRecord& model = data.request->context->state.model.record;
    LabelPreviewOptions options;
    const std::optional<std::size_t> focused = DimensionOfEdit(GetDlgCtrlID(GetFocus()));
    if (focused && GetParent(GetFocus()) == dialog) options.arrow = kDimensions[*focused].marked;
    const bool drawn = data.drawingReady && stock.width >= kSmallestDrawn && stock.height >= kSmallestDrawn;
    PaintPreviewItem(item, drawn ? &stock : nullptr, model.maxPrintableWidth, model.model.paperAlignment, options);
}

void Redraw(HWND dialog) { InvalidateRect(GetDlgItem(dialog, IDC_STOCK_PREVIEW), nullptr, FALSE); }

void Command(HWND dialog, DialogData& data, int id, WORD code) {
    if (id == 0 && code == kReadyNotification) {
        SetTimer(dialog, kDrawTimer, kDrawDelay, nullptr);
        return;
    }
    if (id == IDOK && code == BN_CLICKED) return Ok(dialog, data);
    if (id == IDCANCEL && code == BN_CLICKED) {
        EndDialog(dialog, 0);
        return;
    }
    if (id == IDC_STOCK_TYPE && code == CBN_SELCHANGE) {
        ShowGapFields(dialog, TypeItem(dialog), true, data.unit);
        Redraw(dialog);
        return;
    }
    const std::optional<std::size_t> dimension = DimensionOfEdit(id);
    if (!dimension) return;
    const StockDimension which = static_cast<StockDimension>(*dimension);
    if (code == EN_KILLFOCUS && which != StockDimension::width && which != StockDimension::length) {
        const std::u16string clamped =
            StepLengthText(ControlText(dialog, id), data.unit, 0, StockRange(which, data.unit));
        if (clamped != ControlText(dialog, id)) SetText(dialog, id, clamped);
    }
    if ((code == EN_CHANGE || code == EN_SETFOCUS || code == EN_KILLFOCUS) && data.drawingReady) Redraw(dialog);
}

INT_PTR Notify(HWND dialog, DialogData& data, const NMHDR& header) {
    if (header.code != UDN_DELTAPOS) return FALSE;
    const std::optional<std::size_t> dimension = DimensionOfSpin(static_cast<int>(header.idFrom));
    if (!dimension) return FALSE;
    const auto& change = reinterpret_cast<const NMUPDOWN&>(header);
    const int edit = kDimensions[*dimension].edit;
    // The arrows count up-down steps in the shown precision; the edit keeps the value.
    SetText(dialog, edit,
            StepLengthText(ControlText(dialog, edit), data.unit, change.iDelta,
                           StockRange(static_cast<StockDimension>(*dimension), data.unit)));
    SetWindowLongPtrW(dialog, DWLP_MSGRESULT, TRUE);
    return TRUE;
}

INT_PTR HandleStockMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) return InitDialog(dialog, lParam);
    DialogData* data = DataOf(dialog);
    if (message == WM_DESTROY) {
        KillTimer(dialog, kDrawTimer);
        SetWindowLongPtrW(dialog, GWLP_USERDATA, 0);
        delete data;
        return FALSE;
    }
    if (!data) return FALSE;
    switch (message) {
        case WM_COMMAND: Command(dialog, *data, LOWORD(wParam), HIWORD(wParam)); return TRUE;
        case WM_NOTIFY: return lParam ? Notify(dialog, *data, *reinterpret_cast<const NMHDR*>(lParam)) : FALSE;
        case WM_TIMER:
            if (wParam != kDrawTimer) return FALSE;
            KillTimer(dialog, kDrawTimer);
            data->drawingReady = true;
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_STOCK_WIDTH, EN_CHANGE),
                         reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_STOCK_WIDTH)));
            return TRUE;
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (!item || item->CtlID != IDC_STOCK_PREVIEW) return FALSE;
            DrawPreview(dialog, *data, *item);
            return TRUE;
        }
        default: return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK LabelStockDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    return Guarded<INT_PTR>("Edit Label Stock dialog", FALSE,
                            [&] { return HandleStockMessage(dialog, message, wParam, lParam); });
}

bool EditLabelStock(HWND owner, LabelStockRequest& request) {
    return DialogBoxParamW(g_module, MAKEINTRESOURCEW(IDD_LABEL_STOCK), owner, LabelStockDialogProc,
                           reinterpret_cast<LPARAM>(&request)) == 1;
}

}  // namespace kelno
