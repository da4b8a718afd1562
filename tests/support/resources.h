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

// The eleven languages of the package's resources, as their LANGUAGE lines name them.
struct ResourceLanguage {
    LANGID id;
    const char* name;
};
extern const std::vector<ResourceLanguage> kResourceLanguages;

// The printf conversions of a text in order ("%ws", "%d", ...); "%%" is no conversion.
std::vector<std::wstring> PrintfConversions(const std::wstring& text);

}  // namespace kelno::test
