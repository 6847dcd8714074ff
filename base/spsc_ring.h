#pragma once

#include <array>
#include <atomic>
#include <cstddef>

#include "base/realtime.h"

namespace vortane {

// Items from one producer thread to one consumer thread without locks or allocation: a ring of
// fixed size whose two ends are each written by one side only. A full ring drops the newest item
// (Push returns false): the producer, often the audio thread, never waits for a reader behind.
template <typename T, size_t Capacity> class SpscRing {
    static_assert((Capacity & (Capacity - 1)) == 0, "a power of two, so the counters may wrap");

public:
    static constexpr size_t kCapacity = Capacity;

    bool Push(const T& item) noexcept VORTANE_NONBLOCKING {
        const size_t tail = tail_.load(std::memory_order_relaxed);
        if (tail - head_.load(std::memory_order_acquire) == Capacity) {
            return false;
        }
        ring_[tail % Capacity] = item;
        tail_.store(tail + 1, std::memory_order_release);
        return true;
    }

    bool Pop(T& item) noexcept VORTANE_NONBLOCKING {
        const size_t head = head_.load(std::memory_order_relaxed);
        if (head == tail_.load(std::memory_order_acquire)) {
            return false;
        }
        item = ring_[head % Capacity];
        head_.store(head + 1, std::memory_order_release);
        return true;
    }

private:
    std::array<T, Capacity> ring_{};
    std::atomic<size_t> head_{0}; // the consumer's
    std::atomic<size_t> tail_{0}; // the producer's
};

} // namespace vortane
