// Progress lines reach the result page as WM_APPEND_LOG with the string table's text, formatted.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/progress.h"
#include "engine/wizard_messages.h"
#include "resource_ids.h"
#include "tests/support/wine_test_support.h"

namespace kelno::test {
namespace {

std::vector<std::wstring> g_lines;

LRESULT CALLBACK PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APPEND_LOG) {
        g_lines.emplace_back(reinterpret_cast<const wchar_t*>(lParam));
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST(Progress, StringTableTextsFormattedAndSentToThePage) {
    WNDCLASSW cls{};
    cls.lpfnWndProc = PageProc;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = L"KelnoProgressPage";
    ASSERT_NE(RegisterClassW(&cls), 0);
    HWND page = CreateWindowExW(0, cls.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, cls.hInstance, nullptr);
    ASSERT_NE(page, nullptr);

    SendProgress(page, IDS_INSTALLING_DRIVER_AT_PORT, L"Label", L"USB001");
    SendProgress(page, IDS_DRIVER_INSTALL_FAILED, 4001, 1796);
    SendProgress(nullptr, IDS_OK_LINE);  // no page: nothing sent, no crash
    SendProgress(page, 9999);            // a missing string sends an empty line
    ASSERT_EQ(g_lines.size(), 3u);
    EXPECT_EQ(g_lines[0], L"Installing the printer driver: Label, at port: USB001.\r\n");
    EXPECT_EQ(g_lines[1], L"Failed to install the printer driver. 4001-1796\r\n");
    EXPECT_EQ(g_lines[2], L"");

    wchar_t text[64];
    LoadProgramString(IDS_INSTALLED_SUCCESS, text, std::size(text));
    EXPECT_STREQ(text, L"\u2713 Installed success.");  // UTF-8 resource source kept intact
    LoadProgramString(IDS_REMOVE_PRINTER, text, 8);
    EXPECT_STREQ(text, L"Remove ");  // cut to the buffer, terminated
    DestroyWindow(page);
}

}  // namespace
}  // namespace kelno::test
