#pragma once

#include <cstdint>

// The texts hosts show for parameter values and read back from what a user types: CLAP's
// value_to_text and text_to_value and VST3's string conversions call these (the framework's
// wrappers are patched to, see plugin/dpf/), so that every format shows a value alike.
namespace vortane::plugin {

// The text a host shows for a value of parameter `index`; false for an index that is no parameter.
bool FormatParameterValue(uint32_t index, double value, char* text, uint32_t size);

// The value a host's text stands for; false when the text reads as no value of that parameter.
bool ParseParameterText(uint32_t index, const char* text, double& value);

} // namespace vortane::plugin
