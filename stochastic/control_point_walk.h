#pragma once

#include <cstdint>

#include "base/coordinate.h"
#include "base/realtime.h"

namespace vortane {

class RandomSource;

// What one coordinate's walk reads: its "Barrier" slider b, its step-size slider v, its Negative
// box, its own slider x, and for X1 the "X1 Max" value M.
struct ControlPointParams {
    int barrier = 30;
    float step_size = 50.0f;
    bool negative = false;
    int slider = 0;
    float x1_max = 99.0f;
};

// Primary barrier B = factor · 2^(b/16.66 − 4), rounded, at least 1 (X1, X2: 1..30; Y1, Y2: 1..60).
int32_t ControlPointBarrier(Coordinate k, int barrier_state) noexcept VORTANE_NONBLOCKING;

// Step scale r = 2^(v/16.66 − 4) · 7.5 / 10, at least 0.1.
float ControlPointStepScale(float step_size) noexcept VORTANE_NONBLOCKING;

// The logistic step of scale r at open probability u, rounded with halves away from zero.
int32_t ControlPointStep(Coordinate k, float step_scale, float u) noexcept VORTANE_NONBLOCKING;

// The range of the position: between the limit L that the slider x sets (for X1 a share of M) and
// the bottom of the coordinate's range with Negative ticked, its top without.
struct PointRange {
    int32_t lo;
    int32_t hi;
};
PointRange ControlPointRange(Coordinate k, int slider_state, float x1_max,
                             bool negative) noexcept VORTANE_NONBLOCKING;

// One coordinate's two-level walk, in hundredths of a curve unit: each period a logistic step goes
// into the primary value (folded within ±B), the primary value into the position (folded into its
// range). The sliders are read, never moved.
struct ControlPointWalk {
    void Init() { *this = ControlPointWalk{}; }

    // The coordinate's new position in hundredths.
    int32_t Next(Coordinate k, const ControlPointParams& params,
                 RandomSource& random) noexcept VORTANE_NONBLOCKING;

    // walk state
    int32_t primary_value = 0;
    int32_t position = 0;

    // The barrier and step scale depend on two sliders alone, which seldom move: kept from the last
    // period, worked out again (two powers) only when either slider's value differs.
    struct Derived {
        bool valid = false;
        int barrier_state = 0;
        float step_size = 0.0f;
        int32_t barrier = 0;
        float step_scale = 0.0f;
    };
    Derived derived;
};

} // namespace vortane
