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

#include "tests/support/resources.h"
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
constexpr UINT kStringIds[] = {1900, 1902, 1903, 1904, 1914, 1916, 2044, 2045, 2122, 2125, 2128, 2200, 2150};

// Strings whose translation is spelt as in English: the colour orange in German and French.
constexpr UINT kOrange = 2128;
bool SameAsEnglish(LANGID language, UINT id) {
    return id == kOrange && (PRIMARYLANGID(language) == LANG_GERMAN || PRIMARYLANGID(language) == LANG_FRENCH);
}
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
        return ResourceBytes(module_, type, name, language);
    }
    static std::optional<std::wstring> StringIn(UINT id, LANGID language) {
        return StringResource(module_, id, language);
    }

    static HMODULE module_;
};
HMODULE DriverUiResources::module_ = nullptr;

TEST_F(DriverUiResources, EveryLanguageHasEveryString) {
    for (const Language& language : kLanguages)
        for (UINT id : kStringIds) {
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
            if (id == kHelpFileName || SameAsEnglish(language.id, id)) EXPECT_EQ(*text, *english) << language.name;
            else EXPECT_NE(*text, *english) << language.name << " string " << id << " is the English text";
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

// The dialogs of the DLL: their control ids, the bitmaps their templates name, and how many
// languages have a caption of their own.
const struct {
    WORD id;
    std::vector<DWORD> controls;
    std::vector<WORD> images;
    std::size_t distinctCaptions;
} kDialogs[] = {
    // German and Dutch both say "Info" for About.
    {101, {1000, 1001, 1002}, {102}, std::size(kLanguages) - 1},
    {108,
     {1008, 1097, 1010, 1011, 1012, 1013, 1015, 1096, 1030, 1031, 1041, 1043, 1025, 1130, 1127, 1082, 1009, 1036},
     {},
     std::size(kLanguages)},
    {120, {1009, 1083, 1084, 1085, 1087, 1088, 1089, 1095}, {}, std::size(kLanguages)},
};

TEST_F(DriverUiResources, EveryLanguageHasEveryDialog) {
    for (const auto& expected : kDialogs) {
        std::set<std::wstring> captions;
        for (const Language& language : kLanguages) {
            SCOPED_TRACE(std::string(language.name) + ", dialog " + std::to_string(expected.id));
            std::optional<std::vector<BYTE>> bytes = Resource(RT_DIALOG, MAKEINTRESOURCEW(expected.id), language.id);
            ASSERT_TRUE(bytes.has_value());
            std::optional<DialogTemplate> dialog = ParseDialog(*bytes);
            ASSERT_TRUE(dialog.has_value());
            EXPECT_FALSE(dialog->caption.empty());
            captions.insert(dialog->caption);
            for (DWORD id : expected.controls)
                EXPECT_EQ(std::count(dialog->ids.begin(), dialog->ids.end(), id), 1) << id;
            EXPECT_EQ(dialog->imageOrdinals, expected.images);
            const std::vector<wchar_t> keys = AccessKeys(*dialog);
            EXPECT_EQ(std::set<wchar_t>(keys.begin(), keys.end()).size(), keys.size()) << "an access key repeats";
        }
        EXPECT_EQ(captions.size(), expected.distinctCaptions) << "dialog " << expected.id;
    }
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

    // The Graphics Property page's sample picture.
    std::optional<std::vector<BYTE>> sample = Resource(RT_BITMAP, MAKEINTRESOURCEW(112), neutral);
    ASSERT_TRUE(sample.has_value());
    ASSERT_GE(sample->size(), sizeof(BITMAPINFOHEADER));
    std::memcpy(&header, sample->data(), sizeof header);
    EXPECT_EQ(header.biWidth, 200);
    EXPECT_EQ(header.biHeight, 168);
    EXPECT_EQ(header.biBitCount, 24);
    EXPECT_GE(sample->size(), sizeof header + 600u * 168u);
}

}  // namespace
}  // namespace kelno::test
