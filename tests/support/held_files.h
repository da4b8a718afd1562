#pragma once
// Files a test holds open the way a loaded DLL is held, and the boot-time renames the system
// has queued for them.
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "tests/support/wine_test_support.h"

namespace kelno::test {

// An open handle without sharing: neither delete nor overwrite gets through while it lives.
class ExclusiveFile {
public:
    explicit ExclusiveFile(const std::wstring& path)
        : handle_(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {}
    ~ExclusiveFile() { Close(); }
    ExclusiveFile(const ExclusiveFile&) = delete;
    ExclusiveFile& operator=(const ExclusiveFile&) = delete;
    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    void Close() {
        if (IsOpen()) CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE handle_;
};

inline std::string LowerAscii(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// The destinations of the queued boot-time renames of a source file (NT paths, compared without
// case); a destination that starts with "!" may replace an existing file.
inline std::vector<std::string> QueuedRenamesOf(const std::wstring& source) {
    std::vector<std::string> destinations;
    const auto pending = PendingFileRenameOperations();
    const std::string from = LowerAscii(Narrow(source));
    for (std::size_t i = 0; i + 1 < pending.size(); i += 2) {
        const std::string entry = LowerAscii(Narrow(pending[i]));
        if (entry.size() >= from.size() && entry.compare(entry.size() - from.size(), from.size(), from) == 0)
            destinations.push_back(LowerAscii(Narrow(pending[i + 1])));
    }
    return destinations;
}

}  // namespace kelno::test
