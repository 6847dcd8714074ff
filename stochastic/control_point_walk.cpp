#include "stochastic/control_point_walk.h"

#include <array>
#include <bit>
#include <cmath>

#include "base/rounding.h"
#include "stochastic/barrier_fold.h"
#include "stochastic/random_source.h"

namespace vortane {
namespace {

// What tells the four walks apart.
struct PointTraits {
    double barrier_factor;  // 7.5 for the X walks, 15 for the Y walks
    bool single_power;      // 2^(b/16.66 - 4) rounded to float before the factor
    float step_factor;      // t = r g 2, or r g for X2
    int32_t bottom;         // lowest position, with Negative ticked
    int32_t top;            // highest position, Negative not ticked (X1: the X1 Max value)
    int slider_top;         // the slider's top state, where L is pulled in to keep a range open
    int32_t limit_at_top;   // L there (X1: M 97 / 99)
    int32_t limit_at_least; // L for x at or below this value
};

constexpr std::array<PointTraits, kCoordinateCount> kTraits{{
    {7.5, false, 2.0f, 1, 0, 99, 0, 2},
    {15.0, true, 2.0f, 0, 79, 79, 77, 1},
    {7.5, false, 1.0f, 1, 99, 99, 97, 2},
    {15.0, true, 2.0f, 80, 149, 149, 147, 81},
}};

const PointTraits& TraitsOf(Coordinate k) noexcept VORTANE_NONBLOCKING {
    return kTraits[static_cast<size_t>(k)];
}

// 2^(x/16.66 - 4), the exponent in single precision.
double ScaledPower(float x) noexcept VORTANE_NONBLOCKING {
    const float exponent = x / 16.66f - 4.0f;
    return std::pow(2.0, static_cast<double>(exponent));
}

} // namespace

int32_t ControlPointBarrier(Coordinate k, int barrier_state) noexcept VORTANE_NONBLOCKING {
    const PointTraits& t = TraitsOf(k);
    double power = ScaledPower(static_cast<float>(barrier_state));
    if (t.single_power) {
        power = static_cast<float>(power);
    }
    const int32_t barrier = RoundHalfEven(t.barrier_factor * power);
    return barrier < 1 ? 1 : barrier;
}

float ControlPointStepScale(float step_size) noexcept VORTANE_NONBLOCKING {
    const auto power = static_cast<float>(ScaledPower(step_size));
    const auto r = static_cast<float>(static_cast<double>(power) * 7.5 / 10.0);
    return r < 0.1f ? 0.1f : r;
}

// g = -0.5 ln(1/u - 1), a logistic quantile of scale 0.5; t = r g 2 (r g for X2).
int32_t ControlPointStep(Coordinate k, float step_scale, float u) noexcept VORTANE_NONBLOCKING {
    const float a = 1.0f / u - 1.0f;
    const float g = -0.5f * std::log(a);
    const float t = step_scale * g * TraitsOf(k).step_factor;
    return RoundHalfAway(t);
}

PointRange ControlPointRange(Coordinate k, int slider_state, float x1_max,
                             bool negative) noexcept VORTANE_NONBLOCKING {
    const PointTraits& t = TraitsOf(k);
    int32_t top = t.top;
    int32_t limit = 0;
    if (k == Coordinate::X1) {
        // The "X1" slider sets L as a share of X1 Max: L = x M / 99, or M 97 / 99 at the top.
        top = RoundHalfEven(x1_max);
        const float scaled =
            slider_state == t.slider_top ? x1_max * 97.0f : static_cast<float>(slider_state) * x1_max;
        limit = RoundHalfEven(scaled / 99.0f);
    } else {
        limit = slider_state == t.slider_top ? t.limit_at_top : slider_state;
    }
    if (slider_state <= t.limit_at_least) {
        limit = t.limit_at_least;
    }
    return negative ? PointRange{t.bottom, limit} : PointRange{limit, top};
}

int32_t ControlPointWalk::Next(Coordinate k, const ControlPointParams& params,
                               RandomSource& random) noexcept VORTANE_NONBLOCKING {
    if (!derived.valid || derived.barrier_state != params.barrier ||
        std::bit_cast<uint32_t>(derived.step_size) != std::bit_cast<uint32_t>(params.step_size)) {
        derived = {true, params.barrier, params.step_size, ControlPointBarrier(k, params.barrier),
                   ControlPointStepScale(params.step_size)};
    }
    const int32_t barrier = derived.barrier;
    const float u = random.DrawOpenProbability();
    const PointRange range = ControlPointRange(k, params.slider, params.x1_max, params.negative);
    const int32_t step = ControlPointStep(k, derived.step_scale, u);

    primary_value = FoldPrimary(static_cast<int64_t>(primary_value) + step, barrier);
    position = FoldReflect(static_cast<int64_t>(position) + primary_value, range.lo, range.hi);
    return position;
}

} // namespace vortane
