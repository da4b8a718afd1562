#include "base/win/boundary.h"

#include <atomic>
#include <cstdio>

namespace kelno {
namespace {

std::atomic<BoundaryReporter> g_reporter{nullptr};

}  // namespace

void SetBoundaryReporter(BoundaryReporter reporter) { g_reporter = reporter; }

void ReportStoppedException(const char* boundary, const char* what) noexcept {
    char line[512];
    std::snprintf(line, sizeof line, "%s: stopped an exception: %s\r\n", boundary ? boundary : "?", what ? what : "?");
    OutputDebugStringA(line);
    if (const BoundaryReporter reporter = g_reporter.load()) reporter(boundary, what);
}

}  // namespace kelno
