#pragma once

#include <cstdint>

#include "engine/engine_state.h"

namespace vortane {

struct Engine;

// State of one control-point coordinate's two-level walk, in hundredths of a curve unit.
struct ControlPointWalk {
    int32_t primary_value = 0;
    int32_t position = 0;
};

// The coordinate's new position in hundredths, folded into its range. Audio thread only.
int32_t WalkControlPoint(Engine& engine, Coordinate k);

} // namespace vortane
