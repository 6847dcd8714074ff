#include "plugin/voice_adapter.h"

#include <array>
#include <memory>

#include "engine/control_events.h"
#include "engine/control_table.h"
#include "engine/engine.h"
#include "engine/output_stage.h"

namespace vortane::plugin {

VoiceAdapter::VoiceAdapter() : engine_(std::make_unique<Engine>()) {
    Restart(0);
}

VoiceAdapter::~VoiceAdapter() = default;

void VoiceAdapter::Restart(uint64_t seed) noexcept VORTANE_NONBLOCKING {
    // Keep the control states, rebuild everything else in place: an Engine holds only fixed-size
    // members, so its construction neither allocates nor locks.
    std::array<int, id::kIdLimit> states{};
    for (int id = 0; id < id::kIdLimit; ++id) {
        states[static_cast<size_t>(id)] = engine_->panel.GetState(id);
    }
    Engine* e = engine_.get();
    std::destroy_at(e);
    std::construct_at(e);
    e->random.Seed(seed);
    PrepareAsAtStartup(*e);
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
    engine_->panel.SetState(id, state);
    ApplyControlEvent(*engine_, id);
}

int VoiceAdapter::GetControl(int id) const noexcept VORTANE_NONBLOCKING {
    return engine_->panel.GetState(id);
}

void VoiceAdapter::OpenGate() noexcept VORTANE_NONBLOCKING {
    Put(engine_->state.output_gate, 1);
    Put(engine_->state.play_state, 1);
}

void VoiceAdapter::CloseGate() noexcept VORTANE_NONBLOCKING {
    Put(engine_->state.output_gate, 0);
    Put(engine_->state.start_done, 0);
}

void VoiceAdapter::Render(float* out, size_t frames) noexcept VORTANE_NONBLOCKING {
    vortane::Render(*engine_, out, static_cast<unsigned long>(frames));
}

} // namespace vortane::plugin
