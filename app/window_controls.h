#pragma once

#include <optional>
#include <span>
#include <string_view>

#include "control/params.h"

namespace vortane {

enum class ControlKind { Option, SliderH, SliderV, Check, Label, Frame, Combo, Display, Button };

// Identifiers of the main window's controls that the window's own code names; the others are known
// by their row alone.
namespace id {
inline constexpr int kMidiDevice = 2;
inline constexpr int kAudioDevice = 3;
inline constexpr int kDisplay = 8;
inline constexpr int kPlay = 69;
// Identifiers are small: widgets are kept in an array indexed by them.
inline constexpr int kIdLimit = 80;
} // namespace id

// One row per frame, label and control of the main window, in creation order. Creation order is
// the tab order and decides the option groups: an option joins the group of the control created
// just before it when that control is an option too. A slider or check box moves its parameter;
// an option selects its index of a choice. Ranges and start positions are the parameter's.
struct WindowControl {
    int id;
    ControlKind kind;
    std::string_view caption; // text shown on the control ("" for sliders, combos, display)
    std::string_view name;    // what a screen reader calls it: caption or neighbouring label
    int x, y, width, height;  // its rectangle in client-area pixels
    ParamId param;            // ParamId::kCount for none
    int option;               // an option's index in its choice; -1 otherwise

    std::optional<ParamId> Param() const {
        return param == ParamId::kCount ? std::nullopt : std::optional(param);
    }
};

std::span<const WindowControl> MainWindowControls();

// The row of a control identifier, or nullptr for identifiers that are no control.
const WindowControl* FindWindowControl(int id);

// The control that shows a parameter (for a choice, option 0's button).
const WindowControl* ControlOf(ParamId param, int option = -1);

// True for the five sliders the waveform display follows: "X1", "X1 Max", "Y1", "X2", "Y2".
bool ShapesTheCurve(ParamId param);

} // namespace vortane
