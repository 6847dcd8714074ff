#include "engine/oscillator.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>

#include "engine/bezier_shaper.h"
#include "engine/engine.h"

namespace vortane {
namespace {

constexpr float kVolumeExponentScale = 0.002f;
constexpr float kCoordinateScale = 100.0f;

// The volume always arrives as a whole slider position, so A is looked up instead of paying for a
// power every sample. Built once at load time, before any audio thread exists.
constexpr int kVolumeSteps = 1501;

float ComputeAmplitude(float master_volume) noexcept VORTANE_NONBLOCKING {
    const float e = master_volume * kVolumeExponentScale;
    return std::exp2(e) - 1.0f;
}

std::array<float, kVolumeSteps> MakeAmplitudeTable() {
    std::array<float, kVolumeSteps> table{};
    for (int i = 0; i < kVolumeSteps; ++i) {
        table[static_cast<size_t>(i)] = ComputeAmplitude(static_cast<float>(i));
    }
    return table;
}

const std::array<float, kVolumeSteps> kAmplitudeByVolume = MakeAmplitudeTable();

std::atomic<float>& CoordinateValue(EngineState& s, int k) noexcept VORTANE_NONBLOCKING {
    switch (k) {
    case 0:
        return s.x1;
    case 1:
        return s.y1;
    case 2:
        return s.x2;
    default:
        return s.y2;
    }
}

// A new period: its length from the period walk, then new coordinates from the switched-on walks,
// X1, Y1, X2, Y2 in that order.
int StartPeriod(Engine& engine) noexcept VORTANE_NONBLOCKING {
    EngineState& s = engine.state;
    // Once a period has begun the length is never 0 again, whatever the walk returned.
    const int length = std::max(NextPeriodLength(engine), 1);
    Put(s.period_length, length);
    for (int k = 0; k < kCoordinateCount; ++k) {
        if (Get(s.walk_on[static_cast<size_t>(k)]) == 1) {
            const int32_t hundredths = WalkControlPoint(engine, static_cast<Coordinate>(k));
            Put(CoordinateValue(s, k), static_cast<float>(hundredths) / kCoordinateScale);
        }
    }
    return length;
}

} // namespace

float AmplitudeFactor(float master_volume) noexcept VORTANE_NONBLOCKING {
    if (master_volume >= 0.0f && master_volume < static_cast<float>(kVolumeSteps)) {
        const int whole = static_cast<int>(master_volume);
        if (static_cast<float>(whole) == master_volume) {
            return kAmplitudeByVolume[static_cast<size_t>(whole)];
        }
    }
    return ComputeAmplitude(master_volume);
}

// A period is one segment of the plan: its curve and level are read once, at its start (or at the
// chunk's), so a slider write from another thread lands at the next segment, as it would at the
// next sample that read it.
void PlanOscillator(Engine& engine, OscillatorPlan& plan, int frames) noexcept VORTANE_NONBLOCKING {
    EngineState& s = engine.state;
    int position = Get(s.period_position);
    int length = Get(s.period_length);
    plan.segments[0] = OscillatorPlan::Segment{BezierCurve{}, 0.0f, 1.0f};
    plan.segments[0].curve.Init(0.0f, 0.0f, 0.0f, 0.0f);
    uint8_t current = 0; // the segment open at the chunk's start is noted at its first frame
    bool open = false;
    for (int i = 0; i < frames; ++i) {
        // Within a period the position stays below its length. Before the first start (length 0)
        // it runs free and stops at the top of its range instead of wrapping round, so only the
        // start reset's −1 can bring it to 0 and begin the first period; a wrap would begin one
        // in silence after 2^32 frames (27 hours) without Play.
        position = position < std::numeric_limits<int>::max() ? position + 1 : position;
        if (position == length) {
            position = 0;
            length = StartPeriod(engine);
            open = false;
        }
        if (length == 0) {
            // No period has started yet: the phase would be position ÷ 0. Silence shapes to 0.0.
            plan.position[static_cast<size_t>(i)] = 0;
            plan.segment[static_cast<size_t>(i)] = 0;
            continue;
        }
        if (!open) {
            ++current;
            OscillatorPlan::Segment& segment = plan.segments[current];
            segment.curve.Init(Get(s.x1), Get(s.y1), Get(s.x2), Get(s.y2));
            segment.amplitude = AmplitudeFactor(Get(s.master_volume));
            segment.length = static_cast<float>(length);
            open = true;
        }
        plan.position[static_cast<size_t>(i)] = position;
        plan.segment[static_cast<size_t>(i)] = current;
    }
    for (int i = frames; i < OscillatorPlan::kPadded; ++i) {
        plan.position[static_cast<size_t>(i)] = 0;
        plan.segment[static_cast<size_t>(i)] = 0;
    }
    Put(s.period_position, position);
}

void ShapeFrames(const OscillatorPlan& plan, float* out, int frames) noexcept VORTANE_NONBLOCKING {
    std::array<float, OscillatorPlan::kPadded> samples;
    for (int first = 0; first < frames; first += kQuadLanes) {
        ShapeQuad(plan, first, samples.data());
    }
    for (int i = 0; i < frames; ++i) {
        out[i] = samples[static_cast<size_t>(i)];
    }
}

float OscillatorStep(Engine& engine) noexcept VORTANE_NONBLOCKING {
    OscillatorPlan plan;
    PlanOscillator(engine, plan, 1);
    float sample = 0.0f;
    ShapeFrames(plan, &sample, 1);
    return sample;
}

} // namespace vortane
