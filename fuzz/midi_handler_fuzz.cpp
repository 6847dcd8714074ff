// MIDI handler: any slot assignments and any stream of messages of any length, with port closes
// Play/Stop clicks and keyboard mode changes among them, leave every parameter within its range and whole
// where its control is (X1's step size alone may fall between positions).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include <cmath>

#include "control/param_store.h"
#include "control/transport.h"
#include "fuzz/require.h"
#include "midi/controller_slots.h"
#include "midi/midi_handler.h"

namespace {

void CheckInvariants(const vortane::ParamStore& params) {
    for (const vortane::ParamSpec& spec : vortane::Params()) {
        const float value = params.Get(spec.id);
        Require(value >= static_cast<float>(spec.minimum) && value <= static_cast<float>(spec.maximum));
        Require(spec.id == vortane::ParamId::X1StepSize || value == std::nearbyint(value));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vortane::ParamStore params;
    vortane::Transport transport;
    vortane::MidiQueue keyboard;
    vortane::ControllerSlots slots;
    // The first twelve bytes pick each slot's text: two digits, one digit, or three.
    for (int slot = 1; slot <= vortane::kSlotCount && size > 0; ++slot, ++data, --size) {
        const int n = *data;
        std::string text = n < 100 ? std::string(1, char('0' + n / 10)) + char('0' + n % 10)
                                   : std::to_string(n % 128 - (n < 200 ? 100 : 0));
        slots.SetAssignment(slot, text);
        Require(slots.AnsweredController(slot) >= -1 && slots.AnsweredController(slot) <= 99);
    }
    vortane::MidiHandler handler(params, transport, keyboard, slots);
    // Then each event is a head byte: 0xFA a click on Play/Stop, 0xFB the port closing, 0xFC a change
    // of keyboard mode, otherwise a message of head % 5 bytes (0 to 4, so truncated and overlong ones
    // too) taken from what follows.
    while (size > 0) {
        const uint8_t head = *data++;
        --size;
        if (head == 0xFA) {
            transport.TogglePlay();
        } else if (head == 0xFB) {
            handler.OnClose();
        } else if (head == 0xFC) { // the other keyboard mode; the instrument takes what is queued
            params.Set(vortane::ParamId::Keyboard, 1.0f - params.Get(vortane::ParamId::Keyboard));
            for (vortane::MidiMessage m; keyboard.Pop(m);) {
                Require(m.size == 3 && m.bytes[0] >= 0x80 && m.bytes[1] < 0x80 && m.bytes[2] < 0x80);
            }
        } else {
            const size_t length = std::min<size_t>(head % 5, size);
            handler.Receive(std::span<const uint8_t>(data, length));
            data += length;
            size -= length;
        }
        CheckInvariants(params);
    }
    return 0;
}
