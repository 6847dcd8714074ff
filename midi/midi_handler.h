#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <span>

#include "control/midi_queue.h"
#include "control/params.h"
#include "control/transport.h"

namespace vortane {

class ParamStore;
class ControllerSlots;

// Whoever a MIDI input delivers its messages to.
class MidiReceiver {
public:
    virtual ~MidiReceiver() = default;

    // One message as the port delivered it, status byte first.
    virtual void Receive(std::span<const uint8_t> message) = 0;

    // The port is being closed.
    virtual void OnClose() = 0;
};

// Turns incoming MIDI into parameter moves: control changes on any channel reach the twelve
// controller slots, note messages on channel 1 open and close the output gate. It runs on the MIDI
// input's own thread and touches only the parameters and the transport (each value an atomic),
// never a widget, and never waits for another thread.
//
// The gate stays open while any key of channel 1 is held. Keys are held as a set, so a repeated
// note-on of a held key (a retrigger, or a lost note-off) counts once, and a release of a key that
// is not held does nothing. A Stop click forgets every held key, so the next key plays again.
// Messages that are incomplete or malformed are ignored whole.
//
// With "Keyboard" at "Pitch" the notes, pitch bend and the keyboard's controllers (sustain pedal,
// all sound off, reset all controllers, all notes off) of every channel go to the instrument
// instead, through the queue its audio thread takes them from; the gate text then shows whether a
// key is held.
class MidiHandler : public MidiReceiver {
public:
    MidiHandler(ParamStore& params, Transport& transport, MidiQueue& keyboard,
                const ControllerSlots& assigned);

    void Receive(std::span<const uint8_t> message) override;
    void OnClose() override;

    GateText GetGateText() const { return gate_text_.load(std::memory_order_relaxed); }

private:
    void ControlChange(int controller, int value);
    void SlotAction(int slot, int value);
    void ToggleCheckBox(ParamId id);
    void StepOptionGroup(std::atomic<int>& counter, ParamId choice);
    void Press(int key);
    void Release(int key);
    int KeysHeld() const;
    void ForgetKeysAfterStop();
    void ForgetKeys();
    void CloseGate();

    bool PlayKeyboard(std::span<const uint8_t> message);

    ParamStore& params_;
    Transport& transport_;
    MidiQueue& keyboard_;
    const ControllerSlots& slots_;

    // the handler's own state; atomics because the close message may come from another thread
    std::array<std::atomic<uint64_t>, 2> held_keys_{}; // bit k % 64 of word k / 64: key k is held
    std::atomic<uint32_t> stops_seen_{0};              // the transport's stop count at the last note
    std::atomic<GateText> gate_text_{GateText::Off};
    std::atomic<int> distribution_counter_{0};
    std::atomic<int> primary_barrier_counter_{0};
    std::atomic<int> secondary_barrier_counter_{0};
};

} // namespace vortane
