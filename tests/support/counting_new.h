#pragma once

#include <cstddef>

// Linking tests/support/counting_new.cpp replaces the global operator new
// and pthread_mutex_lock of the program with counting versions. The counts
// are per thread, so work on other threads (a benchmark's timer, a test's
// "main thread") does not blur them.
namespace norvane::test_support {

// Heap allocations through operator new made by the calling thread so far.
[[nodiscard]] std::size_t threadAllocations() noexcept;
// Mutexes the calling thread has locked so far (std::mutex and anything else
// on pthread_mutex_lock).
[[nodiscard]] std::size_t threadMutexLocks() noexcept;

// Counts across a stretch of code on the calling thread.
class Counting {
public:
    Counting() noexcept : allocations_(threadAllocations()), locks_(threadMutexLocks()) {}
    [[nodiscard]] std::size_t allocations() const noexcept { return threadAllocations() - allocations_; }
    [[nodiscard]] std::size_t mutexLocks() const noexcept { return threadMutexLocks() - locks_; }

private:
    std::size_t allocations_;
    std::size_t locks_;
};

} // namespace norvane::test_support
