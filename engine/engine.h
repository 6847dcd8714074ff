#pragma once

#include <array>

#include "engine/control_panel.h"
#include "engine/engine_state.h"
#include "engine/master_filter.h"
#include "stochastic/control_point_walk.h"
#include "stochastic/period_walk.h"
#include "stochastic/random_source.h"

namespace vortane {

// One whole voice: the control panel, the engine values and the state of every unit the audio
// thread runs. The application holds exactly one; a test builds as many fresh ones as it likes.
struct Engine {
    ControlPanel panel;
    EngineState state;
    RandomSource random;
    PeriodWalk period_walk;
    std::array<ControlPointWalk, kCoordinateCount> point_walks{};
    MasterFilter filter;
};

} // namespace vortane
