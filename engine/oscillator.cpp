#include "engine/oscillator.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>

#include "stochastic/random_source.h"

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

void Oscillator::Init() {
    *this = Oscillator{};
    points_ = kInitialPoints;
}

// A new period: its length from the period walk, then new coordinates from the switched-on walks,
// X1, Y1, X2, Y2 in that order.
template <bool kNote>
int32_t Oscillator::StartPeriod(const OscillatorParams& params,
                                RandomSource& random) noexcept VORTANE_NONBLOCKING {
    // Once a period has begun the length is never 0 again, whatever the walk returned.
    grid_ = kNote ? kPitchGrid : 1;
    length_ = std::max(period_walk_.Next<kNote>(params.period, random), 1);
    for (size_t k = 0; k < kCoordinateCount; ++k) {
        if (params.walk_on[k]) {
            const int32_t hundredths =
                point_walks_[k].Next(static_cast<Coordinate>(k), params.points[k], random);
            points_[k] = static_cast<float>(hundredths) / kCoordinateScale;
            walked_ |= 1u << k;
        }
    }
    return length_;
}

namespace {

OscillatorPlan::Period PlanPeriod(const BezierCurve& curve, float amplitude, float length) {
    return {curve.a, curve.b, curve.c, curve.d, curve.ay, curve.by, curve.cy, curve.dy, amplitude, length};
}

} // namespace

void Oscillator::Plan(const OscillatorParams& params, RandomSource& random, OscillatorPlan& plan,
                      int frames) noexcept VORTANE_NONBLOCKING {
    if (params.period.centre_frequency > 0.0f) {
        PlanFrames<true>(params, random, plan, frames);
    } else {
        PlanFrames<false>(params, random, plan, frames);
    }
}

// A period's curve and level are read once, at its start (or at the chunk's), so a host's change
// lands at the next period. Around a note (kNote) lengths are in 1/kPitchGrid samples and may end
// between two frames; otherwise they are whole samples and the offset stays 0.
template <bool kNote>
void Oscillator::PlanFrames(const OscillatorParams& params, RandomSource& random, OscillatorPlan& plan,
                            int frames) noexcept VORTANE_NONBLOCKING {
    BezierCurve flat;
    flat.Init(0.0f, 0.0f, 0.0f, 0.0f);
    const OscillatorPlan::Period silence = PlanPeriod(flat, 0.0f, 1.0f);
    OscillatorPlan::Period period{};
    int position = position_;
    float offset = kNote ? offset_ : 0.0f;
    bool open = false; // the period running at the chunk's start is read at its first frame
    for (int i = 0; i < frames;) {
        // Within a period the position stays below its length. Before the first start (length 0)
        // it runs free and stops at the top of its range instead of wrapping round, so only the
        // start reset's −1 can bring it to 0 and begin the first period; a wrap would begin one
        // in silence after 2^32 frames (27 hours) without Play.
        position = position < std::numeric_limits<int>::max() ? position + 1 : position;
        // (a length from the other kind of period, in the other unit, ends as a note's would)
        const bool ends = kNote ? (length_ == 0 ? position == 0 : Past(position, offset))
                                : (grid_ == 1 ? position == length_ : Past(position, 0.0f));
        if (ends) {
            // A length between two samples ends inside this frame's interval: the next period
            // starts there, and this frame stands the rest of the interval past it.
            if constexpr (kNote) {
                offset = length_ == 0 ? 0.0f : static_cast<float>(position) + offset - length_in_samples();
            }
            position = 0;
            StartPeriod<kNote>(params, random);
            open = false;
        }
        if (length_ == 0) {
            // No period has started yet: the phase would be position ÷ 0. Silence shapes to 0.0.
            plan.Fill(i, 1, 0, 0.0f, silence);
            ++i;
            continue;
        }
        if (!open) {
            BezierCurve curve;
            curve.Init(points_[0], points_[1], points_[2], points_[3]);
            period = PlanPeriod(curve, AmplitudeFactor(params.master_volume), length_in_samples());
            open = true;
        }
        // The rest of the period, or of the chunk, in one run: nothing can happen before the
        // position reaches the length.
        const int left = !kNote && grid_ == 1
                             ? length_ - position
                             : static_cast<int>(std::ceil(length_in_samples() - offset)) - position;
        const int run = std::max(1, std::min(frames - i, left));
        plan.Fill(i, run, position, offset, period);
        position += run - 1;
        i += run;
    }
    // Shaping reads whole groups: silence up to the end of the last one, not the whole plan, since
    // a host's short blocks would otherwise pay for filling frames no group reads.
    const int read = (frames + kMaxGroupLanes - 1) / kMaxGroupLanes * kMaxGroupLanes;
    plan.Fill(frames, read - frames, 0, 0.0f, silence);
    position_ = position;
    offset_ = offset;
}

} // namespace vortane
