#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "base/realtime.h"

namespace vortane {
struct Synth;
}

namespace vortane::plugin {

// The plugin's one door into the voice: a synth at 44.1 kHz with its control panel, its seed and
// its gate. No other plugin file includes a voice or control header beyond the control table, so
// that the plugin follows the voice wherever it goes by changes to this unit alone.
class VoiceAdapter {
public:
    static constexpr double kSampleRate = 44100.0; // the rate at which periods and steps are defined

    VoiceAdapter();
    ~VoiceAdapter();
    VoiceAdapter(const VoiceAdapter&) = delete;
    VoiceAdapter& operator=(const VoiceAdapter&) = delete;

    // Starts the voice afresh from the seed, as at program start, with the control states it has
    // now carried over; the gate is closed. Allocates nothing, so the audio thread may call it.
    void Restart(uint64_t seed) noexcept VORTANE_NONBLOCKING;

    // Moves a control as the user would (a slider, check box or option set to 1) and derives the
    // parameter it drives. Any thread: every value behind it is atomic.
    void SetControl(int id, int state) noexcept VORTANE_NONBLOCKING;
    int GetControl(int id) const noexcept VORTANE_NONBLOCKING;

    // A first note opens the output (as Play does); the release of the last one closes it and
    // arms the start reset, so the next note starts a period again with the fade-in.
    void OpenGate() noexcept VORTANE_NONBLOCKING;
    void CloseGate() noexcept VORTANE_NONBLOCKING;

    void Render(float* out, size_t frames) noexcept VORTANE_NONBLOCKING;

private:
    std::unique_ptr<Synth> synth_;
};

} // namespace vortane::plugin
