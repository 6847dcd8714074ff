#include "plugin/factory_programs.h"

#include "presets/factory_presets.h"
#include "presets/preset_file.h"
#include "presets/preset_folders.h"

namespace vortane::plugin {

std::size_t FactoryProgramCount() {
    return FactoryPresetTexts().size();
}

std::string FactoryProgramName(std::size_t index) {
    if (index >= FactoryProgramCount()) {
        return {};
    }
    return PresetDisplayName(std::string(FactoryPresetTexts()[index].file));
}

std::optional<Preset> FactoryProgram(std::size_t index) {
    if (index >= FactoryProgramCount()) {
        return std::nullopt;
    }
    return ParsePresetText(FactoryPresetTexts()[index].text).preset;
}

} // namespace vortane::plugin
