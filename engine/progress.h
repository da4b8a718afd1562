#pragma once
// Progress lines of the engine steps: a text from the program's string table, formatted with
// the step's values, sent to the result page as WM_APPEND_LOG (the page keeps at most 100
// characters of each). No window, no line.
#include <windows.h>

#include <cstddef>

namespace kelno {

// The string resource of the running program, cut to its buffer; empty when it is missing.
void LoadProgramString(UINT id, wchar_t* out, std::size_t capacity);

// Loads string id, formats it printf-style (wide conventions) and sends it to the page.
void SendProgress(HWND page, UINT id, ...);
// Sends a ready text.
void SendProgressText(HWND page, const wchar_t* text);

}  // namespace kelno
