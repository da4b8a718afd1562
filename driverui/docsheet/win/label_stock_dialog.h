#pragma once
// The Edit Label Stock dialog (dialog 110), opened modally by the Page Setup page to create or
// edit one of the printer's label stocks. Controls:
//   1037            name (disabled for "USER")
//   1020 1022       width (between the liners) and length, up-downs 1039 1040
//   1038            type: gaps, black marks, continuous, un-fixed continuous
//   1021 1023       exposed liner left and right, up-downs 1043 1044
//   1024 1025       gap or mark height and offset, up-downs 1045 1046
//   1106-1111       unit labels;  1035  preview with the focused dimension marked
// OK writes the printer's "FORMS" in one call (replacing the stock of that name or appending it;
// a renamed stock loses its old entry); a failed save leaves the list as it was and says so.
// The rules live in driverui/docsheet/label_stock.h.
#include <windows.h>

#include "driverui/core/paper_record.h"

namespace kelno {

struct DriverContext;
struct PageState;

// What the Page Setup page hands the dialog and gets back.
struct LabelStockRequest {
    DriverContext* context = nullptr;
    PageState* state = nullptr;           // the DEVMODE being edited ("USER" sets its paper size)
    char16_t name[kPaperNameUnits] = {};  // the stock to edit (empty: a new one); the saved name after OK
};

// Runs the dialog; true when a stock was saved (request.name then holds its name).
bool EditLabelStock(HWND owner, LabelStockRequest& request);

INT_PTR CALLBACK LabelStockDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace kelno
