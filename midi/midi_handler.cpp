#include "midi/midi_handler.h"

#include <array>
#include <cmath>

#include "control/control_ids.h"
#include "control/control_table.h"
#include "control/voice_controls.h"
#include "midi/controller_slots.h"

namespace vortane {
namespace {

constexpr uint8_t kNoteOff = 0x80;
constexpr uint8_t kNoteOn = 0x90;
constexpr uint8_t kControlChange = 0xB;
constexpr uint8_t kSystemFirst = 0xF0;
constexpr int kToggleValue = 127;

// Sliders first, then check boxes, then the option groups.
constexpr std::array<int, kSlotCount> kVisitingOrder = {1, 2, 3, 7, 8, 9, 10, 4, 5, 6, 11, 12};

// value × (span ÷ 127) + offset in single precision, taken to the nearest integer (ties to even).
// Each step rounds to float on its own, so the result is the same on every compiler.
float ScaledProduct(int value, float span) {
    const float factor = span / 127.0f;
    return static_cast<float>(value) * factor;
}

int ScaleToSlider(int value, float span, float offset) {
    const float product = ScaledProduct(value, span);
    const float sum = product + offset;
    return static_cast<int>(std::nearbyint(sum));
}

} // namespace

void MidiHandler::Receive(uint32_t message_code, uint32_t param1) {
    if (message_code == MIM_DATA) {
        OnData(static_cast<uint8_t>(param1), static_cast<uint8_t>(param1 >> 8),
               static_cast<uint8_t>(param1 >> 16));
    } else if (message_code == MIM_CLOSE) {
        OnClose();
    }
}

void MidiHandler::OnData(uint8_t status, uint8_t data1, uint8_t data2) {
    // A data byte with its top bit set is no MIDI data: such a message is dropped.
    const bool valid_data = data1 < 0x80 && data2 < 0x80;
    if (valid_data) {
        if (status < kSystemFirst && status >> 4 == kControlChange) {
            ControlChange(data1, data2);
        } else if (status == kNoteOn) {
            NoteOn(data2);
        } else if (status == kNoteOff) {
            NoteOff();
        }
    }
    // Every message, clock and active sensing included, shows the gate text.
    controls_.panel().SetGateText(gate_text_.load(std::memory_order_relaxed));
}

void MidiHandler::OnClose() {
    held_notes_.store(0, std::memory_order_relaxed);
    controls_.CloseGate();
    gate_text_.store(GateText::Off, std::memory_order_relaxed);
}

void MidiHandler::ControlChange(int controller, int value) {
    for (int slot : kVisitingOrder) {
        if (slots_.AnsweredController(slot) == controller) {
            SlotAction(slot, value);
        }
    }
}

void MidiHandler::SlotAction(int slot, int value) {
    switch (slot) {
    case 1:
        MoveSlider(id::kFrequencySetting, ScaleToSlider(value, 930.0f, 70.0f));
        return;
    case 2:
        MoveSlider(id::kSecondaryBarrier, ScaleToSlider(value, 595.0f, 5.0f));
        return;
    case 3:
        MoveSlider(id::kFrq, value * 39 + 20);
        return;
    case 4: {
        // The voice takes the unrounded step size; the slider shows its nearest integer.
        const float step = ScaledProduct(value, 100.0f);
        controls_.panel().SetState(id::kX1StepSize, static_cast<int>(std::nearbyint(step)));
        controls_.ApplyControlValue(id::kX1StepSize, step);
        return;
    }
    case 5:
        MoveSlider(id::kPrimaryStepSize, ScaleToSlider(value, 450.0f, 50.0f));
        return;
    default:
        break;
    }
    if (value != kToggleValue) {
        return;
    }
    switch (slot) {
    case 6:
        StepOptionGroup(distribution_counter_, OptionGroupMembers(kDistributionGroup));
        return;
    case 7:
        ToggleCheckBox(id::kX1Negative);
        return;
    case 8:
        ToggleCheckBox(id::kX2Negative);
        return;
    case 9:
        ToggleCheckBox(id::kY1Negative);
        return;
    case 10:
        ToggleCheckBox(id::kY2Negative);
        return;
    case 11:
        StepOptionGroup(primary_barrier_counter_, OptionGroupMembers(kWalkModeGroup));
        return;
    case 12:
        StepOptionGroup(secondary_barrier_counter_, OptionGroupMembers(kBehaviourGroup));
        return;
    default:
        return;
    }
}

// The control's new state, then its parameter read back from the state the panel holds (the panel
// keeps a slider within its range), as a control event derives it.
void MidiHandler::MoveSlider(int id, int state) {
    controls_.panel().SetState(id, state);
    controls_.ApplyControlEvent(id);
}

void MidiHandler::ToggleCheckBox(int id) {
    MoveSlider(id, controls_.panel().GetState(id) == 1 ? 0 : 1);
}

void MidiHandler::StepOptionGroup(std::atomic<int>& counter, std::span<const int> cycle) {
    const int next = (counter.load(std::memory_order_relaxed) + 1) % static_cast<int>(cycle.size());
    counter.store(next, std::memory_order_relaxed);
    controls_.panel().SelectOption(cycle[static_cast<size_t>(next)]);
}

void MidiHandler::NoteOn(int velocity) {
    if (velocity == 0) {
        // A release; at a count of 0 it closes the gate even when no note was held.
        const int held = held_notes_.load(std::memory_order_relaxed);
        if (held > 0) {
            held_notes_.store(held - 1, std::memory_order_relaxed);
        }
        if (held <= 1) {
            CloseGate();
        }
        return;
    }
    if (held_notes_.load(std::memory_order_relaxed) == 0) {
        controls_.OpenGateByNote();
        gate_text_.store(GateText::On, std::memory_order_relaxed);
    }
    held_notes_.fetch_add(1, std::memory_order_relaxed);
}

void MidiHandler::NoteOff() {
    const int held = held_notes_.load(std::memory_order_relaxed);
    if (held == 0) {
        return;
    }
    held_notes_.store(held - 1, std::memory_order_relaxed);
    // The last held note released by a note-off closes the gate just as a velocity-0 note-on does;
    // otherwise keyboards that send note-off would leave the voice sounding.
    if (held == 1) {
        CloseGate();
    }
}

void MidiHandler::CloseGate() {
    controls_.CloseGateForRestart();
    gate_text_.store(GateText::Off, std::memory_order_relaxed);
}

} // namespace vortane
