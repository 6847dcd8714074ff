#pragma once

#include <cstdint>

#include "base/realtime.h"

namespace vortane {

// The one uniform source of every random decision, and the draws built on it.
// UniformInt(max) = floor(w * (max + 1) / 2^32) for the next 32-bit word w.
// RandomBetween(min, max) = min + floor(n * k / 100), n = max - min + 1, k = UniformInt(100),
// clamped to max: only 101 outcomes exist, whatever the span.
// The words come from PCG32 (XSH-RR output of a 64-bit LCG); seeds are spread by splitmix64.
class RandomSource {
public:
    RandomSource() { Seed(0); }

    // The owner seeds once, off the audio thread: a fixed seed for tests and offline renders,
    // SeedFromThreadAndTick() for the application.
    void Seed(uint64_t seed);

    uint32_t NextWord() noexcept VORTANE_NONBLOCKING;
    int32_t UniformInt(int32_t max) noexcept VORTANE_NONBLOCKING;
    int32_t RandomBetween(int32_t min, int32_t max) noexcept VORTANE_NONBLOCKING;
    float DrawFraction() noexcept VORTANE_NONBLOCKING;           // {0, 0.01, ..., 1.0}
    float DrawOpenProbability() noexcept VORTANE_NONBLOCKING;    // {0.01, ..., 0.99}, ends doubled
    float DrawCentredProbability() noexcept VORTANE_NONBLOCKING; // {-0.49, ..., 0.49}, ends doubled

    // The range draw for a given k in 0..100: r = n * (k / 100) in double, truncated; min + r,
    // clamped to max.
    static int32_t RangeFromDraw(int32_t min, int32_t max, int32_t k) noexcept VORTANE_NONBLOCKING;
    // The probability draws for a given RandomBetween result.
    static float FractionFromDraw(int32_t r) noexcept VORTANE_NONBLOCKING;           // r in 0..100
    static float OpenProbabilityFromDraw(int32_t r) noexcept VORTANE_NONBLOCKING;    // r in 0..100
    static float CentredProbabilityFromDraw(int32_t r) noexcept VORTANE_NONBLOCKING; // r in -50..50

private:
    // generator state: state_[0] the LCG state, state_[1] its (odd) increment
    uint64_t state_[2] = {0, 0};
};

// A seed that differs from run to run: the calling thread's id XOR the millisecond tick.
uint64_t SeedFromThreadAndTick();

} // namespace vortane
