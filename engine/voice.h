#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "base/coordinate.h"
#include "base/cpu_features.h"
#include "base/realtime.h"
#include "engine/master_filter.h"
#include "engine/oscillator.h"
#include "stochastic/random_source.h"

namespace vortane {

template <bool kFused, int kWidth, int kRegisters> struct LaneKernel;

// Everything one block of the voice reads, taken by the host once per block.
struct VoiceParams {
    // Things that happened since the last block, one bit each; the voice acts on them at the block's
    // start, before anything else.
    enum Event : uint32_t {
        kRestart = 1u << 0,      // the start-done flag clears: the next open gate runs the start reset
        kStop = 1u << 1,         // Stop: the period count starts again
        kPointWritten = 1u << 2, // shifted by the Coordinate: points[k] was set by its slider
        kCentre = 1u << 6,       // a played note starts: the period walk rests at its range's centre
    };
    static constexpr uint32_t PointWritten(Coordinate k) { return kPointWritten << static_cast<int>(k); }
    uint32_t events = 0;

    bool gate = false;      // the output gate: silence while closed
    double cutoff = 1500.0; // Hz; the "Frq" slider's position, which a start reset also loads
    int resonance = 50;     // 0..100
    std::array<float, kCoordinateCount> points = kInitialPoints; // curve units
    OscillatorParams oscillator;
};

// The voice: oscillator, Master Filter, output gain and a 100-frame fade-in after each start reset.
// Init once off the audio thread, then Render block after block on it:
//   out = filter(oscillator) × gain × w,  w = (frame ÷ 100)^5 for frames 0..99 after a start reset
// The gate gives gain 1 or 0; while it is closed everything keeps running. The first open gate with
// the start-done flag clear runs the start reset: period position −1, frame index 0. The cutoff
// follows the "Frq" slider, which every write of the cutoff moves too. Output is not clipped.
// The filter's path and the shaper's width: the processor's fastest unless a test asks for others;
// the samples are the same on every path but the written order's.
// Voices played together run side by side in registers of lane_width doubles (VoiceLanes): 0 for
// the processor's widest, or 2, 4 or 8 where it has them; 1 runs them one after another, the
// reference the lanes are held to.
struct VoiceOptions {
    MasterFilter::Path filter_path = MasterFilter::FastestPath();
    bool wide_shaping = true; // sixteen lanes on the fused path where the processor has AVX-512
    int lane_width = 0;
};

class Voice {
public:
    void Init(uint64_t seed, const VoiceOptions& options = {}) noexcept VORTANE_NONBLOCKING;

    // Fills size samples. Never fails, never allocates, locks or calls the OS.
    void Render(const VoiceParams& params, float* out, size_t size) noexcept VORTANE_NONBLOCKING;

    // Render in its parts, for voices run side by side (VoiceLanes): Begin once per block, then
    // chunk by chunk (up to kChunkFrames each) Shape the filter's input, and Filter it or pass it to
    // VoiceLanes, under a DenormalGuard. Render is exactly these calls.
    static constexpr int kChunkFrames = OscillatorPlan::kMaxFrames;
    void Begin(const VoiceParams& params) noexcept VORTANE_NONBLOCKING;
    void Shape(const VoiceParams& params, float* raw, int count) noexcept VORTANE_NONBLOCKING;
    void Filter(const float* raw, float* out, int count) noexcept VORTANE_NONBLOCKING;

    // The coordinates that a walk moved during the last block, one bit each (1 << Coordinate).
    uint32_t walked_points() const { return oscillator_.walked(); }

    // The state the audio thread owns, for inspection between blocks.
    const Oscillator& oscillator() const { return oscillator_; }
    const MasterFilter& filter() const { return filter_; }
    bool wide_shaping() const { return wide_shaping_; }
    static bool WideShapingRuns() noexcept;
    int32_t frame_index() const { return frame_index_; }

    // The fade-in's weight at a frame after a start reset, for frames 0 .. kFadeInFrames − 1.
    static constexpr int kFadeInFrames = 100;
    static float FadeInWeight(int frame) noexcept VORTANE_NONBLOCKING;

    // The frame index wraps to 0 (and the fade-in runs again) once it passes this value.
    static constexpr int32_t kFrameIndexLimit = 2147483640; // 2^31 − 8

private:
    friend struct VoiceTestAccess; // the frame index wraps only after 13.5 hours; tests move it there
    template <bool, int, int> friend struct LaneKernel; // runs voices side by side (VoiceLanes)

    void ApplyEvents(const VoiceParams& params) noexcept VORTANE_NONBLOCKING;
    void UpdateGate(const VoiceParams& params) noexcept VORTANE_NONBLOCKING;
    template <MasterFilter::Path kPath>
    void FilterChunk(const float* raw, float* out, int count) noexcept VORTANE_NONBLOCKING;
    VORTANE_TARGET_FMA void FilterChunkFused(const float* raw, float* out,
                                             int count) noexcept VORTANE_NONBLOCKING;

    RandomSource random_;
    Oscillator oscillator_;
    MasterFilter filter_;
    // output stage state
    double gain_ = 0.0;
    int32_t frame_index_ = 0;
    bool start_done_ = false;
    bool wide_shaping_ = false;
};

} // namespace vortane
