// Progress lines reach the result page as WM_APPEND_LOG with the wizard's string-table text,
// formatted, and cut to what the page keeps instead of being dropped.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drvwizard/win/install_worker.h"
#include "drvwizard/win/wizard_messages.h"
#include "engine/win/progress.h"
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

HWND MakePage() {
    WNDCLASSW cls{};
    cls.lpfnWndProc = PageProc;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = L"KelnoProgressPage";
    RegisterClassW(&cls);
    return CreateWindowExW(0, cls.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, cls.hInstance, nullptr);
}

TEST(Progress, EngineTextsComeFromTheProgramsTableFormattedAndSentToThePage) {
    HWND page = MakePage();
    ASSERT_NE(page, nullptr);
    g_lines.clear();
    const ProgressSink sink = ResultPageSink(page);

    SendProgress(sink, EngineText::installingDriverAtPort, L"Label", L"USB001");
    SendProgress(sink, EngineText::driverInstallFailed, 4001, 1796);
    SendProgress(ResultPageSink(nullptr), EngineText::okLine);  // no page: nothing sent, no crash
    ProgressSink noTable = sink;
    noTable.textIds = nullptr;
    SendProgress(noTable, EngineText::okLine);  // no string table: an empty line
    ASSERT_EQ(g_lines.size(), 3u);
    EXPECT_EQ(g_lines[0], L"Installing the printer driver: Label, at port: USB001.\r\n");
    EXPECT_EQ(g_lines[1], L"Failed to install the printer driver. 4001-1796\r\n");
    EXPECT_EQ(g_lines[2], L"");

    wchar_t text[64];
    LoadEngineText(sink, EngineText::removePrinter, text, 8);
    EXPECT_STREQ(text, L"Remove ");  // cut to the buffer, terminated
    DestroyWindow(page);
}

TEST(Progress, ALineLongerThanThePageKeepsIsCutNotDropped) {
    HWND page = MakePage();
    ASSERT_NE(page, nullptr);
    g_lines.clear();
    const std::wstring longName(300, L'Q');
    SendProgress(ResultPageSink(page), EngineText::installingDriverAtPort, longName.c_str(), L"USB001");
    ASSERT_EQ(g_lines.size(), 1u);
    const std::wstring& line = g_lines[0];
    EXPECT_EQ(line.size(), 100u);
    EXPECT_EQ(line.rfind(L"Installing the printer driver: QQQ", 0), 0u);
    EXPECT_EQ(line.substr(line.size() - 2), L"\r\n");  // the next line still starts on its own
    DestroyWindow(page);
}

}  // namespace
}  // namespace kelno::test
