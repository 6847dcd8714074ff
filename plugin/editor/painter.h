#pragma once

#include <string_view>

#include "NanoVG.hpp"
#include "control/curve_monitor.h"
#include "plugin/editor/layout.h"
#include "plugin/editor/pitch_history.h"

namespace vortane::editor {

// How a control is shown right now.
struct ControlLook {
    bool hover = false, focus = false, active = false; // active: dragged or pressed
    bool on = false;                                   // a toggle ticked, an option selected
    float fraction = 0.0f;                             // a slider's position, 0 to 1
    bool dimmed = false; // has no effect as things stand ("X1" while "X1 On" is off)
};

// Draws the editor's parts in layout units; the caller has scaled the context. Colours: light text
// on dark panels, every text at 7:1 contrast or more against what it is drawn on.
class Painter {
public:
    explicit Painter(DGL_NAMESPACE::NanoVG& vg) : vg_(vg) {}

    void Background(float width, float height);
    void GroupFrame(const Group& group);
    void CoordinateHeader(const Rect& frame_row);
    void Caption(const Rect& label, std::string_view text, bool dimmed);
    void Slider(const Rect& r, const ControlLook& look);
    void Toggle(const Rect& r, std::string_view caption, const ControlLook& look);
    void Button(const Rect& r, std::string_view caption, const ControlLook& look);
    // A value's text in a box above the control (on hover, drag or focus).
    void ValueTip(const Rect& r, std::string_view text, float limit_right);
    void FocusRing(const Rect& r);
    void TextField(const Rect& r, std::string_view text, std::string_view placeholder,
                   const ControlLook& look);
    void ListRow(const Rect& r, std::string_view text, bool factory, bool selected, const ControlLook& look);
    void Note(const Rect& r, std::string_view text, bool warning);

    // The period's curve: the rows the standalone's display computes, scaled into r.
    void Curve(const Rect& r, const DisplayCurve& curve);
    // The pitch paths, one line per voice and note, on a logarithmic axis labelled in Hz.
    void PitchPaths(const Rect& r, const PitchHistory& history);

private:
    void Text(float x, float y, std::string_view text, int align, float size);

    DGL_NAMESPACE::NanoVG& vg_;
};

} // namespace vortane::editor
