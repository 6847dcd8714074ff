#include "presets/preset.h"

#include <array>
#include <cctype>

#include "base/parse_number.h"
#include "base/text.h"
#include "control/control_ids.h"
#include "control/control_table.h"

namespace vortane {
namespace {

using F = FieldKind;

// Option groups as the control table numbers them; named in a preset as the controller window's
// slots that step through them name them.
constexpr int kWalkModeGroup = 0;
constexpr int kBehaviourGroup = 1;
constexpr int kDistributionGroup = 2;

// clang-format off
constexpr std::array kFields = {
    PresetField{"Frequency Setting",                   F::Slider, id::kFrequencySetting},
    PresetField{"Frequency Probability Distribution",  F::Group, kDistributionGroup},
    PresetField{"Primary Step Size",                   F::Slider, id::kPrimaryStepSize},
    PresetField{"Probability Width",                   F::Slider, id::kProbabilityWidth},
    PresetField{"Primary Step Barrier",                F::Slider, id::kPrimaryStepBarrier},
    PresetField{"Secondary Barrier",                   F::Slider, id::kSecondaryBarrier},
    PresetField{"Frequency Barriers Walk",             F::Group, kWalkModeGroup},
    PresetField{"Frequency Barriers",                  F::Group, kBehaviourGroup},
    PresetField{"Frq",                                 F::Slider, id::kFrq},
    PresetField{"Res",                                 F::Slider, id::kRes},
    PresetField{"Master Volume",                       F::Slider, id::kMasterVolume},
    PresetField{"X1",                                  F::Slider, id::kX1},
    PresetField{"X1 Max",                              F::Slider, id::kX1Max},
    PresetField{"Y1",                                  F::Slider, id::kY1},
    PresetField{"X2",                                  F::Slider, id::kX2},
    PresetField{"Y2",                                  F::Slider, id::kY2},
    PresetField{"X1 Primary Step Size",                F::Slider, id::kX1StepSize},
    PresetField{"X1 Barrier",                          F::Slider, id::kX1Barrier},
    PresetField{"X1 Negative",                         F::Check, id::kX1Negative},
    PresetField{"X1 On",                               F::Check, id::kX1On},
    PresetField{"Y1 Primary Step Size",                F::Slider, id::kY1StepSize},
    PresetField{"Y1 Barrier",                          F::Slider, id::kY1Barrier},
    PresetField{"Y1 Negative",                         F::Check, id::kY1Negative},
    PresetField{"Y1 On",                               F::Check, id::kY1On},
    PresetField{"X2 Primary Step Size",                F::Slider, id::kX2StepSize},
    PresetField{"X2 Barrier",                          F::Slider, id::kX2Barrier},
    PresetField{"X2 Negative",                         F::Check, id::kX2Negative},
    PresetField{"X2 On",                               F::Check, id::kX2On},
    PresetField{"Y2 Primary Step Size",                F::Slider, id::kY2StepSize},
    PresetField{"Y2 Barrier",                          F::Slider, id::kY2Barrier},
    PresetField{"Y2 Negative",                         F::Check, id::kY2Negative},
    PresetField{"Y2 On",                               F::Check, id::kY2On},
};
// clang-format on

// The options of a group as "A, B, C or D".
std::string OptionList(int group) {
    std::string list;
    const std::span<const int> members = OptionGroupMembers(group);
    for (size_t i = 0; i < members.size(); ++i) {
        list += i == 0 ? "" : (i + 1 == members.size() ? " or " : ", ");
        list += FindControl(members[i])->name;
    }
    return list;
}

std::string ParseSlider(const ControlInfo& control, std::string_view value, int& state) {
    const std::optional<int> number = ParseWhole<int>(value);
    if (!number) {
        return "value " + Quoted(value) + " is not a whole number";
    }
    if (*number < control.minimum || *number > control.maximum) {
        return "value " + std::to_string(*number) + " is outside " + std::to_string(control.minimum) + ".." +
               std::to_string(control.maximum);
    }
    state = *number;
    return {};
}

} // namespace

std::span<const PresetField> PresetFields() {
    return kFields;
}

bool PresetNamesMatch(std::string_view a, std::string_view b) {
    return NamesMatch(a, b);
}

int FindPresetField(std::string_view name) {
    if (PresetNamesMatch(name, kSeedName)) {
        return kSeedField;
    }
    for (size_t i = 0; i < kFields.size(); ++i) {
        if (PresetNamesMatch(name, kFields[i].name)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

Preset DefaultPreset() {
    Preset preset;
    for (const PresetField& field : kFields) {
        if (field.kind == FieldKind::Group) {
            // The group's first member is its initially selected option.
            preset.settings.push_back({OptionGroupMembers(field.control).front(), 1});
        } else {
            preset.settings.push_back({field.control, FindControl(field.control)->initial});
        }
    }
    return preset;
}

std::string SetPresetField(Preset& preset, int field, std::string_view value) {
    if (field == kSeedField) {
        const std::optional<uint64_t> seed = ParseWhole<uint64_t>(value);
        if (!seed) {
            return "value " + Quoted(value) + " is not a whole number from 0 to 18446744073709551615";
        }
        preset.seed = seed;
        return {};
    }
    if (field < 0 || static_cast<size_t>(field) >= kFields.size()) {
        return "is no preset entry";
    }
    const PresetField& f = kFields[static_cast<size_t>(field)];
    PresetSetting& setting = preset.settings.at(static_cast<size_t>(field));
    switch (f.kind) {
    case FieldKind::Slider:
        return ParseSlider(*FindControl(f.control), value, setting.state);
    case FieldKind::Check:
        if (value != "0" && value != "1") {
            return "takes 0 or 1, not " + Quoted(value);
        }
        setting.state = value == "1" ? 1 : 0;
        return {};
    case FieldKind::Group:
        for (int option : OptionGroupMembers(f.control)) {
            if (PresetNamesMatch(value, FindControl(option)->name)) {
                setting = {option, 1};
                return {};
            }
        }
        return "takes " + OptionList(f.control) + ", not " + Quoted(value);
    }
    return {};
}

std::vector<std::pair<std::string, std::string>> PresetEntries(const Preset& preset) {
    std::vector<std::pair<std::string, std::string>> entries;
    for (size_t i = 0; i < kFields.size() && i < preset.settings.size(); ++i) {
        const PresetSetting& setting = preset.settings[i];
        const bool group = kFields[i].kind == FieldKind::Group;
        const ControlInfo* option = group ? FindControl(setting.id) : nullptr;
        entries.emplace_back(std::string(kFields[i].name),
                             option != nullptr ? std::string(option->name) : std::to_string(setting.state));
    }
    if (preset.seed) {
        entries.emplace_back(std::string(kSeedName), std::to_string(*preset.seed));
    }
    return entries;
}

} // namespace vortane
