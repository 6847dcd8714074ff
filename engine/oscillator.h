#pragma once

#include <array>
#include <cstdint>
#include <cstring>

#include "base/coordinate.h"
#include "base/realtime.h"
#include "engine/bezier_shaper.h"
#include "stochastic/control_point_walk.h"
#include "stochastic/period_walk.h"

namespace vortane {

class RandomSource;

// The control points X1, Y1, X2, Y2 before any slider or walk has moved them, in curve units.
inline constexpr std::array<float, kCoordinateCount> kInitialPoints{0.5f, 0.06f, 0.75f, 0.95f};

// What the oscillator reads: the level, which walks run, and the walks' own parameters.
struct OscillatorParams {
    float master_volume = 400.0f;
    std::array<bool, kCoordinateCount> walk_on{};
    PeriodWalkParams period;
    std::array<ControlPointParams, kCoordinateCount> points{};
};

// The oscillator's work for up to kMaxFrames samples, planned first and shaped after: a period is
// one segment of the plan, its curve's coefficients and level worked out once at its start;
// segment 0 is silence (no period has started yet).
struct OscillatorPlan {
    static constexpr int kMaxFrames = 64;
    static_assert(kMaxFrames % kQuadLanes == 0, "shaping reads whole groups of the plan");

    struct Segment {
        BezierCurve curve;
        float amplitude;
        float length;
    };
    std::array<int, kMaxFrames> position;
    std::array<uint8_t, kMaxFrames> segment;
    std::array<Segment, kMaxFrames + 1> segments;
};

// The Bezier waveform oscillator. Each period is one cubic Bezier curve through the control points
// (X1, Y1) and (X2, Y2); at a period's start the period walk gives its length and each switched-on
// control-point walk its coordinate, X1, Y1, X2, Y2 in that order. A sample is
//   ((200 − row) ÷ 200 − 0.5) × A × 2.142857,  row = shaper(position ÷ length),  A = 2^(volume·0.002) − 1
// Before the first period (length 0) the oscillator gives silence.
class Oscillator {
public:
    void Init();

    // The start reset: the next frame lands on position 0, a period start (a new period when none
    // has started yet, otherwise the current length again from phase 0).
    void Restart() { position_ = -1; }

    // Advances by frames (at most kMaxFrames) and notes each frame's position and segment.
    void Plan(const OscillatorParams& params, RandomSource& random, OscillatorPlan& plan,
              int frames) noexcept VORTANE_NONBLOCKING;

    // The control points in curve units: written by the walks, and by the host for the sliders
    // that move Y1, X2 and Y2 directly.
    float point(Coordinate k) const { return points_[static_cast<size_t>(k)]; }
    void set_point(Coordinate k, float value) { points_[static_cast<size_t>(k)] = value; }

    // The coordinates a walk has moved since the last ClearWalked, one bit each (1 << Coordinate).
    uint32_t walked() const { return walked_; }
    void ClearWalked() { walked_ = 0; }

    int32_t position() const { return position_; }
    int32_t length() const { return length_; }
    const PeriodWalk& period_walk() const { return period_walk_; }
    PeriodWalk& period_walk() { return period_walk_; }
    const ControlPointWalk& point_walk(Coordinate k) const { return point_walks_[static_cast<size_t>(k)]; }

private:
    int32_t StartPeriod(const OscillatorParams& params, RandomSource& random) noexcept VORTANE_NONBLOCKING;

    // oscillator state
    int32_t position_ = 0;
    int32_t length_ = 0;
    std::array<float, kCoordinateCount> points_{};
    uint32_t walked_ = 0;
    // the walks that move it
    PeriodWalk period_walk_;
    std::array<ControlPointWalk, kCoordinateCount> point_walks_{};
};

// Samples of the planned frames first .. first + 3, before the Master Filter. Most groups lie within
// one period: their curve is then one segment's, broadcast to the lanes.
inline void ShapeQuad(const OscillatorPlan& plan, int first, float* out) noexcept VORTANE_NONBLOCKING {
    constexpr float kOutputMultiplier = 2.142857f; // 15/7
    constexpr float kDisplayHeight = 200.0f;
    const auto f = static_cast<size_t>(first);
    BezierCurveQuad curve;
    FloatQuad amplitude, length;
    const uint8_t s0 = plan.segment[f];
    if (plan.segment[f + 1] == s0 && plan.segment[f + 2] == s0 && plan.segment[f + 3] == s0) {
        const OscillatorPlan::Segment& g = plan.segments[s0];
        const auto splat = [](float v) { return FloatQuad{v, v, v, v}; };
        curve = {splat(g.curve.a),  splat(g.curve.b),  splat(g.curve.c),  splat(g.curve.d),
                 splat(g.curve.ay), splat(g.curve.by), splat(g.curve.cy), splat(g.curve.dy)};
        amplitude = splat(g.amplitude);
        length = splat(g.length);
    } else {
        // A period starts inside the group: each value is built whole from its four lanes, never
        // lane by lane into an unset vector (whose other lanes the optimiser cannot prove set).
        const std::array<const OscillatorPlan::Segment*, kQuadLanes> g = {
            &plan.segments[plan.segment[f]], &plan.segments[plan.segment[f + 1]],
            &plan.segments[plan.segment[f + 2]], &plan.segments[plan.segment[f + 3]]};
        const auto lanes = [&g](float BezierCurve::*field) {
            return FloatQuad{g[0]->curve.*field, g[1]->curve.*field, g[2]->curve.*field, g[3]->curve.*field};
        };
        curve = {lanes(&BezierCurve::a),  lanes(&BezierCurve::b),  lanes(&BezierCurve::c),
                 lanes(&BezierCurve::d),  lanes(&BezierCurve::ay), lanes(&BezierCurve::by),
                 lanes(&BezierCurve::cy), lanes(&BezierCurve::dy)};
        amplitude = FloatQuad{g[0]->amplitude, g[1]->amplitude, g[2]->amplitude, g[3]->amplitude};
        length = FloatQuad{g[0]->length, g[1]->length, g[2]->length, g[3]->length};
    }
    IntQuad position;
    std::memcpy(&position, &plan.position[f], sizeof position);
    const FloatQuad phase = __builtin_convertvector(position, FloatQuad) / length;
    FloatQuad row;
    curve.Row(phase, row);
    const FloatQuad height = (kDisplayHeight - row) / kDisplayHeight;
    const FloatQuad samples = (height - 0.5f) * amplitude * kOutputMultiplier;
    std::memcpy(out + first, &samples, sizeof samples);
}

// The level factor A = 2^(master volume × 0.002) − 1, in float: 0 at volume 0, about 0.7411 at
// 400 and about 7.0 at 1500.
float AmplitudeFactor(float master_volume) noexcept VORTANE_NONBLOCKING;

} // namespace vortane
