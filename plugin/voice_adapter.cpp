#include "plugin/voice_adapter.h"

#include <array>
#include <memory>

#include "control/control_table.h"
#include "control/synth.h"

namespace vortane::plugin {

VoiceAdapter::VoiceAdapter() : synth_(std::make_unique<Synth>()) {
    Restart(0);
}

VoiceAdapter::~VoiceAdapter() = default;

void VoiceAdapter::Restart(uint64_t seed) noexcept VORTANE_NONBLOCKING {
    // Keep the control states, rebuild everything else in place: a Synth holds only fixed-size
    // members, so its construction neither allocates nor locks.
    std::array<int, id::kIdLimit> states{};
    for (int id = 0; id < id::kIdLimit; ++id) {
        states[static_cast<size_t>(id)] = synth_->controls.panel().GetState(id);
    }
    Synth* s = synth_.get();
    std::destroy_at(s);
    std::construct_at(s);
    s->Init(seed);
    s->controls.PrepareAsAtStartup();
    // Then, as a render with --set does, only the controls moved away from their start: an
    // untouched "Y1" leaves Y1 at its start-up 0.06, where a "Y1" event would make it 0.05.
    for (const ControlInfo& c : MainWindowControls()) {
        if (!ControlPanel::IsValidId(c.id)) {
            continue;
        }
        const int state = states[static_cast<size_t>(c.id)];
        const bool moved = (IsSlider(c.kind) || c.kind == ControlKind::Check) && state != c.initial;
        const bool selected = c.kind == ControlKind::Option && state == 1 && c.initial == 0;
        if (moved || selected) {
            SetControl(c.id, state);
        }
    }
}

void VoiceAdapter::SetControl(int id, int state) noexcept VORTANE_NONBLOCKING {
    synth_->controls.panel().SetState(id, state);
    synth_->controls.ApplyControlEvent(id);
}

int VoiceAdapter::GetControl(int id) const noexcept VORTANE_NONBLOCKING {
    return synth_->controls.panel().GetState(id);
}

void VoiceAdapter::OpenGate() noexcept VORTANE_NONBLOCKING {
    synth_->controls.OpenGateByNote();
}

void VoiceAdapter::CloseGate() noexcept VORTANE_NONBLOCKING {
    synth_->controls.CloseGateForRestart();
}

void VoiceAdapter::Render(float* out, size_t frames) noexcept VORTANE_NONBLOCKING {
    synth_->Render(out, frames);
}

} // namespace vortane::plugin
