#pragma once

#include <span>
#include <string_view>

#include "base/realtime.h"

namespace vortane {

enum class ControlKind { Option, SliderH, SliderV, Check, Label, Frame, Combo, Display, Button };

// One row per frame, label and control of the main window, in creation order. Creation order is
// the tab order and decides the option groups: an option joins the group of the control created
// just before it when that control is an option too. Where each sits on screen is the window's.
struct ControlInfo {
    int id;
    ControlKind kind;
    std::string_view caption;      // text shown on the control ("" for sliders, combos, display)
    std::string_view name;         // what the user calls it: caption or neighbouring label
    int minimum, maximum, initial; // value range and initial state (0 where there is none)
};

std::span<const ControlInfo> MainWindowControls();

// The row of a control identifier, or nullptr for identifiers that are no control.
const ControlInfo* FindControl(int id);

// The row whose name matches, ignoring letter case and runs of white space; nullptr if none.
const ControlInfo* FindControlByName(std::string_view name);

// Names compared with letter case ignored and every run of white space read as one space.
bool NamesMatch(std::string_view a, std::string_view b);

// Option groups as creation order forms them, each the one list of its options: in MIDI's cycle
// order, which is also the order of the voice's enums (PrimaryMode, BarrierBehaviour, Distribution
// after None).
inline constexpr int kWalkModeGroup = 0;     // "PriW", "PriR", "PriC"
inline constexpr int kBehaviourGroup = 1;    // "SMirror", "SRandom", "SCentred", "SOnLimits", ...
inline constexpr int kDistributionGroup = 2; // "Cauchy", "Logistic", "Uniform", "ArcSin"
inline constexpr int kOptionGroupCount = 3;

// The group of an option, -1 for a non-option.
int OptionGroupOf(int id);
std::span<const int> OptionGroupMembers(int group) noexcept VORTANE_NONBLOCKING;

inline bool IsSlider(ControlKind k) {
    return k == ControlKind::SliderH || k == ControlKind::SliderV;
}

} // namespace vortane
