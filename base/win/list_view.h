#pragma once
// Rows of a report-style list view: append a row with its columns, read a cell into a bounded
// buffer, the selected rows, select a row. Each call is one or a few messages to the control,
// so it works on a control of another thread as well (the messages are sent, not posted).
#include <windows.h>
#include <commctrl.h>

#include <climits>
#include <cstddef>
#include <initializer_list>
#include <vector>

namespace kelno {

inline int RowCount(HWND listView) { return ListView_GetItemCount(listView); }

// Removes every row; false when the control refused.
inline bool DeleteAllRows(HWND listView) { return ListView_DeleteAllItems(listView) != FALSE; }

// Appends a row: the first text is the row's item, the others fill columns 1, 2, ... (a null
// text leaves its column empty). The row's index, or -1 when the insert failed (then no column
// is set).
inline int AppendRow(HWND listView, std::initializer_list<const wchar_t*> columns) {
    if (columns.size() == 0) return -1;
    const wchar_t* const* text = columns.begin();
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = RowCount(listView);
    item.pszText = const_cast<wchar_t*>(text[0] ? text[0] : L"");
    const int row = ListView_InsertItem(listView, &item);
    if (row < 0) return -1;
    for (std::size_t column = 1; column < columns.size(); ++column) {
        if (!text[column]) continue;
        LVITEMW cell{};
        cell.iSubItem = static_cast<int>(column);
        cell.pszText = const_cast<wchar_t*>(text[column]);
        SendMessageW(listView, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
    }
    return row;
}

// The text of one cell, cut to capacity-1 characters and always terminated; the number of
// characters stored. capacity 0 stores nothing.
inline std::size_t CellText(HWND listView, int row, int column, wchar_t* out, std::size_t capacity) {
    if (!out || capacity == 0) return 0;
    out[0] = L'\0';
    LVITEMW cell{};
    cell.iSubItem = column;
    cell.pszText = out;
    cell.cchTextMax = capacity > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(capacity);
    const LRESULT length =
        SendMessageW(listView, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
    std::size_t stored = length > 0 ? static_cast<std::size_t>(length) : 0;
    if (stored >= capacity) stored = capacity - 1;
    out[stored] = L'\0';
    return stored;
}
template <std::size_t N>
std::size_t CellText(HWND listView, int row, int column, wchar_t (&out)[N]) {
    return CellText(listView, row, column, out, N);
}

// The selected rows in order; the first selected row, or -1 when none is.
inline std::vector<int> SelectedRows(HWND listView) {
    std::vector<int> rows;
    // Each search starts after the row before; a control that answered a row again would
    // otherwise never end the loop.
    for (int row = -1;;) {
        const int next = ListView_GetNextItem(listView, row, LVNI_SELECTED);
        if (next <= row) break;
        rows.push_back(next);
        row = next;
    }
    return rows;
}
inline int FirstSelectedRow(HWND listView) { return ListView_GetNextItem(listView, -1, LVNI_SELECTED); }

// Selects and focuses the row and scrolls it into view.
inline void SelectRow(HWND listView, int row) {
    ListView_SetItemState(listView, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(listView, row, FALSE);
}

}  // namespace kelno
