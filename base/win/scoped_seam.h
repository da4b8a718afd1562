#pragma once
// Replaces one entry of a seam table for the lifetime of the object and restores it after, so a
// test's replacement can never outlive the test. Entries that other threads read while a test
// runs (the discovery waits) are atomics; they are replaced and restored atomically.
#include <atomic>
#include <type_traits>

namespace kelno {

template <typename T>
class ScopedSeam {
public:
    ScopedSeam(T& slot, std::type_identity_t<T> replacement) : slot_(slot), saved_(slot) { slot_ = replacement; }
    ~ScopedSeam() { slot_ = saved_; }
    ScopedSeam(const ScopedSeam&) = delete;
    ScopedSeam& operator=(const ScopedSeam&) = delete;

private:
    T& slot_;
    T saved_;
};

template <typename T>
class ScopedSeam<std::atomic<T>> {
public:
    ScopedSeam(std::atomic<T>& slot, std::type_identity_t<T> replacement)
        : slot_(slot), saved_(slot.exchange(replacement)) {}
    ~ScopedSeam() { slot_.store(saved_); }
    ScopedSeam(const ScopedSeam&) = delete;
    ScopedSeam& operator=(const ScopedSeam&) = delete;

private:
    std::atomic<T>& slot_;
    T saved_;
};

template <typename T, typename U>
ScopedSeam(T&, U) -> ScopedSeam<T>;

}  // namespace kelno
