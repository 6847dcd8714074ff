#include "plugin/host_rate_voice.h"

#include <algorithm>
#include <cmath>

namespace vortane::plugin {
namespace {

constexpr double kVoiceRate = kSampleRate;

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
    event_head_ = event_count_ = 0;
    synth_.Restart(seed);
    return ok;
}

void HostRateVoice::RestartVoice(uint64_t seed) noexcept VORTANE_NONBLOCKING {
    event_head_ = event_count_ = 0;
    synth_.Restart(seed);
}

void HostRateVoice::ScheduleMidi(uint32_t frame_in_block, const uint8_t* data,
                                 size_t size) noexcept VORTANE_NONBLOCKING {
    if (event_count_ == kMaxEvents || size == 0) {
        return; // more than a block's worth of messages: the rest of the block's are dropped
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
    }
}

void HostRateVoice::Process(float* out, uint32_t frames) noexcept VORTANE_NONBLOCKING {
    if (!resampling_) {
        RenderVoice(out, frames);
    } else {
        size_t done = resampler_.Render(out, frames);
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
