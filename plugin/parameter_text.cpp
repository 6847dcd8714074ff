#include "plugin/parameter_text.h"

#include <cstdio>
#include <string>

#include "control/params.h"

namespace vortane::plugin {

// A value shows as the parameter's text in the window's units ("36.0 st", "1500 Hz", "Logistic"):
// held to the range (so 1e300 and infinities show an end), NaN as the default.
bool FormatParameterValue(uint32_t index, double value, char* text, uint32_t size) {
    if (index >= kParamCount || text == nullptr || size == 0) {
        return false;
    }
    std::snprintf(text, size, "%s", FormatParamValue(Params()[index], value).c_str());
    return true;
}

// The text with or without its unit, or an option's name.
bool ParseParameterText(uint32_t index, const char* text, double& value) {
    if (index >= kParamCount || text == nullptr) {
        return false;
    }
    const std::optional<float> parsed = ParseParamText(Params()[index], text);
    if (!parsed) {
        return false;
    }
    value = *parsed;
    return true;
}

} // namespace vortane::plugin
