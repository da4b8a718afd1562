#pragma once
// The WaterMark page (dialog 120), the printing preferences' page after Graphics Property: a
// picture printed behind every label. Controls:
//   1009            check box: the watermark is printed
//   1083, 1084      the picture file (read-only edit) and "...", which chooses it
//   1085            brightness trackbar (0-255)
//   1087            scale trackbar (percent of the preview width)
//   1088, 1089      horizontal and vertical position trackbars (percent of the free room)
//   1095            picture static: the picture in black and white, placed as it prints
// The page edits the sheet's page state (page_state_holder.h); the rules live in
// driverui/docsheet/watermark_settings.h and watermark_preview.h. Printers of type 3 have no
// such page.
#include <windows.h>

namespace kelno {

struct DriverContext;

INT_PTR CALLBACK WatermarkPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Whether the sheet of a context shows the page (the page condition of the sheet table).
bool WatermarkPageShown(const DriverContext& context);

}  // namespace kelno
