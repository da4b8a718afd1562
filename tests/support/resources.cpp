#include "tests/support/resources.h"

#include <cstring>
#include <cwctype>

namespace kelno::test {

std::optional<std::vector<BYTE>> ResourceBytes(HMODULE module, LPCWSTR type, LPCWSTR name, LANGID language) {
    HRSRC found = FindResourceExW(module, type, name, language);
    if (!found) return std::nullopt;
    const BYTE* bytes = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
    if (!bytes) return std::nullopt;
    return std::vector<BYTE>(bytes, bytes + SizeofResource(module, found));
}

std::optional<std::wstring> StringResource(HMODULE module, UINT id, LANGID language) {
    std::optional<std::vector<BYTE>> block = ResourceBytes(module, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), language);
    if (!block) return std::nullopt;
    const std::size_t units = block->size() / sizeof(wchar_t);
    const auto* text = reinterpret_cast<const wchar_t*>(block->data());
    std::size_t at = 0;
    for (UINT index = 0; index < 16 && at < units; ++index) {
        const std::size_t length = text[at++];
        if (at + length > units) return std::nullopt;
        if (index == id % 16) {
            if (length == 0) return std::nullopt;
            return std::wstring(text + at, length);
        }
        at += length;
    }
    return std::nullopt;
}

std::optional<DialogTemplate> ParseDialog(const std::vector<BYTE>& bytes) {
    std::size_t at = 0;
    auto word = [&](WORD* out) {
        if (at + 2 > bytes.size()) return false;
        std::memcpy(out, bytes.data() + at, 2);
        at += 2;
        return true;
    };
    auto dword = [&](DWORD* out) {
        if (at + 4 > bytes.size()) return false;
        std::memcpy(out, bytes.data() + at, 4);
        at += 4;
        return true;
    };
    // sz_Or_Ord: 0 (none), 0xFFFF + ordinal, or a terminated string.
    auto text = [&](std::wstring* out, WORD* ordinal) {
        WORD first = 0;
        if (!word(&first)) return false;
        if (first == 0xFFFF) return word(ordinal);
        while (first != 0) {
            out->push_back(static_cast<wchar_t>(first));
            if (!word(&first)) return false;
        }
        return true;
    };
    auto align = [&]() { at = (at + 3) & ~std::size_t{3}; };

    DialogTemplate dialog;
    WORD version = 0, signature = 0, count = 0, ignored = 0;
    DWORD helpId = 0, exStyle = 0, style = 0;
    if (!word(&version) || !word(&signature) || version != 1 || signature != 0xFFFF) return std::nullopt;
    if (!dword(&helpId) || !dword(&exStyle) || !dword(&style) || !word(&count)) return std::nullopt;
    at += 8;  // x, y, cx, cy
    std::wstring menu, windowClass, font;
    if (!text(&menu, &ignored) || !text(&windowClass, &ignored) || !text(&dialog.caption, &ignored))
        return std::nullopt;
    if (style & (DS_SETFONT | DS_SHELLFONT)) {
        at += 6;  // point size, weight, italic, character set
        if (!text(&font, &ignored)) return std::nullopt;
    }
    for (WORD i = 0; i < count; ++i) {
        align();
        DWORD itemHelp = 0, itemExStyle = 0, itemStyle = 0, id = 0;
        if (!dword(&itemHelp) || !dword(&itemExStyle) || !dword(&itemStyle)) return std::nullopt;
        at += 8;
        if (!dword(&id)) return std::nullopt;
        std::wstring itemClass, itemText;
        WORD classOrdinal = 0, textOrdinal = 0, extra = 0;
        if (!text(&itemClass, &classOrdinal) || !text(&itemText, &textOrdinal) || !word(&extra)) return std::nullopt;
        at += extra;
        dialog.ids.push_back(id);
        dialog.texts.push_back(itemText);
        if (textOrdinal) dialog.imageOrdinals.push_back(textOrdinal);
    }
    return dialog;
}

std::vector<wchar_t> AccessKeys(const DialogTemplate& dialog) {
    std::vector<wchar_t> keys;
    for (const std::wstring& text : dialog.texts)
        for (std::size_t i = 0; i + 1 < text.size(); ++i) {
            if (text[i] != L'&') continue;
            if (text[i + 1] == L'&') {
                ++i;
                continue;
            }
            keys.push_back(static_cast<wchar_t>(towlower(text[i + 1])));
        }
    return keys;
}

const std::vector<ResourceLanguage> kResourceLanguages = {
    {MAKELANGID(LANG_CHINESE, SUBLANG_NEUTRAL), "Chinese (Simplified)"},
    {MAKELANGID(LANG_GERMAN, SUBLANG_NEUTRAL), "German"},
    {MAKELANGID(LANG_ENGLISH, SUBLANG_NEUTRAL), "English"},
    {MAKELANGID(LANG_SPANISH, SUBLANG_NEUTRAL), "Spanish"},
    {MAKELANGID(LANG_FRENCH, SUBLANG_NEUTRAL), "French"},
    {MAKELANGID(LANG_ITALIAN, SUBLANG_NEUTRAL), "Italian"},
    {MAKELANGID(LANG_KOREAN, SUBLANG_NEUTRAL), "Korean"},
    {MAKELANGID(LANG_DUTCH, SUBLANG_NEUTRAL), "Dutch"},
    {MAKELANGID(LANG_RUSSIAN, SUBLANG_NEUTRAL), "Russian"},
    {MAKELANGID(LANG_ARABIC, SUBLANG_ARABIC_SAUDI_ARABIA), "Arabic (Saudi Arabia)"},
    {MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL), "Chinese (Traditional, Taiwan)"},
};

std::vector<std::wstring> PrintfConversions(const std::wstring& text) {
    std::vector<std::wstring> found;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'%') continue;
        if (i + 1 < text.size() && text[i + 1] == L'%') {
            ++i;
            continue;
        }
        std::size_t end = i + 1;
        while (end < text.size() && !std::iswalpha(text[end])) ++end;
        while (end < text.size() && (text[end] == L'w' || text[end] == L'l' || text[end] == L'h')) ++end;
        found.push_back(text.substr(i, end - i + 1));
        i = end;
    }
    return found;
}

}  // namespace kelno::test
