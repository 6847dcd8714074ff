#include "plugin/parameter_text.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>

#include "plugin/parameter_table.h"

namespace vortane::plugin {
namespace {

bool SameLetters(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

// A value shows as the state it would set: held to the range (so 1e300 and infinities show an
// end), NaN as the initial state, a choice as its option's name, anything else as a whole number.
bool FormatParameterValue(uint32_t index, double value, char* text, uint32_t size) {
    const auto parameters = PluginParameters();
    if (index >= parameters.size() || text == nullptr || size == 0) {
        return false;
    }
    const PluginParameter& p = parameters[index];
    // held in double first: a double beyond float's range has no float to convert to
    const double held = std::clamp(value, static_cast<double>(p.minimum), static_cast<double>(p.maximum));
    const int state = ParameterState(p, static_cast<float>(held));
    const std::string shown = p.kind == ParameterKind::Choice
                                  ? std::string(ChoiceLabel(ChoiceOptions(p)[static_cast<size_t>(state)]))
                                  : std::to_string(state);
    std::snprintf(text, size, "%s", shown.c_str());
    return true;
}

// An option's name (in any case) for a choice, or a number within the range, taken to the nearest
// whole state. A number outside the range, or text that is no number, names no value.
bool ParseParameterText(uint32_t index, const char* text, double& value) {
    const auto parameters = PluginParameters();
    if (index >= parameters.size() || text == nullptr) {
        return false;
    }
    const PluginParameter& p = parameters[index];
    std::string_view t(text);
    t.remove_prefix(std::min(t.size(), t.find_first_not_of(" \t")));
    t.remove_suffix(t.size() - std::min(t.size(), t.find_last_not_of(" \t") + 1));

    const auto options = ChoiceOptions(p);
    for (size_t i = 0; i < options.size(); ++i) {
        if (SameLetters(t, ChoiceLabel(options[i]))) {
            value = static_cast<double>(i);
            return true;
        }
    }
    double number = 0.0;
    const auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), number);
    if (t.empty() || error != std::errc() || end != t.data() + t.size() || !std::isfinite(number)) {
        return false;
    }
    number = std::round(number);
    if (number < p.minimum || number > p.maximum) {
        return false;
    }
    value = number;
    return true;
}

} // namespace vortane::plugin
