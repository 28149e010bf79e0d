#pragma once

#include "platform/input_event.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>

namespace norvane::linux_input {

// One piece of output posted from outside the input thread.
struct OutputRequest {
    enum class Kind : std::uint8_t { key, done };
    Kind kind = Kind::key;
    bool down = false;
    std::uint16_t code = 0;  // evdev key code
    std::uint64_t flags = 0; // exactly the modifiers to hold around the key
    std::uint64_t doneId = 0;
};

// Carries output requests to the input thread. Producers (any thread) take a
// mutex among themselves only; the input thread, the single consumer, never
// takes a lock. Fixed capacity: a batch that does not fit is refused whole,
// so a press never goes out without its release.
class OutputQueue {
public:
    static constexpr std::size_t capacity = 1024;

    bool push(std::span<const OutputRequest> requests)
    {
        return push(requests.size(), [&](std::size_t i, OutputRequest& slot) { slot = requests[i]; });
    }

    // Queues `count` requests that `fill(i, slot)` writes in place, or none.
    template <class F> bool push(std::size_t count, F&& fill)
    {
        const std::lock_guard lock(producers_);
        const std::size_t tail = tail_.load(std::memory_order_relaxed);
        const std::size_t head = head_.load(std::memory_order_acquire);
        if (capacity - (tail - head) < count) {
            return false;
        }
        for (std::size_t i = 0; i < count; ++i) {
            fill(i, ring_[(tail + i) % capacity]);
        }
        tail_.store(tail + count, std::memory_order_release);
        return true;
    }

    // Queues the key events among `events` (those with an evdev key), then a
    // completion when `doneId` is not zero; all of them or, when they do not
    // fit, none.
    bool pushKeys(std::span<const InputEvent> events, std::uint64_t doneId);

    // Consumer: hands every queued request to `f`, oldest first.
    template <class F> std::size_t drain(F&& f)
    {
        std::size_t head = head_.load(std::memory_order_relaxed);
        const std::size_t tail = tail_.load(std::memory_order_acquire);
        const std::size_t count = tail - head;
        for (; head != tail; ++head) {
            f(ring_[head % capacity]);
        }
        head_.store(head, std::memory_order_release);
        return count;
    }

private:
    std::array<OutputRequest, capacity> ring_{};
    std::atomic<std::size_t> head_{0};
    std::atomic<std::size_t> tail_{0};
    std::mutex producers_;
};

} // namespace norvane::linux_input
