#include "control/params.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "base/parse_number.h"
#include "base/text.h"

namespace vortane {
namespace {

using K = ParamKind;
using T = ParamText;
using Id = ParamId;

constexpr std::array<std::string_view, 4> kDistributions = {"Cauchy", "Logistic", "Uniform", "ArcSin"};
constexpr std::array<std::string_view, 3> kWalkModes = {"PriW", "PriR", "PriC"};
constexpr std::array<std::string_view, 6> kBehaviours = {"SMirror",   "SRandom",    "SCentred",
                                                         "SOnLimits", "SOppLimits", "SLoMirHiLo"};
constexpr std::array<std::string_view, 2> kKeyboards = {"Gate", "Pitch"};
constexpr std::span<const std::string_view> kNoOptions;

// clang-format off
constexpr std::array<ParamSpec, kParamCount> kParams = {{
    // id                      name                                  symbol                                display name            kind       min   max  default options         text          scale dec unit
    {Id::PrimaryStepSize,    "Primary Step Size",                  "primary_step_size",                  "Primary Step Size",    K::Slider,  50,  500, 100, kNoOptions,     T::Scaled,        0.01, 2, ""},
    {Id::ProbabilityWidth,   "Probability Width",                  "probability_width",                  "Probability Width",    K::Slider,   1,   30,   3, kNoOptions,     T::Scaled,        0.1,  2, ""},
    {Id::PrimaryStepBarrier, "Primary Step Barrier",               "primary_step_barrier",               "Primary Step Barrier", K::Slider,   2,  200,  30, kNoOptions,     T::Scaled,        1,    0, "samples"},
    {Id::SecondaryBarrier,   "Secondary Barrier",                  "secondary_barrier",                  "Secondary Barrier",    K::Slider,   2,  600, 360, kNoOptions,     T::Scaled,        0.1,  1, "st"},
    {Id::Frq,                "Frq",                                "frq",                                "Filter Cutoff",        K::Slider,  20, 5000,1500, kNoOptions,     T::Scaled,        1,    0, "Hz"},
    {Id::Res,                "Res",                                "res",                                "Filter Resonance",     K::Slider,   0,  100,  50, kNoOptions,     T::Scaled,        1,    0, "%"},
    {Id::MasterVolume,       "Master Volume",                      "master_volume",                      "Master Volume",        K::Slider,   0, 1500, 400, kNoOptions,     T::Scaled,        1,    0, ""},
    {Id::X1,                 "X1",                                 "x1",                                 "Curve Point 1 Time",   K::Slider,   1,   99,  50, kNoOptions,     T::Scaled,        1,    0, "%"},
    {Id::Y1,                 "Y1",                                 "y1",                                 "Curve Point 1 Height", K::Slider,   0,   79,   5, kNoOptions,     T::Scaled,        1,    0, "%"},
    {Id::X2,                 "X2",                                 "x2",                                 "Curve Point 2 Time",   K::Slider,   1,   99,  75, kNoOptions,     T::Scaled,        1,    0, "%"},
    {Id::Y2,                 "Y2",                                 "y2",                                 "Curve Point 2 Height", K::Slider,  80,  149,  95, kNoOptions,     T::Scaled,        1,    0, "%"},
    {Id::X1StepSize,         "X1 Primary Step Size",               "x1_primary_step_size",               "X1 Primary Step Size", K::Slider,   0,  100,  50, kNoOptions,     T::Scaled,        1,    0, ""},
    {Id::Y1StepSize,         "Y1 Primary Step Size",               "y1_primary_step_size",               "Y1 Primary Step Size", K::Slider,   0,  100,  50, kNoOptions,     T::Scaled,        1,    0, ""},
    {Id::X2StepSize,         "X2 Primary Step Size",               "x2_primary_step_size",               "X2 Primary Step Size", K::Slider,   0,  100,  50, kNoOptions,     T::Scaled,        1,    0, ""},
    {Id::Y2StepSize,         "Y2 Primary Step Size",               "y2_primary_step_size",               "Y2 Primary Step Size", K::Slider,   0,  100,  50, kNoOptions,     T::Scaled,        1,    0, ""},
    {Id::X1Barrier,          "X1 Barrier",                         "x1_barrier",                         "X1 Barrier",           K::Slider,   0,  100,  30, kNoOptions,     T::Scaled,        1,    0, ""},
    {Id::Y1Barrier,          "Y1 Barrier",                         "y1_barrier",                         "Y1 Barrier",           K::Slider,   0,  100,  30, kNoOptions,     T::Scaled,        1,    0, ""},
    {Id::X2Barrier,          "X2 Barrier",                         "x2_barrier",                         "X2 Barrier",           K::Slider,   0,  100,  30, kNoOptions,     T::Scaled,        1,    0, ""},
    {Id::Y2Barrier,          "Y2 Barrier",                         "y2_barrier",                         "Y2 Barrier",           K::Slider,   0,  100,  30, kNoOptions,     T::Scaled,        1,    0, ""},
    {Id::FrequencySetting,   "Frequency Setting",                  "frequency_setting",                  "Frequency Setting",    K::Slider,  70, 1000, 180, kNoOptions,     T::BaseFrequency, 1,    1, "Hz"},
    {Id::X1Max,              "X1 Max",                             "x1_max",                             "X1 Max",               K::Slider,  70,  115,  99, kNoOptions,     T::Scaled,        1,    0, "%"},
    {Id::X1Negative,         "X1 Negative",                        "x1_negative",                        "X1 Negative",          K::Toggle,   0,    1,   0, kNoOptions,     T::Scaled,        1,    0, ""},
    {Id::Y1Negative,         "Y1 Negative",                        "y1_negative",                        "Y1 Negative",          K::Toggle,   0,    1,   0, kNoOptions,     T::Scaled,        1,    0, ""},
    {Id::X2Negative,         "X2 Negative",                        "x2_negative",                        "X2 Negative",          K::Toggle,   0,    1,   0, kNoOptions,     T::Scaled,        1,    0, ""},
    {Id::Y2Negative,         "Y2 Negative",                        "y2_negative",                        "Y2 Negative",          K::Toggle,   0,    1,   0, kNoOptions,     T::Scaled,        1,    0, ""},
    {Id::X1On,               "X1 On",                              "x1_on",                              "X1 On",                K::Toggle,   0,    1,   0, kNoOptions,     T::Scaled,        1,    0, ""},
    {Id::Y1On,               "Y1 On",                              "y1_on",                              "Y1 On",                K::Toggle,   0,    1,   0, kNoOptions,     T::Scaled,        1,    0, ""},
    {Id::X2On,               "X2 On",                              "x2_on",                              "X2 On",                K::Toggle,   0,    1,   0, kNoOptions,     T::Scaled,        1,    0, ""},
    {Id::Y2On,               "Y2 On",                              "y2_on",                              "Y2 On",                K::Toggle,   0,    1,   0, kNoOptions,     T::Scaled,        1,    0, ""},
    {Id::Distribution,       "Frequency Probability Distribution", "frequency_probability_distribution", "Frequency Probability Distribution", K::Choice, 0, 3, 0, kDistributions, T::Scaled, 1, 0, ""},
    {Id::WalkMode,           "Frequency Barriers Walk",            "frequency_barriers_walk",            "Frequency Barriers Walk", K::Choice,  0,    2,   0, kWalkModes,     T::Scaled,        1,    0, ""},
    {Id::Behaviour,          "Frequency Barriers",                 "frequency_barriers",                 "Frequency Barriers",   K::Choice,   0,    5,   0, kBehaviours,    T::Scaled,        1,    0, ""},
    {Id::Keyboard,           "Keyboard",                           "keyboard",                           "Keyboard",             K::Choice,   0,    1,   0, kKeyboards,     T::Scaled,        1,    0, "", false},
    {Id::Voices,             "Voices",                             "voices",                             "Voices",               K::Slider,   1,   16,   8, kNoOptions,     T::Scaled,        1,    0, ""},
    {Id::Attack,             "Attack",                             "attack",                             "Attack",               K::Slider,   0, 5000,   5, kNoOptions,     T::Scaled,        1,    0, "ms"},
    {Id::Decay,              "Decay",                              "decay",                              "Decay",                K::Slider,   1, 5000, 400, kNoOptions,     T::Scaled,        1,    0, "ms"},
    {Id::Sustain,            "Sustain",                            "sustain",                            "Sustain",              K::Slider,   0,  100,  80, kNoOptions,     T::Scaled,        1,    0, "%"},
    {Id::Release,            "Release",                            "release",                            "Release",              K::Slider,   1, 10000,300, kNoOptions,     T::Scaled,        1,    0, "ms"},
    {Id::Velocity,           "Velocity",                           "velocity",                           "Velocity",             K::Slider,   0,  100,  50, kNoOptions,     T::Scaled,        1,    0, "%"},
    {Id::BendRange,          "Bend Range",                         "bend_range",                         "Bend Range",           K::Slider,   0,   24,   2, kNoOptions,     T::Scaled,        1,    0, "st"},
}};
// clang-format on

constexpr bool InIdOrder() {
    for (size_t i = 0; i < kParams.size(); ++i) {
        if (Index(kParams[i].id) != i) {
            return false;
        }
    }
    return true;
}
static_assert(InIdOrder(), "the table is indexed by ParamId");

// The bottom of the pitch range for frequency setting F: 132·e + 70 Hz, e = 2^(3(F − 70)/930) − 1,
// and its inverse F = 70 + 310·log2((Hz − 70)/132 + 1).
double BaseFrequency(double setting) {
    return 132.0 * (std::exp2(3.0 * (setting - 70.0) / 930.0) - 1.0) + 70.0;
}
double SettingForBaseFrequency(double hz) {
    return 70.0 + 310.0 * std::log2((hz - 70.0) / 132.0 + 1.0);
}

std::string Fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

} // namespace

std::span<const ParamSpec> Params() {
    return kParams;
}

// Compares names with letter case ignored and every run of white space read as one space, so that
// "x1 primary step size" finds "X1 Primary Step Size".
bool NamesMatch(std::string_view a, std::string_view b) {
    auto next = [](std::string_view s, size_t& i) -> int {
        if (i >= s.size()) {
            return -1;
        }
        if (std::isspace(static_cast<unsigned char>(s[i]))) {
            while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) {
                ++i;
            }
            return ' ';
        }
        return std::tolower(static_cast<unsigned char>(s[i++]));
    };
    size_t i = 0, j = 0;
    for (;;) {
        const int ca = next(a, i);
        const int cb = next(b, j);
        if (ca != cb) {
            return false;
        }
        if (ca < 0) {
            return true;
        }
    }
}

std::optional<ParamId> FindParam(std::string_view name) {
    for (const ParamSpec& spec : kParams) {
        if (NamesMatch(spec.name, name)) {
            return spec.id;
        }
    }
    return std::nullopt;
}

std::optional<ParamOption> FindOption(std::string_view name) {
    for (const ParamSpec& spec : kParams) {
        for (size_t i = 0; i < spec.options.size(); ++i) {
            if (NamesMatch(spec.options[i], name)) {
                return ParamOption{spec.id, static_cast<int>(i)};
            }
        }
    }
    return std::nullopt;
}

float WholeValue(const ParamSpec& spec, double value) {
    if (std::isnan(value)) {
        return static_cast<float>(spec.default_value);
    }
    const double held =
        std::clamp(value, static_cast<double>(spec.minimum), static_cast<double>(spec.maximum));
    return static_cast<float>(std::nearbyint(held));
}

std::string FormatParamValue(const ParamSpec& spec, double value) {
    const float whole = WholeValue(spec, value);
    switch (spec.kind) {
    case ParamKind::Toggle:
        return whole == 1.0f ? "On" : "Off";
    case ParamKind::Choice:
        return std::string(spec.options[static_cast<size_t>(whole)]);
    case ParamKind::Slider:
        break;
    }
    const double shown = spec.text == ParamText::BaseFrequency ? BaseFrequency(whole)
                                                               : static_cast<double>(whole) * spec.scale;
    std::string text = Fixed(shown, spec.decimals);
    if (!spec.unit.empty()) {
        text += ' ';
        text += spec.unit;
    }
    return text;
}

std::optional<float> ParseParamText(const ParamSpec& spec, std::string_view text) {
    text = Trimmed(text);
    if (spec.kind == ParamKind::Choice) {
        for (size_t i = 0; i < spec.options.size(); ++i) {
            if (NamesMatch(spec.options[i], text)) {
                return static_cast<float>(i);
            }
        }
    }
    if (spec.kind == ParamKind::Toggle) {
        if (NamesMatch(text, "On")) {
            return 1.0f;
        }
        if (NamesMatch(text, "Off")) {
            return 0.0f;
        }
    }
    if (!spec.unit.empty() && text.size() > spec.unit.size() &&
        NamesMatch(text.substr(text.size() - spec.unit.size()), spec.unit)) {
        text = Trimmed(text.substr(0, text.size() - spec.unit.size()));
    }
    const std::optional<double> number = ParseWhole<double>(text);
    if (!number || !std::isfinite(*number)) {
        return std::nullopt;
    }
    if (spec.kind != ParamKind::Slider) {
        return WholeValue(spec, *number); // a choice or toggle by its value
    }
    const double value =
        spec.text == ParamText::BaseFrequency ? SettingForBaseFrequency(*number) : *number / spec.scale;
    return WholeValue(spec, value);
}

} // namespace vortane
