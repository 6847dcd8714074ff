#pragma once

#include <atomic>
#include <cstdint>

#include "engine/realtime.h"

namespace vortane {

struct Engine;
class ControlPanel;

// Barriers of the period length in samples for frequency setting F and secondary barrier D.
struct PeriodBarriers {
    int32_t lo;
    int32_t hi;
};
PeriodBarriers ComputePeriodBarriers(int frequency_setting,
                                     float secondary_barrier) noexcept VORTANE_NONBLOCKING;

// State of the two-level walk of the period length (the pitch).
struct PeriodWalk {
    std::atomic<int32_t> period_count{0}; // the GUI thread resets it on Stop
    int32_t reset_armed = 0;
    int32_t reset_interval = 0;
    int32_t frequency_step = 0;
    int32_t primary_value = 0;
    int32_t period_length = 0;
};

// The length of the period that begins, at least 1. Audio thread only.
int32_t NextPeriodLength(Engine& engine) noexcept VORTANE_NONBLOCKING;

// The secondary barrier fold: brings a period length back into [lo, hi] by the secondary barrier
// behaviour options, read live at every pass; u is the call's fraction for "SRandom".
int32_t FoldPeriodLength(int64_t length, PeriodBarriers barriers, float u,
                         const ControlPanel& panel) noexcept VORTANE_NONBLOCKING;

// The period count wraps to 0 once it passes this value.
inline constexpr int32_t kPeriodCountWrap = 2147483640;

} // namespace vortane
