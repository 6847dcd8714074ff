#include "stochastic/random_source.h"

#include <chrono>
#include <cmath>
#include <functional>
#include <thread>

namespace vortane {
namespace {

constexpr uint64_t kPcgMultiplier = 6364136223846793005ULL;

// splitmix64: one step spreads any seed, even 0 or a small tick count, over all 64 bits.
uint64_t SplitMix64(uint64_t& x) {
    x += 0x9E3779B97F4A7C15ULL;
    uint64_t z = x;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

} // namespace

void RandomSource::Seed(uint64_t seed) {
    uint64_t mix = seed;
    const uint64_t initial_state = SplitMix64(mix);
    state_[1] = (SplitMix64(mix) << 1) | 1u; // the LCG increment must be odd
    state_[0] = 0;
    NextWord();
    state_[0] += initial_state;
    NextWord();
}

uint64_t SeedFromThreadAndTick() {
    const uint64_t thread_id = std::hash<std::thread::id>{}(std::this_thread::get_id());
    const auto tick = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return thread_id ^ static_cast<uint64_t>(tick.count());
}

// One PCG32 word: XSH-RR output of the LCG state before the step.
uint32_t RandomSource::NextWord() noexcept VORTANE_NONBLOCKING {
    const uint64_t old = state_[0];
    state_[0] = old * kPcgMultiplier + state_[1];
    const auto xorshifted = static_cast<uint32_t>(((old >> 18u) ^ old) >> 27u);
    const auto rotation = static_cast<uint32_t>(old >> 59u);
    return (xorshifted >> rotation) | (xorshifted << ((32u - rotation) & 31u));
}

int32_t RandomSource::UniformInt(int32_t max) noexcept VORTANE_NONBLOCKING {
    if (max <= 0) {
        return 0;
    }
    const uint64_t product = static_cast<uint64_t>(NextWord()) * (static_cast<uint64_t>(max) + 1u);
    return static_cast<int32_t>(product >> 32);
}

int32_t RandomSource::RangeFromDraw(int32_t min, int32_t max, int32_t k) noexcept VORTANE_NONBLOCKING {
    const double span = static_cast<double>(max) - static_cast<double>(min) + 1.0;
    const auto r = static_cast<int64_t>(span * (static_cast<double>(k) / 100.0));
    const int64_t result = static_cast<int64_t>(min) + r;
    return result > max ? max : static_cast<int32_t>(result);
}

int32_t RandomSource::RandomBetween(int32_t min, int32_t max) noexcept VORTANE_NONBLOCKING {
    return RangeFromDraw(min, max, UniformInt(100));
}

float RandomSource::FractionFromDraw(int32_t r) noexcept VORTANE_NONBLOCKING {
    return static_cast<float>(r) / 100.0f;
}

float RandomSource::OpenProbabilityFromDraw(int32_t r) noexcept VORTANE_NONBLOCKING {
    const float p = static_cast<float>(r) / 100.0f;
    if (p == 0.0f) {
        return 0.01f;
    }
    return p == 1.0f ? 0.99f : p;
}

float RandomSource::CentredProbabilityFromDraw(int32_t r) noexcept VORTANE_NONBLOCKING {
    const float p = static_cast<float>(r) / 100.0f;
    if (p == -0.5f) {
        return -0.49f;
    }
    return p == 0.5f ? 0.49f : p;
}

float RandomSource::DrawFraction() noexcept VORTANE_NONBLOCKING {
    return FractionFromDraw(RandomBetween(0, 100));
}

float RandomSource::DrawOpenProbability() noexcept VORTANE_NONBLOCKING {
    return OpenProbabilityFromDraw(RandomBetween(0, 100));
}

float RandomSource::DrawCentredProbability() noexcept VORTANE_NONBLOCKING {
    return CentredProbabilityFromDraw(RandomBetween(-50, 50));
}

} // namespace vortane
