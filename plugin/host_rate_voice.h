#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "base/audio_format.h"
#include "base/realtime.h"
#include "control/synth.h"
#include "engine/polyphase_resampler.h"

namespace vortane::plugin {

// The host rates the voice is converted to: 1/8 to 16 times its own 44.1 kHz, 5512.5 Hz to
// 705.6 kHz, the polyphase resampler's range. The plugin wrappers refuse any other rate.
constexpr double kLowestHostRate = kSampleRate / 8.0;
constexpr double kHighestHostRate = kSampleRate * 16.0;
constexpr bool IsSupportedHostRate(double rate) {
    return rate >= kLowestHostRate && rate <= kHighestHostRate; // false for NaN
}

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
// block size and in every run. MIDI messages are timed the same way.
//
// Where t falls against the clocks' common grid (t·44100 / rate is whole only every 160 output
// frames at 48 kHz) would still shape the note's samples, and t counts from activation, which a
// host does not repeat before each export. So a note that starts the instrument sounding after a
// silence longer than the resampler's memory restarts both clocks at its own frame: output frame t
// becomes frame 0 of each, with the resampler's history emptied (it held only silence). Every such
// note then sounds alike, sample for sample, whatever ran before it.
class HostRateVoice {
public:
    HostRateVoice() = default;
    HostRateVoice(const HostRateVoice&) = delete;
    HostRateVoice& operator=(const HostRateVoice&) = delete;

    // Builds the resampler for the host rate (allocates: call from activate, not from the audio
    // thread) and restarts the voice from its seed. Returns false if the resampler refused the
    // rate (below 5.5 kHz or above 705.6 kHz); the voice then plays silence.
    bool Activate(double host_rate, uint64_t seed);

    // Restarts the voice from a seed while running, keeping the parameters, the resampler and the
    // clock.
    void RestartVoice(uint64_t seed) noexcept VORTANE_NONBLOCKING;

    uint32_t Latency() const { return latency_; }
    // The parameters and the transport: any thread.
    Synth& synth() { return synth_; }
    const Synth& synth() const { return synth_; }

    // Schedules a MIDI message at a frame of the block that the next Process call renders (in time
    // order within a block).
    void ScheduleMidi(uint32_t frame_in_block, const uint8_t* data, size_t size) noexcept VORTANE_NONBLOCKING;
    void Process(float* out, uint32_t frames) noexcept VORTANE_NONBLOCKING;

private:
    struct TimedMessage {
        int64_t voice_frame;
        MidiMessage message;
    };
    static constexpr size_t kMaxEvents = 1024;
    static constexpr size_t kPullFrames = 128; // voice frames per resampler pull

    void RenderVoice(float* out, size_t frames) noexcept VORTANE_NONBLOCKING;
    bool VoiceIsSilent() const noexcept VORTANE_NONBLOCKING;

    // A plugin's project must sound the same however its values arrived (see ParamStore).
    Synth synth_{ParamStore::StartPoints::KeptAtDefault};
    PolyphaseResampler resampler_;
    bool resampling_ = false; // false at the voice's own rate
    double host_rate_ = kSampleRate;
    uint32_t latency_ = 0;

    // clocks since Activate or the last restart at a note; output_frames_ counts to the start of
    // the block, and is negative while the block's frames before a restart are still to render
    int64_t output_frames_ = 0;
    int64_t voice_frames_ = 0;
    uint32_t silence_ahead_ = 0; // frames of the next block before its restart: silence
    int64_t silent_from_ = 0;    // voice frame from which the instrument has played only silence

    // pending MIDI messages, in time order (the host delivers events sorted)
    std::array<TimedMessage, kMaxEvents> events_{};
    size_t event_head_ = 0, event_count_ = 0;

    std::array<float, kPullFrames> pull_buffer_{};
};

} // namespace vortane::plugin
