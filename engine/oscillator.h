#pragma once

#include <array>
#include <cstdint>
#include <cstring>

#include "engine/bezier_shaper.h"
#include "engine/realtime.h"

namespace vortane {

struct Engine;

// The oscillator's work for up to kMaxFrames samples, in two steps. Planning advances the period
// position, runs the period starts (period walk, then the switched-on control-point walks, X1, Y1,
// X2, Y2) and notes per frame its position and its period's curve and level. Shaping then turns
// the planned frames into samples, four lanes at a time (ShapeQuad); it reads no engine value.
struct OscillatorPlan {
    static constexpr int kMaxFrames = 64;
    static constexpr int kPadded = kMaxFrames; // a whole number of lane groups

    // What holds for a whole period, its curve's coefficients worked out once at its start;
    // segment 0 is silence (no period has started yet).
    struct Segment {
        BezierCurve curve;
        float amplitude;
        float length;
    };
    std::array<int, kPadded> position;
    std::array<uint8_t, kPadded> segment;
    std::array<Segment, kMaxFrames + 1> segments;
};

void PlanOscillator(Engine& engine, OscillatorPlan& plan, int frames) noexcept VORTANE_NONBLOCKING;

// Four lanes, one SSE or NEON register a value. Render shapes one group while the Master Filter's
// serial recursion runs over the previous one, so both proceed side by side in the core.
inline constexpr int kQuadLanes = 4;
static_assert(OscillatorPlan::kPadded % kQuadLanes == 0, "shaping reads whole groups of the plan");
using FloatQuad = float __attribute__((vector_size(4 * kQuadLanes)));
using IntQuad = int __attribute__((vector_size(4 * kQuadLanes)));

// Samples of the planned frames first .. first + 3 (within kPadded), before the Master Filter:
//   sample = ((200 − row) ÷ 200 − 0.5) × A × 2.142857,  t = position ÷ length
// Most groups lie within one period: their curve is then one segment's, broadcast to the lanes.
inline void ShapeQuad(const OscillatorPlan& plan, int first, float* out) noexcept VORTANE_NONBLOCKING {
    constexpr float kOutputMultiplier = 2.142857f; // 15/7
    constexpr float kDisplayHeight = 200.0f;
    const auto f = static_cast<size_t>(first);
    BasicBezierCurve<FloatQuad> curve;
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

// Samples of the first frames planned frames, before the Master Filter.
void ShapeFrames(const OscillatorPlan& plan, float* out, int frames) noexcept VORTANE_NONBLOCKING;

// Advances the oscillator by one sample and returns it (plan and shape of a single frame).
float OscillatorStep(Engine& engine) noexcept VORTANE_NONBLOCKING;

// The level factor A = 2^(master volume × 0.002) − 1, in float: 0 at volume 0, about 0.7411 at
// 400 and about 7.0 at 1500.
float AmplitudeFactor(float master_volume) noexcept VORTANE_NONBLOCKING;

} // namespace vortane
