#include "engine/voice.h"

#include <array>
#include <cmath>

#include "engine/denormal_guard.h"

namespace vortane {
namespace {

constexpr float kFadeInExponent = 5.0f;

// The chunk shaped: the groups' chains of Newton steps are independent of each other, so shaped in
// one pass they overlap; the filter then runs at the speed of its own recursion. (Shaping each
// group beside the filter's run over the group before cannot keep up: a group's chain is longer
// than the filter's time for it, and the processor's window does not reach far enough ahead to
// start the next one early.) A group is as wide as the caller's registers: sixteen lanes with
// AVX-512, eight with AVX (which every processor with FMA has), four otherwise.
template <int kGroupLanes>
[[gnu::always_inline]] inline void ShapeChunk(const OscillatorPlan& plan, float* raw,
                                              int count) noexcept VORTANE_NONBLOCKING {
    for (int first = 0; first < count; first += kGroupLanes) {
        ShapeGroup<kGroupLanes>(plan, first, raw);
    }
}

VORTANE_TARGET_FMA void ShapeChunkFused(const OscillatorPlan& plan, float* raw,
                                        int count) noexcept VORTANE_NONBLOCKING {
    ShapeChunk<8>(plan, raw, count);
}

VORTANE_TARGET_FMA_AVX512 void ShapeChunkWide(const OscillatorPlan& plan, float* raw,
                                              int count) noexcept VORTANE_NONBLOCKING {
    ShapeChunk<16>(plan, raw, count);
}

} // namespace

void Voice::Init(uint64_t seed, const VoiceOptions& options) noexcept VORTANE_NONBLOCKING {
    random_.Seed(seed);
    oscillator_.Init();
    filter_.Init();
    filter_.set_path(options.filter_path);
    wide_shaping_ = options.wide_shaping && filter_.path() == MasterFilter::Path::kFused && WideShapingRuns();
    gain_ = 0.0;
    frame_index_ = 0;
    start_done_ = false;
}

// What the host did since the last block lands here, before the block's first frame, as it would
// had it happened between the two blocks.
void Voice::ApplyEvents(const VoiceParams& params) noexcept VORTANE_NONBLOCKING {
    const uint32_t events = params.events;
    if ((events & VoiceParams::kStop) != 0) {
        oscillator_.period_walk().RestartCount();
    }
    if ((events & VoiceParams::kRestart) != 0) {
        start_done_ = false;
    }
    if ((events & VoiceParams::kCentre) != 0) {
        oscillator_.period_walk().CentreOn(params.oscillator.period);
    }
    if ((events & (VoiceParams::kCentre | VoiceParams::kRestart)) ==
        (VoiceParams::kCentre | VoiceParams::kRestart)) {
        // A note on a silent voice: the start reset below begins its first period at the note's
        // pitch. (The gate's start reset keeps the last length.)
        oscillator_.RestartAt(oscillator_.period_walk().period_length);
    }
    for (int k = 0; k < kCoordinateCount; ++k) {
        const auto coordinate = static_cast<Coordinate>(k);
        if ((events & VoiceParams::PointWritten(coordinate)) != 0) {
            oscillator_.set_point(coordinate, params.points[static_cast<size_t>(k)]);
        }
    }
}

// Output gate, start reset and frame-index wrap for the frame about to be rendered.
void Voice::UpdateGate(const VoiceParams& params) noexcept VORTANE_NONBLOCKING {
    if (frame_index_ > kFrameIndexLimit) {
        frame_index_ = 0; // the fade-in then runs again
    }
    if (!params.gate) {
        gain_ = 0.0;
        return;
    }
    if (!start_done_) {
        // Start reset: the oscillator's next step lands on position 0, a period start.
        oscillator_.Restart();
        start_done_ = true;
        frame_index_ = 0;
    }
    gain_ = 1.0;
}

// The chunk through the filter's serial recursion, with gain and fade-in.
template <MasterFilter::Path kPath>
[[gnu::always_inline]] inline void Voice::FilterChunk(const float* raw, float* out,
                                                      int count) noexcept VORTANE_NONBLOCKING {
    const MasterFilter::Coefficients coefficients = filter_.coefficients();
    MasterFilter::State state = filter_.state();
    const double gain = gain_;
    int frame = frame_index_;
    for (int i = 0; i < count; ++i) {
        frame = frame > kFrameIndexLimit ? 0 : frame; // the fade-in then runs again
        double value = MasterFilter::StepOn<kPath>(coefficients, state, raw[i]) * gain;
        if (frame < kFadeInFrames) {
            value *= FadeInWeight(frame);
        }
        out[i] = static_cast<float>(value);
        ++frame;
    }
    filter_.set_state(state);
    frame_index_ = frame;
}

// The same loop compiled for processors with fused multiply-add; only called where the filter's
// path says the processor has it.
VORTANE_TARGET_FMA void Voice::FilterChunkFused(const float* raw, float* out,
                                                int count) noexcept VORTANE_NONBLOCKING {
    FilterChunk<MasterFilter::Path::kFused>(raw, out, count);
}

// w = (frame ÷ 100)^5, quotient and power each in float
float Voice::FadeInWeight(int frame) noexcept VORTANE_NONBLOCKING {
    const float ratio = static_cast<float>(frame) / static_cast<float>(kFadeInFrames);
    return std::pow(ratio, kFadeInExponent);
}

bool Voice::WideShapingRuns() noexcept {
    return CpuHas(CpuFeature::kFmaAvx512);
}

void Voice::Begin(const VoiceParams& params) noexcept VORTANE_NONBLOCKING {
    ApplyEvents(params);
    oscillator_.ClearWalked();
}

// The gate and the start reset are looked at once per chunk, at its first frame; only the
// frame-index wrap can happen on a later frame, and the filter checks it on each.
void Voice::Shape(const VoiceParams& params, float* raw, int count) noexcept VORTANE_NONBLOCKING {
    UpdateGate(params);
    OscillatorPlan plan;
    oscillator_.Plan(params.oscillator, random_, plan, count);
    filter_.Set(params.cutoff, params.resonance);
    if (filter_.path() != MasterFilter::Path::kFused) {
        ShapeChunk<4>(plan, raw, count);
    } else if (wide_shaping_) {
        ShapeChunkWide(plan, raw, count);
    } else {
        ShapeChunkFused(plan, raw, count);
    }
}

void Voice::Filter(const float* raw, float* out, int count) noexcept VORTANE_NONBLOCKING {
    switch (filter_.path()) {
    case MasterFilter::Path::kWrittenOrder:
        FilterChunk<MasterFilter::Path::kWrittenOrder>(raw, out, count);
        break;
    case MasterFilter::Path::kPlain:
        FilterChunk<MasterFilter::Path::kPlain>(raw, out, count);
        break;
    case MasterFilter::Path::kFused:
        FilterChunkFused(raw, out, count);
        break;
    }
}

// The block goes in chunks: the oscillator's plan (period starts and walks) shaped, then the
// filter's serial recursion on the path the filter chose at Init.
void Voice::Render(const VoiceParams& params, float* out, size_t size) noexcept VORTANE_NONBLOCKING {
    [[maybe_unused]] const DenormalGuard denormal_guard;
    Begin(params);
    std::array<float, kChunkFrames> raw;
    for (size_t done = 0; done < size;) {
        const size_t left = size - done;
        const int count = left < kChunkFrames ? static_cast<int>(left) : kChunkFrames;
        Shape(params, raw.data(), count);
        Filter(raw.data(), out + done, count);
        done += static_cast<size_t>(count);
    }
}

} // namespace vortane
