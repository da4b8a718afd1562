#include "driverui/devsheet/win/printer_settings_page.h"

#include <commctrl.h>
#include <prsht.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "base/win/boundary.h"
#include "base/win/scoped.h"
#include "base/win/wide_text.h"
#include "driverui/core/win/context.h"
#include "driverui/core/win/module.h"
#include "driverui/core/win/printer_data.h"
#include "driverui/devsheet/printer_settings.h"
#include "driverui/devsheet/win/firmware_group.h"
#include "driverui/devsheet/win/printer_comm.h"
#include "resources/driverui/resource_ids.h"

namespace kelno {
namespace {

constexpr std::uint32_t kUnitStrings[] = {IDS_MEASURE_UNIT_MM, IDS_MEASURE_UNIT_CM, IDS_MEASURE_UNIT_INCH};
// Room for "<windows>\notepad.exe "<path>"" with a path of 260 units.
constexpr std::size_t kCommandLineUnits = 2 * kPathUnits + 32;

struct PageData {
    DriverContext* context = nullptr;
    bool ready = false;  // the posted ready command has arrived
};

PageData* DataOf(HWND page) { return reinterpret_cast<PageData*>(GetWindowLongPtrW(page, GWLP_USERDATA)); }

bool Checked(HWND page, int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; }
void Check(HWND page, int id, bool on) { CheckDlgButton(page, id, on ? BST_CHECKED : BST_UNCHECKED); }

std::wstring LogFolder(const DriverContext& context) { return FieldString(context.state.logFolder); }

std::u16string PrinterName(const DriverContext& context) {
    return std::u16string(FieldText(context.state.devmode.pub.dmDeviceName));
}

PrinterSettingsValues ReadControls(HWND page, const DriverContext& context) {
    PrinterSettingsValues values;
    values.recordPrinterCode = Checked(page, IDC_PRINTER_SETTINGS_RECORD_CODE);
    values.lockDriverSettings = Checked(page, IDC_PRINTER_SETTINGS_LOCK);
    wchar_t folder[kPathUnits] = L"";
    GetDlgItemTextW(page, IDC_PRINTER_SETTINGS_FOLDER, folder, static_cast<int>(std::size(folder)));
    values.folder = U16String(folder);
    const LRESULT unit = SendDlgItemMessageW(page, IDC_PRINTER_SETTINGS_MEASURE_UNIT, CB_GETCURSEL, 0, 0);
    // Without a selection (a stored unit the box does not offer) the stored unit stays.
    values.unit = unit >= 0 ? static_cast<std::uint16_t>(unit) : static_cast<std::uint16_t>(context.state.measureUnit);
    return values;
}

// The selected entry of the file list, or nothing.
std::optional<std::wstring> SelectedEntry(HWND page) {
    HWND list = GetDlgItem(page, IDC_PRINTER_SETTINGS_FILES);
    const LRESULT item = SendMessageW(list, LB_GETCURSEL, 0, 0);
    if (item == LB_ERR) return std::nullopt;
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(item), 0);
    if (length == LB_ERR) return std::nullopt;
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(text.data()));
    text.resize(LengthBounded(text.c_str(), text.size()));
    return text;
}

// The file an entry names: the entry itself when it is an existing path (a dropped file), else
// the entry in the log folder. Nothing when that path does not fit.
std::optional<std::wstring> EntryFile(const DriverContext& context, const std::wstring& entry) {
    if (PathFileExistsW(entry.c_str())) return entry;
    const std::optional<std::u16string> path = JoinPath(U16View(LogFolder(context)), U16View(entry));
    if (!path) return std::nullopt;
    return WideString(*path);
}

void ReportChanges(HWND page, const DriverContext& context) {
    const bool same = SameAsStored(ReadControls(page, context), context.state.printerDataFlags,
                                   FieldText(context.state.logFolder), context.state.measureUnit);
    SendMessageW(GetParent(page), same ? PSM_UNCHANGED : PSM_CHANGED, reinterpret_cast<WPARAM>(page), 0);
}

void BrowseFolder(HWND page, DriverContext& context) {
    wchar_t display[kPathUnits] = L"";
    BROWSEINFOW browse{};
    browse.hwndOwner = page;
    browse.pszDisplayName = display;
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&browse);
    if (!chosen) return;
    wchar_t folder[MAX_PATH] = L"";
    if (SHGetPathFromIDListW(chosen, folder)) {
        SetField(context.state.logFolder, U16View(folder));
        SetDlgItemTextW(page, IDC_PRINTER_SETTINGS_FOLDER, folder);
    }
    CoTaskMemFree(chosen);
}

void ViewFile(HWND page, const DriverContext& context) {
    const std::optional<std::wstring> entry = SelectedEntry(page);
    if (!entry) return;
    wchar_t windows[MAX_PATH] = L"";
    const UINT length = GetWindowsDirectoryW(windows, static_cast<UINT>(std::size(windows)));
    if (length == 0 || length >= std::size(windows)) return;
    const std::optional<std::wstring> file = EntryFile(context, *entry);
    if (!file) return;
    const std::optional<std::u16string> line = NotepadCommandLine(U16View(windows), U16View(*file), kCommandLineUnits);
    if (!line) return;
    std::wstring commandLine = WideString(*line);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return;
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
}

void SendFile(HWND page, const DriverContext& context) {
    const std::optional<std::wstring> entry = SelectedEntry(page);
    if (!entry) return;
    const std::optional<std::wstring> file = EntryFile(context, *entry);
    const std::wstring printer = WideString(PrinterName(context));
    const bool sent = file && SendFileRaw(printer.c_str(), file->c_str());
    MessageBoxW(page, ResourceWString(sent ? IDS_FILE_SENT : IDS_FILE_NOT_SENT).c_str(),
                ResourceWString(IDS_INFORMATION).c_str(), MB_OK);
}

void DeleteSelectedFile(HWND page, const DriverContext& context) {
    if (const std::optional<std::wstring> entry = SelectedEntry(page))
        if (const std::optional<std::u16string> path = JoinPath(U16View(LogFolder(context)), U16View(*entry)))
            DeleteFileW(WidePtr(*path));
    RefreshLogFileList(page, LogFolder(context).c_str());
}

// Every file of the log folder; folders stay.
void DeleteAllFiles(HWND page, const DriverContext& context) {
    const std::wstring folder = LogFolder(context);
    if (const std::optional<std::u16string> pattern = JoinPath(U16View(folder), u"*.*")) {
        WIN32_FIND_DATAW found{};
        ScopedFind find(FindFirstFileW(WidePtr(*pattern), &found));
        if (find) {
            do {
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
                if (const std::optional<std::u16string> path = JoinPath(U16View(folder), U16View(found.cFileName)))
                    DeleteFileW(WidePtr(*path));
            } while (FindNextFileW(find.get(), &found));
        }
    }
    RefreshLogFileList(page, folder.c_str());
}

void DropFiles(HWND page, HDROP drop) {
    HWND list = GetDlgItem(page, IDC_PRINTER_SETTINGS_FILES);
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        wchar_t file[kPathUnits] = L"";
        // A name that does not fit would be cut: it is left out.
        const UINT length = DragQueryFileW(drop, i, nullptr, 0);
        if (length == 0 || length >= std::size(file)) continue;
        DragQueryFileW(drop, i, file, static_cast<UINT>(std::size(file)));
        if (SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(file)) == LB_ERR)
            SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(file));
    }
    DragFinish(drop);
}

void Apply(HWND page, DriverContext& context) {
    const PrinterSettingsValues values = ReadControls(page, context);
    context.state.printerDataFlags =
        WithPageFlags(context.state.printerDataFlags, values.recordPrinterCode, values.lockDriverSettings);
    context.state.measureUnit = values.unit;
    SetField(context.state.logFolder, values.folder);
    DWORD flags = context.state.printerDataFlags;
    DWORD unit = context.state.measureUnit;
    SetPrinterDataW(context.printer, const_cast<wchar_t*>(L"PPDataFlags"), REG_DWORD, reinterpret_cast<BYTE*>(&flags),
                    sizeof flags);
    SetPrinterDataW(context.printer, const_cast<wchar_t*>(L"MeasureUnit"), REG_DWORD, reinterpret_cast<BYTE*>(&unit),
                    sizeof unit);
    const std::wstring folder = LogFolder(context);
    SetPrinterDataW(context.printer, const_cast<wchar_t*>(L"LogFolder"), REG_SZ,
                    reinterpret_cast<BYTE*>(const_cast<wchar_t*>(folder.c_str())),
                    static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
    SendMessageW(GetParent(page), PSM_UNCHANGED, reinterpret_cast<WPARAM>(page), 0);
}

INT_PTR InitDialog(HWND page, LPARAM lParam) {
    const auto* sheetPage = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
    auto* context = sheetPage ? reinterpret_cast<DriverContext*>(sheetPage->lParam) : nullptr;
    if (!context) return TRUE;
    auto data = std::make_unique<PageData>();
    data->context = context;
    ReadUiSettings(context->printer, *context);
    Check(page, IDC_PRINTER_SETTINGS_RECORD_CODE, (context->state.printerDataFlags & kRecordPrinterCodeFlag) != 0);
    Check(page, IDC_PRINTER_SETTINGS_LOCK, (context->state.printerDataFlags & kLockDriverSettingsFlag) != 0);
    HWND units = GetDlgItem(page, IDC_PRINTER_SETTINGS_MEASURE_UNIT);
    SendMessageW(units, CB_RESETCONTENT, 0, 0);
    for (std::uint32_t id : kUnitStrings)
        SendMessageW(units, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ResourceWString(id).c_str()));
    SendMessageW(units, CB_SETCURSEL, context->state.measureUnit, 0);
    if (context->state.logFolder[0] == u'\0')
        SetField(context->state.logFolder, DefaultLogFolder(PrinterName(*context)));
    SetDlgItemTextW(page, IDC_PRINTER_SETTINGS_FOLDER, LogFolder(*context).c_str());
    RefreshLogFileList(page, LogFolder(*context).c_str());
    SetUpFirmwareGroup(page, *context);
    DragAcceptFiles(page, TRUE);
    SetWindowLongPtrW(page, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(data.release()));
    PostMessageW(page, WM_COMMAND, MAKEWPARAM(0, kSettingsPageReady), 0);
    return TRUE;
}

void Command(HWND page, PageData& data, int id, WORD code) {
    if (code == kSettingsPageReady && id == 0) {
        data.ready = true;
        return;
    }
    if (!data.ready || (code != BN_CLICKED && code != CBN_SELCHANGE)) return;
    DriverContext& context = *data.context;
    switch (id) {
        case IDC_PRINTER_SETTINGS_RECORD_CODE:
        case IDC_PRINTER_SETTINGS_LOCK:
        case IDC_PRINTER_SETTINGS_FOLDER:
        case IDC_PRINTER_SETTINGS_MEASURE_UNIT: ReportChanges(page, context); break;
        case IDC_PRINTER_SETTINGS_BROWSE_FOLDER: BrowseFolder(page, context); break;
        case IDC_PRINTER_SETTINGS_VIEW_FILE: ViewFile(page, context); break;
        case IDC_PRINTER_SETTINGS_SEND_FILE: SendFile(page, context); break;
        case IDC_PRINTER_SETTINGS_DELETE_FILE: DeleteSelectedFile(page, context); break;
        case IDC_PRINTER_SETTINGS_DELETE_ALL: DeleteAllFiles(page, context); break;
        case IDC_PRINTER_SETTINGS_BROWSE_IMAGE: ChooseFirmwareImage(page, context); break;
        case IDC_PRINTER_SETTINGS_UPDATE: StartFirmwareTransfer(page, context); break;
        default: break;
    }
}

INT_PTR Notify(HWND page, PageData& data, const NMHDR& header) {
    switch (header.code) {
        case PSN_SETACTIVE:
            RefreshLogFileList(page, LogFolder(*data.context).c_str());
            SetWindowLongPtrW(page, DWLP_MSGRESULT, 0);
            return TRUE;
        case PSN_APPLY:
            Apply(page, *data.context);
            SetWindowLongPtrW(page, DWLP_MSGRESULT, PSNRET_NOERROR);
            return TRUE;
        default: return FALSE;
    }
}

INT_PTR HandleSettingsMessage(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) return InitDialog(page, lParam);
    PageData* data = DataOf(page);
    if (message == WM_DESTROY) {
        KillTimer(page, kFirmwarePollTimer);
        SetWindowLongPtrW(page, GWLP_USERDATA, 0);
        delete data;
        return FALSE;
    }
    if (!data) return FALSE;
    if (HandleFirmwareMessage(page, message, wParam, lParam)) return TRUE;
    switch (message) {
        case WM_COMMAND: Command(page, *data, LOWORD(wParam), HIWORD(wParam)); return TRUE;
        case WM_TIMER:
            if (wParam == kFirmwarePollTimer) PollFirmwareStatus(page, *data->context);
            return TRUE;
        case WM_DROPFILES: DropFiles(page, reinterpret_cast<HDROP>(wParam)); return TRUE;
        case WM_NOTIFY: return lParam ? Notify(page, *data, *reinterpret_cast<const NMHDR*>(lParam)) : FALSE;
        default: return FALSE;
    }
}

}  // namespace

void RefreshLogFileList(HWND page, const wchar_t* logFolder) {
    HWND list = GetDlgItem(page, IDC_PRINTER_SETTINGS_FILES);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    const std::optional<std::u16string> pattern = JoinPath(U16View(logFolder, kPathUnits), u"*.*");
    if (!pattern) return;
    WIN32_FIND_DATAW found{};
    ScopedFind find(FindFirstFileW(WidePtr(*pattern), &found));
    if (!find) return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(found.cFileName));
    } while (FindNextFileW(find.get(), &found));
}

INT_PTR CALLBACK PrinterSettingsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    return Guarded<INT_PTR>("Printer Settings page", FALSE,
                            [&] { return HandleSettingsMessage(page, message, wParam, lParam); });
}

}  // namespace kelno
