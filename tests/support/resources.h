#pragma once
// Resources of a module read as bytes, a string of a language's string table, and the parts of
// a dialog template (DLGTEMPLATEEX) the tests look at.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace kelno::test {

// The bytes of a resource in exactly that language; nothing when the module has none.
std::optional<std::vector<BYTE>> ResourceBytes(HMODULE module, LPCWSTR type, LPCWSTR name, LANGID language);

// A string of a language's table, found in its block of 16 (length-prefixed strings); nothing
// when the block or the string is missing or empty.
std::optional<std::wstring> StringResource(HMODULE module, UINT id, LANGID language);

// The parts of a DIALOGEX template the checks look at.
struct DialogTemplate {
    std::wstring caption;
    std::vector<DWORD> ids;
    std::vector<std::wstring> texts;
    std::vector<WORD> imageOrdinals;  // controls whose text is a resource ordinal
};

// Reads a DLGTEMPLATEEX; nothing when the bytes do not hold one.
std::optional<DialogTemplate> ParseDialog(const std::vector<BYTE>& bytes);

// The access keys ("&x") of a dialog's texts, lower-cased; "&&" is a literal ampersand.
std::vector<wchar_t> AccessKeys(const DialogTemplate& dialog);

}  // namespace kelno::test
