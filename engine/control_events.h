#pragma once

namespace vortane {

struct Engine;

enum class EventEffect { None, RedrawDisplay };

// Derives the engine value that a control drives from the control's current state, as on a
// control event raised by the user. Returns RedrawDisplay for the five curve sliders
// ("X1", "X1 Max", "Y1", "X2", "Y2"). Controls without an engine value are ignored; the Play
// button is TogglePlay's.
EventEffect ApplyControlEvent(Engine& engine, int id);

// The Play/Stop button: decides from the play state alone. Stop also restarts the period walk's
// period count and raises the stop count, which releases every key MIDI holds.
void TogglePlay(Engine& engine);

// The value a control hands to the engine at the moment it is created during start-up ("Primary
// Step Size", "Probability Width", "Primary Step Barrier", "Secondary Barrier", "Master Volume").
void ApplyCreationValue(Engine& engine, int id);

// Brings a fresh engine to the state it has once the main window exists: ApplyCreationValue for
// every control in creation order. For the render tool and tests, which have no window.
void PrepareAsAtStartup(Engine& engine);

// Display X1 = "X1" state × X1 Max value ÷ 99 ÷ 100, in that order.
float DisplayX1(int x1_state, float x1_max);

} // namespace vortane
