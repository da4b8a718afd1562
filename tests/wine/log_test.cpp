// The setup program's log: line layout, banners, DbgPrint limits, idempotent start, rotation,
// and a many-thread burst that must arrive whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "base/win/boundary.h"
#include "common/win/debug_output.h"
#include "common/win/log.h"
#include "tests/support/scoped_log.h"
#include "tests/support/wine_test_support.h"

namespace kelno::test {
namespace {

constexpr char kTimeThreadLevel[] = R"(\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}\] \[\d+\] )";

TEST(Log, LineLayoutBannersAndLocations) {
    ScopedLog log{L"log"};
    ASSERT_TRUE(log.started);
    KELNO_LOG_INFO("structured {} and {}", 42, "text");
    const int structuredLine = __LINE__ - 1;
    KELNO_LOG_DEBUG("debug lines are kept too");
    DbgPrint("Remove file:%ws, %d, errcode:%d.", L"C:\\windows\\x.dll", 1, 0);
    const auto lines = log.Lines();
    ASSERT_EQ(lines.size(), 5u);
    // Two writer threads share the queue, so neighbouring lines may land in either order:
    // each expected line must be there exactly once.
    const std::string stamp = kTimeThreadLevel;
    const std::string expected[] = {
        stamp + R"(\[info\] \[:\] -----------------------\[ BEGIN \]-------------------)",
        stamp + R"(\[info\] \[log_test\.cpp:)" + std::to_string(structuredLine) + R"(\] structured 42 and text)",
        stamp + R"(\[debug\] \[log_test\.cpp:\d+\] debug lines are kept too)",
        // DbgPrint lines carry the printf route's own site, "helper.cpp", not the caller's.
        stamp + R"(\[info\] \[helper\.cpp:\d+\] DbgPrint: Remove file:C:\\windows\\x\.dll, 1, errcode:0\.)",
        stamp + R"(\[info\] \[:\] -----------------------\[ END \]-------------------)",
    };
    for (const auto& pattern : expected) {
        const std::regex re(pattern);
        EXPECT_EQ(
            std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return std::regex_match(l, re); }), 1)
            << pattern;
    }
    const auto structured = Containing(lines, "structured 42");
    ASSERT_EQ(structured.size(), 1u);
    // The thread id is this thread's.
    EXPECT_NE(structured[0].find("] [" + std::to_string(GetCurrentThreadId()) + "] "), std::string::npos);
}

TEST(Log, DbgPrintLimits) {
    ScopedLog log{L"log"};
    const std::wstring wide768(768, L'c');
    DbgPrint("%hs", std::string(767, 'x').c_str());  // 767 characters: logged whole
    DbgPrint("%hs", std::string(768, 'y').c_str());  // 768: dropped
    DbgPrint("%ws", wide768.c_str());                // dropped
    DbgPrint(std::string(255, 'f').c_str());         // a format of 255 characters is taken
    DbgPrint(std::string(256, 'g').c_str());         // 256: ignored
    DbgPrint("bad %q format");                       // formatting error: dropped
    DbgPrint(nullptr);
    DbgPrint("%d%%", 100);
    const auto lines = log.Lines();
    ASSERT_EQ(Containing(lines, "DbgPrint: ").size(), 3u);
    EXPECT_EQ(Containing(lines, "DbgPrint: " + std::string(767, 'x')).size(), 1u);
    EXPECT_EQ(Containing(lines, "DbgPrint: " + std::string(255, 'f')).size(), 1u);
    EXPECT_EQ(Containing(lines, "DbgPrint: 100%").size(), 1u);
    EXPECT_TRUE(Containing(lines, "yyy").empty());
    EXPECT_TRUE(Containing(lines, "ccc").empty());
    EXPECT_TRUE(Containing(lines, "ggg").empty());
    EXPECT_TRUE(Containing(lines, "bad").empty());
}

TEST(Log, DbgPrintTextIsConvertedToUtf8) {
    ScopedLog log{L"log"};
    DbgPrint("name:%ws", L"Etikett \u00e9\u4e2d");
    const auto lines = log.Lines();
    EXPECT_EQ(Containing(lines, "DbgPrint: name:Etikett \xc3\xa9\xe4\xb8\xad").size(), 1u);
}

TEST(Log, SecondStartChangesNothing) {
    ScopedLog log{L"log"};
    const std::wstring other = JoinPath(MakeTempFolder(L"log2"), L"other.log");
    EXPECT_TRUE(StartLog(Narrow(other)));
    KELNO_LOG_INFO("after the second start");
    const auto lines = log.Lines();
    EXPECT_FALSE(FileExists(other));
    EXPECT_EQ(Containing(lines, "[ BEGIN ]").size(), 1u);
    EXPECT_EQ(Containing(lines, "after the second start").size(), 1u);
}

TEST(Log, StartCreatesMissingFoldersAndRestartsAfterEnd) {
    const std::wstring folder = JoinPath(MakeTempFolder(L"log3"), L"a\\b");
    const std::wstring file = JoinPath(folder, L"drvwlog.log");
    ASSERT_TRUE(StartLog(Narrow(file)));
    KELNO_LOG_INFO("first run");
    EndLog();
    EXPECT_FALSE(IsLogStarted());
    KELNO_LOG_INFO("between runs: not logged");
    ASSERT_TRUE(StartLog(Narrow(file)));
    KELNO_LOG_INFO("second run");
    EndLog();
    const auto lines = ReadLines(file);
    EXPECT_EQ(Containing(lines, "[ BEGIN ]").size(), 2u);
    EXPECT_EQ(Containing(lines, "[ END ]").size(), 2u);
    EXPECT_TRUE(Containing(lines, "between runs").empty());
    EXPECT_EQ(Containing(lines, "second run").size(), 1u);
}

TEST(Log, UnusableFolderGivesFalseAndTheProgramGoesOn) {
    // A folder below a file cannot be created.
    const std::wstring blocker = JoinPath(MakeTempFolder(L"log4"), L"file");
    ASSERT_TRUE(WriteFileBytes(blocker, "x"));
    EXPECT_FALSE(StartLog(Narrow(JoinPath(blocker, L"sub\\drvwlog.log"))));
    EXPECT_FALSE(IsLogStarted());
    KELNO_LOG_INFO("nowhere to go");
    DbgPrint("nowhere %d", 1);
}

TEST(Log, RotatesAt2MiBKeepingFiveOlderFiles) {
    ScopedLog log{L"log"};
    const std::string filler(1000, 'r');
    // About 14 MiB: enough for the current file and more than five rotations.
    for (int i = 0; i < 14500; ++i) KELNO_LOG_INFO("{} {}", i, filler);
    EndLog();
    EXPECT_TRUE(FileExists(log.file));
    for (int n = 1; n <= 5; ++n) {
        const std::wstring rotated = JoinPath(log.folder, L"drvwlog." + std::to_wstring(n) + L".log");
        ASSERT_TRUE(FileExists(rotated)) << n;
        const auto size = ReadFileBytes(rotated).size();
        EXPECT_LE(size, 0x200000u) << n;
        EXPECT_GT(size, 0x200000u - 2 * 1100u) << n;
    }
    EXPECT_FALSE(FileExists(JoinPath(log.folder, L"drvwlog.6.log")));
    EXPECT_LE(ReadFileBytes(log.file).size(), 0x200000u);
    // The newest lines are in the current file.
    EXPECT_EQ(Containing(ReadLines(log.file), "14499 rrr").size(), 1u);
}

TEST(Log, BurstFromManyThreadsArrivesWhole) {
    ScopedLog log{L"log"};
    constexpr int kThreads = 8, kPerThread = 12500;  // 100000 lines
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < kPerThread; ++i) KELNO_LOG_INFO("burst {}:{}", t, i);
        });
    for (auto& th : threads) th.join();
    EndLog();

    // ~7 MB of lines: they spread over the current file and the rotated ones.
    std::set<std::string> seen;
    std::vector<std::wstring> files{log.file};
    for (int n = 1; n <= 5; ++n) files.push_back(JoinPath(log.folder, L"drvwlog." + std::to_wstring(n) + L".log"));
    size_t total = 0;
    for (const auto& f : files) {
        for (const auto& line : ReadLines(f)) {
            const auto at = line.find("] burst ");
            if (at == std::string::npos) continue;
            ++total;
            seen.insert(line.substr(at + 8));
        }
    }
    EXPECT_EQ(total, static_cast<size_t>(kThreads * kPerThread));
    EXPECT_EQ(seen.size(), static_cast<size_t>(kThreads * kPerThread));
}

TEST(Log, WithoutALogDbgPrintAndStoppedExceptionsGoToTheDebuggerOutput) {
    ASSERT_FALSE(IsLogStarted());
    DebugOutputCapture capture;
    DbgPrint("Remove file:%ws, %d, errcode:%d.", L"C:\\nolog.dll", 0, 5);
    DbgPrint("bad %q format");                            // still dropped
    DebugOutF(L"%ws", std::wstring(1000, L'w').c_str());  // cut to the buffer, not dropped
    ReportStoppedException("test boundary", "boom");
    ASSERT_TRUE(capture.WaitFor(L"test boundary: stopped an exception: boom"));
    capture.Settle();
    EXPECT_EQ(capture.MessagesContaining(L"Remove file:C:\\nolog.dll, 0, errcode:5.").size(), 1u);
    EXPECT_TRUE(capture.MessagesContaining(L"bad").empty());
    const auto cut = capture.MessagesContaining(L"wwww");
    ASSERT_EQ(cut.size(), 1u);
    EXPECT_EQ(cut[0], std::wstring(767, L'w'));
}

TEST(Log, ExceptionsStoppedAtABoundaryAreLoggedAndGiveTheFailureValue) {
    ScopedLog log{L"log"};
    const int result = Guarded("worker thread", -1, []() -> int { throw std::runtime_error("disk gone"); });
    EXPECT_EQ(result, -1);
    SetLastError(0);
    EXPECT_FALSE(Guarded(
        "export", FALSE, []() -> BOOL { throw std::bad_alloc(); }, LastError::set));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    EndLog();
    const auto lines = log.Lines();
    EXPECT_EQ(Containing(lines, "[error] [:] worker thread: stopped an exception: disk gone").size(), 1u);
    EXPECT_EQ(Containing(lines, "[error] [:] export: stopped an exception: out of memory").size(), 1u);
}

TEST(Log, DefaultPathIsInTheCurrentFolder) {
    const std::wstring folder = MakeTempFolder(L"cwd");
    wchar_t saved[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, saved);
    ASSERT_TRUE(SetCurrentDirectoryW(folder.c_str()));
    const std::string path = DefaultLogPath();
    SetCurrentDirectoryW(saved);
    EXPECT_EQ(path, Narrow(JoinPath(folder, L"drvwlog.log")));
}

}  // namespace
}  // namespace kelno::test
