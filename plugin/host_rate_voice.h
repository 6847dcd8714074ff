#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "base/realtime.h"
#include "engine/polyphase_resampler.h"
#include "plugin/voice_adapter.h"

namespace vortane::plugin {

// The voice at the host's sample rate. The voice is defined at 44.1 kHz (its periods, barriers and
// steps are whole samples at that rate), so it always runs there and a polyphase resampler converts
// its output to the host rate; at 44.1 kHz the voice's samples pass untouched. The resampler's
// output frame t stands exactly on the voice's frame t·44100 / rate, but needs the voice H frames
// beyond it (H, half its taps: 80 from 44.1 kHz upwards). Its error against a very-high-quality
// offline conversion is near -118 dB, and it never allocates once built.
//
// The voice is rendered up to kPullFrames at a time, ahead of the output but never beyond the
// last voice frame that the current block needs: after output frame t - 1 it has rendered
//     V = floor((t - 1) * 44100 / rate) + H + 1
// frames. Gate changes are therefore timed on the voice's own clock: a change at output frame t
// lands on voice frame
//     v(t) = round((t + L) * 44100 / rate)
// where L, the latency reported to the host, is the smallest whole number of output frames with
//     L * 44100 / rate >= H + 2,
// so that v(t) >= V: every change lies ahead of what the voice has rendered (by half a frame at
// least). A note thus sounds exactly L output frames late (90 at 48 kHz, 1.9 ms), the same at every
// block size and in every run.
class HostRateVoice {
public:
    HostRateVoice() = default;
    HostRateVoice(const HostRateVoice&) = delete;
    HostRateVoice& operator=(const HostRateVoice&) = delete;

    // Builds the resampler for the host rate (allocates: call from activate, not from the audio
    // thread) and restarts the voice from its seed. Returns false if the resampler refused the
    // rate (below 5.5 kHz or above 705.6 kHz); the voice then plays silence.
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

    void RenderVoice(float* out, size_t frames) noexcept VORTANE_NONBLOCKING;

    VoiceAdapter voice_;
    PolyphaseResampler resampler_;
    bool resampling_ = false; // false at the voice's own rate
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
