#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "base/realtime.h"

namespace vortane {

// Where a sounding voice's pitch stands at the end of a block: the frame, the voice (its slot in
// Pitch mode, 0 for the gate's), its key (-1 for the gate's) and the length of its current period
// as a frequency.
struct PitchPoint {
    uint64_t frame = 0;
    int8_t voice = 0;
    int8_t key = -1;
    float hz = 0.0f;
};

// The pitch paths of the sounding voices, from the audio thread to one reader (an editor, the render
// tool's log) without locks or allocation: a ring of fixed size, each end written by one side only.
// A full ring drops the newest points: the reader is behind, and the audio thread never waits.
class PitchLog {
public:
    static constexpr size_t kCapacity = 4096; // a power of two

    void Push(const PitchPoint& point) noexcept VORTANE_NONBLOCKING {
        const size_t tail = tail_.load(std::memory_order_relaxed);
        if (tail - head_.load(std::memory_order_acquire) == kCapacity) {
            return;
        }
        ring_[tail % kCapacity] = point;
        tail_.store(tail + 1, std::memory_order_release);
    }

    bool Pop(PitchPoint& point) noexcept VORTANE_NONBLOCKING {
        const size_t head = head_.load(std::memory_order_relaxed);
        if (head == tail_.load(std::memory_order_acquire)) {
            return false;
        }
        point = ring_[head % kCapacity];
        head_.store(head + 1, std::memory_order_release);
        return true;
    }

private:
    std::array<PitchPoint, kCapacity> ring_{};
    std::atomic<size_t> head_{0};
    std::atomic<size_t> tail_{0};
};

} // namespace vortane
