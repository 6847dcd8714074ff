#include "stochastic/period_walk.h"

#include <algorithm>
#include <cmath>

#include "engine/control_ids.h"
#include "engine/engine.h"
#include "stochastic/barrier_fold.h"
#include "stochastic/distributions.h"
#include "stochastic/rounding.h"

namespace vortane {
namespace {

// A fold pass in which no option applies is repeated with fresh reads (a selection may be changing
// on another thread). After this many such passes, or this many passes in all, the length is
// clamped instead, so the audio thread can never spin.
constexpr int kMaxIdlePasses = 8;
constexpr int kMaxFoldPasses = 4096;

bool IsSelected(const ControlPanel& panel, int id) noexcept VORTANE_NONBLOCKING {
    return panel.GetState(id) == 1;
}

// Lo + u (Hi - Lo) or Hi - u (Hi - Lo), in single precision, ties to even.
int32_t RandomInRange(int32_t from, float signed_u, int32_t width) noexcept VORTANE_NONBLOCKING {
    return RoundHalfEven(static_cast<float>(from) + signed_u * static_cast<float>(width));
}

// The primary value by the first selected primary mode: "PriW" adds the step, "PriR" takes it,
// "PriC" holds s rounded (at least 1); with none selected it stays.
int64_t NextPrimaryValue(const ControlPanel& panel, int32_t primary_value, int32_t step,
                         float step_size) noexcept VORTANE_NONBLOCKING {
    if (IsSelected(panel, id::kPriW)) {
        return static_cast<int64_t>(primary_value) + step;
    }
    if (IsSelected(panel, id::kPriR)) {
        return step;
    }
    if (IsSelected(panel, id::kPriC)) {
        return std::max(RoundHalfEven(step_size), 1);
    }
    return primary_value;
}

} // namespace

// e = 2^(3 (F - 70) / 930) - 1 in single precision; Hi = 44100 / (132 e + 70);
// q = 2^(D / 12); Lo = 44100 / ((930/7 e + 70) q). Lo is at least 1 and never above Hi.
PeriodBarriers ComputePeriodBarriers(int frequency_setting,
                                     float secondary_barrier) noexcept VORTANE_NONBLOCKING {
    const auto exponent = static_cast<float>(3.0 * (frequency_setting - 70) / 930.0);
    const auto power = static_cast<float>(std::pow(2.0, static_cast<double>(exponent)));
    const float e = power - 1.0f;
    const double hi = 44100.0 / (132.0 * e + 70.0);
    const auto q = static_cast<float>(std::pow(2.0, static_cast<double>(secondary_barrier * (1.0f / 12.0f))));
    const double lo = 44100.0 / ((930.0 / 7.0 * e + 70.0) * q);
    PeriodBarriers barriers{RoundHalfEven(lo), RoundHalfEven(hi)};
    barriers.lo = std::max(barriers.lo, 1);
    barriers.hi = std::max(barriers.hi, barriers.lo);
    return barriers;
}

int32_t FoldPeriodLength(int64_t length, PeriodBarriers barriers, float u,
                         const ControlPanel& panel) noexcept VORTANE_NONBLOCKING {
    const int32_t lo = barriers.lo;
    const int32_t hi = barriers.hi;
    const int32_t width = hi - lo;
    int idle_passes = 0;
    for (int pass = 0; length < lo || length > hi; ++pass) {
        // With Lo = Hi every rule ends on the common value, but a mirror alone would overshoot
        // to the same distance on the other side forever.
        if (width == 0) {
            return lo;
        }
        if (idle_passes >= kMaxIdlePasses || pass >= kMaxFoldPasses) {
            return static_cast<int32_t>(std::clamp<int64_t>(length, lo, hi));
        }
        bool applied = false;
        if (length < lo) {
            if (IsSelected(panel, id::kSMirror) || IsSelected(panel, id::kSLoMirHiLo)) {
                length = 2 * static_cast<int64_t>(lo) - length;
                applied = true;
            }
            if (IsSelected(panel, id::kSCentred)) {
                length = lo + width / 2;
                applied = true;
            }
            if (IsSelected(panel, id::kSOppLimits)) {
                length = hi;
                applied = true;
            }
            if (IsSelected(panel, id::kSOnLimits)) {
                length = lo;
                applied = true;
            }
            if (IsSelected(panel, id::kSRandom)) {
                length = RandomInRange(lo, u, width);
                applied = true;
            }
        }
        // The upper test sees what the lower test left.
        if (length > hi) {
            if (IsSelected(panel, id::kSMirror)) {
                length = 2 * static_cast<int64_t>(hi) - length;
                applied = true;
            }
            if (IsSelected(panel, id::kSCentred)) {
                length = lo + width / 2;
                applied = true;
            }
            if (IsSelected(panel, id::kSLoMirHiLo) || IsSelected(panel, id::kSOppLimits)) {
                length = lo;
                applied = true;
            }
            if (IsSelected(panel, id::kSRandom)) {
                length = RandomInRange(hi, -u, width);
                applied = true;
            }
            if (IsSelected(panel, id::kSOnLimits)) {
                length = hi;
                applied = true;
            }
        }
        idle_passes = applied ? 0 : idle_passes + 1;
    }
    return static_cast<int32_t>(length);
}

int32_t NextPeriodLength(Engine& engine) noexcept VORTANE_NONBLOCKING {
    PeriodWalk& walk = engine.period_walk;
    const EngineState& state = engine.state;
    const ControlPanel& panel = engine.panel;

    int32_t count = walk.period_count.load(std::memory_order_relaxed);
    count = count >= kPeriodCountWrap ? 0 : count + 1;
    walk.period_count.store(count, std::memory_order_relaxed);

    const PeriodBarriers barriers =
        ComputePeriodBarriers(Get(state.frequency_setting), Get(state.secondary_barrier));
    const float u = engine.random.DrawFraction();
    walk.frequency_step = DrawFrequencyStep(walk.frequency_step, panel, state, engine.random);

    const int64_t primary =
        NextPrimaryValue(panel, walk.primary_value, walk.frequency_step, Get(state.primary_step_size));
    walk.primary_value = FoldPrimary(primary, Get(state.primary_step_barrier));
    int64_t length = static_cast<int64_t>(walk.period_length) + walk.primary_value;

    // "PriC" jumps back to Lo (the highest pitch) every reset interval + 1 periods.
    if (IsSelected(panel, id::kPriC)) {
        if (walk.reset_armed == 0) {
            walk.reset_interval = engine.random.RandomBetween(20, 200);
            walk.reset_armed = 1;
        }
        if (walk.reset_armed == 1 &&
            walk.period_count.load(std::memory_order_relaxed) > walk.reset_interval) {
            walk.period_count.store(0, std::memory_order_relaxed);
            walk.reset_armed = 0;
            length = barriers.lo;
        }
    }

    walk.period_length = FoldPeriodLength(length, barriers, u, panel);
    return walk.period_length;
}

} // namespace vortane
