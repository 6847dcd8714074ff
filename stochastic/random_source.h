#pragma once

#include <cstdint>

namespace vortane {

// The one uniform source of every random decision, and the draws built on it.
// UniformInt(max) = floor(w * (max + 1) / 2^32) for the next 32-bit word w.
// RandomBetween(min, max) = min + floor(n * k / 100), n = max - min + 1, k = UniformInt(100),
// clamped to max: only 101 outcomes exist, whatever the span.
class RandomSource {
public:
    // A fixed seed, for tests and offline renders. Without one the source seeds itself at its
    // first draw from the calling thread's id XOR the millisecond tick.
    void Seed(uint64_t seed);
    bool IsSeeded() const { return seeded_; }

    uint32_t NextWord();
    int32_t UniformInt(int32_t max);
    int32_t RandomBetween(int32_t min, int32_t max);
    float DrawFraction();           // {0, 0.01, ..., 1.0}
    float DrawOpenProbability();    // {0.01, ..., 0.99}, ends doubled
    float DrawCentredProbability(); // {-0.49, ..., 0.49}, ends doubled

private:
    // generator state (implementation's choice of algorithm)
    uint64_t state_[2] = {0, 0};
    bool seeded_ = false;
};

} // namespace vortane
