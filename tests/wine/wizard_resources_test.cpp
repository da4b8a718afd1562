// The setup wizard's resources in the package's drvwizard.exe: every language has every string
// of the wizard with the same printf conversions and line ends as the English one, the pages'
// dialogs with their controls (the mode page's restart notice where the languages carry it), no
// repeated access key, and the language-neutral icons, header bitmap, licence and manifest.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "resources/drvwizard/resource_ids.h"
#include "tests/support/resources.h"
#include "tests/support/wine_test_support.h"

namespace kelno::test {
namespace {

struct Language {
    LANGID id;
    const char* name;
    bool restartNotice;  // the mode page carries the hidden restart notice
};
const Language kLanguages[] = {
    {MAKELANGID(LANG_CHINESE, SUBLANG_NEUTRAL), "Chinese (Simplified)", true},
    {MAKELANGID(LANG_GERMAN, SUBLANG_NEUTRAL), "German", true},
    {MAKELANGID(LANG_ENGLISH, SUBLANG_NEUTRAL), "English", false},
    {MAKELANGID(LANG_SPANISH, SUBLANG_NEUTRAL), "Spanish", true},
    {MAKELANGID(LANG_FRENCH, SUBLANG_NEUTRAL), "French", true},
    {MAKELANGID(LANG_ITALIAN, SUBLANG_NEUTRAL), "Italian", true},
    {MAKELANGID(LANG_KOREAN, SUBLANG_NEUTRAL), "Korean", true},
    {MAKELANGID(LANG_DUTCH, SUBLANG_NEUTRAL), "Dutch", false},
    {MAKELANGID(LANG_RUSSIAN, SUBLANG_NEUTRAL), "Russian", true},
    {MAKELANGID(LANG_ARABIC, SUBLANG_ARABIC_SAUDI_ARABIA), "Arabic (Saudi Arabia)", true},
    {MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL), "Chinese (Traditional, Taiwan)", true},
};
constexpr LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_NEUTRAL);
constexpr UINT kFirstString = 104, kLastString = 203;

// The wizard's own pages with controls every language must have.
struct ExpectedDialog {
    int id;
    std::vector<DWORD> controls;
};
const ExpectedDialog kDialogs[] = {
    {IDD_AGREEMENT_PAGE, {IDC_AGREEMENT_TEXT, IDC_AGREEMENT_ACCEPT, IDC_AGREEMENT_DECLINE}},
    {IDD_MODE_PAGE, {IDC_MODE_INSTALL, IDC_MODE_UNINSTALL}},
    {IDD_UPGRADE_LIST_PAGE, {IDC_PAGE_LIST}},
    {IDD_UNINSTALL_PAGE,
     {IDC_PAGE_LIST, IDC_UNINSTALL_DELETE_PRINTER, IDC_UNINSTALL_REMOVE_DRIVER, IDC_UNINSTALL_DELETE_PORT,
      IDC_UNINSTALL_REMOVE_PACKAGE}},
    {IDD_RESULT_PAGE, {IDC_RESULT_STATUS, IDC_RESULT_TEXT, IDC_RESULT_HIDDEN_BUTTON}},
};

// The printf conversions of a text in order ("%ws", "%d", ...); "%%" is no conversion.
std::vector<std::wstring> Conversions(const std::wstring& text) {
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

bool EndsWithLineEnd(const std::wstring& text) { return text.size() >= 2 && text.substr(text.size() - 2) == L"\r\n"; }

class WizardResources : public testing::Test {
protected:
    static void SetUpTestSuite() {
        module_ = LoadLibraryExW(JoinPath(PackageFolderPath(), L"drvwizard.exe").c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    }
    static void TearDownTestSuite() {
        if (module_) FreeLibrary(module_);
    }
    static inline HMODULE module_ = nullptr;
};

TEST_F(WizardResources, EveryLanguageHasEveryStringWithTheEnglishConversionsAndLineEnds) {
    ASSERT_NE(module_, nullptr) << GetLastError();
    for (UINT id = kFirstString; id <= kLastString; ++id) {
        const std::optional<std::wstring> english = StringResource(module_, id, kEnglish);
        ASSERT_TRUE(english) << "English string " << id;
        for (const Language& language : kLanguages) {
            const std::optional<std::wstring> text = StringResource(module_, id, language.id);
            ASSERT_TRUE(text) << language.name << " string " << id;
            EXPECT_EQ(Conversions(*text), Conversions(*english)) << language.name << " string " << id;
            EXPECT_EQ(EndsWithLineEnd(*text), EndsWithLineEnd(*english)) << language.name << " string " << id;
        }
    }
}

TEST_F(WizardResources, OtherLanguagesAreTranslated) {
    ASSERT_NE(module_, nullptr);
    for (const Language& language : kLanguages) {
        if (language.id == kEnglish) continue;
        int same = 0;
        for (UINT id = kFirstString; id <= kLastString; ++id)
            same += StringResource(module_, id, language.id) == StringResource(module_, id, kEnglish);
        // Only names such as "USB", "COM", "Bluetooth" may stay as they are.
        EXPECT_LE(same, 8) << language.name;
    }
}

TEST_F(WizardResources, EveryLanguageHasThePagesWithTheirControls) {
    ASSERT_NE(module_, nullptr);
    for (const Language& language : kLanguages) {
        for (const ExpectedDialog& expected : kDialogs) {
            const auto bytes = ResourceBytes(module_, RT_DIALOG, MAKEINTRESOURCEW(expected.id), language.id);
            ASSERT_TRUE(bytes) << language.name << " dialog " << expected.id;
            const std::optional<DialogTemplate> dialog = ParseDialog(*bytes);
            ASSERT_TRUE(dialog) << language.name << " dialog " << expected.id;
            EXPECT_EQ(dialog->caption, StringResource(module_, IDS_WIZARD_TITLE, language.id).value_or(L"?"))
                << language.name << " dialog " << expected.id;
            for (DWORD control : expected.controls)
                EXPECT_NE(std::find(dialog->ids.begin(), dialog->ids.end(), control), dialog->ids.end())
                    << language.name << " dialog " << expected.id << " control " << control;
            const std::vector<wchar_t> keys = AccessKeys(*dialog);
            std::vector<wchar_t> sorted = keys;
            std::sort(sorted.begin(), sorted.end());
            EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end())
                << language.name << " dialog " << expected.id;
            if (expected.id != IDD_MODE_PAGE) continue;
            const bool notice =
                std::find(dialog->ids.begin(), dialog->ids.end(), IDC_MODE_RESTART_NOTICE) != dialog->ids.end();
            EXPECT_EQ(notice, language.restartNotice) << language.name;
        }
    }
}

TEST_F(WizardResources, PicturesLicenceAndManifestAreThere) {
    ASSERT_NE(module_, nullptr);
    EXPECT_NE(FindResourceW(module_, MAKEINTRESOURCEW(IDI_WIZARD), RT_GROUP_ICON), nullptr);
    EXPECT_NE(FindResourceW(module_, MAKEINTRESOURCEW(IDI_WIZARD_PAGE), RT_GROUP_ICON), nullptr);
    EXPECT_NE(FindResourceW(module_, MAKEINTRESOURCEW(IDB_WIZARD_HEADER), RT_BITMAP), nullptr);
    const auto licence = ResourceBytes(module_, RT_RCDATA, MAKEINTRESOURCEW(IDR_LICENCE_AGREEMENT),
                                       MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
    ASSERT_TRUE(licence);
    EXPECT_EQ(std::string(licence->begin(), licence->begin() + 5), "{\\rtf");
    const auto manifest =
        ResourceBytes(module_, RT_MANIFEST, MAKEINTRESOURCEW(1), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
    ASSERT_TRUE(manifest);
    const std::string text(manifest->begin(), manifest->end());
    EXPECT_NE(text.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(text.find("version=\"6.0.0.0\""), std::string::npos);
}

}  // namespace
}  // namespace kelno::test
