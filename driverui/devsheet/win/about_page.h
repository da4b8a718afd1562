#pragma once
// The About page (dialog 101), the last page of both property sheets. Controls:
//   picture static (no id)  bitmap 102, the maker's logo, centred
//   1000                    the driver's name
//   1001                    the driver's version
//   1002                    the maker's rights notice
// The page shows the same texts in every language; only the template is localised.
#include <windows.h>

#include <cstddef>
#include <string>

namespace kelno {

inline constexpr wchar_t kAboutProductName[] = L"Tavolen printer driver for windows";
inline constexpr wchar_t kAboutVersion[] = L"2026.09.12.01";
// The rights notice, kept as UTF-8 and shown in the ANSI code page.
inline constexpr char kAboutRightsNoticeUtf8[] = "Copyright \xC2\xA9 2026 Tavolen. All rights reserved.";
// The rights notice buffer in bytes: at most 65 bytes of text and the terminator.
inline constexpr std::size_t kAboutRightsNoticeBytes = 66;

// The rights notice in the ANSI code page, cut to whole characters that fit 65 bytes.
std::string AboutRightsNoticeAnsi();

INT_PTR CALLBACK AboutPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace kelno
