#include "plugin/host_rate_voice.h"

#include <algorithm>
#include <cmath>

namespace vortane::plugin {
namespace {

constexpr double kVoiceRate = kSampleRate;
constexpr uint8_t kNoteOn = 0x90;
constexpr int64_t kLongAgo = -(int64_t{1} << 40); // a voice frame before any that matters

} // namespace

bool HostRateVoice::Activate(double host_rate, uint64_t seed) {
    host_rate_ = host_rate > 0.0 && std::isfinite(host_rate) ? host_rate : kVoiceRate;
    latency_ = 0;
    resampling_ = host_rate_ != kVoiceRate;
    bool ok = true;
    if (resampling_) {
        ok = resampler_.Init(kVoiceRate, host_rate_, kPullFrames);
        if (ok) {
            const double ahead = static_cast<double>(resampler_.LookAhead() + 2);
            latency_ = static_cast<uint32_t>(std::ceil(ahead * host_rate_ / kVoiceRate));
        }
    }
    output_frames_ = 0;
    voice_frames_ = 0;
    silence_ahead_ = 0;
    silent_from_ = kLongAgo;
    event_head_ = event_count_ = 0;
    synth_.Restart(seed);
    return ok;
}

void HostRateVoice::RestartVoice(uint64_t seed) noexcept VORTANE_NONBLOCKING {
    event_head_ = event_count_ = 0;
    silent_from_ = voice_frames_; // the resampler still holds what the old voice played
    synth_.Restart(seed);
}

// Silent for longer than the resampler reaches back (its taps, and a pull that may be part-used),
// with no message still to come: everything the resampler holds or will be given is silence.
bool HostRateVoice::VoiceIsSilent() const noexcept VORTANE_NONBLOCKING {
    return event_count_ == 0 && synth_.Silent() &&
           voice_frames_ - silent_from_ >= static_cast<int64_t>(resampler_.Taps() + kPullFrames);
}

void HostRateVoice::ScheduleMidi(uint32_t frame_in_block, const uint8_t* data,
                                 size_t size) noexcept VORTANE_NONBLOCKING {
    if (event_count_ == kMaxEvents || size == 0) {
        return; // more than a block's worth of messages: the rest of the block's are dropped
    }
    const bool note_on = size == 3 && (data[0] & 0xF0) == kNoteOn && data[2] != 0;
    if (note_on && resampling_ && VoiceIsSilent()) {
        // Restart both clocks at the note's frame: the block's frames before it are silence, the
        // resampler's output 0 is the note's frame and stands on the voice's new frame 0.
        resampler_.Reset();
        silence_ahead_ = frame_in_block;
        output_frames_ = -static_cast<int64_t>(frame_in_block);
        voice_frames_ = 0;
        silent_from_ = kLongAgo;
    }
    const double t = static_cast<double>(output_frames_ + frame_in_block) + latency_;
    TimedMessage& event = events_[(event_head_ + event_count_) % kMaxEvents];
    event.voice_frame = static_cast<int64_t>(std::llround(t * kVoiceRate / host_rate_));
    event.message.size = static_cast<uint8_t>(std::min<size_t>(size, event.message.bytes.size()));
    std::copy_n(data, event.message.size, event.message.bytes.begin());
    ++event_count_;
}

void HostRateVoice::RenderVoice(float* out, size_t frames) noexcept VORTANE_NONBLOCKING {
    while (frames > 0) {
        // Apply the changes that are due (or overdue, which the latency should rule out).
        while (event_count_ > 0 && events_[event_head_].voice_frame <= voice_frames_) {
            const MidiMessage& message = events_[event_head_].message;
            synth_.Midi(message.bytes.data(), message.size);
            event_head_ = (event_head_ + 1) % kMaxEvents;
            --event_count_;
        }
        size_t run = frames;
        if (event_count_ > 0) {
            run = std::min(run, static_cast<size_t>(events_[event_head_].voice_frame - voice_frames_));
        }
        synth_.Render(out, run);
        out += run;
        frames -= run;
        voice_frames_ += static_cast<int64_t>(run);
        // Silence counts from the end of the last run that may still have sounded.
        silent_from_ = synth_.Silent() ? std::min(silent_from_, voice_frames_) : INT64_MAX;
    }
}

void HostRateVoice::Process(float* out, uint32_t frames) noexcept VORTANE_NONBLOCKING {
    if (!resampling_) {
        RenderVoice(out, frames);
    } else {
        size_t done = std::min(silence_ahead_, frames); // before a restart at a note (ScheduleGate)
        std::fill(out, out + done, 0.0f);
        silence_ahead_ = 0;
        done += resampler_.Render(out + done, frames - done);
        while (resampler_.Ready() && done < frames) {
            // The resampler ran out of voice: pull more, but no further than this block needs, so
            // that the voice is never ahead of the next block's gate changes.
            const size_t pull = std::clamp<size_t>(resampler_.InputNeeded(frames - done), 1, kPullFrames);
            RenderVoice(pull_buffer_.data(), pull);
            resampler_.Write(pull_buffer_.data(), pull);
            done += resampler_.Render(out + done, frames - done);
        }
        std::fill(out + done, out + frames, 0.0f); // a refused rate: silence
    }
    output_frames_ += frames;
}

} // namespace vortane::plugin
