#pragma once
// The Graphics Property page (dialog 108), the printing preferences' page after Page Setup:
// how pictures are reduced to black dots. Controls:
//   1008 1097 1010 1011 1012 1013 1015 1096  radio buttons of the dither levels ("Dithering")
//   1030, 1031      brightness and contrast trackbars, their values in statics 1041 and 1043
//   1025, 1130      check boxes: enhancement for low resolutions, dashed pattern on solid lines
//   1127            check box: two-colour mode (enabled for two-colour models), with the
//   1082            drop-down of its special colour
//   1009            check box: view the original image (not stored)
//   1036            picture static: the sample picture (bitmap 112) as it would print
// The page edits the sheet's page state (page_state_holder.h); the rules live in
// driverui/docsheet/graphics_settings.h.
#include <windows.h>

namespace kelno {

// The notification code of the command the page posts to itself at the end of WM_INITDIALOG:
// from then on commands change the page state.
inline constexpr WORD kPageReadyNotification = 1025;

INT_PTR CALLBACK GraphicsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace kelno
