#pragma once

#include <algorithm>
#include <array>
#include <cstddef>

#include "base/audio_format.h"
#include "base/realtime.h"
#include "control/synth.h"
#include "engine/polyphase_resampler.h"

namespace vortane {

// The synth at the output device's rate. The voice is defined at 44.1 kHz (its periods, barriers
// and steps are whole samples there), so it always runs at that rate. A device that opens at
// 44.1 kHz gets its samples as they are; on any other (a JACK server at 48 or 96 kHz) a polyphase
// resampler converts them, and device frame t stands on voice frame t·44100 / rate. The voice is
// pulled only as far as the resampler needs it: its look-ahead, 80 voice frames (1.8 ms) at device
// rates from 44.1 kHz up, is all the latency it adds. The gate, read once per pull, needs no finer
// timing.
class DeviceRateVoice {
public:
    explicit DeviceRateVoice(Synth& synth) : synth_(synth) {}
    DeviceRateVoice(const DeviceRateVoice&) = delete;
    DeviceRateVoice& operator=(const DeviceRateVoice&) = delete;

    // Prepares for a stream at `rate` Hz and starts the resampler afresh; allocates, so never while
    // a stream renders through this voice. False when no resampler converts to that rate.
    bool Prepare(double rate) {
        resampling_ = rate != kSampleRate;
        rate_ = resampling_ && !resampler_.Init(kSampleRate, rate, kPullFrames) ? 0.0 : rate;
        return rate_ > 0.0;
    }
    double rate() const { return rate_; }

    void Render(float* out, size_t frames) noexcept VORTANE_NONBLOCKING {
        if (!resampling_) {
            synth_.Render(out, frames);
            return;
        }
        size_t done = resampler_.Render(out, frames);
        while (resampler_.Ready() && done < frames) {
            const size_t pull = std::clamp<size_t>(resampler_.InputNeeded(frames - done), 1, kPullFrames);
            synth_.Render(pull_.data(), pull);
            resampler_.Write(pull_.data(), pull);
            done += resampler_.Render(out + done, frames - done);
        }
        std::fill(out + done, out + frames, 0.0f); // a rate the resampler refused: silence
    }

private:
    static constexpr size_t kPullFrames = 256; // voice frames per pull at most

    Synth& synth_;
    PolyphaseResampler resampler_;
    bool resampling_ = false;
    double rate_ = kSampleRate;
    std::array<float, kPullFrames> pull_{};
};

} // namespace vortane
