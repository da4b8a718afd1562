#pragma once
// Trace lines that go to the debugger output only (OutputDebugStringW): upgrade-mode steps,
// staging retries, service-control failures and everything usbonestep traces.
#include <windows.h>

namespace kelno {

void DebugOut(const wchar_t* text);

// printf-style (wide conventions, see base/wide_printf.h) into a 768-unit buffer; a line that
// does not fit is cut at the buffer's end, never overrun; a malformed format writes nothing.
void DebugOutF(const wchar_t* format, ...);

}  // namespace kelno
