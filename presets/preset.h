#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vortane {

// A preset: the state of every control that shapes the sound, named as `vortane-render --set`
// names them, plus an optional seed for reproducible renders. The same name/value pairs serve a
// preset file (one "Name = value" line each) and a plugin's saved state (one key/value string each).

// A control setting as the control panel takes it: a slider's position, 0 or 1 for a check box,
// and for an option group the selected option's identifier with state 1.
struct PresetSetting {
    int id = 0;
    int state = 0;
    bool operator==(const PresetSetting&) const = default;
};

enum class FieldKind { Slider, Check, Group };

// One named entry of a preset. A slider or check box is its control; an option group is one
// entry whose value is the name of the selected option ("Frequency Probability Distribution = Logistic").
struct PresetField {
    std::string_view name;
    FieldKind kind;
    int control; // the control identifier, or the option group's number for a group
};

struct Preset {
    std::vector<PresetSetting> settings; // one per field, in PresetFields() order
    std::optional<uint64_t> seed;        // none: a render's seed comes from --seed or the clock
    bool operator==(const Preset&) const = default;
};

// Every field, grouped as the window's frames group the controls.
std::span<const PresetField> PresetFields();

// The name of the optional seed entry.
inline constexpr std::string_view kSeedName = "Seed";

// Index into PresetFields() of the field called `name` (letter case and runs of white space
// ignored, as for --set), kSeedField for the seed, or -1 for no field.
inline constexpr int kSeedField = 1000;
int FindPresetField(std::string_view name);

// Every control at its initial state and no seed.
Preset DefaultPreset();

// Sets one field from its value text. Returns "" on success, else why the value was refused
// ("value 6000 is outside 20..5000"); the preset is unchanged then.
std::string SetPresetField(Preset& preset, int field, std::string_view value);

// The preset's entries as name/value texts, in field order, the seed last when there is one.
std::vector<std::pair<std::string, std::string>> PresetEntries(const Preset& preset);

// Compares two names as FindPresetField does.
bool PresetNamesMatch(std::string_view a, std::string_view b);

} // namespace vortane
