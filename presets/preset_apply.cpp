#include "presets/preset_apply.h"

#include "control/control_table.h"
#include "control/voice_controls.h"

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

void ApplyPreset(const Preset& preset, VoiceControls& controls) {
    for (const PresetSetting& setting : preset.settings) {
        controls.panel().SetState(setting.id, setting.state); // an option set to 1 is selected
        controls.ApplyControlEvent(setting.id);
    }
}

} // namespace vortane
