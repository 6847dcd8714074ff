#pragma once

#include <span>
#include <string>
#include <string_view>

namespace vortane::plugin {

// How a plugin parameter reaches the control panel.
enum class ParameterKind {
    Slider, // the slider's state is the parameter's value
    Check,  // 0 or 1
    Choice, // an option group: the value is the index of the selected option
};

// One automatable parameter, derived from the main window's control table: every slider and check
// box that shapes the sound, under the name vortane-render's --set takes, and the three option
// groups as integer choices whose value labels are the option names.
struct PluginParameter {
    ParameterKind kind;
    std::string name;   // "Frequency Setting", "X1 On", "Frequency Barriers"
    std::string symbol; // name as an identifier: "frequency_setting"
    int control_id;     // slider or check box; -1 for a choice
    int group;          // option group of a choice (OptionGroupOf numbering); -1 otherwise
    int minimum, maximum, initial;
};

std::span<const PluginParameter> PluginParameters();

// The option ids of a choice parameter, in value order, and the option names as value labels.
std::span<const int> ChoiceOptions(const PluginParameter& p);
std::string_view ChoiceLabel(int option_id);

// A host value held to the parameter's range and taken to the nearest whole state; NaN gives the
// initial value. Hosts, automation curves and restored states can hand over anything.
int ParameterState(const PluginParameter& p, float value);

// The lowercase identifier of a name: letters and digits kept, every other run becomes one '_'.
std::string SymbolOf(std::string_view name);

} // namespace vortane::plugin
