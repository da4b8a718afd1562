#pragma once
// The Page Setup page (dialog 106), the first page of the printing preferences: the label stock
// and its offsets, direction, mirror and negative printing, copies, speed, darkness, the
// printing scale and blank pages. Controls:
//   1001            label stocks ("FORMS"), with 1004 New, 1009 Edit, 1011 Delete
//   1034 1010       check boxes: mirror, negative
//   1113            direction: 0, 90, 180, 270 degrees
//   1018 1019       horizontal offset and its up-down; 1020 1021 vertical offset and its up-down
//   1023 1024       copies and its up-down
//   1022 1026       print speed, print density (darkness) of the model
//   1102            printing-scale mode; 1101 1025 scale width and its up-down
//   1106 1107 1108  unit labels;  1130  "Ignore blank pages."
//   1035            the label preview (owner-drawn)
// The page fills the sheet's page state (page_state_holder.h) from the context at every opening
// and writes it back on Apply. The rules live in driverui/docsheet/page_setup.h.
#include <windows.h>

namespace kelno {

INT_PTR CALLBACK PageSetupPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace kelno
