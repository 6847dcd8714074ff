// MIDI handler: any slot assignments and any stream of messages of any length, with port closes
// and Play/Stop clicks among them, leave every control within its range, one option selected in
// each group, and the gate and the held-note count sane.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "control/control_table.h"
#include "control/voice_controls.h"
#include "engine/voice.h"
#include "fuzz/require.h"
#include "midi/controller_slots.h"
#include "midi/midi_handler.h"

namespace {

void CheckInvariants(vortane::VoiceControls& controls, const vortane::MidiHandler& handler) {
    using vortane::ControlKind;
    for (const vortane::ControlInfo& c : vortane::MainWindowControls()) {
        const int state = controls.panel().GetState(c.id);
        if (vortane::IsSlider(c.kind)) {
            Require(state >= c.minimum && state <= c.maximum);
        } else if (c.kind == ControlKind::Check || c.kind == ControlKind::Option) {
            Require(state == 0 || state == 1);
        }
    }
    for (int group = 0; group < vortane::kOptionGroupCount; ++group) {
        int selected = 0;
        for (int id : vortane::OptionGroupMembers(group)) {
            selected += controls.panel().GetState(id);
        }
        Require(selected == 1);
    }
    const int gate = controls.output_gate();
    Require(gate == 0 || gate == 1);
    Require(handler.HeldNotes() >= 0 && handler.HeldNotes() <= 128);
    Require(handler.HeldNotes() == 0 || gate == 1);
    vortane::VoiceParams params;
    controls.Peek(params);
    const float step = params.oscillator.points[0].step_size;
    Require(step >= 0.0f && step <= 100.0f);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto controls = std::make_unique<vortane::VoiceControls>();
    vortane::ControllerSlots slots;
    // The first twelve bytes pick each slot's text: two digits, one digit, or three.
    for (int slot = 1; slot <= vortane::kSlotCount && size > 0; ++slot, ++data, --size) {
        const int n = *data;
        std::string text = n < 100 ? std::string(1, char('0' + n / 10)) + char('0' + n % 10)
                                   : std::to_string(n % 128 - (n < 200 ? 100 : 0));
        slots.SetAssignment(slot, text);
        Require(slots.AnsweredController(slot) >= -1 && slots.AnsweredController(slot) <= 99);
    }
    vortane::MidiHandler handler(*controls, slots);
    // Then each event is a head byte: 0xFA a click on Play/Stop, 0xFB the port closing, otherwise a
    // message of head % 5 bytes (0 to 4, so truncated and overlong ones too) taken from what follows.
    while (size > 0) {
        const uint8_t head = *data++;
        --size;
        if (head == 0xFA) {
            controls->TogglePlay();
        } else if (head == 0xFB) {
            handler.OnClose();
        } else {
            const size_t length = std::min<size_t>(head % 5, size);
            handler.Receive(std::span<const uint8_t>(data, length));
            data += length;
            size -= length;
        }
        CheckInvariants(*controls, handler);
    }
    return 0;
}
