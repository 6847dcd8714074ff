// Preset text: any bytes are either refused with a reason or give a preset whose every value lies
// in its parameter's range; an accepted preset written out and read again is the same preset.
#include <cstddef>
#include <cstdint>
#include <string_view>

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
    for (const vortane::ParamSpec& spec : vortane::Params()) {
        const int value = (*parsed.preset)[spec.id];
        Require(value >= spec.minimum && value <= spec.maximum);
    }
    const vortane::PresetParse again = vortane::ParsePresetText(vortane::PresetText(*parsed.preset));
    Require(again.preset && *again.preset == *parsed.preset);
    return 0;
}
