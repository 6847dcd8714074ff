#pragma once

namespace vortane {

// The four control-point coordinates of the curve, in the order the oscillator walks them.
enum class Coordinate : int { X1 = 0, Y1 = 1, X2 = 2, Y2 = 3 };
inline constexpr int kCoordinateCount = 4;

} // namespace vortane
