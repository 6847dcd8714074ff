#pragma once

#include <cmath>
#include <cstddef>

#include "base/realtime.h"

namespace vortane {

// DC blocker after the voices' sum: a one-pole high-pass at a few hertz,
//   y[n] = x[n] − x[n−1] + R·y[n−1],   R = 1 − 2π·fc/fs
// The Bezier curve's mean is seldom zero, so an unfiltered sum carries an offset that wastes
// headroom and thumps when notes start and stop.
class DcBlocker {
public:
    void Init(float cutoff_hz, float sample_rate) {
        r_ = 1.0f - 2.0f * 3.14159265f * cutoff_hz / sample_rate;
        Reset();
    }
    void Reset() { x1_ = y1_ = 0.0f; }
    // At rest: silence in gives silence out.
    bool idle() const { return x1_ == 0.0f && y1_ == 0.0f; }

    void Process(float* block, size_t size) noexcept VORTANE_NONBLOCKING {
        float x1 = x1_, y1 = y1_;
        for (size_t i = 0; i < size; ++i) {
            const float x = block[i];
            y1 = x - x1 + r_ * y1;
            // In silence the tail ends below −140 dB, sample by sample so that where it ends does
            // not depend on the block size: silence in is then silence out.
            y1 = x == 0.0f && std::fabs(y1) < 1e-7f ? 0.0f : y1;
            x1 = x;
            block[i] = y1;
        }
        x1_ = x1;
        y1_ = y1 == y1 ? y1 : 0.0f; // a NaN does not stay
    }

private:
    float r_ = 0.999f;
    // filter state
    float x1_ = 0.0f, y1_ = 0.0f;
};

} // namespace vortane
