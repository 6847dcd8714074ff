#pragma once

namespace vortane {

// Bezier shaper: one waveform period is the cubic Bezier from P0 = (0, 0.5) through P1 = (x1, y1)
// and P2 = (x2, y2) to P3 = (1, 0.5). For a horizontal position t it solves x(u) = t by five
// Newton steps from u = t (no convergence test), clamps u to 0..1 (NaN -> 0) and returns the row
// 200 - 200·y(u) of a 200-row display, heights above 1.0 cut to row 0. All arithmetic is float.
//
//   x(u) = a·u³ + b·u² + c·u + d,  a = 1 - 3·x2 + 3·x1,  b = 3·x2 - 6·x1,  c = 3·x1,  d = 0
//   y(u) likewise from 0.5, y1, y2, 0.5
//
// Inline because the oscillator calls it every sample.
inline float BezierShaper(float t, float x1, float y1, float x2, float y2) {
    constexpr float kP0x = 0.0f, kP3x = 1.0f, kP0y = 0.5f, kP3y = 0.5f;
    const float a = kP3x - 3.0f * x2 + 3.0f * x1 - kP0x;
    const float b = 3.0f * x2 - 6.0f * x1 + 3.0f * kP0x;
    const float c = 3.0f * x1 - 3.0f * kP0x;
    const float d = kP0x;
    const float ay = kP3y - 3.0f * y2 + 3.0f * y1 - kP0y;
    const float by = 3.0f * y2 - 6.0f * y1 + 3.0f * kP0y;
    const float cy = 3.0f * y1 - 3.0f * kP0y;
    const float dy = kP0y;

    float u = t;
    for (int i = 0; i < 5; ++i) {
        const float slope = 3.0f * a * u * u + 2.0f * b * u + c;
        // A flat spot (slope exactly 0, e.g. x1 = 0 at u = 0) takes a plain step instead.
        const float g = slope == 0.0f ? 1.0f : 1.0f / slope;
        const float x = a * u * u * u + b * u * u + c * u + d;
        u = u - (x - t) * g;
    }
    if (u > 1.0f) {
        u = 1.0f;
    } else if (!(u >= 0.0f)) { // below 0, or NaN when a fold made the steps diverge
        u = 0.0f;
    }

    float height = 200.0f * (ay * u * u * u + by * u * u + cy * u + dy);
    if (height > 200.0f) {
        height = 200.0f;
    }
    return 200.0f - height;
}

} // namespace vortane
