#include "midi/midi_handler.h"

#include <array>
#include <bit>
#include <cmath>

#include "control/param_store.h"
#include "midi/controller_slots.h"

namespace vortane {
namespace {

constexpr uint8_t kNoteOff = 0x80;
constexpr uint8_t kNoteOn = 0x90;
constexpr uint8_t kControlChange = 0xB;
constexpr int kToggleValue = 127;

// The length of a short message by its status byte, data bytes included; 0 for bytes that do not
// begin one: data bytes, and the start and end of system exclusive, which is no short message.
int ShortMessageLength(uint8_t status) {
    if (status < 0x80) {
        return 0;
    }
    if (status < 0xF0) {
        const int kind = status >> 4;
        return kind == 0xC || kind == 0xD ? 2 : 3; // program change and channel pressure: one data byte
    }
    switch (status) {
    case 0xF0: // system exclusive
    case 0xF7:
        return 0;
    case 0xF1: // time code quarter frame
    case 0xF3: // song select
        return 2;
    case 0xF2: // song position
        return 3;
    default: // tune request, real time (clock, active sensing, ...) and the undefined ones
        return 1;
    }
}

// A whole short message: the length its status byte asks for, and data bytes below 0x80. A
// truncated message (a lone 90, or 90 3C) would otherwise read as velocity 0 and close the gate.
bool IsCompleteShortMessage(std::span<const uint8_t> message) {
    if (message.empty() || message.size() != static_cast<size_t>(ShortMessageLength(message[0]))) {
        return false;
    }
    for (size_t i = 1; i < message.size(); ++i) {
        if (message[i] >= 0x80) {
            return false;
        }
    }
    return true;
}

size_t KeyWord(int key) {
    return static_cast<size_t>(key) / 64;
}

uint64_t KeyBit(int key) {
    return uint64_t{1} << (key % 64);
}

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

MidiHandler::MidiHandler(ParamStore& params, Transport& transport, MidiQueue& keyboard,
                         const ControllerSlots& assigned)
    : params_(params), transport_(transport), keyboard_(keyboard), slots_(assigned),
      stops_seen_(transport.stop_count()) {}

// Pitch mode: the keyboard's messages of every channel to the instrument. True when the message
// was one of them.
bool MidiHandler::PlayKeyboard(std::span<const uint8_t> message) {
    if (params_.Get(ParamId::Keyboard) != static_cast<float>(KeyboardMode::Pitch) || message.size() != 3) {
        return false;
    }
    const int type = message[0] >> 4;
    const bool note = type == kNoteOn >> 4 || type == kNoteOff >> 4;
    const bool keyboard_controller =
        type == kControlChange &&
        (message[1] == 64 || (message[1] >= 120 && message[1] != 122 && message[1] <= 123));
    if (!note && type != 0xE && !keyboard_controller) {
        return false;
    }
    keyboard_.Push(MidiMessage{{message[0], message[1], message[2]}, 3});
    if (note) {
        const int key = message[1];
        if (type == kNoteOn >> 4 && message[2] != 0) {
            held_keys_[KeyWord(key)].fetch_or(KeyBit(key), std::memory_order_relaxed);
        } else {
            held_keys_[KeyWord(key)].fetch_and(~KeyBit(key), std::memory_order_relaxed);
        }
        gate_text_.store(KeysHeld() != 0 ? GateText::On : GateText::Off, std::memory_order_relaxed);
    }
    return true;
}

void MidiHandler::Receive(std::span<const uint8_t> message) {
    if (!IsCompleteShortMessage(message)) {
        return;
    }
    const uint8_t status = message[0];
    if (PlayKeyboard(message)) {
        // played by the instrument
    } else if (status >> 4 == kControlChange) {
        ControlChange(message[1], message[2]);
    } else if (status == kNoteOn || status == kNoteOff) {
        ForgetKeysAfterStop();
        if (status == kNoteOn && message[2] != 0) {
            Press(message[1]);
        } else {
            Release(message[1]); // a note-off, or a note-on of velocity 0
        }
    }
    // Every message, clock and active sensing included, shows the gate text.
    transport_.SetGateText(gate_text_.load(std::memory_order_relaxed));
}

void MidiHandler::OnClose() {
    ForgetKeys();
    transport_.CloseGate();
    for (uint8_t channel = 0; channel < 16; ++channel) { // every note a keyboard left sounding
        keyboard_.Push(MidiMessage{{static_cast<uint8_t>(0xB0 | channel), 123, 0}, 3});
    }
    gate_text_.store(GateText::Off, std::memory_order_relaxed);
}

int MidiHandler::KeysHeld() const {
    int held = 0;
    for (const std::atomic<uint64_t>& word : held_keys_) {
        held += std::popcount(word.load(std::memory_order_relaxed));
    }
    return held;
}

void MidiHandler::ControlChange(int controller, int value) {
    for (int slot : kVisitingOrder) {
        if (slots_.AnsweredController(slot) == controller) {
            SlotAction(slot, value);
        }
    }
}

void MidiHandler::SlotAction(int slot, int value) {
    using P = ParamId;
    switch (slot) {
    case 1:
        params_.Set(P::FrequencySetting, static_cast<float>(ScaleToSlider(value, 930.0f, 70.0f)));
        return;
    case 2:
        params_.Set(P::SecondaryBarrier, static_cast<float>(ScaleToSlider(value, 595.0f, 5.0f)));
        return;
    case 3:
        params_.Set(P::Frq, static_cast<float>(value * 39 + 20));
        return;
    case 4:
        // Not rounded: the voice takes the step size between two positions; the slider shows the
        // nearest.
        params_.Set(P::X1StepSize, ScaledProduct(value, 100.0f));
        return;
    case 5:
        params_.Set(P::PrimaryStepSize, static_cast<float>(ScaleToSlider(value, 450.0f, 50.0f)));
        return;
    default:
        break;
    }
    if (value != kToggleValue) {
        return;
    }
    switch (slot) {
    case 6:
        StepOptionGroup(distribution_counter_, P::Distribution);
        return;
    case 7:
        ToggleCheckBox(P::X1Negative);
        return;
    case 8:
        ToggleCheckBox(P::X2Negative);
        return;
    case 9:
        ToggleCheckBox(P::Y1Negative);
        return;
    case 10:
        ToggleCheckBox(P::Y2Negative);
        return;
    case 11:
        StepOptionGroup(primary_barrier_counter_, P::WalkMode);
        return;
    case 12:
        StepOptionGroup(secondary_barrier_counter_, P::Behaviour);
        return;
    default:
        return;
    }
}

void MidiHandler::ToggleCheckBox(ParamId id) {
    params_.Set(id, params_.Get(id) == 1.0f ? 0.0f : 1.0f);
}

// The group's own counter steps through its options in order, whatever the window selected since.
void MidiHandler::StepOptionGroup(std::atomic<int>& counter, ParamId choice) {
    const int count = static_cast<int>(Spec(choice).options.size());
    const int next = (counter.load(std::memory_order_relaxed) + 1) % count;
    counter.store(next, std::memory_order_relaxed);
    params_.Set(choice, static_cast<float>(next));
}

// The first key held imitates a press of Play.
void MidiHandler::Press(int key) {
    if (KeysHeld() == 0) {
        transport_.OpenGateByNote();
        gate_text_.store(GateText::On, std::memory_order_relaxed);
    }
    held_keys_[KeyWord(key)].fetch_or(KeyBit(key), std::memory_order_relaxed);
}

// A note-off and a velocity-0 note-on alike: the last held key released closes the gate (many
// keyboards send note-off only, which would otherwise leave the voice sounding).
void MidiHandler::Release(int key) {
    const uint64_t before = held_keys_[KeyWord(key)].fetch_and(~KeyBit(key), std::memory_order_relaxed);
    // A key that is not held (its note-on lost, or a Stop or a port close came since) does not count
    // down for the keys still held; with none held the release closes the gate as it always has.
    if ((before & KeyBit(key)) == 0 && KeysHeld() != 0) {
        return;
    }
    if (KeysHeld() == 0) {
        CloseGate();
    }
}

void MidiHandler::ForgetKeysAfterStop() {
    const uint32_t stops = transport_.stop_count();
    if (stops != stops_seen_.load(std::memory_order_relaxed)) {
        stops_seen_.store(stops, std::memory_order_relaxed);
        ForgetKeys();
    }
}

void MidiHandler::ForgetKeys() {
    for (std::atomic<uint64_t>& word : held_keys_) {
        word.store(0, std::memory_order_relaxed);
    }
}

void MidiHandler::CloseGate() {
    transport_.CloseGateForRestart();
    gate_text_.store(GateText::Off, std::memory_order_relaxed);
}

} // namespace vortane
