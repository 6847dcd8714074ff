#include "control/control_panel.h"

#include <algorithm>

#include "control/control_table.h"

namespace vortane {

const char* ToText(PlayCaption caption) {
    return caption == PlayCaption::Stop ? "Stop" : "Play";
}

const char* ToText(GateText text) {
    switch (text) {
    case GateText::Off:
        return "Off";
    case GateText::On:
        return "On";
    default:
        return "";
    }
}

void ControlPanel::Reset() {
    for (auto& s : states_) {
        s.store(0, std::memory_order_relaxed);
    }
    for (const ControlInfo& c : MainWindowControls()) {
        if (IsValidId(c.id)) {
            states_[static_cast<size_t>(c.id)].store(c.initial, std::memory_order_relaxed);
        }
    }
    play_caption_.store(PlayCaption::Play, std::memory_order_relaxed);
    gate_text_.store(GateText::None, std::memory_order_relaxed);
    Touch();
}

void ControlPanel::SetState(int id, int state) {
    if (!IsValidId(id)) {
        return;
    }
    const ControlInfo* info = FindControl(id);
    if (info != nullptr && IsSlider(info->kind)) {
        state = std::clamp(state, info->minimum, info->maximum);
    }
    if (info != nullptr && info->kind == ControlKind::Option && state == 1) {
        SelectOption(id);
        return;
    }
    states_[static_cast<size_t>(id)].store(state, std::memory_order_relaxed);
    Touch();
}

void ControlPanel::SelectOption(int id) {
    const int group = OptionGroupOf(id);
    if (group < 0) {
        return;
    }
    // Set the new one first: a reader between the stores sees two options rather than none.
    states_[static_cast<size_t>(id)].store(1, std::memory_order_relaxed);
    for (int member : OptionGroupMembers(group)) {
        if (member != id) {
            states_[static_cast<size_t>(member)].store(0, std::memory_order_relaxed);
        }
    }
    Touch();
}

void ControlPanel::SetPlayCaption(PlayCaption caption) {
    play_caption_.store(caption, std::memory_order_relaxed);
    Touch();
}

void ControlPanel::SetGateText(GateText text) {
    gate_text_.store(text, std::memory_order_relaxed);
    Touch();
}

} // namespace vortane
