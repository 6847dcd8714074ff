#pragma once

#include <array>
#include <atomic>
#include <cmath>

#include "base/realtime.h"
#include "control/tuning.h"

namespace vortane {

// The frequency each MIDI key plays in Pitch mode, 0 for a key that plays nothing. One atomic a
// key: the window or a host may retune while the audio thread reads a key at its note-on (a note
// started during a retuning takes the old or the new frequency, whole).
class KeyFrequencies {
public:
    static constexpr int kKeys = 128;

    // Twelve-tone equal temperament, A4 (key 69) = 440 Hz.
    KeyFrequencies() {
        for (int key = 0; key < kKeys; ++key) {
            Set(key, 440.0 * std::exp2((key - 69) / 12.0));
        }
    }

    float Get(int key) const noexcept VORTANE_NONBLOCKING {
        return key >= 0 && key < kKeys ? hz_[static_cast<size_t>(key)].load(std::memory_order_relaxed) : 0.0f;
    }
    // Every key as the tuning says; reads the tuning's table only, so the audio thread may call it.
    void Tune(const Tuning& tuning) noexcept VORTANE_NONBLOCKING {
        for (int key = 0; key < kKeys; ++key) {
            Set(key, tuning.Frequency(key).value_or(0.0));
        }
    }
    void Set(int key, double hz) noexcept VORTANE_NONBLOCKING {
        if (key >= 0 && key < kKeys) {
            hz_[static_cast<size_t>(key)].store(static_cast<float>(hz), std::memory_order_relaxed);
        }
    }

private:
    std::array<std::atomic<float>, kKeys> hz_;
};

} // namespace vortane
