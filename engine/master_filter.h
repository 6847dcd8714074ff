#pragma once

#include <algorithm>

#include "engine/realtime.h"

namespace vortane {

// Four-stage resonant low-pass with a soft clipper (declaration; master_filter.cpp documents its
// equations and the coefficients).
class MasterFilter {
public:
    // The recursion with its state held by value, so that a caller's loop keeps it in registers:
    //   Runner run = filter.Begin(cutoff, resonance); ... run.Step(s) ...; filter.End(run);
    // Its chain through y4 is serial and bounds the engine's speed.
    struct Runner {
        double p, k, r;
        double y1, y2, y3, y4;
        double x_prev, y1_prev, y2_prev, y3_prev;

        double Step(float input) noexcept VORTANE_NONBLOCKING {
            constexpr double kClipperLimit = 3.4641016151377544; // √12, see master_filter.cpp
            const double x = input - r * y4;
            y1 = (x + x_prev) * p - k * y1;
            y2 = (y1 + y1_prev) * p - k * y2;
            y3 = (y2 + y2_prev) * p - k * y3;
            const double clipped = std::clamp((y3 + y3_prev) * p - k * y4, -kClipperLimit, kClipperLimit);
            y4 = clipped - clipped * clipped * clipped / 6.0;
            x_prev = x;
            y1_prev = y1;
            y2_prev = y2;
            y3_prev = y3;
            return y4;
        }
    };

    void Reset() { *this = MasterFilter{}; }
    // Refreshes the coefficients for this cutoff and resonance and hands out the state.
    Runner Begin(double cutoff, int resonance) noexcept VORTANE_NONBLOCKING;
    void End(const Runner& run) noexcept VORTANE_NONBLOCKING;
    double Process(float input, double cutoff, int resonance) noexcept VORTANE_NONBLOCKING;

    // filter state, exposed for tests
    double y1 = 0, y2 = 0, y3 = 0, y4 = 0;
    double x_prev = 0, y1_prev = 0, y2_prev = 0, y3_prev = 0;
    // cached coefficients
    double f = 0, p = 0, k = 0, t = 0, t2 = 0, r = 0;
    int cached_cutoff = 0;
    int cached_resonance = 0;
};

} // namespace vortane
