#pragma once
// The setup program's log: one rotating file per run ("drvwlog.log" in the current folder),
// written by spdlog's asynchronous logger. Engine steps log printf-style through DbgPrint; the
// wizard and discovery code write structured lines with "{}" placeholders and their own source
// location through KELNO_LOG_INFO and friends.
//
// Line layout: "[%Y-%m-%d %H:%M:%S.%e] [%t] [%l] [%s:%#] %v".
#include <string_view>

#include <fmt/core.h>

namespace kelno {

enum class LogLevel { trace, debug, info, warn, error, critical };

struct LogLocation {
    const char* file;
    int line;
    const char* function;
};

inline constexpr char kLogFileName[] = "drvwlog.log";
inline constexpr unsigned kLogMaxFileSize = 0x200000;  // 2 MiB
inline constexpr unsigned kLogMaxFiles = 5;            // rotated files kept beside the current one

// "<current directory>\drvwlog.log"; empty when the current directory cannot be read or is
// 260 characters or longer (then no log is opened).
std::string DefaultLogPath();

// Opens the log (UTF-8 path). True when the log is running, also when it already was (a second
// call changes nothing). False when the file cannot be opened; the program goes on without it.
bool StartLog(const std::string& path);
// Writes the END banner and flushes.
void EndLog();
bool IsLogStarted();

// printf-style text in the ANSI code page with wide-printf conventions ("%ws" wide string,
// "%d" integer). A format of 256 or more characters, a malformed format and a text longer than
// 767 characters are dropped. Logged at level info as "DbgPrint: <text>" with the call site
// "helper.cpp" / "DbgPrint"; without a log, the text goes to the debugger output instead.
void DbgPrint(const char* format, ...);

// A ready-made UTF-8 message at a level with its call site.
void LogText(LogLevel level, const LogLocation& where, std::string_view message);

// Says on the debugger output which call site's line could not be formatted.
void LogFormatFailed(const LogLocation& where, const char* reason) noexcept;

// A structured line: fmt-style format ("{}") with arguments. A formatting error drops the line
// and says so on the debugger output.
template <typename... Args>
void LogFormat(LogLevel level, const LogLocation& where, fmt::format_string<Args...> format, Args&&... args) {
    if (!IsLogStarted()) return;
    try {
        LogText(level, where, fmt::vformat(format, fmt::make_format_args(args...)));
    } catch (const std::exception& e) {
        LogFormatFailed(where, e.what());
    }
}

}  // namespace kelno

#define KELNO_LOG_AT(level, ...) \
    ::kelno::LogFormat(level, ::kelno::LogLocation{__FILE__, __LINE__, __func__}, __VA_ARGS__)
#define KELNO_LOG_DEBUG(...) KELNO_LOG_AT(::kelno::LogLevel::debug, __VA_ARGS__)
#define KELNO_LOG_INFO(...) KELNO_LOG_AT(::kelno::LogLevel::info, __VA_ARGS__)
#define KELNO_LOG_WARN(...) KELNO_LOG_AT(::kelno::LogLevel::warn, __VA_ARGS__)
#define KELNO_LOG_ERROR(...) KELNO_LOG_AT(::kelno::LogLevel::error, __VA_ARGS__)
