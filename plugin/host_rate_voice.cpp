#include "plugin/host_rate_voice.h"

#include <algorithm>
#include <cmath>
#include <samplerate.h>

namespace vortane::plugin {
namespace {

constexpr double kVoiceRate = VoiceAdapter::kSampleRate;
constexpr int kConverter = SRC_SINC_MEDIUM_QUALITY;

// Counts the voice frames the converter takes before it can deliver output, feeding silence one
// frame at a time so that the count is exact.
struct LookAheadProbe {
    float zero = 0.0f;
    int64_t consumed = 0;
};

long ProbePull(void* state, float** data) {
    auto* probe = static_cast<LookAheadProbe*>(state);
    *data = &probe->zero;
    ++probe->consumed;
    return 1;
}

// The most voice frames the converter holds beyond the output it has produced.
double MeasureLookAhead(int converter, double host_rate) {
    LookAheadProbe probe;
    int error = 0;
    SRC_STATE* state = src_callback_new(ProbePull, converter, 1, &error, &probe);
    if (state == nullptr) {
        return 0.0;
    }
    std::array<float, 256> out{};
    double most = 0.0;
    int64_t produced = 0;
    for (int i = 0; i < 64; ++i) {
        produced +=
            src_callback_read(state, host_rate / kVoiceRate, static_cast<long>(out.size()), out.data());
        most = std::max(most, static_cast<double>(probe.consumed) -
                                  static_cast<double>(produced) * kVoiceRate / host_rate);
    }
    src_delete(state);
    return most;
}

} // namespace

HostRateVoice::~HostRateVoice() {
    ReleaseResampler();
}

void HostRateVoice::ReleaseResampler() {
    if (resampler_ != nullptr) {
        src_delete(resampler_);
        resampler_ = nullptr;
    }
}

bool HostRateVoice::Activate(double host_rate, uint64_t seed) {
    ReleaseResampler();
    host_rate_ = host_rate > 0.0 && std::isfinite(host_rate) ? host_rate : kVoiceRate;
    latency_ = 0;
    bool ok = true;
    if (host_rate_ != kVoiceRate) {
        int error = 0;
        resampler_ = src_callback_new(&HostRateVoice::Pull, kConverter, 1, &error, this);
        if (resampler_ == nullptr || src_is_valid_ratio(host_rate_ / kVoiceRate) == 0) {
            ReleaseResampler();
            ok = false;
        } else {
            const double ahead = MeasureLookAhead(kConverter, host_rate_) + kPullFrames + 1.0;
            latency_ = static_cast<uint32_t>(std::ceil(ahead * host_rate_ / kVoiceRate));
        }
    }
    output_frames_ = 0;
    voice_frames_ = 0;
    event_head_ = event_count_ = 0;
    voice_.Restart(seed);
    return ok;
}

void HostRateVoice::RestartVoice(uint64_t seed) noexcept VORTANE_NONBLOCKING {
    event_head_ = event_count_ = 0;
    voice_.Restart(seed);
}

void HostRateVoice::ScheduleGate(uint32_t frame_in_block, bool open) noexcept VORTANE_NONBLOCKING {
    const double t = static_cast<double>(output_frames_ + frame_in_block) + latency_;
    const GateEvent event{static_cast<int64_t>(std::llround(t * kVoiceRate / host_rate_)), open};
    if (event_count_ == kMaxEvents) {
        // Full: fold into the last change, which keeps the gate's final state right.
        events_[(event_head_ + event_count_ - 1) % kMaxEvents].open = open;
        return;
    }
    events_[(event_head_ + event_count_) % kMaxEvents] = event;
    ++event_count_;
}

void HostRateVoice::RenderVoice(float* out, size_t frames) noexcept VORTANE_NONBLOCKING {
    while (frames > 0) {
        // Apply the changes that are due (or overdue, which the latency should rule out).
        while (event_count_ > 0 && events_[event_head_].voice_frame <= voice_frames_) {
            if (events_[event_head_].open) {
                voice_.OpenGate();
            } else {
                voice_.CloseGate();
            }
            event_head_ = (event_head_ + 1) % kMaxEvents;
            --event_count_;
        }
        size_t run = frames;
        if (event_count_ > 0) {
            run = std::min(run, static_cast<size_t>(events_[event_head_].voice_frame - voice_frames_));
        }
        voice_.Render(out, run);
        out += run;
        frames -= run;
        voice_frames_ += static_cast<int64_t>(run);
    }
}

long HostRateVoice::Pull(void* self, float** data) noexcept {
    auto* v = static_cast<HostRateVoice*>(self);
    v->RenderVoice(v->pull_buffer_.data(), kPullFrames);
    *data = v->pull_buffer_.data();
    return static_cast<long>(kPullFrames);
}

void HostRateVoice::Process(float* out, uint32_t frames) noexcept VORTANE_NONBLOCKING {
    if (host_rate_ == kVoiceRate) {
        RenderVoice(out, frames);
    } else {
        const double ratio = host_rate_ / kVoiceRate;
        size_t done = 0;
        while (resampler_ != nullptr && done < frames) {
            const long got =
                src_callback_read(resampler_, ratio, static_cast<long>(frames - done), out + done);
            if (got <= 0) {
                break; // the converter failed: silence rather than stale samples
            }
            done += static_cast<size_t>(got);
        }
        std::fill(out + done, out + frames, 0.0f);
    }
    output_frames_ += frames;
}

} // namespace vortane::plugin
