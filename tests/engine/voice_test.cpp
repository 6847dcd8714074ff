#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

#include "engine/voice.h"
#include "tests/engine/voice_test_access.h"

namespace vortane {
namespace {

// A voice with its gate open, rendered in blocks; each event is handed over once.
struct VoiceTest : ::testing::Test {
    void Play(uint64_t seed) {
        voice.Init(seed);
        params.gate = true;
    }
    void Run(size_t frames) {
        float block[256];
        for (size_t done = 0; done < frames; done += std::size(block)) {
            voice.Render(params, block, std::min(std::size(block), frames - done));
            params.events = 0;
        }
    }
    Voice voice;
    VoiceParams params;
};

// Also within a block: the index passes the limit at its second frame.
TEST_F(VoiceTest, FrameIndexWrapRunsTheFadeAgain) {
    Play(16);
    Run(1000);
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
    Run(2000); // the impulse
    params.oscillator.master_volume = 0.0f;
    Run(441000); // ten seconds of zeros
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
        Run(300);
        const unsigned after = _mm_getcsr();
        _mm_setcsr(saved);
        EXPECT_EQ(after & ~0x3fu, mode & ~0x3fu); // exception flags aside
    }
}
#endif

} // namespace
} // namespace vortane
