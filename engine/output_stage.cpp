#include "engine/output_stage.h"

#include <array>
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
constexpr int kChunkFrames = OscillatorPlan::kMaxFrames;

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

void FrameUpdate(Engine& engine) noexcept VORTANE_NONBLOCKING {
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

// The buffer goes in chunks: the oscillator's plan (period starts and walks), then the filter's
// serial recursion with gain and fade-in, each group of four samples shaped while the filter runs
// over the group before it. The output's condition (gate, start reset), the cutoff and the resonance
// are read once per chunk, at its first frame: a change from another thread lands there. Only the
// frame-index wrap can happen on a later frame, and it is checked on each.
void Render(Engine& engine, float* out, unsigned long frame_count) noexcept VORTANE_NONBLOCKING {
    [[maybe_unused]] const DenormalGuard denormal_guard;
    EngineState& s = engine.state;
    OscillatorPlan plan;
    std::array<float, kChunkFrames> raw;
    for (unsigned long done = 0; done < frame_count;) {
        const unsigned long left = frame_count - done;
        const int count = left < kChunkFrames ? static_cast<int>(left) : kChunkFrames;
        FrameUpdate(engine);
        PlanOscillator(engine, plan, count);
        ShapeQuad(plan, 0, raw.data());

        MasterFilter::Runner filter = engine.filter.Begin(Get(s.cutoff), Get(s.resonance));
        const double gain = Get(s.output_gain);
        int frame = Get(s.frame_index);
        float* chunk = out + done;
        for (int first = 0; first < count; first += kQuadLanes) {
            // The next group's shaping is independent of the recursion: issued here, it runs in the
            // shadow of the filter's latency instead of after it.
            if (first + kQuadLanes < count) {
                ShapeQuad(plan, first + kQuadLanes, raw.data());
            }
            const int last = count - first < kQuadLanes ? count : first + kQuadLanes;
            for (int i = first; i < last; ++i) {
                frame = frame > kFrameIndexLimit ? 0 : frame; // the fade-in then runs again
                double value = filter.Step(raw[static_cast<size_t>(i)]) * gain;
                if (frame < kFadeInFrames) {
                    // w = (frame ÷ 100)^5, quotient and power each in float
                    const float ratio = static_cast<float>(frame) / static_cast<float>(kFadeInFrames);
                    value *= std::pow(ratio, kFadeInExponent);
                }
                chunk[i] = static_cast<float>(value);
                ++frame;
            }
        }
        engine.filter.End(filter);
        Put(s.frame_index, frame);
        done += static_cast<unsigned long>(count);
    }
}

} // namespace vortane
