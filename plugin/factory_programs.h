#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "presets/preset.h"

namespace vortane::plugin {

// The factory sounds as the plugin's programs (LV2 presets, VST3 and CLAP programs): the preset
// files compiled in, named as the window's Presets menu names them.
std::size_t FactoryProgramCount();
std::string FactoryProgramName(std::size_t index);
// The program's preset; none for an index out of range (or a factory file that does not parse,
// which the tests rule out).
std::optional<Preset> FactoryProgram(std::size_t index);

} // namespace vortane::plugin
