#pragma once

#include <cstddef>
#include <cstdint>

#include "base/realtime.h"
#include "control/curve_monitor.h"
#include "control/key_frequencies.h"
#include "control/midi_queue.h"
#include "control/note_gate.h"
#include "control/param_store.h"
#include "control/pitch_log.h"
#include "control/polyphony.h"
#include "control/transport.h"
#include "control/tuning.h"
#include "engine/dc_blocker.h"
#include "engine/voice.h"

namespace vortane {

// The instrument: its parameters, transport and tuning, and the voices they drive. What the
// application, the render tool, the plugins and the tests hold. The window, MIDI and a host write
// the parameters and move the transport from any thread; Render, the audio callback's whole work,
// reads both once per block, derives what the voices need and renders them.
//
// "Keyboard" chooses how it is played. Gate: the one voice, which Play/Stop and notes open and
// close, its pitch its own walk's (exactly as the window has always played it). Pitch: each note a
// voice at the note's pitch with an envelope (Polyphony), the sum through a DC blocker; Play holds
// middle C. The walked curve goes out through the monitor.
struct Synth {
    explicit Synth(ParamStore::StartPoints start_points = ParamStore::StartPoints::KeptUntilWritten)
        : params(start_points) {}

    ParamStore params;
    Transport transport;
    KeyFrequencies keys;
    CurveMonitor monitor;
    // Each sounding voice's pitch after every block, for one reader.
    PitchLog pitch_log;
    // MIDI messages from the MIDI input's thread, taken at the start of each block.
    MidiQueue midi_in;
    Voice voice; // Gate mode's

    // Seeds the voices once, on the thread that creates them, before any audio thread renders.
    void Init(uint64_t seed, const VoiceOptions& options = {});

    // The voices afresh from a seed, as at program start, while the audio thread runs (it may call
    // this itself): the gate closed, no note held, and the parameters left alone, to reach the new
    // voices at the next block.
    void Restart(uint64_t seed) noexcept VORTANE_NONBLOCKING;

    // A MIDI message at the next frame rendered, from the thread that renders: notes and their
    // controllers in Pitch mode; in Gate mode notes on channel 1 open and close the gate.
    void Midi(const uint8_t* data, size_t size) noexcept VORTANE_NONBLOCKING;

    void Render(float* out, size_t size) noexcept VORTANE_NONBLOCKING;

    // Whether the next frames rendered are exact silence until a note comes: in Gate mode the gate
    // closed, in Pitch mode every voice done and the DC blocker at rest. The thread that renders.
    bool Silent() const noexcept VORTANE_NONBLOCKING;

    const Polyphony& polyphony() const { return poly_; }

    // The tuning notes play in Pitch mode (twelve-tone equal temperament until set). The thread
    // that owns the instrument's files (the window's, a host's main thread): a note the audio thread
    // starts meanwhile takes its key's old or new frequency, whole.
    void SetTuning(const Tuning& tuning);
    const Tuning& tuning() const { return tuning_; }

private:
    bool FollowMode() noexcept VORTANE_NONBLOCKING;
    void Publish(const Voice& walked, uint32_t revision) noexcept VORTANE_NONBLOCKING;

    VoiceOptions options_;
    Tuning tuning_ = Tuning::EqualTemperament();
    Polyphony poly_;
    NoteGate note_gate_;
    DcBlocker dc_;
    bool rederive_ = false;   // after a restart, every parameter reaches the voices as if written
    bool pitch_mode_ = false; // the mode the last block was rendered in
    bool play_note_ = false;  // Play holds middle C in Pitch mode
    uint64_t frames_ = 0;     // rendered since Init or the last restart
};

} // namespace vortane
