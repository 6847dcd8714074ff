#include "presets/preset.h"

#include <array>

#include "base/parse_number.h"
#include "base/text.h"
#include "control/synth.h"

namespace vortane {
namespace {

using P = ParamId;

// clang-format off
constexpr std::array kOrder = {
    P::FrequencySetting, P::Distribution, P::PrimaryStepSize, P::ProbabilityWidth, P::PrimaryStepBarrier,
    P::SecondaryBarrier, P::WalkMode, P::Behaviour,
    P::Frq, P::Res, P::MasterVolume,
    P::X1, P::X1Max, P::Y1, P::X2, P::Y2,
    P::X1StepSize, P::X1Barrier, P::X1Negative, P::X1On,
    P::Y1StepSize, P::Y1Barrier, P::Y1Negative, P::Y1On,
    P::X2StepSize, P::X2Barrier, P::X2Negative, P::X2On,
    P::Y2StepSize, P::Y2Barrier, P::Y2Negative, P::Y2On,
    P::Keyboard, P::Voices, P::Attack, P::Decay, P::Sustain, P::Release, P::Velocity, P::BendRange,
};
// clang-format on
static_assert(kOrder.size() == kParamCount, "every parameter has its place in a file");

// The options as "A, B, C or D".
std::string OptionList(const ParamSpec& spec) {
    std::string list;
    for (size_t i = 0; i < spec.options.size(); ++i) {
        list += i == 0 ? "" : (i + 1 == spec.options.size() ? " or " : ", ");
        list += spec.options[i];
    }
    return list;
}

std::string ParseValue(Preset& preset, const ParamSpec& spec, std::string_view value) {
    const ParamId id = spec.id;
    switch (spec.kind) {
    case ParamKind::Slider: {
        const std::optional<int> number = ParseWhole<int>(value);
        if (!number) {
            return "value " + Quoted(value) + " is not a whole number";
        }
        if (*number < spec.minimum || *number > spec.maximum) {
            return "value " + std::to_string(*number) + " is outside " + std::to_string(spec.minimum) + ".." +
                   std::to_string(spec.maximum);
        }
        preset[id] = *number;
        return {};
    }
    case ParamKind::Toggle:
        if (value != "0" && value != "1") {
            return "takes 0 or 1, not " + Quoted(value);
        }
        preset[id] = value == "1" ? 1 : 0;
        return {};
    case ParamKind::Choice:
        for (size_t i = 0; i < spec.options.size(); ++i) {
            if (NamesMatch(value, spec.options[i])) {
                preset[id] = static_cast<int>(i);
                return {};
            }
        }
        return "takes " + OptionList(spec) + ", not " + Quoted(value);
    }
    return {};
}

} // namespace

std::span<const ParamId> PresetOrder() {
    return kOrder;
}

Preset DefaultPreset() {
    Preset preset;
    for (const ParamSpec& spec : Params()) {
        preset[spec.id] = spec.default_value;
    }
    return preset;
}

std::string SetPresetValue(Preset& preset, ParamId id, std::string_view value) {
    const ParamSpec& spec = Spec(id);
    std::string error = ParseValue(preset, spec, value);
    if (error.empty() && !spec.sound) {
        preset.named |= uint64_t{1} << Index(id);
    }
    return error;
}

std::vector<std::pair<std::string, std::string>> PresetEntries(const Preset& preset) {
    std::vector<std::pair<std::string, std::string>> entries;
    for (ParamId id : kOrder) {
        const ParamSpec& spec = Spec(id);
        if (!spec.sound && (preset.named & (uint64_t{1} << Index(id))) == 0) {
            continue;
        }
        entries.emplace_back(std::string(spec.name),
                             spec.kind == ParamKind::Choice
                                 ? std::string(spec.options[static_cast<size_t>(preset[id])])
                                 : std::to_string(preset[id]));
    }
    if (preset.scale) {
        entries.emplace_back(std::string(kTuningName), JoinLines(*preset.scale));
    }
    if (preset.keymap) {
        entries.emplace_back(std::string(kKeymapName), JoinLines(*preset.keymap));
    }
    if (preset.seed) {
        entries.emplace_back(std::string(kSeedName), std::to_string(*preset.seed));
    }
    return entries;
}

std::optional<Tuning> PresetTuning(const Preset& preset) {
    if (!preset.scale && !preset.keymap) {
        return std::nullopt;
    }
    return ParseTuning(preset.scale.value_or(""), preset.keymap.value_or("")).tuning;
}

Preset CapturePreset(const Synth& synth) {
    Preset preset = DefaultPreset();
    for (const ParamSpec& spec : Params()) {
        if (spec.sound) {
            preset[spec.id] = synth.params.Whole(spec.id);
        }
    }
    if (!(synth.tuning() == Tuning::EqualTemperament())) {
        preset.scale = synth.tuning().scale_text();
        if (!synth.tuning().keymap_text().empty()) {
            preset.keymap = synth.tuning().keymap_text();
        }
    }
    return preset;
}

void ApplyPresetParams(const Preset& preset, ParamStore& params) {
    for (ParamId id : kOrder) {
        if (Spec(id).sound || (preset.named & (uint64_t{1} << Index(id))) != 0) {
            params.Set(id, static_cast<float>(preset[id]));
        }
    }
}

void ApplyPreset(const Preset& preset, Synth& synth) {
    ApplyPresetParams(preset, synth.params);
    if (const std::optional<Tuning> tuning = PresetTuning(preset)) {
        synth.SetTuning(*tuning);
    }
}

} // namespace vortane
