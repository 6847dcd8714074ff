#pragma once

#include <cstddef>
#include <cstdint>

#include "base/realtime.h"
#include "control/curve_monitor.h"
#include "control/param_store.h"
#include "control/transport.h"
#include "engine/voice.h"

namespace vortane {

// One voice with its parameters and transport: what the application, the render tool, the plugins
// and the tests hold. The window, MIDI and a host write the parameters and move the transport from
// any thread; Render, the audio callback's whole work, reads both once per block, derives what the
// voice needs and renders it; the walked curve goes out through the monitor.
struct Synth {
    explicit Synth(ParamStore::StartPoints start_points = ParamStore::StartPoints::KeptUntilWritten)
        : params(start_points) {}

    ParamStore params;
    Transport transport;
    CurveMonitor monitor;
    Voice voice;

    // Seeds the voice once, on the thread that creates it, before any audio thread renders.
    void Init(uint64_t seed, const VoiceOptions& options = {}) { voice.Init(seed, options); }

    // The voice afresh from a seed, as at program start, while the audio thread runs (it may call
    // this itself): the gate closed, and the parameters left alone, to reach the new voice at the
    // next block.
    void Restart(uint64_t seed) noexcept VORTANE_NONBLOCKING;

    void Render(float* out, size_t size) noexcept VORTANE_NONBLOCKING;

private:
    bool rederive_ = false; // after a restart, every parameter reaches the voice as if written
};

} // namespace vortane
