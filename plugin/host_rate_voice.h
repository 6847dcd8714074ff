#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "base/realtime.h"
#include "plugin/voice_adapter.h"

struct SRC_STATE_tag;

namespace vortane::plugin {

// The voice at the host's sample rate. The voice is defined at 44.1 kHz (its periods, barriers and
// steps are whole samples at that rate), so it always runs there and a resampler converts its
// output to the host rate; at 44.1 kHz the voice's samples pass untouched. libsamplerate's medium
// sinc converter keeps the error near -100 dB against a very-high-quality offline conversion with
// a look-ahead of about 47 voice frames, and never allocates once created. libsoxr costs far less
// per sample, but grows its buffers with realloc during the first thousands of frames, which the
// audio thread must not do.
//
// The resampler pulls voice samples ahead of the output it produces. Gate changes are therefore
// timed on the voice's own clock: a change at output frame t lands on voice frame
//     v(t) = round((t + L) * 44100 / rate)
// where L, the latency reported to the host, covers the resampler's look-ahead and one pull, so
// every change lies ahead of what the voice has rendered. A note thus sounds exactly L output
// frames late, the same at every block size and in every run.
class HostRateVoice {
public:
    HostRateVoice() = default;
    ~HostRateVoice();
    HostRateVoice(const HostRateVoice&) = delete;
    HostRateVoice& operator=(const HostRateVoice&) = delete;

    // Builds the resampler for the host rate (allocates: call from activate, not from the audio
    // thread) and restarts the voice from its seed. Returns false if the converter refused the
    // rate; the voice then plays silence.
    bool Activate(double host_rate, uint64_t seed);

    // Restarts the voice from a seed while running, keeping the resampler and the clock.
    void RestartVoice(uint64_t seed) noexcept VORTANE_NONBLOCKING;

    uint32_t Latency() const { return latency_; }
    double HostRate() const { return host_rate_; }
    VoiceAdapter& Voice() { return voice_; }

    // Schedules a gate change at a frame of the block that the next Process call renders.
    void ScheduleGate(uint32_t frame_in_block, bool open) noexcept VORTANE_NONBLOCKING;
    void Process(float* out, uint32_t frames) noexcept VORTANE_NONBLOCKING;

private:
    struct GateEvent {
        int64_t voice_frame;
        bool open;
    };
    static constexpr size_t kMaxEvents = 1024;
    static constexpr size_t kPullFrames = 32; // voice frames per resampler pull

    static long Pull(void* self, float** data) noexcept;
    void RenderVoice(float* out, size_t frames) noexcept VORTANE_NONBLOCKING;
    void ReleaseResampler();

    VoiceAdapter voice_;
    SRC_STATE_tag* resampler_ = nullptr;
    double host_rate_ = VoiceAdapter::kSampleRate;
    uint32_t latency_ = 0;

    // clocks since Activate
    int64_t output_frames_ = 0;
    int64_t voice_frames_ = 0;

    // pending gate changes, in time order (the host delivers events sorted)
    std::array<GateEvent, kMaxEvents> events_{};
    size_t event_head_ = 0, event_count_ = 0;

    std::array<float, kPullFrames> pull_buffer_{};
};

} // namespace vortane::plugin
