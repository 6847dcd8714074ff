#include "stochastic/distributions.h"

#include <cmath>
#include <numbers>

#include "base/rounding.h"
#include "stochastic/random_source.h"

namespace vortane {
namespace {

// pi and 2pi as the single-precision pi widened to double: the arguments of tan and sin are
// formed from these, in double.
constexpr double kPiF = static_cast<double>(static_cast<float>(std::numbers::pi));
constexpr double kTwoPiF = 2.0 * kPiF;

// Cauchy quantile, location 0, scale w: x = w tan(pi p), p in -0.49..0.49; v = s x.
float CauchyValue(float p, float w, float s) noexcept VORTANE_NONBLOCKING {
    const auto x = static_cast<float>(static_cast<double>(w) * std::tan(kPiF * static_cast<double>(p)));
    return s * x;
}

// Logistic quantile, location 0, scale w: x = -w ln(1/p - 1), all in single precision.
float LogisticValue(float p, float w, float s) noexcept VORTANE_NONBLOCKING {
    const float a = 1.0f / p - 1.0f;
    const float x = -w * std::log(a);
    return s * x;
}

// Arcsine law on -A..A: v = -A + 2A sin^2(2 pi p), A = s rounded (ties to even), at least 1.
float ArcSinValue(float p, float s) noexcept VORTANE_NONBLOCKING {
    int32_t half_range = RoundHalfEven(s);
    if (half_range == 0) {
        half_range = 1;
    }
    const auto a = static_cast<float>(half_range);
    const auto t = static_cast<float>(std::sin(kTwoPiF * static_cast<double>(p)));
    return -a + 2.0f * a * (t * t);
}

} // namespace

int32_t SampleDistribution(Distribution distribution, float p, float probability_width,
                           float primary_step_size) noexcept VORTANE_NONBLOCKING {
    float v = 0.0f;
    switch (distribution) {
    case Distribution::Cauchy:
        v = CauchyValue(p, probability_width, primary_step_size);
        break;
    case Distribution::Logistic:
        v = LogisticValue(p, probability_width, primary_step_size);
        break;
    case Distribution::ArcSin:
        v = ArcSinValue(p, primary_step_size);
        break;
    default:
        break;
    }
    return RoundHalfEven(v);
}

int32_t DrawFrequencyStep(int32_t previous, const FrequencyStepParams& params,
                          RandomSource& random) noexcept VORTANE_NONBLOCKING {
    const float w = params.probability_width;
    const float s = params.primary_step_size;
    switch (params.distribution) {
    case Distribution::Cauchy:
        return SampleDistribution(Distribution::Cauchy, random.DrawCentredProbability(), w, s);
    case Distribution::Logistic:
        return SampleDistribution(Distribution::Logistic, random.DrawOpenProbability(), w, s);
    case Distribution::Uniform: {
        // Half-range straight from the slider: 50..500 gives 2..20.
        const int32_t m = params.step_size_slider / 25;
        return random.RandomBetween(-m, m);
    }
    case Distribution::ArcSin:
        return SampleDistribution(Distribution::ArcSin, random.DrawOpenProbability(), w, s);
    default:
        return previous;
    }
}

} // namespace vortane
