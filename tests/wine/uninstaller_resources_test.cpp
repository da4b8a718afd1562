// The uninstaller's resources in the package's usbonestep.exe: every language has its strings
// with the English conversions (the tree formats are filled with the same arguments in every
// language), translated, and the uninstall dialog with its controls and no repeated access key.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "resources/usbonestep/resource_ids.h"
#include "tests/support/resources.h"
#include "tests/support/wine_test_support.h"

namespace kelno::test {
namespace {

constexpr LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_NEUTRAL);
constexpr UINT kFirstString = IDS_UNINSTALL_NOTHING, kLastString = IDS_UNINSTALL_FOLDER;

class UninstallerResources : public testing::Test {
protected:
    static void SetUpTestSuite() {
        module_ = LoadLibraryExW(JoinPath(PackageFolderPath(), L"usbonestep.exe").c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    }
    static void TearDownTestSuite() {
        if (module_) FreeLibrary(module_);
    }
    static inline HMODULE module_ = nullptr;
};

TEST_F(UninstallerResources, EveryLanguageHasEveryStringWithTheEnglishConversions) {
    ASSERT_NE(module_, nullptr) << GetLastError();
    for (UINT id = kFirstString; id <= kLastString; ++id) {
        const std::optional<std::wstring> english = StringResource(module_, id, kEnglish);
        ASSERT_TRUE(english) << "English string " << id;
        for (const ResourceLanguage& language : kResourceLanguages) {
            const std::optional<std::wstring> text = StringResource(module_, id, language.id);
            ASSERT_TRUE(text) << language.name << " string " << id;
            EXPECT_EQ(PrintfConversions(*text), PrintfConversions(*english)) << language.name << " string " << id;
            if (language.id != kEnglish) {
                EXPECT_NE(*text, *english) << language.name << " string " << id;
            }
        }
    }
}

TEST_F(UninstallerResources, EveryLanguageHasTheDialogWithItsControls) {
    ASSERT_NE(module_, nullptr);
    const std::vector<DWORD> controls{IDOK, IDCANCEL, IDC_UNINSTALL_TREE, IDC_UNINSTALL_NOTE, IDC_UNINSTALL_PROGRESS};
    std::optional<DialogTemplate> english;
    if (auto bytes = ResourceBytes(module_, RT_DIALOG, MAKEINTRESOURCEW(IDD_ONESTEP_UNINSTALL), kEnglish))
        english = ParseDialog(*bytes);
    ASSERT_TRUE(english);
    EXPECT_EQ(english->caption, L"Uninstall printer driver");
    for (const ResourceLanguage& language : kResourceLanguages) {
        const auto bytes = ResourceBytes(module_, RT_DIALOG, MAKEINTRESOURCEW(IDD_ONESTEP_UNINSTALL), language.id);
        ASSERT_TRUE(bytes) << language.name;
        const std::optional<DialogTemplate> dialog = ParseDialog(*bytes);
        ASSERT_TRUE(dialog) << language.name;
        for (DWORD control : controls)
            EXPECT_NE(std::find(dialog->ids.begin(), dialog->ids.end(), control), dialog->ids.end())
                << language.name << " control " << control;
        if (language.id != kEnglish) {
            EXPECT_NE(dialog->caption, english->caption) << language.name;
        }
        std::vector<wchar_t> keys = AccessKeys(*dialog);
        std::sort(keys.begin(), keys.end());
        EXPECT_EQ(std::adjacent_find(keys.begin(), keys.end()), keys.end()) << language.name;
    }
}

}  // namespace
}  // namespace kelno::test
