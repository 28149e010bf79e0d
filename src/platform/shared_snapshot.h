#pragma once

#include <atomic>
#include <memory>
#include <thread>

namespace norvane {

// An immutable value published by one thread and read by others. A reader
// gets its own reference to the current value; a writer swaps in a new one.
// The guard is held only for a pointer copy or swap (never while allocating,
// freeing or doing other work), so a reader on the input thread can never be
// held up by work on the main thread.
template <typename T> class SharedSnapshot {
public:
    SharedSnapshot() = default;
    explicit SharedSnapshot(std::shared_ptr<const T> value) : value_(std::move(value)) {}
    SharedSnapshot(const SharedSnapshot&) = delete;
    SharedSnapshot& operator=(const SharedSnapshot&) = delete;

    [[nodiscard]] std::shared_ptr<const T> load() const noexcept
    {
        const Guard guard(lock_);
        return value_;
    }

    void store(std::shared_ptr<const T> value) noexcept
    {
        {
            const Guard guard(lock_);
            value_.swap(value);
        }
        // The previous value is released here, outside the guard.
    }

private:
    class Guard {
    public:
        explicit Guard(std::atomic_flag& flag) noexcept : flag_(flag)
        {
            while (flag_.test_and_set(std::memory_order_acquire)) {
                while (flag_.test(std::memory_order_relaxed)) {
                    std::this_thread::yield();
                }
            }
        }
        ~Guard() { flag_.clear(std::memory_order_release); }
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;

    private:
        std::atomic_flag& flag_;
    };

    mutable std::atomic_flag lock_;
    std::shared_ptr<const T> value_;
};

} // namespace norvane
