// The configuration DLL's resources in the package: every language has every string the DLL
// uses and the About dialog, the texts are translated and fit where they are shown, and the
// language-neutral resources (model database, logo) are there.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tests/support/wine_test_support.h"

namespace kelno::test {
namespace {

struct Language {
    LANGID id;
    const char* name;
};
const Language kLanguages[] = {
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
constexpr LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_NEUTRAL);

// Every string id the DLL loads.
constexpr UINT kStringIds[] = {1900, 1902, 1903, 1904, 1914, 1916, 2044, 2045, 2200};
constexpr UINT kHelpFileName = 1916;  // a file name: the same in every language

class DriverUiResources : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const std::wstring dll = JoinPath(PackageFolderPath(), L"amd64\\kelnodrv6ui.dll");
        module_ = LoadLibraryExW(dll.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module_, nullptr) << GetLastError();
    }
    static void TearDownTestSuite() {
        if (module_) FreeLibrary(module_);
    }

    static std::optional<std::vector<BYTE>> Resource(LPCWSTR type, LPCWSTR name, LANGID language) {
        HRSRC found = FindResourceExW(module_, type, name, language);
        if (!found) return std::nullopt;
        const BYTE* bytes = static_cast<const BYTE*>(LockResource(LoadResource(module_, found)));
        if (!bytes) return std::nullopt;
        return std::vector<BYTE>(bytes, bytes + SizeofResource(module_, found));
    }

    // A string of a language's table, found in its block of 16 (length-prefixed strings).
    static std::optional<std::wstring> StringIn(UINT id, LANGID language) {
        std::optional<std::vector<BYTE>> block = Resource(RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), language);
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

    static HMODULE module_;
};
HMODULE DriverUiResources::module_ = nullptr;

// The parts of a DIALOGEX template the checks look at.
struct DialogTemplate {
    std::wstring caption;
    std::vector<DWORD> ids;
    std::vector<std::wstring> texts;
    std::vector<WORD> imageOrdinals;  // controls whose text is a resource ordinal
};

// Reads a DLGTEMPLATEEX; nothing when the bytes do not hold one.
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

// The access keys ("&x") of a dialog's texts, lower-cased; "&&" is a literal ampersand.
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

TEST_F(DriverUiResources, EveryLanguageHasEveryString) {
    for (const Language& language : kLanguages)
        for (UINT id : kStringIds) {
            EXPECT_TRUE(id >= 1900 && id <= 2246) << id;
            EXPECT_TRUE(StringIn(id, language.id).has_value()) << language.name << " lacks string " << id;
        }
}

TEST_F(DriverUiResources, TextsAreTranslated) {
    for (const Language& language : kLanguages) {
        if (language.id == kEnglish) continue;
        for (UINT id : kStringIds) {
            const std::optional<std::wstring> text = StringIn(id, language.id);
            const std::optional<std::wstring> english = StringIn(id, kEnglish);
            if (!text || !english) continue;  // reported above
            if (id == kHelpFileName)
                EXPECT_EQ(*text, *english) << language.name;
            else
                EXPECT_NE(*text, *english) << language.name << " string " << id << " is the English text";
        }
    }
    EXPECT_EQ(StringIn(2200, kEnglish), std::optional<std::wstring>(L"Custom size"));
    EXPECT_EQ(StringIn(2200, MAKELANGID(LANG_GERMAN, SUBLANG_NEUTRAL)),
              std::optional<std::wstring>(L"Benutzerdefinierte Gr\u00F6\u00DFe"));
    EXPECT_EQ(StringIn(1914, MAKELANGID(LANG_RUSSIAN, SUBLANG_NEUTRAL)),
              std::optional<std::wstring>(L"\u0412\u044B\u0431\u0440\u0430\u043D\u043D\u0430\u044F \u0431\u0443\u043C"
                                          L"\u0430\u0433\u0430 \u043D\u0435 \u0437\u0430\u0433\u0440\u0443\u0436"
                                          L"\u0435\u043D\u0430."));
}

TEST_F(DriverUiResources, TextsFitWhereTheyAreShown) {
    for (const Language& language : kLanguages) {
        // Bin names go into 24-unit slots, paper names into 64-unit slots (with the terminator).
        for (UINT id : {2044u, 2045u}) {
            if (std::optional<std::wstring> text = StringIn(id, language.id)) {
                EXPECT_LE(text->size(), 23u) << language.name << " string " << id;
            }
        }
        if (std::optional<std::wstring> text = StringIn(2200, language.id)) {
            EXPECT_LE(text->size(), 63u) << language.name;
        }
        // Error texts are loaded into 256-unit buffers.
        for (UINT id : {1902u, 1903u, 1904u, 1914u}) {
            if (std::optional<std::wstring> text = StringIn(id, language.id)) {
                EXPECT_LE(text->size(), 255u) << language.name << " string " << id;
            }
        }
    }
}

TEST_F(DriverUiResources, EveryLanguageHasTheAboutDialog) {
    std::set<std::wstring> captions;
    for (const Language& language : kLanguages) {
        SCOPED_TRACE(language.name);
        std::optional<std::vector<BYTE>> bytes = Resource(RT_DIALOG, MAKEINTRESOURCEW(101), language.id);
        ASSERT_TRUE(bytes.has_value());
        std::optional<DialogTemplate> dialog = ParseDialog(*bytes);
        ASSERT_TRUE(dialog.has_value());
        EXPECT_FALSE(dialog->caption.empty());
        captions.insert(dialog->caption);
        for (DWORD id : {1000u, 1001u, 1002u})
            EXPECT_NE(std::find(dialog->ids.begin(), dialog->ids.end(), id), dialog->ids.end()) << id;
        EXPECT_EQ(dialog->imageOrdinals, std::vector<WORD>{102}) << "the logo";
        const std::vector<wchar_t> keys = AccessKeys(*dialog);
        EXPECT_EQ(std::set<wchar_t>(keys.begin(), keys.end()).size(), keys.size()) << "an access key repeats";
    }
    // German and Dutch both say "Info"; every other language has a caption of its own.
    EXPECT_EQ(captions.size(), std::size(kLanguages) - 1);
}

TEST_F(DriverUiResources, LanguageNeutralResources) {
    const LANGID neutral = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
    std::optional<std::vector<BYTE>> json = Resource(L"JSON", MAKEINTRESOURCEW(119), neutral);
    ASSERT_TRUE(json.has_value());
    const std::string document(json->begin(), json->end());
    EXPECT_NE(document.find("\"Venders\""), std::string::npos);
    EXPECT_NE(document.find("\"MX-430\""), std::string::npos);

    std::optional<std::vector<BYTE>> logo = Resource(RT_BITMAP, MAKEINTRESOURCEW(102), neutral);
    ASSERT_TRUE(logo.has_value());
    ASSERT_GE(logo->size(), sizeof(BITMAPINFOHEADER));
    BITMAPINFOHEADER header;
    std::memcpy(&header, logo->data(), sizeof header);
    EXPECT_EQ(header.biWidth, 310);
    EXPECT_EQ(header.biHeight, 147);
    EXPECT_EQ(header.biBitCount, 8);
}

}  // namespace
}  // namespace kelno::test
