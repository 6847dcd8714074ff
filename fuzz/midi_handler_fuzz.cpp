// MIDI handler: any slot assignments and any stream of byte triples leave every control within its
// range, one option selected in each group, and the gate and the held-note count sane.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "control/control_table.h"
#include "control/voice_controls.h"
#include "engine/voice.h"
#include "midi/controller_slots.h"
#include "midi/midi_handler.h"

namespace {

void Require(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

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
    Require(handler.HeldNotes() >= 0);
    Require(handler.HeldNotes() == 0 || gate == 1);
    vortane::VoiceParams params;
    controls.Snapshot(params);
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
    for (; size >= 3; data += 3, size -= 3) {
        const uint32_t word = vortane::PackShortMessage(data[0], data[1], data[2]);
        handler.Receive(data[0] == 0xF9 ? vortane::MIM_CLOSE : vortane::MIM_DATA, word);
        CheckInvariants(*controls, handler);
    }
    return 0;
}
