#include "stochastic/period_walk.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "base/audio_format.h"
#include "base/rounding.h"
#include "stochastic/barrier_fold.h"
#include "stochastic/random_source.h"

namespace vortane {
namespace {

// Each mirror pass moves an outside length by at least the width of the range; a Cauchy step of a
// few hundred samples against a width of 2 takes a few hundred passes. Beyond this many the length is
// clamped instead, so the audio thread can never spin.
constexpr int kMaxFoldPasses = 4096;

// Lo + u (Hi - Lo) or Hi - u (Hi - Lo), in single precision, ties to even.
int32_t RandomInRange(int32_t from, float signed_u, int32_t width) noexcept VORTANE_NONBLOCKING {
    return RoundHalfEven(static_cast<float>(from) + signed_u * static_cast<float>(width));
}

// The primary value by the mode: "PriW" adds the step, "PriR" takes it, "PriC" holds s rounded (at
// least 1); with none it stays. Steps count `grid` units a sample.
int64_t NextPrimaryValue(PrimaryMode mode, int32_t primary_value, int32_t step, float step_size,
                         int32_t grid) noexcept VORTANE_NONBLOCKING {
    switch (mode) {
    case PrimaryMode::Walk:
        return static_cast<int64_t>(primary_value) + static_cast<int64_t>(step) * grid;
    case PrimaryMode::Random:
        return static_cast<int64_t>(step) * grid;
    case PrimaryMode::Constant:
        return static_cast<int64_t>(std::max(RoundHalfEven(step_size), 1)) * grid;
    default:
        return primary_value;
    }
}

} // namespace

PeriodBarriers ComputePeriodBarriers(int frequency_setting,
                                     float secondary_barrier) noexcept VORTANE_NONBLOCKING {
    const auto exponent = static_cast<float>(3.0 * (frequency_setting - 70) / 930.0);
    const auto power = static_cast<float>(std::pow(2.0, static_cast<double>(exponent)));
    const float e = power - 1.0f;
    const double hi = kSampleRate / (132.0 * e + 70.0);
    const auto q = static_cast<float>(std::pow(2.0, static_cast<double>(secondary_barrier * (1.0f / 12.0f))));
    const double lo = kSampleRate / ((930.0 / 7.0 * e + 70.0) * q);
    PeriodBarriers barriers{RoundHalfEven(lo), RoundHalfEven(hi)};
    barriers.lo = std::max(barriers.lo, 1);
    barriers.hi = std::max(barriers.hi, barriers.lo);
    return barriers;
}

PeriodBarriers NoteBarriers(float centre_frequency, float secondary_barrier) noexcept VORTANE_NONBLOCKING {
    const double half = std::exp2(static_cast<double>(secondary_barrier) / 24.0);
    const double centre = kPitchGrid * static_cast<double>(kSampleRate) / centre_frequency;
    PeriodBarriers barriers{RoundHalfEven(centre / half), RoundHalfEven(centre * half)};
    barriers.lo = std::max(barriers.lo, kPitchGrid);
    barriers.hi = std::max(barriers.hi, barriers.lo);
    return barriers;
}

int32_t FoldPeriodLength(int64_t length, PeriodBarriers barriers, float u,
                         BarrierBehaviour behaviour) noexcept VORTANE_NONBLOCKING {
    const int32_t lo = barriers.lo;
    const int32_t hi = barriers.hi;
    const int32_t width = hi - lo;
    for (int pass = 0; length < lo || length > hi; ++pass) {
        // With Lo = Hi every rule ends on the common value, but a mirror alone would overshoot
        // to the same distance on the other side forever. A group with no behaviour has no rule.
        if (width == 0) {
            return lo;
        }
        if (behaviour == BarrierBehaviour::None || pass >= kMaxFoldPasses) {
            return static_cast<int32_t>(std::clamp<int64_t>(length, lo, hi));
        }
        if (length < lo) {
            switch (behaviour) {
            case BarrierBehaviour::Mirror:
            case BarrierBehaviour::LoMirHiLo:
                length = 2 * static_cast<int64_t>(lo) - length;
                break;
            case BarrierBehaviour::Centred:
                length = lo + width / 2;
                break;
            case BarrierBehaviour::OppLimits:
                length = hi;
                break;
            case BarrierBehaviour::OnLimits:
                length = lo;
                break;
            default: // Random
                length = RandomInRange(lo, u, width);
                break;
            }
        }
        // The upper test sees what the lower test left.
        if (length > hi) {
            switch (behaviour) {
            case BarrierBehaviour::Mirror:
                length = 2 * static_cast<int64_t>(hi) - length;
                break;
            case BarrierBehaviour::Centred:
                length = lo + width / 2;
                break;
            case BarrierBehaviour::LoMirHiLo:
            case BarrierBehaviour::OppLimits:
                length = lo;
                break;
            case BarrierBehaviour::OnLimits:
                length = hi;
                break;
            default: // Random
                length = RandomInRange(hi, -u, width);
                break;
            }
        }
    }
    return static_cast<int32_t>(length);
}

PeriodBarriers PeriodWalk::Barriers(const PeriodWalkParams& params) noexcept VORTANE_NONBLOCKING {
    if (!derived.valid || derived.frequency_setting != params.frequency_setting ||
        std::bit_cast<uint32_t>(derived.secondary_barrier) !=
            std::bit_cast<uint32_t>(params.secondary_barrier) ||
        std::bit_cast<uint32_t>(derived.centre_frequency) !=
            std::bit_cast<uint32_t>(params.centre_frequency)) {
        derived = {true, params.frequency_setting, params.secondary_barrier, params.centre_frequency,
                   params.centre_frequency > 0.0f
                       ? NoteBarriers(params.centre_frequency, params.secondary_barrier)
                       : ComputePeriodBarriers(params.frequency_setting, params.secondary_barrier)};
    }
    return derived.barriers;
}

void PeriodWalk::CentreOn(const PeriodWalkParams& params) noexcept VORTANE_NONBLOCKING {
    // The centre in semitones: the note's own period, the barriers' geometric mean.
    const PeriodBarriers barriers = Barriers(params);
    period_length = RoundHalfEven(std::sqrt(static_cast<double>(barriers.lo) * barriers.hi));
    primary_value = 0;
}

template <bool kNote>
int32_t PeriodWalk::Next(const PeriodWalkParams& params, RandomSource& random) noexcept VORTANE_NONBLOCKING {
    period_count = period_count >= kCountWrap ? 0 : period_count + 1;

    const PeriodBarriers barriers = Barriers(params);
    constexpr int32_t grid = kNote ? kPitchGrid : 1;
    const float u = random.DrawFraction(); // drawn at every call; only Random uses it
    frequency_step = DrawFrequencyStep(frequency_step, params.step, random);

    const int64_t primary = NextPrimaryValue(params.primary_mode, primary_value, frequency_step,
                                             params.step.primary_step_size, grid);
    primary_value = FoldPrimary(primary, params.primary_step_barrier * grid);
    int64_t length = static_cast<int64_t>(period_length) + primary_value;

    // "PriC" jumps back to Lo (the highest pitch) every reset interval + 1 periods.
    if (params.primary_mode == PrimaryMode::Constant) {
        if (reset_armed == 0) {
            reset_interval = random.RandomBetween(20, 200);
            reset_armed = 1;
        }
        if (reset_armed == 1 && period_count > reset_interval) {
            period_count = 0;
            reset_armed = 0;
            length = barriers.lo;
        }
    }

    period_length = FoldPeriodLength(length, barriers, u, params.behaviour);
    return period_length;
}

template int32_t PeriodWalk::Next<false>(const PeriodWalkParams&, RandomSource&) noexcept VORTANE_NONBLOCKING;
template int32_t PeriodWalk::Next<true>(const PeriodWalkParams&, RandomSource&) noexcept VORTANE_NONBLOCKING;

} // namespace vortane
