#include "control/synth.h"

#include <array>
#include <cmath>

#include "control/derivation.h"

namespace vortane {
namespace {

// Middle C, which Play holds in Pitch mode, at a moderate velocity.
constexpr uint8_t kPlayKey = 60, kPlayVelocity = 100;
// Below any pitch a voice plays, above the slow drift of the curve's mean.
constexpr float kDcCutoffHz = 5.0f;

} // namespace

void Synth::Init(uint64_t seed, const VoiceOptions& options) {
    options_ = options;
    voice.Init(seed, options);
    poly_.Init(seed, options);
    dc_.Init(kDcCutoffHz, static_cast<float>(kSampleRate));
}

void Synth::Restart(uint64_t seed) noexcept VORTANE_NONBLOCKING {
    voice.Init(seed, options_);
    poly_.Init(seed, options_);
    note_gate_.Reset();
    dc_.Init(kDcCutoffHz, static_cast<float>(kSampleRate));
    transport.Reset();
    play_note_ = false;
    rederive_ = true;
    frames_ = 0;
}

// A change of mode starts the new one from rest: no note, no gate held over from the other.
bool Synth::FollowMode() noexcept VORTANE_NONBLOCKING {
    const bool pitch = params.Get(ParamId::Keyboard) == static_cast<float>(KeyboardMode::Pitch);
    if (pitch != pitch_mode_) {
        pitch_mode_ = pitch;
        poly_.Reset();
        note_gate_.Reset();
        dc_.Reset();
        play_note_ = false;
    }
    return pitch;
}

void Synth::SetTuning(const Tuning& tuning) {
    tuning_ = tuning;
    keys.Tune(tuning_);
}

bool Synth::Silent() const noexcept VORTANE_NONBLOCKING {
    return pitch_mode_ ? poly_.sounding() == 0 && dc_.idle() && !transport.playing() : !transport.gate_open();
}

void Synth::Midi(const uint8_t* data, size_t size) noexcept VORTANE_NONBLOCKING {
    if (!FollowMode()) {
        switch (note_gate_.Message(data, static_cast<uint32_t>(size))) {
        case NoteGate::Change::Open:
            transport.OpenGateByNote();
            break;
        case NoteGate::Change::Close:
            transport.CloseGateForRestart();
            break;
        case NoteGate::Change::None:
            break;
        }
        return;
    }
    ParamValues values;
    params.Load(values);
    poly_.Midi(data, size, values, keys);
}

void Synth::Publish(const Voice& walked, uint32_t revision) noexcept VORTANE_NONBLOCKING {
    const uint32_t moved = walked.walked_points();
    for (int k = 0; moved != 0 && k < kCoordinateCount; ++k) {
        if ((moved & (1u << k)) != 0) {
            const auto coordinate = static_cast<Coordinate>(k);
            monitor.Publish(coordinate, walked.oscillator().point(coordinate), revision);
        }
    }
}

void Synth::Render(float* out, size_t size) noexcept VORTANE_NONBLOCKING {
    // The revision before the writes are taken: a walk in this block comes after every write it
    // counts (but for one in the middle of its own few stores), and the display may prefer it.
    const uint32_t revision = params.Revision();
    VoiceParams p;
    // Events first, with acquire: a value stored before its event was posted is seen below.
    p.events = transport.TakeEvents();
    uint64_t written = params.TakeWritten();
    if (rederive_) {
        written = ~uint64_t{0};
        rederive_ = false;
    }
    ParamValues values;
    params.Load(values);
    DeriveVoiceParams(values, written, params.HandedOver(), p);

    for (MidiMessage m; midi_in.Pop(m);) {
        Midi(m.bytes.data(), m.size);
    }
    const bool pitch = FollowMode();
    frames_ += size;
    if (!pitch) {
        p.gate = transport.gate_open();
        voice.Render(p, out, size);
        Publish(voice, revision);
        if (p.gate && voice.oscillator().length() > 0) {
            pitch_log.Push({frames_, 0, -1, kSampleRate / voice.oscillator().length_in_samples()});
        }
        return;
    }
    if (transport.playing() != play_note_) {
        play_note_ = !play_note_;
        const std::array<uint8_t, 3> note = {0x90, kPlayKey, play_note_ ? kPlayVelocity : uint8_t{0}};
        poly_.Midi(note.data(), note.size(), values, keys);
    }
    poly_.Render(p, values, params.HandedOver(), out, size);
    poly_.Log(pitch_log, frames_);
    dc_.Process(out, size);
    if (const Voice* newest = poly_.newest()) {
        Publish(*newest, revision);
    }
}

} // namespace vortane
