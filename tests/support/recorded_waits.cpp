#include "tests/support/recorded_waits.h"

#include <algorithm>
#include <mutex>

namespace kelno::test {
namespace {

// The engine calls the seam without an object: the recorder's state is the process's.
std::mutex g_mutex;
bool g_recording = false;
std::vector<DWORD> g_events;
DWORD g_realUpToMs = 0;
std::function<void()> g_onWait;

}  // namespace

RecordedWaits::RecordedWaits(DWORD realUpToMs) {
    std::lock_guard lock(g_mutex);
    g_recording = true;
    g_events.clear();
    g_realUpToMs = realUpToMs;
    g_onWait = nullptr;
}

RecordedWaits::~RecordedWaits() {
    std::lock_guard lock(g_mutex);
    g_recording = false;
    g_onWait = nullptr;
}

void WINAPI RecordedWaits::Wait(DWORD milliseconds) {
    DWORD real = 0;
    std::function<void()> action;
    {
        std::lock_guard lock(g_mutex);
        if (!g_recording) return;
        g_events.push_back(milliseconds);
        real = std::min(milliseconds, g_realUpToMs);
        action = g_onWait;
    }
    if (action) action();
    if (real) ::Sleep(real);
}

std::vector<DWORD> RecordedWaits::Events() const {
    std::lock_guard lock(g_mutex);
    return g_events;
}

std::size_t RecordedWaits::Count(DWORD milliseconds) const {
    const std::vector<DWORD> events = Events();
    return static_cast<std::size_t>(std::count(events.begin(), events.end(), milliseconds));
}

void RecordedWaits::Mark(DWORD marker) {
    std::lock_guard lock(g_mutex);
    if (g_recording) g_events.push_back(marker);
}

void RecordedWaits::Clear() {
    std::lock_guard lock(g_mutex);
    g_events.clear();
}

void RecordedWaits::OnWait(std::function<void()> action) {
    std::lock_guard lock(g_mutex);
    g_onWait = std::move(action);
}

}  // namespace kelno::test
