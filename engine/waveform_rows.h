#pragma once

#include <array>

namespace vortane {

inline constexpr int kDisplayWidth = 400;
inline constexpr int kDisplayHeight = 200;

// Rows of the waveform display, one per column: the shaper's result at i / 400 rounded to the
// nearest integer, ties to even. Rows above 199 lie below the surface.
std::array<int, kDisplayWidth> ComputeDisplayRows(float display_x1, float y1, float x2, float y2);

} // namespace vortane
