#pragma once

#include "engine/realtime.h"

namespace vortane {

struct Engine;

// Advances the oscillator by frames samples and writes them, before the Master Filter. At each
// period start it takes the new period length from the period walk and new control points from
// the switched-on walks (X1, Y1, X2, Y2 in that order). Writes 0.0 while no period has started.
void RenderOscillator(Engine& engine, float* out, int frames) noexcept VORTANE_NONBLOCKING;

// One sample of the above.
float OscillatorStep(Engine& engine) noexcept VORTANE_NONBLOCKING;

// The level factor A = 2^(master volume × 0.002) − 1, in float: 0 at volume 0, about 0.7411 at
// 400 and about 7.0 at 1500.
float AmplitudeFactor(float master_volume) noexcept VORTANE_NONBLOCKING;

} // namespace vortane
