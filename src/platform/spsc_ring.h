#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <memory>

namespace norvane {

// A fixed ring of N records between one producer thread and one consumer
// thread. Neither side allocates or locks: the records are made once, the
// producer fills a free one in place and the consumer hands each filled one
// on and resets it (so whatever a record owns is released on the consumer's
// thread). A full ring refuses the record.
template <class T, std::size_t N> class SpscRing {
    static_assert(N > 0 && (N & (N - 1)) == 0, "N must be a power of two");

public:
    SpscRing() : slots_(std::make_unique<std::array<T, N>>()) {}
    SpscRing(const SpscRing&) = delete;
    SpscRing& operator=(const SpscRing&) = delete;

    static constexpr std::size_t capacity = N;

    // Producer: `fill(record)` writes a free record (in its reset state);
    // false, without calling `fill`, when the ring is full.
    template <class F> bool push(F&& fill)
    {
        const std::size_t tail = tail_.load(std::memory_order_relaxed);
        if (tail - headCache_ == N) {
            headCache_ = head_.load(std::memory_order_acquire);
            if (tail - headCache_ == N) {
                return false;
            }
        }
        fill((*slots_)[tail & (N - 1)]);
        tail_.store(tail + 1, std::memory_order_release);
        return true;
    }

    // Consumer: `take(record)` for every record pushed so far, oldest first;
    // each is reset afterwards. Returns how many there were.
    template <class F> std::size_t drain(F&& take)
    {
        std::size_t head = head_.load(std::memory_order_relaxed);
        const std::size_t tail = tail_.load(std::memory_order_acquire);
        const std::size_t count = tail - head;
        for (; head != tail; ++head) {
            T& record = (*slots_)[head & (N - 1)];
            take(record);
            record = T{};
            head_.store(head + 1, std::memory_order_release);
        }
        return count;
    }

    // Records pushed and not yet drained (a hint from any other thread).
    [[nodiscard]] std::size_t size() const noexcept
    {
        return tail_.load(std::memory_order_acquire) - head_.load(std::memory_order_acquire);
    }

private:
    static constexpr std::size_t cacheLine = 64; // producer and consumer counters apart

    std::unique_ptr<std::array<T, N>> slots_;
    alignas(cacheLine) std::atomic<std::size_t> head_{0};
    alignas(cacheLine) std::atomic<std::size_t> tail_{0};
    std::size_t headCache_ = 0; // producer's last view of head_
};

} // namespace norvane
