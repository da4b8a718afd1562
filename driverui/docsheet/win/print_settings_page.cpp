#include "driverui/docsheet/win/print_settings_page.h"

#include <commctrl.h>
#include <cderr.h>
#include <commdlg.h>
#include <prsht.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "base/win/boundary.h"
#include "driverui/core/forms.h"
#include "driverui/core/win/context.h"
#include "driverui/core/win/module.h"
#include "driverui/docsheet/print_settings.h"
#include "driverui/docsheet/user_commands.h"
#include "driverui/docsheet/win/graphics_page.h"
#include "driverui/docsheet/win/page_state_holder.h"
#include "resources/driverui/resource_ids.h"

namespace kelno {

namespace {

// The page's place among the context's page windows (Page Setup is 0).
constexpr std::size_t kPageWindowIndex = 3;
// The longest number text the page reads from its edits.
constexpr int kNumberTextUnits = 20;

// The controls that are disabled while the printer's settings are locked.
constexpr int kEditingControls[] = {
    IDC_PRINTSET_PRINT_MODE, IDC_PRINTSET_LANGUAGE,      IDC_PRINTSET_POST_ACTION,        IDC_PRINTSET_OCCURRENCE,
    IDC_PRINTSET_INTERVAL,   IDC_PRINTSET_INTERVAL_SPIN, IDC_PRINTSET_PAPER_SAVING,       IDC_PRINTSET_PAPER_SIZE,
    IDC_PRINTSET_PAPER_TYPE, IDC_PRINTSET_FEED_OFFSET,   IDC_PRINTSET_FEED_OFFSET_SPIN,   IDC_PRINTSET_ZIP_METHOD,
    IDC_PRINTSET_COMMAND,    IDC_PRINTSET_INSERT,        IDC_PRINTSET_FUNCTION_CHARACTER,
};

constexpr std::uint32_t kSlotNames[kCommandSlotCount] = {IDS_PRINTSET_BEFORE_JOB, IDS_PRINTSET_BEFORE_PAGES,
                                                         IDS_PRINTSET_AFTER_PAGES, IDS_PRINTSET_AFTER_JOB};

// What one open page keeps in its window's user data.
struct PageData {
    DriverContext* context = nullptr;
    bool ready = false;   // the posted ready command has arrived
    bool locked = false;  // the printer's settings may not be changed here
    std::uint32_t unit = 0;
    PrintSettings settings;  // the working copy
};

PageData* DataOf(HWND page) { return reinterpret_cast<PageData*>(GetWindowLongPtrW(page, GWLP_USERDATA)); }

std::wstring Wide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

std::u16string ControlText(HWND page, int id, int capacity) {
    std::wstring text(static_cast<std::size_t>(capacity) + 1, L'\0');
    const int length = GetDlgItemTextW(page, id, text.data(), capacity + 1);
    text.resize(static_cast<std::size_t>(length < 0 ? 0 : length));
    return std::u16string(text.begin(), text.end());
}

void SetText(HWND page, int id, std::u16string_view text) { SetDlgItemTextW(page, id, Wide(text).c_str()); }

void Enable(HWND page, int id, bool on) { EnableWindow(GetDlgItem(page, id), on ? TRUE : FALSE); }

// Lets the drop-down of a list be as wide as its longest entry, so that long translations are
// read whole even where the closed box cuts them.
void FitDroppedWidth(HWND list) {
    HDC dc = GetDC(list);
    if (!dc) return;
    const HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
    LONG widest = 0;
    const LRESULT count = SendMessageW(list, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendMessageW(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        if (length <= 0) continue;
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
        SIZE size{};
        if (GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(length), &size))
            widest = std::max(widest, size.cx);
    }
    SelectObject(dc, previous);
    ReleaseDC(list, dc);
    const int margins = 2 * GetSystemMetrics(SM_CXEDGE) + GetSystemMetrics(SM_CXVSCROLL);
    SendMessageW(list, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(widest + margins), 0);
}

void FillChoices(HWND page, int id, std::span<const Choice> choices) {
    HWND list = GetDlgItem(page, id);
    SendMessageW(list, CB_RESETCONTENT, 0, 0);
    for (const Choice& choice : choices) {
        const std::wstring text = choice.stringId ? ResourceWString(choice.stringId) : Wide(choice.text);
        const LRESULT item = SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        if (item >= 0) SendMessageW(list, CB_SETITEMDATA, static_cast<WPARAM>(item), choice.value);
    }
    FitDroppedWidth(list);
}

// Selects the entry of value; fallback (or nothing) when no entry has it.
void SelectChoice(HWND page, int id, std::span<const Choice> choices, std::uint32_t value,
                  std::optional<std::size_t> fallback = std::nullopt) {
    const std::optional<std::size_t> item = ChoiceFor(choices, value);
    const std::optional<std::size_t> shown = item ? item : fallback;
    SendDlgItemMessageW(page, id, CB_SETCURSEL, shown ? static_cast<WPARAM>(*shown) : static_cast<WPARAM>(-1), 0);
}

long Selection(HWND page, int id) { return static_cast<long>(SendDlgItemMessageW(page, id, CB_GETCURSEL, 0, 0)); }

// The value of the selected entry; nothing when no entry is selected.
std::optional<std::uint32_t> SelectedValue(HWND page, int id) {
    const long item = Selection(page, id);
    if (item < 0) return std::nullopt;
    return static_cast<std::uint32_t>(SendDlgItemMessageW(page, id, CB_GETITEMDATA, static_cast<WPARAM>(item), 0));
}

void ShowNote(HWND page, std::uint32_t stringId) {
    SetDlgItemTextW(page, IDC_PRINTSET_COMMAND_NOTE, stringId ? ResourceWString(stringId).c_str() : L"");
}

// The interval part of the enabling rule for the chosen occurrence.
void ShowInterval(HWND page, const PageData& data, std::uint32_t postAction, std::uint32_t occurrence) {
    const PostActionEnabling enabling = EnablingFor(postAction, occurrence);
    Enable(page, IDC_PRINTSET_INTERVAL, enabling.interval && !data.locked);
    Enable(page, IDC_PRINTSET_INTERVAL_SPIN, enabling.interval && !data.locked);
    const int shown = IntervalShown(occurrence, data.context->state.devmode.priv.postActionInterval);
    SetText(page, IDC_PRINTSET_INTERVAL, IntervalText(shown));
}

// The enabling rule for the chosen post action and occurrence.
void ShowEnabling(HWND page, const PageData& data, std::uint32_t postAction, std::uint32_t occurrence) {
    Enable(page, IDC_PRINTSET_OCCURRENCE, EnablingFor(postAction, occurrence).occurrence && !data.locked);
    ShowInterval(page, data, postAction, occurrence);
}

void SetFeedRange(HWND page, std::uint32_t unit) {
    const FeedUnit feed = FeedUnitOf(unit);
    SendDlgItemMessageW(page, IDC_PRINTSET_FEED_OFFSET_SPIN, UDM_SETRANGE32, static_cast<WPARAM>(-feed.range),
                        feed.range);
    SendDlgItemMessageW(page, IDC_PRINTSET_FEED_OFFSET_SPIN, UDM_SETPOS32, 0, 0);
}

std::uint32_t UnitLabel(std::uint32_t unit) {
    if (unit == 1) return IDS_MEASURE_UNIT_CM;
    if (unit == 2) return IDS_MEASURE_UNIT_INCH;
    return IDS_MEASURE_UNIT_MM;
}

void ShowSlot(HWND page, const PageData& data, std::size_t slot) {
    SetText(page, IDC_PRINTSET_COMMAND, data.settings.commands[slot]);
}

void Open(HWND page, PageData& data) {
    const ModelRecord& model = data.context->state.model.record;
    const PrintSettings& s = data.settings;

    FillChoices(page, IDC_PRINTSET_PRINT_MODE, PrintModeChoices(model.modelFlags));
    SelectChoice(page, IDC_PRINTSET_PRINT_MODE, PrintModeChoices(model.modelFlags), s.printMode, 0);

    FillChoices(page, IDC_PRINTSET_PAPER_SAVING, PaperSavingChoices());
    SelectChoice(page, IDC_PRINTSET_PAPER_SAVING, PaperSavingChoices(), s.paperSaving);
    FillChoices(page, IDC_PRINTSET_PAPER_SIZE, PrinterSettingChoices());
    SelectChoice(page, IDC_PRINTSET_PAPER_SIZE, PrinterSettingChoices(), s.sendPaperSize);
    FillChoices(page, IDC_PRINTSET_PAPER_TYPE, PrinterSettingChoices());
    SelectChoice(page, IDC_PRINTSET_PAPER_TYPE, PrinterSettingChoices(), s.sendPaperType);
    const std::vector<Choice> compression = CompressionChoices(model.model.compressionMask);
    FillChoices(page, IDC_PRINTSET_ZIP_METHOD, compression);
    SelectChoice(page, IDC_PRINTSET_ZIP_METHOD, compression, s.compression);
    const std::vector<Choice> languages = LanguageChoices(model.model.languageMask);
    FillChoices(page, IDC_PRINTSET_LANGUAGE, languages);
    SelectChoice(page, IDC_PRINTSET_LANGUAGE, languages, s.language, 0);

    const std::vector<Choice> postActions = PostActionChoices(model.model.accessories);
    FillChoices(page, IDC_PRINTSET_POST_ACTION, postActions);
    SelectChoice(page, IDC_PRINTSET_POST_ACTION, postActions, s.postAction);

    SetText(page, IDC_PRINTSET_FEED_OFFSET, FeedOffsetText(s.feedOffset, data.unit));
    SetFeedRange(page, data.unit);
    SetDlgItemTextW(page, IDC_PRINTSET_FEED_UNIT, ResourceWString(UnitLabel(data.unit)).c_str());
    SendDlgItemMessageW(page, IDC_PRINTSET_FEED_OFFSET, EM_LIMITTEXT, kNumberTextUnits, 0);

    SendDlgItemMessageW(page, IDC_PRINTSET_INTERVAL_SPIN, UDM_SETRANGE32, kIntervalMin, kIntervalMax);
    SendDlgItemMessageW(page, IDC_PRINTSET_INTERVAL, EM_LIMITTEXT, kNumberTextUnits, 0);
    FillChoices(page, IDC_PRINTSET_OCCURRENCE, OccurrenceChoices());
    SelectChoice(page, IDC_PRINTSET_OCCURRENCE, OccurrenceChoices(), s.occurrence);
    ShowEnabling(page, data, s.postAction, s.occurrence);

    HWND characters = GetDlgItem(page, IDC_PRINTSET_FUNCTION_CHARACTER);
    SendMessageW(characters, CB_RESETCONTENT, 0, 0);
    SendMessageW(characters, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ResourceWString(IDS_PRINTSET_NONE).c_str()));
    for (std::size_t i = 1; i < kFunctionCharacters.size(); ++i)
        SendMessageW(characters, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(kFunctionCharacters[i]).c_str()));
    SendMessageW(characters, CB_SETCURSEL, kDefaultFunctionCharacterEntry, 0);
    Enable(page, IDC_PRINTSET_INSERT, !data.locked);

    HWND slots = GetDlgItem(page, IDC_PRINTSET_SLOT);
    SendMessageW(slots, CB_RESETCONTENT, 0, 0);
    for (std::uint32_t name : kSlotNames)
        SendMessageW(slots, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ResourceWString(name).c_str()));
    SendMessageW(slots, CB_SETCURSEL, 0, 0);
    SendDlgItemMessageW(page, IDC_PRINTSET_COMMAND, EM_LIMITTEXT, kCommandTextLimit, 0);
    ShowSlot(page, data, 0);
    ShowNote(page, 0);

    if (data.locked)
        for (int id : kEditingControls) Enable(page, id, false);
}

// The controls into the working copy, mirrored into the page state; the sheet learns whether
// the page differs from the DEVMODE.
void ReadControls(HWND page, PageData& data) {
    PrintSettings& s = data.settings;
    s.commands[CommandSlotOf(Selection(page, IDC_PRINTSET_SLOT))] =
        ControlText(page, IDC_PRINTSET_COMMAND, static_cast<int>(kCommandTextLimit));
    if (const auto value = SelectedValue(page, IDC_PRINTSET_LANGUAGE)) s.language = *value;
    if (const auto value = SelectedValue(page, IDC_PRINTSET_PRINT_MODE)) s.printMode = *value;
    if (const auto value = SelectedValue(page, IDC_PRINTSET_POST_ACTION)) s.postAction = *value;
    if (const auto value = SelectedValue(page, IDC_PRINTSET_OCCURRENCE)) s.occurrence = *value;
    s.interval = static_cast<std::uint32_t>(
        IntervalOfText(ControlText(page, IDC_PRINTSET_INTERVAL, kNumberTextUnits), static_cast<int>(s.interval)));
    s.feedOffset =
        FeedOffsetOfText(ControlText(page, IDC_PRINTSET_FEED_OFFSET, kNumberTextUnits), data.unit, s.feedOffset);
    if (const auto value = SelectedValue(page, IDC_PRINTSET_PAPER_SAVING)) s.paperSaving = *value;
    if (const auto value = SelectedValue(page, IDC_PRINTSET_PAPER_SIZE))
        s.sendPaperSize = static_cast<std::uint8_t>(*value);
    if (const auto value = SelectedValue(page, IDC_PRINTSET_PAPER_TYPE))
        s.sendPaperType = static_cast<std::uint8_t>(*value);
    if (const auto value = SelectedValue(page, IDC_PRINTSET_ZIP_METHOD)) s.compression = *value;
    if (PageState* state = PageStateOf(*data.context)) StorePrintSettings(s, state->devmode);
}

void ReportChanges(HWND page, const PageData& data) {
    HWND sheet = GetParent(page);
    if (PrintSettingsDiffer(data.settings, data.context->state.devmode)) PropSheet_Changed(sheet, page);
    else PropSheet_UnChanged(sheet, page);
}

std::uint32_t ChosenPostAction(HWND page, const PageData& data) {
    return SelectedValue(page, IDC_PRINTSET_POST_ACTION).value_or(data.settings.postAction);
}
std::uint32_t ChosenOccurrence(HWND page, const PageData& data) {
    return SelectedValue(page, IDC_PRINTSET_OCCURRENCE).value_or(data.settings.occurrence);
}

std::optional<std::u16string_view> ChosenFunctionCharacter(HWND page) {
    return FunctionCharacterAt(Selection(page, IDC_PRINTSET_FUNCTION_CHARACTER));
}

void Refuse(HWND page, CommandEdit outcome, std::uint32_t noRoomText) {
    MessageBeep(MB_ICONWARNING);
    ShowNote(page, outcome == CommandEdit::noRoom ? noRoomText : 0);
}

// A control byte at the caret of the slot's text, replacing the selection.
void InsertControl(HWND page, unsigned command) {
    const std::optional<std::u16string_view> mnemonic = ControlMnemonic(command);
    if (!mnemonic) return;
    const std::u16string_view character = ChosenFunctionCharacter(page).value_or(u"");
    HWND edit = GetDlgItem(page, IDC_PRINTSET_COMMAND);
    DWORD start = 0, end = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    const std::u16string text = ControlText(page, IDC_PRINTSET_COMMAND, static_cast<int>(kCommandTextLimit));
    const CommandEditResult result = InsertControlToken(text, start, end, character, *mnemonic);
    if (result.outcome != CommandEdit::done) {
        Refuse(page, result.outcome, IDS_PRINTSET_NO_ROOM);
        return;
    }
    ShowNote(page, 0);
    std::u16string token(character);
    token.append(*mnemonic);
    SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(Wide(token).c_str()));
}

// "File...": a file reference replaces the slot's text.
void InsertFile(HWND page) {
    const std::optional<std::u16string_view> character = ChosenFunctionCharacter(page);
    if (!character) {
        Refuse(page, CommandEdit::noFunctionCharacter, 0);
        return;
    }
    wchar_t path[MAX_PATH] = L"";
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = page;
    dialog.lpstrFilter = L"All(*.*)\0*.*\0Text(*.TXT)\0*.TXT\0";
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    if (!GetOpenFileNameW(&dialog)) {
        // A path longer than the dialog's buffer cannot become a reference either.
        if (CommDlgExtendedError() == FNERR_BUFFERTOOSMALL)
            Refuse(page, CommandEdit::noRoom, IDS_PRINTSET_PATH_TOO_LONG);
        return;
    }
    path[MAX_PATH - 1] = L'\0';
    const std::wstring chosen(path);
    const CommandEditResult result = FileReference(*character, std::u16string(chosen.begin(), chosen.end()));
    if (result.outcome != CommandEdit::done) {
        Refuse(page, result.outcome, IDS_PRINTSET_PATH_TOO_LONG);
        return;
    }
    ShowNote(page, 0);
    SetText(page, IDC_PRINTSET_COMMAND, result.text);
    PostMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_PRINTSET_COMMAND, EN_CHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(page, IDC_PRINTSET_COMMAND)));
}

void ShowInsertMenu(HWND page) {
    HMENU menu = LoadMenuW(g_module, MAKEINTRESOURCEW(IDM_INSERT));
    if (!menu) return;
    POINT cursor{};
    GetCursorPos(&cursor);
    if (HMENU popup = GetSubMenu(menu, 0)) TrackPopupMenu(popup, TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, page, nullptr);
    DestroyMenu(menu);
}

void LanguageChosen(HWND page, PageData& data) {
    const std::optional<std::uint32_t> language = SelectedValue(page, IDC_PRINTSET_LANGUAGE);
    if (!language) return;
    if (*language == kLanguageEscPos) {
        ShowEnabling(page, data, ChosenPostAction(page, data), ChosenOccurrence(page, data));
    } else if (*language != data.settings.language) {
        SetText(page, IDC_PRINTSET_FEED_OFFSET, FeedOffsetText(0, data.unit));
        SetFeedRange(page, data.unit);
    }
}

INT_PTR InitDialog(HWND page, LPARAM lParam) {
    const auto* sheetPage = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
    auto* context = sheetPage ? reinterpret_cast<DriverContext*>(sheetPage->lParam) : nullptr;
    if (!context) return TRUE;
    auto data = std::make_unique<PageData>();
    data->context = context;
    data->unit = context->state.measureUnit;
    data->locked = (context->state.printerDataFlags & kPrinterDataStocksLocked) != 0;
    context->pageWindows[kPageWindowIndex] = page;
    data->settings = PrintSettingsOf(OpenPageState(*context).devmode);
    Open(page, *data);
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
    if (data.locked) {
        // Locked settings are only looked at: the slots can still be shown.
        if (code == CBN_SELCHANGE && id == IDC_PRINTSET_SLOT) ShowSlot(page, data, CommandSlotOf(Selection(page, id)));
        return;
    }
    const auto command = static_cast<unsigned>(id);
    if (code == 0 && ControlMnemonic(command)) {
        InsertControl(page, command);
    } else if (code == 0 && command == kInsertFileCommand) {
        InsertFile(page);
    } else if (code == EN_KILLFOCUS && id == IDC_PRINTSET_FEED_OFFSET) {
        SetText(page, id,
                FeedOffsetStepped(ControlText(page, id, kNumberTextUnits), 0, data.unit, data.settings.feedOffset));
    } else if (code == EN_KILLFOCUS && id == IDC_PRINTSET_INTERVAL) {
        SetText(page, id,
                IntervalText(
                    IntervalOfText(ControlText(page, id, kNumberTextUnits), static_cast<int>(data.settings.interval))));
    } else if (code == BN_CLICKED && id == IDC_PRINTSET_INSERT) {
        ShowInsertMenu(page);
    } else if (code == CBN_SELCHANGE) {
        switch (id) {
            case IDC_PRINTSET_FUNCTION_CHARACTER:
                Enable(page, IDC_PRINTSET_INSERT, ChosenFunctionCharacter(page).has_value());
                break;
            case IDC_PRINTSET_SLOT:
                ShowNote(page, 0);
                ShowSlot(page, data, CommandSlotOf(Selection(page, id)));
                break;
            case IDC_PRINTSET_POST_ACTION:
                ShowEnabling(page, data, ChosenPostAction(page, data), ChosenOccurrence(page, data));
                break;
            case IDC_PRINTSET_OCCURRENCE:
                ShowInterval(page, data, ChosenPostAction(page, data), ChosenOccurrence(page, data));
                break;
            case IDC_PRINTSET_LANGUAGE: LanguageChosen(page, data); break;
            default: break;
        }
    }
    ReadControls(page, data);
    ReportChanges(page, data);
}

// An arrow of the interval or the feed offset: the text moves by the arrow's step.
void Arrow(HWND page, PageData& data, const NMUPDOWN& arrow) {
    if (arrow.hdr.idFrom == IDC_PRINTSET_INTERVAL_SPIN) {
        const std::u16string text = ControlText(page, IDC_PRINTSET_INTERVAL, kNumberTextUnits);
        SetText(page, IDC_PRINTSET_INTERVAL,
                IntervalText(IntervalStepped(text, arrow.iDelta, static_cast<int>(data.settings.interval))));
    } else {
        const std::u16string text = ControlText(page, IDC_PRINTSET_FEED_OFFSET, kNumberTextUnits);
        SetText(page, IDC_PRINTSET_FEED_OFFSET,
                FeedOffsetStepped(text, arrow.iDelta, data.unit, data.settings.feedOffset));
    }
    ReadControls(page, data);
    ReportChanges(page, data);
}

void Apply(HWND page, PageData& data) {
    if (!data.locked) {
        ReadControls(page, data);
        DriverDevmode& devmode = data.context->state.devmode;
        ApplyPrintSettings(data.settings, devmode);
        if (PageState* state = PageStateOf(*data.context)) {
            StorePrintSettings(data.settings, state->devmode);
            state->devmode.priv.effectFlags =
                (state->devmode.priv.effectFlags & ~kEffectRotate180) | (devmode.priv.effectFlags & kEffectRotate180);
        }
    }
    PropSheet_UnChanged(GetParent(page), page);
}

INT_PTR Notify(HWND page, PageData& data, const NMHDR& header) {
    if (header.code == UDN_DELTAPOS &&
        (header.idFrom == IDC_PRINTSET_INTERVAL_SPIN || header.idFrom == IDC_PRINTSET_FEED_OFFSET_SPIN)) {
        if (data.ready && !data.locked) Arrow(page, data, reinterpret_cast<const NMUPDOWN&>(header));
        // The arrows' own position stays put: the text is the value.
        SetWindowLongPtrW(page, DWLP_MSGRESULT, TRUE);
        return TRUE;
    }
    if (header.code == PSN_APPLY) {
        Apply(page, data);
        SetWindowLongPtrW(page, DWLP_MSGRESULT, PSNRET_NOERROR);
        return TRUE;
    }
    return FALSE;
}

void Destroy(HWND page, PageData* data) {
    SetWindowLongPtrW(page, GWLP_USERDATA, 0);
    if (!data) return;
    if (data->context->pageWindows[kPageWindowIndex] == page) data->context->pageWindows[kPageWindowIndex] = nullptr;
    ClosePageState(*data->context);
    delete data;
}

INT_PTR HandlePrintSettingsMessage(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
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
        default: return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK PrintSettingsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    return Guarded<INT_PTR>("Print Settings page", FALSE,
                            [&] { return HandlePrintSettingsMessage(page, message, wParam, lParam); });
}

}  // namespace kelno
