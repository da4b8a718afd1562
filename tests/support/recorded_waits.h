#pragma once
// The engine's waits, recorded instead of (or as well as) slept. A test puts Wait in the engine's
// sleep seam while a RecordedWaits object lives:
//     RecordedWaits waits(50);
//     ScopedSeam<decltype(TimeSeams::sleep)> seam(seams::Time().sleep, &RecordedWaits::Wait);
#include <windows.h>

#include <cstddef>
#include <functional>
#include <vector>

namespace kelno::test {

class RecordedWaits {
public:
    // Waits up to realUpToMs really happen; longer ones are cut to that length (0: every wait
    // returns at once; INFINITE: every wait takes its full time).
    explicit RecordedWaits(DWORD realUpToMs = 0);
    ~RecordedWaits();
    RecordedWaits(const RecordedWaits&) = delete;
    RecordedWaits& operator=(const RecordedWaits&) = delete;

    // What goes into the sleep seam: records the wait with the living recorder (from any
    // thread) and waits as it says. Without a recorder it returns at once.
    static void WINAPI Wait(DWORD milliseconds);

    // Waits and marks, in the order they came.
    std::vector<DWORD> Events() const;
    std::size_t Count(DWORD milliseconds) const;
    // Puts a mark among the living recorder's waits (e.g. where a step ran, from the step
    // itself), to check the order of both.
    static void Mark(DWORD marker);
    void Clear();
    // Called on every wait, after it is recorded and before it is waited.
    void OnWait(std::function<void()> action);
};

}  // namespace kelno::test
