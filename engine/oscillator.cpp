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
    const int length = NextPeriodLength(engine);
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

// Renders frames samples in period segments: a period start (and its walks) is handled between
// segments, and within a segment the curve and the level are fixed, read once at its start. A
// slider write from another thread thus lands at the next segment, as it would at the next sample
// that read it. The segment's samples depend on nothing but their phase, so the loop over them has
// no chain from one sample to the next.
void RenderOscillator(Engine& engine, float* out, int frames) noexcept VORTANE_NONBLOCKING {
    EngineState& s = engine.state;
    int position = Get(s.period_position);
    int length = Get(s.period_length);
    int done = 0;
    while (done < frames) {
        // Counts on in two's complement: before the first start the position runs free for hours.
        position = static_cast<int>(static_cast<uint32_t>(position) + 1u);
        if (position == length) {
            position = 0;
            length = StartPeriod(engine);
        }
        if (length == 0) {
            out[done++] = 0.0f; // no period has started yet: the phase would be position ÷ 0
            continue;
        }
        // Samples left in this period (position .. length - 1), counted as the position wraps.
        const uint32_t left = static_cast<uint32_t>(length) - static_cast<uint32_t>(position);
        const int count =
            left < static_cast<uint32_t>(frames - done) ? static_cast<int>(left) : frames - done;

        BezierCurve curve;
        curve.Init(Get(s.x1), Get(s.y1), Get(s.x2), Get(s.y2));
        const float amplitude = AmplitudeFactor(Get(s.master_volume));
        const float period = static_cast<float>(length);
        float* segment = out + done;
        // Four samples at a time; the lanes past the period's end are computed and dropped.
        for (int i = 0; i < count; i += 4) {
            const UInt4 at = static_cast<uint32_t>(position) + static_cast<uint32_t>(i) + UInt4{0, 1, 2, 3};
            const Float4 phase = __builtin_convertvector(__builtin_convertvector(at, Int4), Float4) / period;
            const Float4 height = (kDisplayHeight - curve.Row(phase)) / kDisplayHeight;
            const Float4 samples = (height - 0.5f) * amplitude * kOutputMultiplier;
            if (count - i >= 4) {
                __builtin_memcpy(segment + i, &samples, sizeof samples);
            } else {
                for (int lane = 0; lane < count - i; ++lane) {
                    segment[i + lane] = samples[lane];
                }
            }
        }
        position = static_cast<int>(static_cast<uint32_t>(position) + static_cast<uint32_t>(count - 1));
        done += count;
    }
    Put(s.period_position, position);
}

float OscillatorStep(Engine& engine) noexcept VORTANE_NONBLOCKING {
    float sample = 0.0f;
    RenderOscillator(engine, &sample, 1);
    return sample;
}

} // namespace vortane
