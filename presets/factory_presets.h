#pragma once

#include <span>
#include <string_view>

namespace vortane {

// The factory sounds as compiled in from presets/factory at build time, for code that cannot rely
// on finding the installed files (a plugin loaded by a host from anywhere). The same texts as the
// installed files, in file name order.
struct FactoryPresetText {
    std::string_view file; // "bent-reed.vpreset"
    std::string_view text; // the whole file
};

std::span<const FactoryPresetText> FactoryPresetTexts();

} // namespace vortane
