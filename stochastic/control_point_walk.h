#pragma once

#include <cstdint>

#include "engine/realtime.h"

#include "engine/engine_state.h"

namespace vortane {

struct Engine;

// State of one control-point coordinate's two-level walk, in hundredths of a curve unit.
struct ControlPointWalk {
    int32_t primary_value = 0;
    int32_t position = 0;
};

// The coordinate's new position in hundredths, folded into its range. Audio thread only.
int32_t WalkControlPoint(Engine& engine, Coordinate k) noexcept VORTANE_NONBLOCKING;

// The pieces of one walk step, for the coordinate's own constants.

// Primary barrier B = factor 2^(b/16.66 - 4), rounded, at least 1 (X1, X2: 1..30; Y1, Y2: 1..60).
int32_t ControlPointBarrier(Coordinate k, int barrier_state) noexcept VORTANE_NONBLOCKING;

// Step scale r = 2^(v/16.66 - 4) 7.5 / 10, at least 0.1.
float ControlPointStepScale(float step_size) noexcept VORTANE_NONBLOCKING;

// The logistic step of scale r at open probability u, rounded with halves away from zero.
int32_t ControlPointStep(Coordinate k, float step_scale, float u) noexcept VORTANE_NONBLOCKING;

// The range of the position for the coordinate's slider state x (read twice, as the walk does),
// X1's maximum M and the Negative flag.
struct PointRange {
    int32_t lo;
    int32_t hi;
};
PointRange ControlPointRange(Coordinate k, int slider_state, int slider_state_again, float x1_max,
                             bool negative) noexcept VORTANE_NONBLOCKING;

} // namespace vortane
