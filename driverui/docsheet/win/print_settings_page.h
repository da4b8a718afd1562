#pragma once
// The Print Settings page (dialog 113), the printing preferences' page before About: the job
// settings that concern the printer language and the label after printing, and the four user
// commands. Controls:
//   1070  print mode              1052  print language (the model's languages)
//   1022  post action             1027  occurrence      1028 + 1029  interval in pages
//   1023  paper saving            1024, 1030  whether paper size and type are sent
//   1025 + 1026  feed offset in the measure unit (unit label 1032)
//   1031  ZIP method (the model's compression methods)
//   1044  command slot, 1045 its text, 1046 function character, 1047 "Insert" (menu 115),
//   1033  why an insertion was refused
// The page keeps its own working copy of these settings and mirrors it into the sheet's page
// state, so that a page that writes the page state back carries them; Apply writes them (and
// the ESC/POS bit of the effect flags) into the context DEVMODE. The rules live in
// driverui/docsheet/print_settings.h and user_commands.h.
#include <windows.h>

namespace kelno {

INT_PTR CALLBACK PrintSettingsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace kelno
