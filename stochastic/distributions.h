#pragma once

#include <cstdint>

#include "base/realtime.h"

namespace vortane {

class RandomSource;

// The distribution of the period walk's frequency step; None leaves the previous step.
enum class Distribution : uint8_t { None, Cauchy, Logistic, Uniform, ArcSin };

// What the frequency step draw reads.
struct FrequencyStepParams {
    Distribution distribution = Distribution::Cauchy;
    float probability_width = 0.3f; // w, the Cauchy and Logistic scale
    float primary_step_size = 1.0f; // s
    int step_size_slider = 100;     // the "Primary Step Size" state, which "Uniform" reads itself
};

// The quantile of distribution at probability p, scaled by the probability width w and the primary
// step size s, rounded to an integer step (ties to even). "Uniform" and None have no quantile: 0.
//   Cauchy:   v = s · w · tan(π p)                 p in −0.49..0.49
//   Logistic: v = s · (−w · ln(1/p − 1))           p in 0.01..0.99
//   ArcSin:   v = −A + 2A · sin²(2π p),  A = s rounded, at least 1
int32_t SampleDistribution(Distribution distribution, float p, float probability_width,
                           float primary_step_size) noexcept VORTANE_NONBLOCKING;

// The frequency step of the period walk from the chosen distribution; "Uniform" draws from
// −m..m with m = step size slider ÷ 25, truncated. With None the previous step is returned.
int32_t DrawFrequencyStep(int32_t previous, const FrequencyStepParams& params,
                          RandomSource& random) noexcept VORTANE_NONBLOCKING;

} // namespace vortane
