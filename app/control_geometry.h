#pragma once

namespace vortane {

// Where a control of the main window sits: its rectangle in client-area pixels.
struct ControlGeometry {
    int id;
    int x, y, width, height;
};

// The rectangle of a control identifier; an empty one at (0, 0) for identifiers without a control.
ControlGeometry GeometryOf(int id);

} // namespace vortane
