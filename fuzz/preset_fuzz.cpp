// Preset text: any bytes are either refused with a reason or give a preset whose every setting is
// a state its control can hold; an accepted preset written out and read again is the same preset.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "control/control_table.h"
#include "fuzz/require.h"
#include "presets/preset_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const vortane::PresetParse parsed =
        vortane::ParsePresetText(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!parsed.preset) {
        Require(!parsed.error.empty());
        return 0;
    }
    Require(parsed.error.empty());
    const auto fields = vortane::PresetFields();
    Require(parsed.preset->settings.size() == fields.size());
    for (size_t i = 0; i < fields.size(); ++i) {
        const vortane::PresetSetting& s = parsed.preset->settings[i];
        if (fields[i].kind == vortane::FieldKind::Group) {
            Require(vortane::OptionGroupOf(s.id) == fields[i].control && s.state == 1);
        } else {
            const vortane::ControlInfo* c = vortane::FindControl(s.id);
            Require(c != nullptr && s.id == fields[i].control && s.state >= c->minimum &&
                    s.state <= c->maximum);
        }
    }
    const vortane::PresetParse again = vortane::ParsePresetText(vortane::PresetText(*parsed.preset));
    Require(again.preset && *again.preset == *parsed.preset);
    return 0;
}
