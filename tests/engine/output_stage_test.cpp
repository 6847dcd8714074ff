#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

#include "engine/oscillator.h"
#include "render_test_util.h"

namespace vortane {
namespace {

using test::Move;
using test::PreparedEngine;
using test::RenderFrames;

TEST(OutputStage, SilentBeforeTheFirstPlay) {
    auto engine = PreparedEngine(11);
    for (float sample : RenderFrames(*engine, 44100)) {
        ASSERT_EQ(sample, 0.0f);
    }
    EXPECT_EQ(Get(engine->state.period_length), 0);
    EXPECT_EQ(Get(engine->state.output_gain), 0.0);
}

TEST(OutputStage, StartResetReloadsTheCutoffFromTheFrqSlider) {
    auto engine = PreparedEngine(12);
    engine->panel.SetState(id::kFrq, 800); // moved without its event, as MIDI may leave it
    TogglePlay(*engine);
    FrameUpdate(*engine);
    EXPECT_EQ(Get(engine->state.cutoff), 800.0);
    EXPECT_EQ(Get(engine->state.start_done), 1);
    EXPECT_EQ(Get(engine->state.frame_index), 0);
    EXPECT_EQ(Get(engine->state.output_gain), 1.0);
}

// The same seed played twice: once through Render, once step by step without the fade, so that
// the ratio of the two is the fade weight.
TEST(OutputStage, FirstHundredFramesFadeInByTheFifthPower) {
    auto played = PreparedEngine(13);
    auto reference = PreparedEngine(13);
    TogglePlay(*played);
    TogglePlay(*reference);
    const std::vector<float> out = RenderFrames(*played, 300, 64);
    for (size_t i = 0; i < out.size(); ++i) {
        FrameUpdate(*reference);
        const double y = reference->filter.Process(OscillatorStep(*reference), Get(reference->state.cutoff),
                                                   Get(reference->state.resonance));
        Put(reference->state.frame_index, Get(reference->state.frame_index) + 1);
        const double w = i < 100 ? std::pow(static_cast<float>(i) / 100.0f, 5.0f) : 1.0;
        ASSERT_EQ(out[i], static_cast<float>(y * w)) << "frame " << i;
    }
    EXPECT_EQ(out[0], 0.0f);
    EXPECT_EQ(std::pow(50.0f / 100.0f, 5.0f), 0.03125f);
    EXPECT_NE(out[150], 0.0f);
}

TEST(OutputStage, StopThenPlayResumesWithoutFadeOrPeriodRestart) {
    auto engine = PreparedEngine(14);
    TogglePlay(*engine);
    RenderFrames(*engine, 1000);
    TogglePlay(*engine); // Stop
    for (float sample : RenderFrames(*engine, 500)) {
        ASSERT_EQ(sample, 0.0f);
    }
    const int position = Get(engine->state.period_position);
    const int length = Get(engine->state.period_length);
    const int frame = Get(engine->state.frame_index);
    TogglePlay(*engine); // Play
    float sample = 0.0f;
    Render(*engine, &sample, 1);
    EXPECT_EQ(Get(engine->state.frame_index), frame + 1);
    EXPECT_EQ(Get(engine->state.period_position), (position + 1) % length);
    EXPECT_EQ(Get(engine->state.output_gain), 1.0);
    EXPECT_NE(sample, 0.0f);
}

TEST(OutputStage, FrameIndexWrapRunsTheFadeAgain) {
    auto engine = PreparedEngine(15);
    TogglePlay(*engine);
    RenderFrames(*engine, 1000);
    Put(engine->state.frame_index, 2147483640); // at the limit: not yet wrapped
    float sample = 0.0f;
    Render(*engine, &sample, 1);
    EXPECT_NE(sample, 0.0f);
    EXPECT_EQ(Get(engine->state.frame_index), 2147483641);
    Render(*engine, &sample, 1); // above the limit: back to 0, weight 0
    EXPECT_EQ(sample, 0.0f);
    EXPECT_EQ(Get(engine->state.frame_index), 1);
    const std::vector<float> out = RenderFrames(*engine, 200);
    EXPECT_LT(std::fabs(out[0]), std::fabs(out[150]) * 1e-3f); // frame 1 weighs 1e-10
}

TEST(OutputStage, FilterStateNeverTurnsSubnormalInSilence) {
    // Without resonance the state decays geometrically and, left alone, sticks at the smallest
    // subnormal numbers; with full resonance it rings on and never gets there.
    for (int resonance : {0, 50}) {
        auto engine = PreparedEngine(16);
        Move(*engine, id::kMasterVolume, 1500);
        Move(*engine, id::kRes, resonance);
        TogglePlay(*engine);
        RenderFrames(*engine, 2000); // the impulse
        Move(*engine, id::kMasterVolume, 0);
        RenderFrames(*engine, 441000); // ten seconds of zeros
        const MasterFilter& f = engine->filter;
        for (double v : {f.y1, f.y2, f.y3, f.y4, f.x_prev, f.y1_prev, f.y2_prev, f.y3_prev}) {
            EXPECT_NE(std::fpclassify(v), FP_SUBNORMAL) << "resonance " << resonance << ": " << v;
        }
    }
}

#if defined(__SSE__)
TEST(OutputStage, RenderRestoresTheCallersFloatingPointMode) {
    auto engine = PreparedEngine(17);
    TogglePlay(*engine);
    const unsigned saved = _mm_getcsr();
    for (unsigned mode : {saved & ~0x8040u, saved | 0x8040u, (saved & ~0x8040u) | 0x6000u}) {
        _mm_setcsr(mode);
        RenderFrames(*engine, 300);
        const unsigned after = _mm_getcsr();
        _mm_setcsr(saved);
        EXPECT_EQ(after & ~0x3fu, mode & ~0x3fu); // exception flags aside
    }
}
#endif

} // namespace
} // namespace vortane
