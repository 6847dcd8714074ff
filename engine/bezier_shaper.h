#pragma once

namespace vortane {

// The display row (0 = top of a 200-row display) of the curve's height at horizontal position t
// of one period, for the cubic Bezier from (0, 0.5) through (x1, y1), (x2, y2) to (1, 0.5).
float BezierShaper(float t, float x1, float y1, float x2, float y2);

} // namespace vortane
