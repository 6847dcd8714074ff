#include "presets/preset_apply.h"

#include "engine/control_events.h"
#include "engine/control_table.h"
#include "engine/engine.h"

namespace vortane {

Preset CapturePreset(const ControlPanel& panel) {
    Preset preset = DefaultPreset();
    const std::span<const PresetField> fields = PresetFields();
    for (size_t i = 0; i < fields.size(); ++i) {
        PresetSetting& setting = preset.settings[i];
        if (fields[i].kind != FieldKind::Group) {
            setting.state = panel.GetState(setting.id);
            continue;
        }
        for (int option : OptionGroupMembers(fields[i].control)) {
            if (panel.GetState(option) == 1) {
                setting.id = option;
                break;
            }
        }
    }
    return preset;
}

void ApplyPreset(const Preset& preset, Engine& engine) {
    for (const PresetSetting& setting : preset.settings) {
        engine.panel.SetState(setting.id, setting.state); // an option set to 1 is selected
        ApplyControlEvent(engine, setting.id);
    }
}

} // namespace vortane
