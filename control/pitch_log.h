#pragma once

#include <cstdint>

#include "base/spsc_ring.h"

namespace vortane {

// Where a sounding voice's pitch stands at the end of a block: the frame, the voice (its slot in
// Pitch mode, 0 for the gate's), its key (-1 for the gate's) and the length of its current period
// as a frequency.
struct PitchPoint {
    uint64_t frame = 0;
    int8_t voice = 0;
    int8_t key = -1;
    float hz = 0.0f;
};

// The pitch paths of the sounding voices, from the audio thread to one reader (an editor, the render
// tool's log). A full log drops the newest points: the reader is behind, and the audio thread never
// waits.
using PitchLog = SpscRing<PitchPoint, 4096>;

} // namespace vortane
