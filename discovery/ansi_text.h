#pragma once
// Conversions between UTF-16 and the system's ANSI code page, passed in as function pointers:
// the Win32 code hands in WideCharToMultiByte/MultiByteToWideChar wrappers (CP_ACP), the
// portable defaults below treat the ANSI text as ASCII.
#include <string>
#include <string_view>

namespace kelno {

using ToAnsiFn = std::string (*)(std::u16string_view text);
using FromAnsiFn = std::u16string (*)(std::string_view text);

// ASCII characters as they are, anything else as '?' (what an ANSI conversion does with a
// character its code page lacks).
std::string AsciiAnsiFromU16(std::u16string_view text);
// Bytes below 0x80 as they are, anything else as U+FFFD.
std::u16string U16FromAsciiAnsi(std::string_view text);

}  // namespace kelno
