// The setup program's log on spdlog: one asynchronous logger (empty name) over a rotating
// file sink, on spdlog's process-wide thread pool. The only file that includes spdlog.
#include "common/win/log.h"

#include <windows.h>

#include <atomic>
#include <cstdarg>
#include <filesystem>
#include <memory>
#include <mutex>
#include <iterator>

#include <spdlog/async.h>
#include <spdlog/async_logger.h>
#include <spdlog/sinks/rotating_file_sink.h>
#include <spdlog/spdlog.h>
#include <utf8cpp/utf8.h>

#include "base/wide_printf.h"
#include "base/win/boundary.h"
#include "base/win/wide_text.h"
#include "common/win/debug_output.h"

namespace kelno {
namespace {

constexpr char kPattern[] = "[%Y-%m-%d %H:%M:%S.%e] [%t] [%l] [%s:%#] %v";
constexpr char kBeginBanner[] = "-----------------------[ BEGIN ]-------------------";
constexpr char kEndBanner[] = "-----------------------[ END ]-------------------";
constexpr std::size_t kQueueSize = 65536;
constexpr std::size_t kWriterThreads = 2;
constexpr std::size_t kMaxFormatChars = 256;
constexpr std::size_t kMaxLineChars = 768;  // 767 characters and the terminator

// The call site every DbgPrint line names. Support staff search the logs for "helper.cpp",
// where the printf-style route has always been, so it keeps that name wherever it is built.
constexpr char kDbgPrintSiteFile[] = "helper.cpp";
constexpr char kDbgPrintSiteFunction[] = "DbgPrint";

// A line the log could not take goes to the debugger output with the reason, never nowhere.
void ReportDroppedLine(const char* reason) noexcept {
    DebugOutF(L"log: a line was dropped: %hs\r\n", reason ? reason : "unknown");
}

// The process-wide logging object: created on first use, lives until process exit.
struct LogState {
    std::atomic<bool> started{false};
    std::mutex mutex;  // serialises StartLog and EndLog
    std::shared_ptr<spdlog::logger> logger;
};

LogState& State() {
    static LogState* state = new LogState;  // never destroyed: threads may log during exit
    return *state;
}

std::shared_ptr<spdlog::logger> CurrentLogger() {
    LogState& s = State();
    if (!s.started.load(std::memory_order_acquire)) return nullptr;
    std::lock_guard lock(s.mutex);
    return s.logger;
}

spdlog::level::level_enum ToSpdlog(LogLevel level) {
    switch (level) {
        case LogLevel::trace: return spdlog::level::trace;
        case LogLevel::debug: return spdlog::level::debug;
        case LogLevel::info: return spdlog::level::info;
        case LogLevel::warn: return spdlog::level::warn;
        case LogLevel::error: return spdlog::level::err;
        case LogLevel::critical: return spdlog::level::critical;
    }
    return spdlog::level::info;
}

// spdlog's process-wide pool, made on first use and again after EndLog released it.
// Called with the state mutex held.
std::shared_ptr<spdlog::details::thread_pool> ProcessThreadPool() {
    if (!spdlog::thread_pool()) spdlog::init_thread_pool(kQueueSize, kWriterThreads);
    return spdlog::thread_pool();
}

// Lets the writer threads write everything queued and end. The pool's destructor queues one
// stop message per thread behind the lines already queued and joins the threads; the loggers
// hold the pool only weakly, so dropping the registry's reference destroys it here. Without
// this, lines still queued when the process exits are lost (Windows ends the writer threads
// before static destructors run).
void DrainWriterThreads() { spdlog::details::registry::instance().set_tp(nullptr); }

// Exceptions stopped at a boundary also go into the log, at level error.
void LogStoppedException(const char* boundary, const char* what) {
    // No source location: the boundary's name says where.
    LogText(LogLevel::error, LogLocation{nullptr, 0, nullptr},
            std::string(boundary ? boundary : "?") + ": stopped an exception: " + (what ? what : "?"));
}

}  // namespace

std::string DefaultLogPath() {
    char folder[MAX_PATH];
    const DWORD n = GetCurrentDirectoryA(MAX_PATH, folder);
    if (n == 0 || n >= MAX_PATH) return {};
    std::string path(folder, n);
    if (!path.empty() && path.back() != '\\') path += '\\';
    return path + kLogFileName;
}

bool StartLog(const std::string& path) {
    LogState& s = State();
    std::lock_guard lock(s.mutex);
    if (s.started) return true;
    try {
        const std::filesystem::path file(path);
        if (file.has_parent_path() && !std::filesystem::exists(file.parent_path()))
            std::filesystem::create_directories(file.parent_path());
        auto sink = std::make_shared<spdlog::sinks::rotating_file_sink_mt>(path, kLogMaxFileSize, kLogMaxFiles, false);
        auto logger = std::make_shared<spdlog::async_logger>("", std::move(sink), ProcessThreadPool(),
                                                             spdlog::async_overflow_policy::block);
        // The flush level equals the level: every line is flushed, so a run that ends without
        // EndLog (upgrade mode) loses nothing.
        logger->set_level(spdlog::level::debug);
        logger->flush_on(spdlog::level::debug);
        logger->set_pattern(kPattern);
        logger->info(kBeginBanner);
        s.logger = std::move(logger);
        s.started.store(true, std::memory_order_release);
        SetBoundaryReporter(&LogStoppedException);
        return true;
    } catch (const std::exception& e) {
        // The program goes on without a log; the debugger output says why.
        DebugOutF(L"log: %hs cannot be opened: %hs\r\n", path.c_str(), e.what());
        s.logger.reset();
        s.started = false;
        return false;
    }
}

void EndLog() {
    LogState& s = State();
    std::lock_guard lock(s.mutex);
    if (!s.started || !s.logger) return;
    s.started = false;  // new lines are not accepted from here on
    try {
        s.logger->info(kEndBanner);
        s.logger->flush();
        DrainWriterThreads();
    } catch (const std::exception& e) {
        ReportDroppedLine(e.what());
    } catch (...) {
        ReportDroppedLine(nullptr);
    }
}

bool IsLogStarted() { return State().started.load(std::memory_order_acquire); }

void LogText(LogLevel level, const LogLocation& where, std::string_view message) {
    auto logger = CurrentLogger();
    if (!logger) return;
    try {
        logger->log(spdlog::source_loc{where.file, where.line, where.function}, ToSpdlog(level), "{}", message);
    } catch (const std::exception& e) {
        ReportDroppedLine(e.what());
    } catch (...) {
        ReportDroppedLine(nullptr);
    }
}

void LogFormatFailed(const LogLocation& where, const char* reason) noexcept {
    DebugOutF(L"log: the line of %hs:%d was dropped: %hs\r\n", where.file ? where.file : "?", where.line,
              reason ? reason : "unknown");
}

void DbgPrint(const char* format, ...) {
    if (!format) return;
    const std::size_t formatLength = strnlen(format, kMaxFormatChars);
    if (formatLength >= kMaxFormatChars) return;

    wchar_t wideFormat[kMaxFormatChars + 1];
    const int converted = MultiByteToWideChar(CP_ACP, 0, format, static_cast<int>(formatLength), wideFormat,
                                              static_cast<int>(kMaxFormatChars));
    if (converted < 0 || (converted == 0 && formatLength > 0)) return;
    wideFormat[converted] = 0;

    // Each call formats into its own buffer, so lines of threads logging at the same moment
    // never mix.
    char16_t text[kMaxLineChars];
    std::va_list args;
    va_start(args, format);
    const int length = FormatWide(text, kMaxLineChars, U16Ptr(wideFormat), args);
    va_end(args);
    if (length < 0) return;

    // Without a log (usbonestep, or a wizard whose log could not be opened) the line goes to the
    // debugger output.
    if (!IsLogStarted()) {
        DebugOut(WidePtr(text));
        return;
    }
    try {
        std::string utf8;
        utf8::utf16to8(text, text + length, std::back_inserter(utf8));
        LogText(LogLevel::info, LogLocation{kDbgPrintSiteFile, __LINE__, kDbgPrintSiteFunction}, "DbgPrint: " + utf8);
    } catch (const std::exception& e) {
        ReportDroppedLine(e.what());  // an unpaired surrogate in the text
    }
}

}  // namespace kelno
