#pragma once

#include <atomic>
#include <cstdint>

namespace vortane {

struct Engine;

// Barriers of the period length in samples for frequency setting F and secondary barrier D.
struct PeriodBarriers {
    int32_t lo;
    int32_t hi;
};
PeriodBarriers ComputePeriodBarriers(int frequency_setting, float secondary_barrier);

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
int32_t NextPeriodLength(Engine& engine);

} // namespace vortane
