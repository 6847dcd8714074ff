#pragma once

#include <array>
#include <cstdint>

#include "engine/bezier_shaper.h"
#include "engine/realtime.h"

namespace vortane {

struct Engine;

// The oscillator's work for up to kMaxFrames samples, in two steps. Planning advances the period
// position, runs the period starts (period walk, then the switched-on control-point walks, X1, Y1,
// X2, Y2) and notes per frame its position and its period's curve and level. Shaping then turns
// the planned frames into samples, sixteen lanes at a time; it reads no engine value.
struct OscillatorPlan {
    static_assert(64 % kLanes == 0);
    static constexpr int kMaxFrames = 64;
    static constexpr int kPadded = kMaxFrames; // a whole number of lane groups

    // What holds for a whole period; segment 0 is silence (no period has started yet).
    struct Segment {
        float x1, y1, x2, y2;
        float amplitude;
        float length;
    };
    std::array<int, kPadded> position;
    std::array<uint8_t, kPadded> segment;
    std::array<Segment, kMaxFrames + 1> segments;
};

void PlanOscillator(Engine& engine, OscillatorPlan& plan, int frames) noexcept VORTANE_NONBLOCKING;

// Samples of the first frames planned frames, before the Master Filter.
void ShapeFrames(const OscillatorPlan& plan, float* out, int frames) noexcept VORTANE_NONBLOCKING;

// Advances the oscillator by one sample and returns it (plan and shape of a single frame).
float OscillatorStep(Engine& engine) noexcept VORTANE_NONBLOCKING;

// The level factor A = 2^(master volume × 0.002) − 1, in float: 0 at volume 0, about 0.7411 at
// 400 and about 7.0 at 1500.
float AmplitudeFactor(float master_volume) noexcept VORTANE_NONBLOCKING;

} // namespace vortane
