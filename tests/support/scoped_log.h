#pragma once
// A setup-program log of a test's own: started in a new folder, ended and read back by the
// test (Lines ends it, so every queued line is in the file when it is read).
#include <string>
#include <vector>

#include "common/win/log.h"
#include "tests/support/wine_test_support.h"

namespace kelno::test {

// The lines that contain the text.
inline std::vector<std::string> Containing(const std::vector<std::string>& lines, const std::string& text) {
    std::vector<std::string> found;
    for (const auto& line : lines)
        if (line.find(text) != std::string::npos) found.push_back(line);
    return found;
}

struct ScopedLog {
    explicit ScopedLog(const std::wstring& stem = L"log")
        : folder(MakeTempFolder(stem)), file(JoinPath(folder, L"drvwlog.log")), started(StartLog(Narrow(file))) {}
    ~ScopedLog() { EndLog(); }
    ScopedLog(const ScopedLog&) = delete;
    ScopedLog& operator=(const ScopedLog&) = delete;

    std::vector<std::string> Lines() {
        EndLog();
        return ReadLines(file);
    }
    std::vector<std::string> Containing(const std::string& text) { return test::Containing(Lines(), text); }

    std::wstring folder;
    std::wstring file;
    bool started;
};

}  // namespace kelno::test
