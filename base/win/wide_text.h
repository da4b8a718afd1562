#pragma once
// UTF-16 text between the portable core (char16_t) and the wide Win32 calls (wchar_t): views,
// pointers, fixed fields, UTF-8 for the log and the ANSI code page. Every read of a fixed
// buffer stops at its terminator or its end, whichever comes first.
#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "base/text.h"

namespace kelno {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide text is UTF-16");

// ---- views and pointers ----------------------------------------------------------------------

// Wide text as the portable code takes it. A null pointer gives "".
inline std::u16string_view U16View(const wchar_t* text) {
    return text ? std::u16string_view(reinterpret_cast<const char16_t*>(text)) : std::u16string_view();
}
// Text of a fixed buffer: up to its terminator, never past capacity units. Null gives "".
inline std::u16string_view U16View(const wchar_t* text, std::size_t capacity) {
    return text ? std::u16string_view(reinterpret_cast<const char16_t*>(text), LengthBounded(text, capacity))
                : std::u16string_view();
}
inline std::u16string_view U16View(std::wstring_view text) {
    return std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size());
}
inline std::wstring_view WideView(std::u16string_view text) {
    return std::wstring_view(reinterpret_cast<const wchar_t*>(text.data()), text.size());
}

inline const wchar_t* WidePtr(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
inline wchar_t* WidePtr(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }
inline const wchar_t* WidePtr(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }
inline const char16_t* U16Ptr(const wchar_t* text) { return reinterpret_cast<const char16_t*>(text); }
inline char16_t* U16Ptr(wchar_t* text) { return reinterpret_cast<char16_t*>(text); }

inline std::wstring WideString(std::u16string_view text) { return std::wstring(WideView(text)); }
inline std::u16string U16String(std::wstring_view text) { return std::u16string(U16View(text)); }

// ---- fixed fields ----------------------------------------------------------------------------

// The text of a fixed field as a terminated wide string: up to its terminator, never past the
// field (a field that fills all N units gives all N).
template <std::size_t N>
std::wstring FieldString(const char16_t (&field)[N]) {
    return WideString(FieldText(field));
}
template <std::size_t N>
std::wstring FieldString(const wchar_t (&field)[N]) {
    return std::wstring(field, LengthBounded(field, N));
}

// The text of a fixed field as a terminated copy the field's own size would hold it: a field
// that fills all N units gives its first N-1. The removal reads the entry's names this way.
template <std::size_t N>
std::wstring TerminatedFieldString(const char16_t (&field)[N]) {
    return WideString(FieldText(field).substr(0, N - 1));
}

// Copies wide text into a fixed field, cut to N-1 characters and terminated. False when cut.
template <std::size_t N>
bool SetField(char16_t (&field)[N], std::wstring_view text) {
    return SetField(field, U16View(text));
}

// ---- UTF-8 and the ANSI code page --------------------------------------------------------------

// UTF-8 for the log. Unpaired surrogates become U+FFFD; a null pointer gives "".
std::string Utf8(std::u16string_view text);
inline std::string Utf8(const wchar_t* text) { return Utf8(U16View(text)); }
inline std::string Utf8(std::wstring_view text) { return Utf8(U16View(text)); }

// The system's ANSI code page (CP_ACP). Text the conversion fails on gives "".
std::string AnsiFromU16(std::u16string_view text);
std::u16string U16FromAnsi(std::string_view text);

// ---- file names ------------------------------------------------------------------------------

// The file name of a path: the part after its last '\' or '/' (the whole path when it has
// neither). For paths the program builds or is handed, which Windows reads with either
// separator.
const wchar_t* FileNamePart(const wchar_t* path);

// The file name after the last '\' only. Kept apart from FileNamePart because the removal of
// driver files splits the spooler's paths this way and deletes in the folder left before the
// name: splitting at '/' as well would move that folder (and so the file deleted) for a path
// such as "C:\drivers\a/b.dll".
const wchar_t* FileNamePartAfterBackslash(const wchar_t* path);

}  // namespace kelno
