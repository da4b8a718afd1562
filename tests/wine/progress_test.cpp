// Progress lines reach the result page as WM_APPEND_LOG with the wizard's string-table text,
// formatted, and cut to what the page keeps instead of being dropped.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drvwizard/win/install_worker.h"
#include "engine/win/progress.h"
#include "resource_ids.h"
#include "tests/support/result_page.h"
#include "tests/support/wine_test_support.h"

namespace kelno::test {
namespace {

using Lines = std::vector<std::wstring>;

TEST(Progress, EngineTextsComeFromTheProgramsTableFormattedAndSentToThePage) {
    ResultPage result;
    ASSERT_TRUE(result.Created());
    const ProgressSink sink = ResultPageSink(result.hwnd());

    SendProgress(sink, EngineText::installingDriverAtPort, L"Label", L"USB001");
    SendProgress(sink, EngineText::driverInstallFailed, 4001, 1796);
    SendProgress(ResultPageSink(nullptr), EngineText::okLine);  // no page: nothing sent, no crash
    ProgressSink noTable = sink;
    noTable.textIds = nullptr;
    SendProgress(noTable, EngineText::okLine);  // no string table: an empty line
    EXPECT_EQ(result.Lines(), (Lines{L"Installing the printer driver: Label, at port: USB001.\r\n",
                                     L"Failed to install the printer driver. 4001-1796\r\n", L""}));

    wchar_t text[64];
    LoadEngineText(sink, EngineText::removePrinter, text, 8);
    EXPECT_STREQ(text, L"Remove ");  // cut to the buffer, terminated
    ASSERT_GT(LoadStringW(GetModuleHandleW(nullptr), IDS_INSTALLED_SUCCESS, text, static_cast<int>(std::size(text))),
              0);
    EXPECT_STREQ(text, L"\u2713 Installed success.");  // UTF-8 resource source kept intact
}

TEST(Progress, ALineLongerThanThePageKeepsIsCutNotDropped) {
    ResultPage result;
    ASSERT_TRUE(result.Created());
    const std::wstring longName(300, L'Q');
    SendProgress(ResultPageSink(result.hwnd()), EngineText::installingDriverAtPort, longName.c_str(), L"USB001");
    ASSERT_EQ(result.Lines().size(), 1u);
    const std::wstring& line = result.Lines()[0];
    EXPECT_EQ(line.size(), 100u);
    EXPECT_EQ(line.rfind(L"Installing the printer driver: QQQ", 0), 0u);
    EXPECT_EQ(line.substr(line.size() - 2), L"\r\n");  // the next line still starts on its own
}

}  // namespace
}  // namespace kelno::test
