#pragma once

#include <cstdint>

#include "base/coordinate.h"
#include "base/realtime.h"
#include "control/param_store.h"
#include "engine/voice.h"

namespace vortane {

// The one derivation from the parameters' values to what the voice reads for a block: positions
// to the voice's units (Primary Step Size ÷ 100, Probability Width and Secondary Barrier ÷ 10,
// option indices to enums), and for each curve coordinate written since the last block (`written`)
// the coordinate its slider hands over. The gate and the events are the caller's.
void DeriveVoiceParams(const ParamValues& values, uint64_t written, uint64_t handed_over,
                       VoiceParams& params) noexcept VORTANE_NONBLOCKING;

// What the "Y1", "X2" or "Y2" slider gives the voice: the position ÷ 100 once handed over (see
// ParamStore), until then the voice's own start point. X1 has none: its slider only draws.
float SliderPoint(Coordinate k, const ParamValues& values, uint64_t handed_over) noexcept VORTANE_NONBLOCKING;

// The parameter of coordinate k's slider: "X1", "Y1", "X2" or "Y2".
constexpr ParamId PointParam(Coordinate k) {
    return Offset(ParamId::X1, static_cast<int>(k));
}

// Display X1 = "X1" × X1 Max ÷ 99 ÷ 100, in that order: what the picture shows for X1, which the
// sound never takes from the slider.
float DisplayX1(int x1, float x1_max);

} // namespace vortane
