#pragma once

#include <atomic>
#include <cstdint>
#include <span>

#include "control/control_panel.h"

namespace vortane {

class VoiceControls;
class ControllerSlots;

// Message codes of the MIDI input callback.
inline constexpr uint32_t MIM_CLOSE = 0x3C2; // the port is being closed
inline constexpr uint32_t MIM_DATA = 0x3C3;  // one short message in the first parameter

// A short MIDI message packed as the input callback hands it over: bits 0-7 status, 8-15 first
// data byte, 16-23 second data byte.
constexpr uint32_t PackShortMessage(uint8_t status, uint8_t data1, uint8_t data2) {
    return uint32_t{status} | uint32_t{data1} << 8 | uint32_t{data2} << 16;
}

// Whoever a MIDI input delivers its messages to.
class MidiReceiver {
public:
    virtual ~MidiReceiver() = default;
    virtual void Receive(uint32_t message_code, uint32_t param1) = 0;
};

// Turns incoming MIDI into control moves: control changes on any channel reach the twelve
// controller slots, note messages on channel 1 open and close the output gate. It runs on the MIDI
// input's own thread and touches only the voice's controls (each value an atomic), never a widget,
// and never waits for another thread. A slider it moves gets its parameter from the controls' own
// derivation, as a control event would.
class MidiHandler : public MidiReceiver {
public:
    MidiHandler(VoiceControls& controls, const ControllerSlots& assigned)
        : controls_(controls), slots_(assigned) {}

    void Receive(uint32_t message_code, uint32_t param1) override;

    void OnData(uint8_t status, uint8_t data1, uint8_t data2);
    void OnClose();

    int HeldNotes() const { return held_notes_.load(std::memory_order_relaxed); }
    GateText GetGateText() const { return gate_text_.load(std::memory_order_relaxed); }

private:
    void ControlChange(int controller, int value);
    void SlotAction(int slot, int value);
    void MoveSlider(int id, int state);
    void ToggleCheckBox(int id);
    void StepOptionGroup(std::atomic<int>& counter, std::span<const int> cycle);
    void NoteOn(int velocity);
    void NoteOff();
    void CloseGate();

    VoiceControls& controls_;
    const ControllerSlots& slots_;

    // the handler's own state; atomics because the close message may come from another thread
    std::atomic<int> held_notes_{0};
    std::atomic<GateText> gate_text_{GateText::Off};
    std::atomic<int> distribution_counter_{0};
    std::atomic<int> primary_barrier_counter_{0};
    std::atomic<int> secondary_barrier_counter_{0};
};

} // namespace vortane
