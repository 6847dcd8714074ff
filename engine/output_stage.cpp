#include "engine/output_stage.h"

#include <cmath>

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

#include "engine/engine.h"
#include "engine/oscillator.h"

namespace vortane {
namespace {

constexpr int kFrameIndexLimit = 2147483640; // 2^31 − 8: the index wraps before it can overflow
constexpr int kFadeInFrames = 100;
constexpr float kFadeInExponent = 5.0f;

// The filter state decays towards zero in silence; subnormal values there would cost far more
// per sample than the rest of the engine. Flush-to-zero and denormals-are-zero for the duration of
// a buffer, restoring whatever the caller had.
class DenormalGuard {
public:
#if defined(__SSE__)
    DenormalGuard() : saved_(_mm_getcsr()) {
        _mm_setcsr(saved_ | kFlushToZero | kDenormalsAreZero);
    }
    ~DenormalGuard() {
        _mm_setcsr(saved_);
    }

private:
    static constexpr unsigned kFlushToZero = 0x8000;
    static constexpr unsigned kDenormalsAreZero = 0x0040;
    unsigned saved_;
#endif
};

} // namespace

void FrameUpdate(Engine& engine) {
    EngineState& s = engine.state;
    if (Get(s.frame_index) > kFrameIndexLimit) {
        Put(s.frame_index, 0); // the fade-in then runs again
    }
    const int gate = Get(s.output_gate);
    if (gate == 0) {
        Put(s.output_gain, 0.0);
    } else if (gate == 1) {
        if (Get(s.start_done) == 0) {
            // Start reset: the oscillator's next step lands on position 0, a period start.
            Put(s.period_position, -1);
            Put(s.start_done, 1);
            Put(s.frame_index, 0);
            Put(s.cutoff, static_cast<double>(engine.panel.GetState(id::kFrq)));
        }
        Put(s.output_gain, 1.0);
    }
}

void Render(Engine& engine, float* out, unsigned long frame_count) noexcept {
    [[maybe_unused]] const DenormalGuard denormal_guard;
    EngineState& s = engine.state;
    for (unsigned long i = 0; i < frame_count; ++i) {
        FrameUpdate(engine);
        const float sample = OscillatorStep(engine);
        const double filtered = engine.filter.Process(sample, Get(s.cutoff), Get(s.resonance));
        const int frame = Get(s.frame_index);
        double value = filtered * Get(s.output_gain);
        if (frame < kFadeInFrames) {
            // w = (frame ÷ 100)^5, quotient and power each in float
            const float ratio = static_cast<float>(frame) / static_cast<float>(kFadeInFrames);
            value *= std::pow(ratio, kFadeInExponent);
        }
        out[i] = static_cast<float>(value);
        Put(s.frame_index, frame + 1);
    }
}

} // namespace vortane
