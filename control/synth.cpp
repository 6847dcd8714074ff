#include "control/synth.h"

#include "control/derivation.h"

namespace vortane {

void Synth::Restart(uint64_t seed) noexcept VORTANE_NONBLOCKING {
    voice.Init(seed);
    transport.Reset();
    rederive_ = true;
}

void Synth::Render(float* out, size_t size) noexcept VORTANE_NONBLOCKING {
    // The revision before the writes are taken: a walk in this block comes after every write it
    // counts (but for one in the middle of its own few stores), and the display may prefer it.
    const uint32_t revision = params.Revision();
    VoiceParams p;
    // Events first, with acquire: a value stored before its event was posted is seen below.
    p.events = transport.TakeEvents();
    uint64_t written = params.TakeWritten();
    if (rederive_) {
        written = ~uint64_t{0};
        rederive_ = false;
    }
    ParamValues values;
    params.Load(values);
    DeriveVoiceParams(values, written, params.HandedOver(), p);
    p.gate = transport.gate_open();

    voice.Render(p, out, size);

    const uint32_t walked = voice.walked_points();
    for (int k = 0; walked != 0 && k < kCoordinateCount; ++k) {
        if ((walked & (1u << k)) != 0) {
            const auto coordinate = static_cast<Coordinate>(k);
            monitor.Publish(coordinate, voice.oscillator().point(coordinate), revision);
        }
    }
}

} // namespace vortane
