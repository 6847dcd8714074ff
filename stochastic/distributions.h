#pragma once

#include <cstdint>

#include "engine/realtime.h"
#include <string_view>

namespace vortane {

class ControlPanel;
struct EngineState;
class RandomSource;

// The quantile of the named distribution ("Cauchy", "Logistic", "ArcSin") at probability p,
// scaled by the probability width and the primary step size, rounded to an integer step.
// Any other name yields 0.
int32_t SampleDistribution(std::string_view name, float p, float probability_width,
                           float primary_step_size) noexcept VORTANE_NONBLOCKING;

// The frequency step of the period walk, drawn from the selected distribution option; with no
// option selected the previous step is returned.
int32_t DrawFrequencyStep(int32_t previous, const ControlPanel& panel, const EngineState& state,
                          RandomSource& random) noexcept VORTANE_NONBLOCKING;

} // namespace vortane
