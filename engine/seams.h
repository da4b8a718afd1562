#pragma once
// The few places where the engine asks something of the system that tests must be able to
// answer differently: the processor architecture and the fixed waits. Each entry defaults to
// the real call; a test replaces an entry and restores it (ScopedSeam).
#include <windows.h>

namespace kelno {

struct EngineSeams {
    void(WINAPI* getNativeSystemInfo)(LPSYSTEM_INFO info);
    void(WINAPI* sleep)(DWORD milliseconds);
};

// The process-wide table, initialised with the real calls.
EngineSeams& Seams();

// Waits of the engine go through here so that tests can count them or make them instant.
inline void EngineSleep(DWORD milliseconds) { Seams().sleep(milliseconds); }

// Replaces one entry for the lifetime of the object.
template <typename Fn>
class ScopedSeam {
public:
    ScopedSeam(Fn& slot, Fn replacement) : slot_(slot), saved_(slot) { slot_ = replacement; }
    ~ScopedSeam() { slot_ = saved_; }
    ScopedSeam(const ScopedSeam&) = delete;
    ScopedSeam& operator=(const ScopedSeam&) = delete;

private:
    Fn& slot_;
    Fn saved_;
};

}  // namespace kelno
