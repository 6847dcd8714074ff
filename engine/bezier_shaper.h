#pragma once

#include "base/realtime.h"

namespace vortane {

// Groups of float lanes (GCC and Clang vector extensions): four, one SSE or NEON register a value,
// or eight, one AVX register a value, for callers compiled for AVX (without it eight lanes would
// need twice the registers there are). Every operation is lane-wise IEEE arithmetic without
// contraction, so a lane holds exactly the bits that the scalar expression gives, whatever the
// width.
template <int kLanes> struct Lanes;
template <> struct Lanes<4> {
    using Float = float __attribute__((vector_size(16)));
    using Int = int __attribute__((vector_size(16)));
};
template <> struct Lanes<8> {
    using Float = float __attribute__((vector_size(32)));
    using Int = int __attribute__((vector_size(32)));
};
template <> struct Lanes<16> {
    using Float = float __attribute__((vector_size(64)));
    using Int = int __attribute__((vector_size(64)));
};
inline constexpr int kMaxGroupLanes = 16;

// Bezier shaper: one waveform period is the cubic Bezier from P0 = (0, 0.5) through P1 = (x1, y1)
// and P2 = (x2, y2) to P3 = (1, 0.5). For a horizontal position t it solves x(u) = t by five
// Newton steps from u = t (no convergence test), clamps u to 0..1 (NaN -> 0) and returns the row
// 200 - 200·y(u) of a 200-row display, heights above 1.0 cut to row 0. All arithmetic is float.
//
//   x(u) = a·u³ + b·u² + c·u + d,  a = 1 - 3·x2 + 3·x1,  b = 3·x2 - 6·x1,  c = 3·x1,  d = 0
//   y(u) likewise from 0.5, y1, y2, 0.5
//
// Row has no branch and carries nothing from one call to the next, so the samples are independent
// chains: BezierCurveGroup shapes four or eight of them at once, each lane with its own curve, and
// gives each lane exactly the bits of BezierCurve (lane-wise IEEE operations in the same order).
template <typename T> struct BasicBezierCurve {
    // cached coefficients
    T a, b, c, d;
    T ay, by, cy, dy;

    [[gnu::always_inline]] void Init(const T& x1, const T& y1, const T& x2,
                                     const T& y2) noexcept VORTANE_NONBLOCKING {
        constexpr float kP0x = 0.0f, kP3x = 1.0f, kP0y = 0.5f, kP3y = 0.5f;
        a = kP3x - 3.0f * x2 + 3.0f * x1 - kP0x;
        b = 3.0f * x2 - 6.0f * x1 + 3.0f * kP0x;
        c = 3.0f * x1 - 3.0f * kP0x;
        d = T{} + kP0x;
        ay = kP3y - 3.0f * y2 + 3.0f * y1 - kP0y;
        by = 3.0f * y2 - 6.0f * y1 + 3.0f * kP0y;
        cy = 3.0f * y1 - 3.0f * kP0y;
        dy = T{} + kP0y;
    }

    // Vectors go by reference, so that no vector crosses a call by value.
    [[gnu::always_inline]] void Row(const T& t, T& row) const noexcept VORTANE_NONBLOCKING {
        T u = t;
        for (int i = 0; i < 5; ++i) {
            const T slope = 3.0f * a * u * u + 2.0f * b * u + c;
            // A flat spot (slope exactly 0, e.g. x1 = 0 at u = 0) takes a plain step instead.
            const T g = slope == 0.0f ? T{} + 1.0f : 1.0f / slope;
            const T x = a * u * u * u + b * u * u + c * u + d;
            u = u - (x - t) * g;
        }
        u = u > 1.0f ? T{} + 1.0f : u;
        u = u >= 0.0f ? u : T{}; // below 0, or NaN when a fold made the steps diverge

        const T height = 200.0f * (ay * u * u * u + by * u * u + cy * u + dy);
        row = 200.0f - (height > 200.0f ? T{} + 200.0f : height);
    }
};

// One curve; a group of curves (or one curve in every lane) lane by lane: the same expressions.
using BezierCurve = BasicBezierCurve<float>;
template <int kLanes> using BezierCurveGroup = BasicBezierCurve<typename Lanes<kLanes>::Float>;

inline float BezierShaper(float t, float x1, float y1, float x2, float y2) noexcept VORTANE_NONBLOCKING {
    BezierCurve curve;
    curve.Init(x1, y1, x2, y2);
    float row = 0.0f;
    curve.Row(t, row);
    return row;
}

} // namespace vortane
