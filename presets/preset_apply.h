#pragma once

#include "presets/preset.h"

namespace vortane {

class ControlPanel;
class VoiceControls;

// The preset's view of a panel: every field's current state. A group that reads as having no
// option selected (another thread between its two stores) takes its initial option.
Preset CapturePreset(const ControlPanel& panel);

// Moves every control of the preset as the user would: its state into the panel, then its control
// event's derivation into the voice's parameters. Every field's event runs, changed or not, so that
// the voice ends with exactly the values the preset's states give, whatever walked or was set
// before. The play state and the output gate are left alone; the caller redraws.
void ApplyPreset(const Preset& preset, VoiceControls& controls);

} // namespace vortane
