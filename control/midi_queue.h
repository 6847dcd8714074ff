#pragma once

#include <array>
#include <cstdint>

#include "base/spsc_ring.h"

namespace vortane {

// One short MIDI message: status first, then up to two data bytes.
struct MidiMessage {
    std::array<uint8_t, 3> bytes{};
    uint8_t size = 0;
};

// Messages from the MIDI input's thread to the audio thread. A full queue drops the newest
// message: better than waiting on the MIDI thread.
using MidiQueue = SpscRing<MidiMessage, 1024>;

} // namespace vortane
