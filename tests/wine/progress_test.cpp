// Progress lines reach the result page as WM_APPEND_LOG with the string table's text, formatted.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/progress.h"
#include "resource_ids.h"
#include "tests/support/result_page.h"
#include "tests/support/wine_test_support.h"

namespace kelno::test {
namespace {

TEST(Progress, StringTableTextsFormattedAndSentToThePage) {
    ResultPage result;
    ASSERT_TRUE(result.Created());
    const HWND page = result.hwnd();

    SendProgress(page, IDS_INSTALLING_DRIVER_AT_PORT, L"Label", L"USB001");
    SendProgress(page, IDS_DRIVER_INSTALL_FAILED, 4001, 1796);
    SendProgress(nullptr, IDS_OK_LINE);  // no page: nothing sent, no crash
    SendProgress(page, 9999);            // a missing string sends an empty line
    EXPECT_EQ(result.Lines(), (std::vector<std::wstring>{L"Installing the printer driver: Label, at port: USB001.\r\n",
                                                         L"Failed to install the printer driver. 4001-1796\r\n", L""}));

    wchar_t text[64];
    LoadProgramString(IDS_INSTALLED_SUCCESS, text, std::size(text));
    EXPECT_STREQ(text, L"\u2713 Installed success.");  // UTF-8 resource source kept intact
    LoadProgramString(IDS_REMOVE_PRINTER, text, 8);
    EXPECT_STREQ(text, L"Remove ");  // cut to the buffer, terminated
}

}  // namespace
}  // namespace kelno::test
