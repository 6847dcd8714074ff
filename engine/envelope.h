#pragma once

#include <cmath>

#include "base/realtime.h"

namespace vortane {

template <bool kFused, int kWidth, int kRegisters> struct LaneKernel;

// The amplitude envelope of a played note: attack, decay, sustain, release. The attack rises
// linearly to 1 in A ms from wherever the level stands (a stolen or retriggered voice does not
// jump); decay and release fall exponentially, each reaching 1/1000 (−60 dB) of its way in D or R
// ms, the decay towards the sustain level:
//   level ← target + (level − target)·k,   k = 1000^(−1/(time·fs/1000))
// so a note-off never steps, whatever the level at the time. Below 1e-5 (−100 dB) in release the
// envelope is done and the voice may stop.
class Envelope {
public:
    enum class Stage { Idle, Attack, Decay, Release };

    void Init(float sample_rate) {
        sample_rate_ = sample_rate;
        quick_k_ = Coefficient(kQuickMs);
        Reset();
    }
    void Reset() {
        stage_ = Stage::Idle;
        level_ = 0.0f;
    }

    // Times in ms, sustain 0..1; cached until they change.
    void Set(float attack_ms, float decay_ms, float sustain, float release_ms) noexcept VORTANE_NONBLOCKING {
        if (attack_ms != attack_ms_ || decay_ms != decay_ms_ || release_ms != release_ms_) {
            attack_ms_ = attack_ms;
            decay_ms_ = decay_ms;
            release_ms_ = release_ms;
            attack_step_ = 1.0f / std::fmax(1.0f, attack_ms * 0.001f * sample_rate_);
            decay_k_ = Coefficient(decay_ms);
            release_k_ = Coefficient(release_ms);
        }
        sustain_ = sustain;
    }

    void NoteOn() noexcept VORTANE_NONBLOCKING {
        stage_ = Stage::Attack;
        quick_ = false;
    }
    // The release; a quick one (all sound off) dies away in a few milliseconds whatever R says.
    void NoteOff(bool quick = false) noexcept VORTANE_NONBLOCKING {
        if (stage_ != Stage::Idle) {
            stage_ = Stage::Release;
            quick_ = quick_ || quick;
        }
    }

    float Process() noexcept VORTANE_NONBLOCKING {
        switch (stage_) {
        case Stage::Attack:
            level_ += attack_step_;
            if (level_ >= 1.0f) {
                level_ = 1.0f;
                stage_ = Stage::Decay;
            }
            break;
        case Stage::Decay:
            level_ = sustain_ + (level_ - sustain_) * decay_k_;
            break;
        case Stage::Release:
            level_ *= quick_ ? quick_k_ : release_k_;
            if (level_ < kSilent) {
                level_ = 0.0f;
                stage_ = Stage::Idle;
            }
            break;
        case Stage::Idle:
            break;
        }
        return level_;
    }

    Stage stage() const { return stage_; }
    bool idle() const { return stage_ == Stage::Idle; }
    bool released() const { return stage_ == Stage::Release || stage_ == Stage::Idle; }
    float level() const { return level_; }

private:
    template <bool, int, int> friend struct LaneKernel; // runs envelopes side by side (VoiceLanes)
    static constexpr float kSilent = 1e-5f;
    static constexpr float kQuickMs = 3.0f;

    float Coefficient(float ms) const {
        const float samples = std::fmax(1.0f, ms * 0.001f * sample_rate_);
        return std::exp(std::log(0.001f) / samples);
    }

    // cached coefficients and the times they were computed for
    float sample_rate_ = 44100.0f;
    float attack_ms_ = -1.0f, decay_ms_ = -1.0f, release_ms_ = -1.0f;
    float attack_step_ = 1.0f, decay_k_ = 0.0f, release_k_ = 0.0f;
    float sustain_ = 1.0f;
    float quick_k_ = 0.0f;
    // envelope state
    bool quick_ = false;
    Stage stage_ = Stage::Idle;
    float level_ = 0.0f;
};

} // namespace vortane
