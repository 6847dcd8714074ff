#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

#include "engine/voice.h"
#include "tests/engine/voice_test_access.h"

namespace vortane {
namespace {

std::vector<float> RenderFrames(Voice& voice, VoiceParams& params, size_t frames, size_t block = 256) {
    std::vector<float> out(frames);
    for (size_t done = 0; done < frames; done += block) {
        voice.Render(params, out.data() + done, std::min(block, frames - done));
        params.events = 0; // each event is handed over once
    }
    return out;
}

struct VoiceTest : ::testing::Test {
    void Play(uint64_t seed) {
        voice.Init(seed);
        params.gate = true;
    }
    Voice voice;
    VoiceParams params;
};

// The same seed twice: once from frame 0, once with the frame index moved past the fade after
// the start reset. Weight w = (frame ÷ 100)^5: 0 at frame 0, 0.03125 at 50, 1 from 100 on.
TEST_F(VoiceTest, FirstHundredFramesFadeInByTheFifthPower) {
    Play(13);
    Voice full;
    full.Init(13);
    float first = 0.0f;
    full.Render(params, &first, 1);
    VoiceTestAccess::SetFrameIndex(full, 101);
    const std::vector<float> a = RenderFrames(voice, params, 300, 64);
    std::vector<float> b = RenderFrames(full, params, 299, 64);
    b.insert(b.begin(), first);
    EXPECT_EQ(a[0], 0.0f);
    ASSERT_NE(b[50], 0.0f);
    EXPECT_EQ(a[50], b[50] * 0.03125f);
    EXPECT_NEAR(a[80], b[80] * std::pow(0.8f, 5.0f), 1e-6f * std::fabs(b[80]));
    for (size_t i = 100; i < a.size(); ++i) {
        ASSERT_EQ(a[i], b[i]) << "frame " << i;
    }
}

// Exact silence until the gate first opens. Stop then Play restarts the sound at once, mid-period
// and without a fade; a restart event (the last MIDI note released) makes the next opening a fresh
// start reset with its fade.
TEST_F(VoiceTest, GateReopensWithoutFadeUnlessRestarted) {
    voice.Init(14);
    for (float silent : RenderFrames(voice, params, 44100)) {
        ASSERT_EQ(silent, 0.0f);
    }
    params.gate = true;
    RenderFrames(voice, params, 1000);
    params.gate = false;
    params.events = VoiceParams::kStop;
    float sample = 0.0f;
    voice.Render(params, &sample, 1);
    EXPECT_LE(voice.oscillator().period_walk().period_count, 1); // Stop restarts the count
    for (float silent : RenderFrames(voice, params, 500)) {
        ASSERT_EQ(silent, 0.0f);
    }
    const int position = voice.oscillator().position();
    const int frame = voice.frame_index();
    params.gate = true;
    voice.Render(params, &sample, 1);
    EXPECT_NE(sample, 0.0f);
    EXPECT_EQ(voice.frame_index(), frame + 1);
    EXPECT_EQ(voice.oscillator().position(), (position + 1) % voice.oscillator().length());

    params.events = VoiceParams::kRestart;
    voice.Render(params, &sample, 1);
    EXPECT_EQ(sample, 0.0f); // weight 0 at frame 0
    EXPECT_EQ(voice.oscillator().position(), 0);
}

// A slider's write lands at the next block and holds until a walk moves the coordinate; X1 is
// written by no slider.
TEST_F(VoiceTest, WrittenPointsOverrideUntilTheWalkMovesThem) {
    Play(15);
    params.points = {0.9f, 0.3f, 0.4f, 1.2f};
    params.events = VoiceParams::PointWritten(Coordinate::Y1) | VoiceParams::PointWritten(Coordinate::X2);
    RenderFrames(voice, params, 64);
    EXPECT_EQ(voice.oscillator().point(Coordinate::X1), 0.5f);
    EXPECT_EQ(voice.oscillator().point(Coordinate::Y1), 0.3f);
    EXPECT_EQ(voice.oscillator().point(Coordinate::X2), 0.4f);
    EXPECT_EQ(voice.oscillator().point(Coordinate::Y2), 0.95f);
    params.oscillator.walk_on[1] = true;
    RenderFrames(voice, params, 4096);
    EXPECT_NE(voice.oscillator().point(Coordinate::Y1), 0.3f);
    EXPECT_EQ(voice.oscillator().point(Coordinate::X2), 0.4f);
}

// Also within a block: the index passes the limit at its second frame.
TEST_F(VoiceTest, FrameIndexWrapRunsTheFadeAgain) {
    Play(16);
    RenderFrames(voice, params, 1000);
    VoiceTestAccess::SetFrameIndex(voice, Voice::kFrameIndexLimit); // at the limit: not yet wrapped
    float samples[3];
    voice.Render(params, samples, 3);
    EXPECT_NE(samples[0], 0.0f);
    EXPECT_EQ(samples[1], 0.0f); // above the limit: back to 0, weight 0
    EXPECT_EQ(voice.frame_index(), 2);
}

// Without resonance the state decays geometrically and, left alone, sticks at subnormal numbers.
TEST_F(VoiceTest, FilterStateNeverTurnsSubnormalInSilence) {
    Play(17);
    params.oscillator.master_volume = 1500.0f;
    params.resonance = 0;
    RenderFrames(voice, params, 2000); // the impulse
    params.oscillator.master_volume = 0.0f;
    RenderFrames(voice, params, 441000); // ten seconds of zeros
    const MasterFilter::State& f = voice.filter().state();
    for (double v : {f.y1, f.y2, f.y3, f.y4, f.x_prev, f.y1_prev, f.y2_prev, f.y3_prev}) {
        EXPECT_NE(std::fpclassify(v), FP_SUBNORMAL) << v;
    }
}

#if defined(__SSE__)
TEST_F(VoiceTest, RenderRestoresTheCallersFloatingPointMode) {
    Play(18);
    const unsigned saved = _mm_getcsr();
    for (unsigned mode : {saved & ~0x8040u, (saved & ~0x8040u) | 0x6000u}) { // and rounding towards zero
        _mm_setcsr(mode);
        RenderFrames(voice, params, 300);
        const unsigned after = _mm_getcsr();
        _mm_setcsr(saved);
        EXPECT_EQ(after & ~0x3fu, mode & ~0x3fu); // exception flags aside
    }
}
#endif

} // namespace
} // namespace vortane
