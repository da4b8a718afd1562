// The uninstall page (dialog 132): every local queue in a list (1008: name, driver, port), the
// options "Delete Printer" (1022, always on), "Remove Driver" (1023), "Delete Port" (1025) and
// "Remove Package" (1029); Next hands the selected queues to the result page's worker. Also the
// installed-drivers page (dialog 136), which lists the drivers of the supported models.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <winspool.h>

#include <iterator>
#include <vector>

#include "base/win/boundary.h"
#include "base/win/list_view.h"
#include "base/win/wide_text.h"
#include "common/model_table.h"
#include "drvwizard/win/uninstall_request.h"
#include "drvwizard/win/wizard_pages.h"
#include "drvwizard/wizard_flow.h"
#include "resources/drvwizard/resource_ids.h"

namespace kelno {
namespace {

struct ColumnSpec {
    UINT textId;  // 0: no heading
    int width;
};

constexpr ColumnSpec kUninstallColumns[] = {
    {IDS_COLUMN_PRINTER_NAME, 150}, {IDS_COLUMN_PRINTER_MODEL, 150}, {IDS_COLUMN_PORT, 200}, {0, 0}};
constexpr ColumnSpec kDriverColumns[] = {
    {IDS_COLUMN_DRIVER_NAME, 180}, {IDS_COLUMN_ENVIRONMENT, 150}, {IDS_COLUMN_VERSION, 90}};

// The uninstall options with their start states.
struct OptionSpec {
    int control;
    bool checked;
    bool enabled;
    std::int32_t WizardState::*field;  // null: not stored (the queues are always deleted)
};
constexpr OptionSpec kOptions[] = {
    {IDC_UNINSTALL_DELETE_PRINTER, true, false, nullptr},
    {IDC_UNINSTALL_REMOVE_DRIVER, true, true, &WizardState::removeDriver},
    {IDC_UNINSTALL_DELETE_PORT, true, true, &WizardState::deletePort},
    {IDC_UNINSTALL_REMOVE_PACKAGE, false, true, &WizardState::removePackage},
};

template <std::size_t N>
void AddColumns(HWND list, const ColumnSpec (&columns)[N]) {
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    for (std::size_t i = 0; i < N; ++i) {
        wchar_t heading[64] = L"";
        if (columns[i].textId) LoadWizardText(columns[i].textId, heading, static_cast<int>(std::size(heading)));
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = heading;
        column.cx = columns[i].width;
        ListView_InsertColumn(list, static_cast<int>(i), &column);
    }
}

template <typename Info>
std::vector<BYTE> Enumerate(BOOL(WINAPI* call)(DWORD, LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD), DWORD flags,
                            DWORD* count) {
    DWORD needed = 0;
    *count = 0;
    call(flags, nullptr, 2, nullptr, 0, &needed, count);
    std::vector<BYTE> buffer(needed);
    if (needed == 0 || !call(flags, nullptr, 2, buffer.data(), needed, &needed, count)) {
        *count = 0;
        return {};
    }
    return buffer;
}

BOOL WINAPI EnumLocalDrivers(DWORD, LPWSTR, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD count) {
    return EnumPrinterDriversW(nullptr, nullptr, level, buffer, size, needed, count);
}

// Inserts a row at the top with its cells.
void InsertRowAtTop(HWND list, const wchar_t* first, const wchar_t* second, const wchar_t* third) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = 0;
    item.pszText = const_cast<wchar_t*>(first ? first : L"");
    const int row = ListView_InsertItem(list, &item);
    if (row < 0) return;
    ListView_SetItemText(list, row, 1, const_cast<wchar_t*>(second ? second : L""));
    ListView_SetItemText(list, row, 2, const_cast<wchar_t*>(third ? third : L""));
}

// Every local queue, each inserted at the top in the spooler's order.
void FillQueues(HWND list) {
    DeleteAllRows(list);
    DWORD count = 0;
    const std::vector<BYTE> buffer = Enumerate<PRINTER_INFO_2W>(&EnumPrintersW, PRINTER_ENUM_LOCAL, &count);
    const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
        InsertRowAtTop(list, info[i].pPrinterName, info[i].pDriverName, info[i].pPortName);
}

// The selection as the worker's records, from the top; the number of records.
int CollectSelection(HWND page, WizardState& state) {
    for (const OptionSpec& option : kOptions)
        if (option.field) state.*option.field = IsDlgButtonChecked(page, option.control) == BST_CHECKED ? 1 : 0;
    const HWND list = GetDlgItem(page, IDC_PAGE_LIST);
    const std::vector<int> rows = SelectedRows(list);
    PrinterInstallEntry* entries = AllocateWizardRequest(state, static_cast<int>(rows.size()));
    for (std::size_t i = 0; i < rows.size() && entries; ++i) {
        wchar_t name[MAX_PATH], driver[MAX_PATH], port[MAX_PATH];
        CellText(list, rows[i], 0, name, std::size(name));
        CellText(list, rows[i], 1, driver, std::size(driver));
        CellText(list, rows[i], 2, port, std::size(port));
        entries[i] = MakeUninstallEntry(name, driver, port);
    }
    return static_cast<int>(rows.size());
}

// The installed drivers whose names are models of the package.
void FillDrivers(HWND list) {
    DeleteAllRows(list);
    DWORD count = 0;
    const std::vector<BYTE> buffer = Enumerate<DRIVER_INFO_2W>(&EnumLocalDrivers, 0, &count);
    const auto* info = reinterpret_cast<const DRIVER_INFO_2W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        if (!info[i].pName || !FindModel(U16View(info[i].pName))) continue;
        const std::wstring version = std::to_wstring(info[i].cVersion);
        AppendRow(list, {info[i].pName, info[i].pEnvironment, version.c_str()});
    }
}

}  // namespace

INT_PTR CALLBACK UninstallPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    return Guarded("uninstall page", static_cast<INT_PTR>(FALSE), [&]() -> INT_PTR {
        WizardState* state = message == WM_INITDIALOG ? KeepPageState(page, lParam) : PageState(page);
        if (!state) return FALSE;
        switch (message) {
            case WM_INITDIALOG:
                AddColumns(GetDlgItem(page, IDC_PAGE_LIST), kUninstallColumns);
                for (const OptionSpec& option : kOptions) {
                    CheckDlgButton(page, option.control, option.checked ? BST_CHECKED : BST_UNCHECKED);
                    EnableWindow(GetDlgItem(page, option.control), option.enabled);
                }
                return TRUE;
            case WM_COMMAND:
                // The selected queues are always deleted, whatever reaches the box.
                if (LOWORD(wParam) == IDC_UNINSTALL_DELETE_PRINTER)
                    CheckDlgButton(page, IDC_UNINSTALL_DELETE_PRINTER, BST_CHECKED);
                return FALSE;
            case WM_NOTIFY:
                switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
                    case PSN_SETACTIVE:
                        FillQueues(GetDlgItem(page, IDC_PAGE_LIST));
                        SetWizardButtons(page, kButtonsBackNext);
                        return TRUE;
                    case PSN_WIZNEXT: return AnswerPageChange(page, UninstallNext(CollectSelection(page, *state)));
                    case PSN_WIZBACK: return AnswerPageChange(page, kModePage);
                    default: return FALSE;
                }
            default: return FALSE;
        }
    });
}

INT_PTR CALLBACK DriverListPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
    return Guarded("driver list page", static_cast<INT_PTR>(FALSE), [&]() -> INT_PTR {
        WizardState* state = message == WM_INITDIALOG ? KeepPageState(page, lParam) : PageState(page);
        if (!state) return FALSE;
        switch (message) {
            case WM_INITDIALOG: AddColumns(GetDlgItem(page, IDC_PAGE_LIST), kDriverColumns); return TRUE;
            case WM_NOTIFY:
                switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
                    case PSN_SETACTIVE:
                        FillDrivers(GetDlgItem(page, IDC_PAGE_LIST));
                        SetWizardButtons(page, kButtonsBack);
                        return TRUE;
                    case PSN_WIZNEXT: return AnswerPageChange(page, kStay);
                    case PSN_WIZBACK: return AnswerPageChange(page, kModePage);
                    default: return FALSE;
                }
            default: return FALSE;
        }
    });
}

}  // namespace kelno
