#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "base/realtime.h"

namespace vortane {

// One short MIDI message: status first, then up to two data bytes.
struct MidiMessage {
    std::array<uint8_t, 3> bytes{};
    uint8_t size = 0;
};

// Messages from one producer thread (the MIDI input's) to one consumer (the audio thread), without
// locks or allocation: a ring of fixed size whose two ends are each written by one side only. A
// full ring drops the newest message: better than waiting on the MIDI thread.
class MidiQueue {
public:
    static constexpr size_t kCapacity = 1024; // a power of two

    bool Push(const MidiMessage& message) noexcept VORTANE_NONBLOCKING {
        const size_t tail = tail_.load(std::memory_order_relaxed);
        if (tail - head_.load(std::memory_order_acquire) == kCapacity) {
            return false;
        }
        ring_[tail % kCapacity] = message;
        tail_.store(tail + 1, std::memory_order_release);
        return true;
    }

    bool Pop(MidiMessage& message) noexcept VORTANE_NONBLOCKING {
        const size_t head = head_.load(std::memory_order_relaxed);
        if (head == tail_.load(std::memory_order_acquire)) {
            return false;
        }
        message = ring_[head % kCapacity];
        head_.store(head + 1, std::memory_order_release);
        return true;
    }

private:
    std::array<MidiMessage, kCapacity> ring_{};
    std::atomic<size_t> head_{0}; // the consumer's
    std::atomic<size_t> tail_{0}; // the producer's
};

} // namespace vortane
