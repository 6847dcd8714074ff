#include "midi/midi_handler.h"

#include <array>
#include <cmath>

#include "engine/control_ids.h"
#include "engine/engine.h"
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

constexpr std::array<int, 4> kDistributionCycle = {id::kCauchy, id::kLogistic, id::kUniform, id::kArcSin};
constexpr std::array<int, 3> kPrimaryBarrierCycle = {id::kPriW, id::kPriR, id::kPriC};
constexpr std::array<int, 6> kSecondaryBarrierCycle = {id::kSMirror,   id::kSRandom,    id::kSCentred,
                                                       id::kSOnLimits, id::kSOppLimits, id::kSLoMirHiLo};

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
    engine_.panel.SetGateText(gate_text_.load(std::memory_order_relaxed));
}

void MidiHandler::OnClose() {
    held_notes_.store(0, std::memory_order_relaxed);
    Put(engine_.state.output_gate, 0);
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
    ControlPanel& panel = engine_.panel;
    EngineState& state = engine_.state;
    switch (slot) {
    case 1:
        SetSlider(id::kFrequencySetting, ScaleToSlider(value, 930.0f, 70.0f));
        Put(state.frequency_setting, panel.GetState(id::kFrequencySetting));
        return;
    case 2:
        SetSlider(id::kSecondaryBarrier, ScaleToSlider(value, 595.0f, 5.0f));
        Put(state.secondary_barrier, static_cast<float>(panel.GetState(id::kSecondaryBarrier)) / 10.0f);
        return;
    case 3:
        SetSlider(id::kFrq, value * 39 + 20);
        Put(state.cutoff, static_cast<double>(panel.GetState(id::kFrq)));
        return;
    case 4: {
        // The engine keeps the unrounded step size; the slider shows its nearest integer.
        const float step = ScaledProduct(value, 100.0f);
        SetSlider(id::kX1StepSize, static_cast<int>(std::nearbyint(step)));
        Put(state.point_step_size[static_cast<size_t>(Coordinate::X1)], step);
        return;
    }
    case 5:
        SetSlider(id::kPrimaryStepSize, ScaleToSlider(value, 450.0f, 50.0f));
        Put(state.primary_step_size, static_cast<float>(panel.GetState(id::kPrimaryStepSize)) / 100.0f);
        return;
    default:
        break;
    }
    if (value != kToggleValue) {
        return;
    }
    switch (slot) {
    case 6:
        StepOptionGroup(distribution_counter_, kDistributionCycle);
        return;
    case 7:
        ToggleNegative(id::kX1Negative, static_cast<int>(Coordinate::X1));
        return;
    case 8:
        ToggleNegative(id::kX2Negative, static_cast<int>(Coordinate::X2));
        return;
    case 9:
        ToggleNegative(id::kY1Negative, static_cast<int>(Coordinate::Y1));
        return;
    case 10:
        ToggleNegative(id::kY2Negative, static_cast<int>(Coordinate::Y2));
        return;
    case 11:
        StepOptionGroup(primary_barrier_counter_, kPrimaryBarrierCycle);
        return;
    case 12:
        StepOptionGroup(secondary_barrier_counter_, kSecondaryBarrierCycle);
        return;
    default:
        return;
    }
}

void MidiHandler::SetSlider(int id, int state) {
    engine_.panel.SetState(id, state);
}

void MidiHandler::ToggleNegative(int id, int coordinate) {
    const int checked = engine_.panel.GetState(id) == 1 ? 0 : 1;
    engine_.panel.SetState(id, checked);
    Put(engine_.state.negative[static_cast<size_t>(coordinate)], checked);
}

void MidiHandler::StepOptionGroup(std::atomic<int>& counter, std::span<const int> cycle) {
    const int next = (counter.load(std::memory_order_relaxed) + 1) % static_cast<int>(cycle.size());
    counter.store(next, std::memory_order_relaxed);
    engine_.panel.SelectOption(cycle[static_cast<size_t>(next)]);
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
        Put(engine_.state.output_gate, 1);
        gate_text_.store(GateText::On, std::memory_order_relaxed);
        engine_.panel.SetPlayCaption(PlayCaption::Stop);
        Put(engine_.state.play_state, 1);
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
    Put(engine_.state.output_gate, 0);
    gate_text_.store(GateText::Off, std::memory_order_relaxed);
    Put(engine_.state.start_done, 0);
}

} // namespace vortane
