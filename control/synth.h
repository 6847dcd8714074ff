#pragma once

#include <cstddef>
#include <cstdint>

#include "base/realtime.h"
#include "control/voice_controls.h"
#include "engine/voice.h"

namespace vortane {

// One voice with its controls: what the application, the render tool and the tests hold. Init
// seeds it once, on the thread that creates it; Render is the audio callback's whole work.
struct Synth {
    VoiceControls controls;
    Voice voice;

    void Init(uint64_t seed) { voice.Init(seed); }

    // One snapshot of the controls, one block of the voice; coordinates the walks moved go back to
    // the display.
    void Render(float* out, size_t size) noexcept VORTANE_NONBLOCKING {
        VoiceParams params;
        controls.Snapshot(params);
        voice.Render(params, out, size);
        const uint32_t walked = voice.walked_points();
        for (int k = 0; walked != 0 && k < kCoordinateCount; ++k) {
            if ((walked & (1u << k)) != 0) {
                const auto coordinate = static_cast<Coordinate>(k);
                controls.ShowWalkedPoint(coordinate, voice.oscillator().point(coordinate));
            }
        }
    }
};

} // namespace vortane
