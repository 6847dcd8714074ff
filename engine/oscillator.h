#pragma once

#include <algorithm>
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

// The oscillator's work for up to kMaxFrames samples, planned first and shaped after: each frame's
// position in its period and that period's curve coefficients, level and length, worked out once
// at the period's start and copied to each of its frames, so that a group of frames loads whole
// vectors whether or not a period starts inside it. Before any period has started, a frame gets
// the flat curve of silence.
struct OscillatorPlan {
    // Long enough that the set-up of a chunk is a small share of it.
    static constexpr int kMaxFrames = 128;
    static_assert(kMaxFrames % kMaxGroupLanes == 0, "shaping reads whole groups of the plan");

    enum Field { kA, kB, kC, kD, kAy, kBy, kCy, kDy, kAmplitude, kLength, kFieldCount };
    // the values of one period, by Field
    using Period = std::array<float, kFieldCount>;

    // position0 + offset is the first frame's distance from its period's start, in samples. Frames go
    // in groups of four from `first`, so up to three past first + count are written too: they
    // belong to the next Fill, which comes later and writes them again, or to no group shaped (a
    // row has room for them). Four at a time, each lane's value is the one the frame would get
    // alone: float(position0 + j) + offset.
    void Fill(int first, int count, int position0, float offset,
              const Period& period) noexcept VORTANE_NONBLOCKING {
        using Float4 = Lanes<4>::Float;
        using Int4 = Lanes<4>::Int;
        const auto at = static_cast<size_t>(first);
        for (int j = 0; j < count; j += 4) {
            const Int4 whole = Int4{0, 1, 2, 3} + (position0 + j);
            const Float4 values = __builtin_convertvector(whole, Float4) + offset;
            std::memcpy(&position[at + static_cast<size_t>(j)], &values, sizeof values);
        }
        for (size_t k = 0; k < kFieldCount; ++k) {
            const Float4 values = Float4{} + period[k];
            for (int j = 0; j < count; j += 4) {
                std::memcpy(&fields[k][at + static_cast<size_t>(j)], &values, sizeof values);
            }
        }
    }

    // a row: the frames, and room for a group past them (rows stay 64-byte aligned)
    static constexpr int kRowFrames = kMaxFrames + kMaxGroupLanes;
    alignas(64) std::array<float, kRowFrames> position;
    alignas(64) std::array<std::array<float, kRowFrames>, kFieldCount> fields;
};

// The Bezier waveform oscillator. Each period is one cubic Bezier curve through the control points
// (X1, Y1) and (X2, Y2); at a period's start the period walk gives its length and each switched-on
// control-point walk its coordinate, X1, Y1, X2, Y2 in that order. A sample is
//   ((200 − row) ÷ 200 − 0.5) × A × 2.142857,  row = shaper(position ÷ length),  A = 2^(volume·0.002) − 1
// Before the first period (length 0) the oscillator gives silence. Around a played note a length
// may end between two samples: the next period then starts there, and its frames stand `offset`
// past the start (offset in [0, 1)); otherwise the offset is 0 and periods start on a frame.
class Oscillator {
public:
    void Init();

    // The start reset: the next frame lands on position 0, a period start (a new period when none
    // has started yet, otherwise the current length again from phase 0).
    void Restart() {
        position_ = -1;
        offset_ = 0.0f;
    }
    // A played note's start: after Restart, its first period is the note's own (in 1/kPitchGrid
    // samples), not the length the voice's last note left.
    void RestartAt(int32_t note_length) {
        Restart();
        grid_ = kPitchGrid;
        length_ = std::max(note_length, 1);
    }

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
    // The period's length in its walk's units (WalkGrid), and in samples.
    int32_t length() const { return length_; }
    float length_in_samples() const { return static_cast<float>(length_) / static_cast<float>(grid_); }
    const PeriodWalk& period_walk() const { return period_walk_; }
    PeriodWalk& period_walk() { return period_walk_; }
    const ControlPointWalk& point_walk(Coordinate k) const { return point_walks_[static_cast<size_t>(k)]; }

private:
    template <bool kNote>
    void PlanFrames(const OscillatorParams& params, RandomSource& random, OscillatorPlan& plan,
                    int frames) noexcept VORTANE_NONBLOCKING;
    template <bool kNote>
    int32_t StartPeriod(const OscillatorParams& params, RandomSource& random) noexcept VORTANE_NONBLOCKING;
    // Whether a frame at `position` (with the period's offset) lies at or past the period's end.
    bool Past(int position, float offset) const noexcept VORTANE_NONBLOCKING {
        return static_cast<float>(position) + offset >= length_in_samples();
    }

    // oscillator state
    int32_t position_ = 0;
    float offset_ = 0.0f; // how far past the period's start its frame 0 stands
    int32_t length_ = 0;
    int32_t grid_ = 1;
    std::array<float, kCoordinateCount> points_{};
    uint32_t walked_ = 0;
    // the walks that move it
    PeriodWalk period_walk_;
    std::array<ControlPointWalk, kCoordinateCount> point_walks_{};
};

// Samples of the planned frames first .. first + kGroupLanes − 1, before the Master Filter.
// Inlined into its caller, so that a caller compiled for AVX or AVX-512 shapes the group in one
// register a value.
template <int kGroupLanes>
[[gnu::always_inline]] inline void ShapeGroup(const OscillatorPlan& plan, int first,
                                              float* out) noexcept VORTANE_NONBLOCKING {
    using FloatGroup = typename Lanes<kGroupLanes>::Float;
    using Plan = OscillatorPlan;
    constexpr float kOutputMultiplier = 2.142857f; // 15/7
    constexpr float kDisplayHeight = 200.0f;
    const auto f = static_cast<size_t>(first);
    const auto load = [&plan, f](Plan::Field field, FloatGroup& v) {
        std::memcpy(&v, &plan.fields[field][f], sizeof v);
    };
    BezierCurveGroup<kGroupLanes> curve;
    FloatGroup amplitude, length;
    load(Plan::kA, curve.a);
    load(Plan::kB, curve.b);
    load(Plan::kC, curve.c);
    load(Plan::kD, curve.d);
    load(Plan::kAy, curve.ay);
    load(Plan::kBy, curve.by);
    load(Plan::kCy, curve.cy);
    load(Plan::kDy, curve.dy);
    load(Plan::kAmplitude, amplitude);
    load(Plan::kLength, length);
    FloatGroup position;
    std::memcpy(&position, &plan.position[f], sizeof position);
    const FloatGroup phase = position / length;
    FloatGroup row;
    curve.Row(phase, row);
    const FloatGroup height = (kDisplayHeight - row) / kDisplayHeight;
    const FloatGroup samples = (height - 0.5f) * amplitude * kOutputMultiplier;
    std::memcpy(out + first, &samples, sizeof samples);
}

// The level factor A = 2^(master volume × 0.002) − 1, in float: 0 at volume 0, about 0.7411 at
// 400 and about 7.0 at 1500.
float AmplitudeFactor(float master_volume) noexcept VORTANE_NONBLOCKING;

} // namespace vortane
