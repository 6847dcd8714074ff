#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "control/params.h"

namespace vortane {

struct Synth;
class ParamStore;
class Tuning;

// A preset: a value for every parameter (a slider's position, 0 or 1, an option's index) under
// the names `vortane-render --set` and the plugins use, plus an optional seed for reproducible
// renders. The same name/value pairs serve a preset file (one "Name = value" line each).
struct Preset {
    std::array<int, kParamCount> values{};
    std::optional<uint64_t> seed; // none: a render's seed comes from --seed or the clock
    // The parameters outside the sound ("Keyboard") that the file names; only these are applied.
    uint64_t named = 0;
    // A tuning's scale and keyboard-map texts ("Tuning", "Keymap"), where the file names them: a
    // preset carries its tuning with it, and one without leaves the tuning as it is. An empty scale
    // is twelve-tone equal temperament, an empty map the default mapping.
    std::optional<std::string> scale, keymap;
    bool operator==(const Preset&) const = default;

    int& operator[](ParamId id) { return values[Index(id)]; }
    int operator[](ParamId id) const { return values[Index(id)]; }
};

// The names of the entries beside the parameters.
inline constexpr std::string_view kSeedName = "Seed";
inline constexpr std::string_view kTuningName = "Tuning";
inline constexpr std::string_view kKeymapName = "Keymap";

// The order of the entries in a file, grouped as the window's frames group the controls.
std::span<const ParamId> PresetOrder();

// Every parameter at its default and no seed.
Preset DefaultPreset();

// Sets one parameter from its value text (an option by its name), and names it. Returns "" on
// success, else why the value was refused ("value 6000 is outside 20..5000"); the preset is unchanged
// then.
std::string SetPresetValue(Preset& preset, ParamId id, std::string_view value);

// The preset's entries as name/value texts, in PresetOrder(): every part of the sound, and what the
// preset names beside it; then its tuning (each text as one line, see JoinLines) and the seed.
std::vector<std::pair<std::string, std::string>> PresetEntries(const Preset& preset);

// The tuning the preset names, read; none when it names none (or it no longer reads, which
// ParsePresetText rules out).
std::optional<Tuning> PresetTuning(const Preset& preset);

// The sound's parameters as they are now, each to the nearest whole number, and the tuning unless
// it is twelve-tone equal temperament.
Preset CapturePreset(const Synth& synth);

// Sets every parameter of the sound, changed or not, so that the voice ends with exactly the values
// the preset gives, whatever walked or was set before, and those beside the sound that it names, and
// its tuning where it names one. The transport is left alone. The thread that owns the tuning.
void ApplyPreset(const Preset& preset, Synth& synth);
// The parameters only, as ApplyPreset sets them: stores of values, so a host's audio thread may
// load a preset whose tuning was read beforehand.
void ApplyPresetParams(const Preset& preset, ParamStore& params);

} // namespace vortane
