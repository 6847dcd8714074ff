#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vortane {

// Every parameter of the voice, numbered as the plugins number them: a host keeps a parameter by
// this index in its projects, so the order never changes and new parameters go at the end.
enum class ParamId : uint8_t {
    PrimaryStepSize,
    ProbabilityWidth,
    PrimaryStepBarrier,
    SecondaryBarrier,
    Frq,
    Res,
    MasterVolume,
    X1,
    Y1,
    X2,
    Y2,
    X1StepSize,
    Y1StepSize,
    X2StepSize,
    Y2StepSize,
    X1Barrier,
    Y1Barrier,
    X2Barrier,
    Y2Barrier,
    FrequencySetting,
    X1Max,
    X1Negative,
    Y1Negative,
    X2Negative,
    Y2Negative,
    X1On,
    Y1On,
    X2On,
    Y2On,
    Distribution, // "Cauchy", "Logistic", "Uniform", "ArcSin"
    WalkMode,     // "PriW", "PriR", "PriC"
    Behaviour,    // "SMirror", "SRandom", "SCentred", "SOnLimits", "SOppLimits", "SLoMirHiLo"
    // how the voice is played
    Keyboard, // "Gate": notes open and close the one voice; "Pitch": each note a voice at its pitch
    Voices,
    Attack,
    Decay,
    Sustain,
    Release,
    Velocity,
    BendRange,
    kCount
};
inline constexpr size_t kParamCount = static_cast<size_t>(ParamId::kCount);

constexpr size_t Index(ParamId id) {
    return static_cast<size_t>(id);
}
// The parameter k places after `first` (the X1, Y1, X2, Y2 rows of a family follow each other).
constexpr ParamId Offset(ParamId first, int k) {
    return static_cast<ParamId>(static_cast<int>(first) + k);
}

// The choices of "Keyboard".
enum class KeyboardMode : uint8_t { Gate, Pitch };

// A slider's value is its position; a toggle's 0 or 1; a choice's the index of its option.
enum class ParamKind : uint8_t { Slider, Toggle, Choice };

// How a value reads to a musician: value × scale with the given decimals, then the unit
// ("36.0 st" for a Secondary Barrier of 360). The frequency setting shows the bottom of the pitch
// range in Hz, which its value only stands for.
enum class ParamText : uint8_t { Scaled, BaseFrequency };

struct ParamSpec {
    ParamId id;
    std::string_view name;         // as --set, preset files and plugin states name it
    std::string_view symbol;       // the name as an identifier (LV2 port symbol)
    std::string_view display_name; // what a host shows; the name where that says enough
    ParamKind kind;
    int minimum, maximum, default_value;
    std::span<const std::string_view> options; // a choice's option names, in value order
    ParamText text;
    double scale;
    int decimals;
    std::string_view unit;
    // Part of the sound, which a preset sets whether or not its file names it; "Keyboard" says how
    // the voice is played instead, and a preset sets it only where its file does.
    bool sound = true;
};

// The table, in ParamId order.
std::span<const ParamSpec> Params();
inline const ParamSpec& Spec(ParamId id) {
    return Params()[Index(id)];
}

// Names compared with letter case ignored and every run of white space read as one space.
bool NamesMatch(std::string_view a, std::string_view b);

// The parameter of that name (NamesMatch), if any.
std::optional<ParamId> FindParam(std::string_view name);

// A choice's option of that name: the parameter and the option's index.
struct ParamOption {
    ParamId id;
    int index;
};
std::optional<ParamOption> FindOption(std::string_view name);

// A value from outside (a host, an automation curve, a restored state) as the parameter holds it:
// within its range, a whole number, a toggle 0 or 1; NaN gives the default.
float WholeValue(const ParamSpec& spec, double value);

// The text a musician reads for a value ("36.0 st", "0.30", "1500 Hz", "On", "Logistic"), and back:
// the text with or without its unit, or an option's name. No value for a text that names none.
std::string FormatParamValue(const ParamSpec& spec, double value);
std::optional<float> ParseParamText(const ParamSpec& spec, std::string_view text);

} // namespace vortane
