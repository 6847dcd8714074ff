#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

#include "render_test_util.h"

namespace vortane {
namespace {

using test::PreparedEngine;
using test::RenderFrames;

TEST(OutputStage, ExactSilenceBeforeTheFirstPlay) {
    auto engine = PreparedEngine(11);
    for (float sample : RenderFrames(*engine, 44100)) {
        ASSERT_EQ(sample, 0.0f);
    }
}

// The same seed twice: once from frame 0, once with the frame index moved past the fade after
// the start reset. Weight w = (frame ÷ 100)^5: 0 at frame 0, 0.03125 at 50, 1 from 100 on.
TEST(OutputStage, FirstHundredFramesFadeInByTheFifthPower) {
    auto faded = PreparedEngine(13);
    auto full = PreparedEngine(13);
    TogglePlay(*faded);
    TogglePlay(*full);
    FrameUpdate(*full);
    Put(full->state.frame_index, 100);
    const std::vector<float> a = RenderFrames(*faded, 300, 64);
    const std::vector<float> b = RenderFrames(*full, 300, 64);
    EXPECT_EQ(a[0], 0.0f);
    ASSERT_NE(b[50], 0.0f);
    EXPECT_EQ(a[50], b[50] * 0.03125f);
    EXPECT_NEAR(a[80], b[80] * std::pow(0.8f, 5.0f), 1e-6f * std::fabs(b[80]));
    for (size_t i = 100; i < a.size(); ++i) {
        ASSERT_EQ(a[i], b[i]) << "frame " << i;
    }
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
    const int frame = Get(engine->state.frame_index);
    TogglePlay(*engine); // Play
    float sample = 0.0f;
    Render(*engine, &sample, 1);
    EXPECT_NE(sample, 0.0f);
    EXPECT_EQ(Get(engine->state.frame_index), frame + 1);
    EXPECT_EQ(Get(engine->state.period_position), (position + 1) % Get(engine->state.period_length));
}

// Also within a buffer: the index passes the limit at its second frame.
TEST(OutputStage, FrameIndexWrapRunsTheFadeAgain) {
    auto engine = PreparedEngine(15);
    TogglePlay(*engine);
    RenderFrames(*engine, 1000);
    Put(engine->state.frame_index, 2147483640); // at the limit: not yet wrapped
    float samples[3];
    Render(*engine, samples, 3);
    EXPECT_NE(samples[0], 0.0f);
    EXPECT_EQ(samples[1], 0.0f); // above the limit: back to 0, weight 0
    EXPECT_EQ(Get(engine->state.frame_index), 2);
}

// Without resonance the state decays geometrically and, left alone, sticks at subnormal numbers.
TEST(OutputStage, FilterStateNeverTurnsSubnormalInSilence) {
    auto engine = PreparedEngine(16);
    test::Move(*engine, id::kMasterVolume, 1500);
    test::Move(*engine, id::kRes, 0);
    TogglePlay(*engine);
    RenderFrames(*engine, 2000); // the impulse
    test::Move(*engine, id::kMasterVolume, 0);
    RenderFrames(*engine, 441000); // ten seconds of zeros
    const MasterFilter& f = engine->filter;
    for (double v : {f.y1, f.y2, f.y3, f.y4, f.x_prev, f.y1_prev, f.y2_prev, f.y3_prev}) {
        EXPECT_NE(std::fpclassify(v), FP_SUBNORMAL) << v;
    }
}

#if defined(__SSE__)
TEST(OutputStage, RenderRestoresTheCallersFloatingPointMode) {
    auto engine = PreparedEngine(17);
    TogglePlay(*engine);
    const unsigned saved = _mm_getcsr();
    for (unsigned mode : {saved & ~0x8040u, (saved & ~0x8040u) | 0x6000u}) { // and rounding towards zero
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
