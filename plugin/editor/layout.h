#pragma once

#include <span>
#include <string_view>

#include "control/params.h"

namespace vortane::editor {

// The editor's size at scale 1; the window keeps this shape at every size, and everything in it is
// laid out in these units and drawn scaled.
inline constexpr float kBaseWidth = 960.0f;
inline constexpr float kBaseHeight = 640.0f;

struct Rect {
    float x = 0, y = 0, w = 0, h = 0;
    bool Contains(float px, float py) const { return px >= x && px < x + w && py >= y && py < y + h; }
};

// What a control does: a slider or toggle moves its parameter, an option selects its index of a
// choice; the preset list, the name field and the save button belong to the preset browser.
enum class Kind { Slider, Toggle, Option, PresetList, NameField, SaveButton };

struct Control {
    Kind kind;
    ParamId param;                 // ParamId::kCount for the preset browser's
    int option;                    // an option's index in its choice; -1 otherwise
    std::string_view caption;      // drawn on a button or beside a toggle
    Rect rect;                     // the control itself
    Rect label;                    // the row's caption, where the control has one
    std::string_view heading = {}; // that caption's text
};

struct Group {
    std::string_view title;
    Rect rect;
};

// The whole editor: the frames as the window draws them, plus the instrument's, each with its
// controls, in tab order; and the pictures and the preset browser on the left.
struct Layout {
    std::span<const Group> groups;
    std::span<const Control> controls;
    Rect curve, pitch, notes, presets;
};

const Layout& EditorLayout();

} // namespace vortane::editor
