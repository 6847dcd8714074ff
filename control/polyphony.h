#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "base/realtime.h"
#include "control/key_frequencies.h"
#include "control/param_store.h"
#include "control/pitch_log.h"
#include "engine/envelope.h"
#include "engine/voice.h"
#include "engine/voice_lanes.h"

namespace vortane {

// The voice played from a keyboard ("Keyboard" at "Pitch"): each sounding note a voice of its own,
// with its own walks around the note's pitch, its own random stream from the instance's seed and
// its slot, and an amplitude envelope. Up to "Voices" sound at once; a new note takes a free slot,
// else the oldest released note's, else the oldest held one's. With one voice, the last held key
// sounds and a release returns to a key still held. Notes on every channel; pitch bend, the sustain
// pedal (64), all sound off (120), reset all controllers (121) and all notes off (123) per channel.
// Idle voices are not rendered; the sounding ones run side by side (VoiceLanes), each exactly as it
// would alone. Audio thread only.
class Polyphony {
public:
    static constexpr int kMaxVoices = 16;

    void Init(uint64_t seed, const VoiceOptions& options) noexcept VORTANE_NONBLOCKING;

    // Every voice silent at once, every key, pedal and bend forgotten.
    void Reset() noexcept VORTANE_NONBLOCKING;

    // One MIDI message, taking effect at the next frame rendered.
    void Midi(const uint8_t* data, size_t size, const ParamValues& values,
              const KeyFrequencies& keys) noexcept VORTANE_NONBLOCKING;

    // The sum of the sounding voices, written over out. `shared` is the block's derived parameters;
    // its curve-slider writes reach every sounding voice.
    void Render(const VoiceParams& shared, const ParamValues& values, uint64_t handed_over, float* out,
                size_t size) noexcept VORTANE_NONBLOCKING;

    // Each sounding voice's pitch now, into the log.
    void Log(PitchLog& log, uint64_t frame) const noexcept VORTANE_NONBLOCKING;

    int sounding() const;
    // Whether a note of that key and channel sounds (held, sustained or in its release).
    bool Sounding(int channel, int key) const;
    // The voice of the newest sounding note, or nullptr: what the display follows.
    const Voice* newest() const;

private:
    struct Slot {
        Voice voice;
        Envelope envelope;
        bool active = false;    // rendered: its envelope has not died away
        bool held = false;      // its key is down
        bool sustained = false; // its key is up but the pedal holds it
        int channel = 0;
        int key = 0;
        float hz = 0.0f;
        float gain = 1.0f;                  // its velocity's level
        float voice_gain = 1.0f;            // the level now, gliding to gain
        uint64_t started = 0, released = 0; // note-event counts, for the ages
        uint32_t pending = 0;               // VoiceParams events for its next block
    };
    struct HeldKey {
        int channel, key;
        float hz, gain;
    };

    void NoteOn(int channel, int key, int velocity, const ParamValues& values,
                const KeyFrequencies& keys) noexcept VORTANE_NONBLOCKING;
    void NoteOff(int channel, int key) noexcept VORTANE_NONBLOCKING;
    void ControlChange(int channel, int controller, int value) noexcept VORTANE_NONBLOCKING;
    void Start(Slot& slot, int channel, int key, float hz, float gain) noexcept VORTANE_NONBLOCKING;
    void Release(Slot& slot) noexcept VORTANE_NONBLOCKING;
    Slot& Choose(int voices) noexcept VORTANE_NONBLOCKING;
    static void RenderAlone(const VoiceLane& lane, float* out, int count) noexcept VORTANE_NONBLOCKING;

    std::array<Slot, kMaxVoices> slots_{};
    VoiceLanes lanes_;
    bool side_by_side_ = false; // else one voice after another
    // per channel
    std::array<float, 16> bend_{}; // −1..1 of the bend range
    std::array<bool, 16> pedal_{}; // sustain pedal down
    // the keys held, in the order pressed, for one voice
    std::array<HeldKey, 128> stack_{};
    int stack_size_ = 0;
    uint64_t clock_ = 0;
    float sample_rate_ = 44100.0f;
};

} // namespace vortane
