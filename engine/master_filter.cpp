#include "engine/master_filter.h"

#include <algorithm>
#include <cmath>

namespace vortane {

// Master Filter: four one-pole stages in series with resonant feedback from the last, then a soft
// clipper. For cutoff fc at 44100 Hz:
//   f = 2·fc / 44100,  p = f·(1.8 − 0.8·f),  k = 2p − 1
//   t = (1 − p)·1.386249,  t2 = 12 + t²,  r = (res / 100)·(t2 + 6t) / (t2 − 6t)
//   x = s − r·y4;  yn = (in + in_prev)·p − k·yn for each stage;  y4 = y4 − y4³ / 6
// Coefficients are refreshed only when their input changes. r keeps the t and t2 that held at the
// last resonance change, so moving the cutoff alone leaves the feedback as it was.
//
// The clipper folds back above √2 (peak 0.943) and turns negative above √6, but beyond √12 it
// returns more than it was given: with strong feedback and a loud input the loop then runs away to
// infinity and the state stays NaN for good. Its input is therefore held within ±√12, where the
// clipper maps the range onto itself; below that bound nothing changes.
namespace {
constexpr double kSampleRate = 44100.0;
constexpr double kClipperLimit = 3.4641016151377544; // √12
} // namespace

void MasterFilter::Refresh(double cutoff, int resonance) noexcept VORTANE_NONBLOCKING {
    const int cutoff_key = static_cast<int>(std::nearbyint(cutoff));
    if (cutoff_key != cached_cutoff) {
        f = cutoff * 2.0 / kSampleRate; // from the cutoff itself, not the rounded key
        p = f * (1.8 - 0.8 * f);
        k = p + p - 1.0;
        t = (1.0 - p) * 1.386249;
        t2 = 12.0 + t * t;
        cached_cutoff = cutoff_key;
    }
    if (resonance != cached_resonance) {
        r = (resonance / 100.0) * (t2 + 6.0 * t) / (t2 - 6.0 * t);
        cached_resonance = resonance;
    }
}

double MasterFilter::Process(float input, double cutoff, int resonance) noexcept VORTANE_NONBLOCKING {
    double output = 0.0;
    Process(&input, &output, 1, cutoff, resonance);
    return output;
}

// The recursion through y4 is serial: its latency is the engine's floor. The state lives in
// locals for the block and is written back once.
void MasterFilter::Process(const float* input, double* output, int count, double cutoff,
                           int resonance) noexcept VORTANE_NONBLOCKING {
    Refresh(cutoff, resonance);
    const double cp = p, ck = k, cr = r;
    double s1 = y1, s2 = y2, s3 = y3, s4 = y4;
    double xp = x_prev, p1 = y1_prev, p2 = y2_prev, p3 = y3_prev;
    for (int i = 0; i < count; ++i) {
        const double x = input[i] - cr * s4;
        s1 = (x + xp) * cp - ck * s1;
        s2 = (s1 + p1) * cp - ck * s2;
        s3 = (s2 + p2) * cp - ck * s3;
        const double clipped = std::clamp((s3 + p3) * cp - ck * s4, -kClipperLimit, kClipperLimit);
        s4 = clipped - clipped * clipped * clipped / 6.0;
        xp = x;
        p1 = s1;
        p2 = s2;
        p3 = s3;
        output[i] = s4;
    }
    y1 = s1;
    y2 = s2;
    y3 = s3;
    y4 = s4;
    x_prev = xp;
    y1_prev = p1;
    y2_prev = p2;
    y3_prev = p3;
}

} // namespace vortane
