#include "engine/master_filter.h"

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
MasterFilter::Runner MasterFilter::Begin(double cutoff, int resonance) noexcept VORTANE_NONBLOCKING {
    constexpr double kSampleRate = 44100.0;
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
    return Runner{p, k, r, y1, y2, y3, y4, x_prev, y1_prev, y2_prev, y3_prev};
}

void MasterFilter::End(const Runner& run) noexcept VORTANE_NONBLOCKING {
    y1 = run.y1;
    y2 = run.y2;
    y3 = run.y3;
    y4 = run.y4;
    x_prev = run.x_prev;
    y1_prev = run.y1_prev;
    y2_prev = run.y2_prev;
    y3_prev = run.y3_prev;
}

double MasterFilter::Process(float input, double cutoff, int resonance) noexcept VORTANE_NONBLOCKING {
    Runner run = Begin(cutoff, resonance);
    const double output = run.Step(input);
    End(run);
    return output;
}

} // namespace vortane
