#pragma once
// The Printer Settings page (dialog 104), the printer properties' page before About. It edits
// three settings kept as printer data, "PPDataFlags" (bit 3 record printer code, bit 4 lock
// driver settings; the other bits are kept), "MeasureUnit" and "LogFolder", and manages the
// folder of recorded printer code: its file list, to which files can also be dropped, viewed
// in Notepad, sent to the printer as RAW jobs or deleted. The lower half is the firmware group
// (firmware_group.h).
#include <windows.h>

namespace kelno {

// The notification code of the command the page posts to itself at the end of WM_INITDIALOG:
// commands are ignored until it arrives.
inline constexpr WORD kSettingsPageReady = 1025;

// Empties the file list and lists the files (not the folders) of the log folder.
void RefreshLogFileList(HWND page, const wchar_t* logFolder);

INT_PTR CALLBACK PrinterSettingsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace kelno
