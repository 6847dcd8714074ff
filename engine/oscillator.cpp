#include "engine/oscillator.h"

#include <array>
#include <cmath>
#include <cstdint>

#include "engine/bezier_shaper.h"
#include "engine/engine.h"

namespace vortane {
namespace {

// A sample is (height − 0.5) × A × 15/7.
constexpr float kOutputMultiplier = 2.142857f;
constexpr float kVolumeExponentScale = 0.002f;
constexpr float kDisplayHeight = 200.0f;
constexpr float kCoordinateScale = 100.0f;

// The volume always arrives as a whole slider position, so A is looked up instead of paying for a
// power every sample. Built once at load time, before any audio thread exists.
constexpr int kVolumeSteps = 1501;

float ComputeAmplitude(float master_volume) {
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

std::atomic<float>& CoordinateValue(EngineState& s, int k) {
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

} // namespace

float AmplitudeFactor(float master_volume) {
    if (master_volume >= 0.0f && master_volume < static_cast<float>(kVolumeSteps)) {
        const int whole = static_cast<int>(master_volume);
        if (static_cast<float>(whole) == master_volume) {
            return kAmplitudeByVolume[static_cast<size_t>(whole)];
        }
    }
    return ComputeAmplitude(master_volume);
}

float OscillatorStep(Engine& engine) {
    EngineState& s = engine.state;
    // Counts on in two's complement: before the first start the position runs free for hours.
    int position = static_cast<int>(static_cast<uint32_t>(Get(s.period_position)) + 1u);
    int length = Get(s.period_length);

    if (position == length) {
        position = 0;
        length = NextPeriodLength(engine);
        Put(s.period_length, length);
        for (int k = 0; k < kCoordinateCount; ++k) {
            if (Get(s.walk_on[static_cast<size_t>(k)]) == 1) {
                const int32_t hundredths = WalkControlPoint(engine, static_cast<Coordinate>(k));
                Put(CoordinateValue(s, k), static_cast<float>(hundredths) / kCoordinateScale);
            }
        }
    }
    Put(s.period_position, position);
    if (length == 0) {
        return 0.0f; // no period has started yet: the phase would be position ÷ 0
    }

    const float phase = static_cast<float>(position) / static_cast<float>(length);
    const float row = BezierShaper(phase, Get(s.x1), Get(s.y1), Get(s.x2), Get(s.y2));
    const float height = (kDisplayHeight - row) / kDisplayHeight;
    const float amplitude = AmplitudeFactor(Get(s.master_volume));
    return (height - 0.5f) * amplitude * kOutputMultiplier;
}

} // namespace vortane
