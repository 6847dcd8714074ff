#pragma once

#include "engine/realtime.h"

namespace vortane {

// Four-stage resonant low-pass with a soft clipper (declaration; the unit documents its equations).
class MasterFilter {
public:
    void Reset() { *this = MasterFilter{}; }
    double Process(float input, double cutoff, int resonance) noexcept VORTANE_NONBLOCKING;
    // count samples at one cutoff and resonance, the same arithmetic as Process sample by sample.
    void Process(const float* input, double* output, int count, double cutoff,
                 int resonance) noexcept VORTANE_NONBLOCKING;

    // filter state, exposed for tests
    double y1 = 0, y2 = 0, y3 = 0, y4 = 0;
    double x_prev = 0, y1_prev = 0, y2_prev = 0, y3_prev = 0;
    // cached coefficients
    double f = 0, p = 0, k = 0, t = 0, t2 = 0, r = 0;
    int cached_cutoff = 0;
    int cached_resonance = 0;

private:
    void Refresh(double cutoff, int resonance) noexcept VORTANE_NONBLOCKING;
};

} // namespace vortane
