#include "stochastic/distributions.h"

#include <cmath>
#include <numbers>

#include "engine/control_ids.h"
#include "engine/control_panel.h"
#include "engine/engine_state.h"
#include "stochastic/random_source.h"
#include "stochastic/rounding.h"

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

bool IsSelected(const ControlPanel& panel, int id) noexcept VORTANE_NONBLOCKING {
    return panel.GetState(id) == 1;
}

} // namespace

int32_t SampleDistribution(std::string_view name, float p, float probability_width,
                           float primary_step_size) noexcept VORTANE_NONBLOCKING {
    float v = 0.0f;
    if (name == "Cauchy") {
        v = CauchyValue(p, probability_width, primary_step_size);
    }
    if (name == "Logistic") {
        v = LogisticValue(p, probability_width, primary_step_size);
    }
    if (name == "ArcSin") {
        v = ArcSinValue(p, primary_step_size);
    }
    return RoundHalfEven(v);
}

int32_t DrawFrequencyStep(int32_t previous, const ControlPanel& panel, const EngineState& state,
                          RandomSource& random) noexcept VORTANE_NONBLOCKING {
    int32_t step = previous;
    // Each option is read afresh: another thread may change the selection between the reads.
    if (IsSelected(panel, id::kCauchy)) {
        const float p = random.DrawCentredProbability();
        step = SampleDistribution("Cauchy", p, Get(state.probability_width), Get(state.primary_step_size));
    }
    if (IsSelected(panel, id::kLogistic)) {
        const float p = random.DrawOpenProbability();
        step = SampleDistribution("Logistic", p, Get(state.probability_width), Get(state.primary_step_size));
    }
    if (IsSelected(panel, id::kUniform)) {
        // Half-range straight from the "Primary Step Size" slider: 50..500 gives 2..20.
        const int32_t m = panel.GetState(id::kPrimaryStepSize) / 25;
        step = random.RandomBetween(-m, m);
    }
    if (IsSelected(panel, id::kArcSin)) {
        const float p = random.DrawOpenProbability();
        step = SampleDistribution("ArcSin", p, Get(state.probability_width), Get(state.primary_step_size));
    }
    return step;
}

} // namespace vortane
