// The voice's parts on plain parameters: the shaper (and the display's rows from it), the oscillator
// and the output stage.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>
#include <random>
#include <vector>

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

#include "engine/bezier_shaper.h"
#include "engine/oscillator.h"
#include "engine/voice.h"
#include "engine/waveform_rows.h"
#include "stochastic/random_source.h"
#include "tests/engine/voice_test_access.h"

namespace vortane {
namespace {

TEST(WaveformRows, InitialSettingsDrawTheKnownTrace) {
    const auto rows = ComputeDisplayRows(0.5f, 0.06f, 0.75f, 0.95f);
    EXPECT_EQ(rows[0], 100);
    for (size_t i = 100; i <= 120; ++i) {
        EXPECT_NEAR(rows[i], 125, 1) << i;
    }
    EXPECT_NEAR(rows[323], 74, 1);
    EXPECT_NEAR(rows[399], 99, 1); // 399 ÷ 400: the period's end is not drawn
}

// The oscillator shapes a group of samples at once, each lane with its own curve (a group can span
// two periods): every lane must hold the scalar shaper's bits, folded curves and wild phases
// included, whatever the group's width.
template <int kLanes> void ExpectLanesEqualTheScalarShaper() {
    using Float = typename Lanes<kLanes>::Float;
    std::mt19937 random(5);
    std::uniform_real_distribution<float> coordinate(-0.5f, 1.6f);
    std::uniform_real_distribution<float> phase(-0.1f, 1.1f);
    for (int trial = 0; trial < 20000; ++trial) {
        Float x1, y1, x2, y2, t;
        for (int lane = 0; lane < kLanes; ++lane) {
            x1[lane] = coordinate(random);
            y1[lane] = coordinate(random);
            x2[lane] = coordinate(random);
            y2[lane] = coordinate(random);
            t[lane] = phase(random);
        }
        BezierCurveGroup<kLanes> curves;
        curves.Init(x1, y1, x2, y2);
        Float rows;
        curves.Row(t, rows);
        for (int lane = 0; lane < kLanes; ++lane) {
            const float scalar = BezierShaper(t[lane], x1[lane], y1[lane], x2[lane], y2[lane]);
            ASSERT_EQ(std::bit_cast<uint32_t>(rows[lane]), std::bit_cast<uint32_t>(scalar))
                << kLanes << " lanes, trial " << trial << " lane " << lane;
        }
    }
}

TEST(BezierShaper, EveryLaneEqualsTheScalarShaper) {
    ExpectLanesEqualTheScalarShaper<4>();
    ExpectLanesEqualTheScalarShaper<8>();
    ExpectLanesEqualTheScalarShaper<16>();
}

TEST(BezierShaper, FlatSlopeAndNotANumberAreGuarded) {
    // x1 = 0.5, x2 = −0.5: the slope at u = 0.5 is exactly 0, so the first step must be a plain
    // u − (x(u) − t); a division by zero would end at u = 0, row 100.
    const float row = BezierShaper(0.5f, 0.5f, 0.06f, -0.5f, 0.95f);
    EXPECT_TRUE(std::isfinite(row));
    EXPECT_NE(row, 100.0f);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(BezierShaper(nan, 0.5f, 0.06f, 0.75f, 0.95f), 100.0f);
    EXPECT_EQ(BezierShaper(0.5f, inf, 0.06f, 0.75f, 0.95f), 100.0f); // inf − inf in the coefficients
}

// One oscillator on its own, stepped a frame at a time after a start reset.
struct Stepper {
    explicit Stepper(uint64_t seed, bool restart = true) {
        random.Seed(seed);
        oscillator.Init();
        if (restart) {
            oscillator.Restart();
        }
    }
    float Step() {
        OscillatorPlan plan;
        oscillator.Plan(params, random, plan, 1);
        std::array<float, 4> out{};
        ShapeGroup<4>(plan, 0, out.data());
        return out[0];
    }
    OscillatorParams params;
    RandomSource random;
    Oscillator oscillator;
};

TEST(Oscillator, VolumeZeroGivesExactSilence) {
    Stepper s(4);
    s.params.walk_on = {true, true, true, true};
    s.params.master_volume = 0.0f;
    for (int i = 0; i < 44100; ++i) {
        ASSERT_EQ(s.Step(), 0.0f);
    }
    EXPECT_GT(s.oscillator.period_walk().period_count, 50); // periods did run
}

// F = 1000 and D = 60 put the lower barrier at 1; "PriC" with step size 5 folded by B = 2 shortens
// the period a sample at a time until "SOnLimits" holds it at 1, where every sample is phase 0.
TEST(Oscillator, PeriodOfOneSampleStaysOnTheCentreLine) {
    Stepper s(5);
    PeriodWalkParams& p = s.params.period;
    p.frequency_setting = 1000;
    p.secondary_barrier = 60.0f;
    p.step.primary_step_size = 5.0f;
    p.primary_step_barrier = 2;
    p.primary_mode = PrimaryMode::Constant;
    p.behaviour = BarrierBehaviour::OnLimits;
    s.params.master_volume = 1500.0f;
    int at_length_one = 0;
    for (int i = 0; i < 20000; ++i) {
        const float sample = s.Step();
        if (s.oscillator.length() == 1) {
            ++at_length_one;
            ASSERT_EQ(sample, 0.0f);
        }
    }
    EXPECT_GT(at_length_one, 19000);
}

// Before the first start reset the position runs free. Run it on past the point where a 32-bit count
// comes round to 0 (about 27 hours in all): no period starts in the silence, and the first start then
// plays exactly as on an oscillator that never waited.
TEST(Oscillator, DaysWithoutPlayStartNoPeriodAndThenPlayAsFresh) {
    Stepper idle(6, false), fresh(6);
    idle.params.walk_on = fresh.params.walk_on = {true, true, true, true};
    OscillatorPlan plan;
    for (int64_t done = 0; done < (int64_t{1} << 31) + 2000; done += OscillatorPlan::kMaxFrames) {
        idle.oscillator.Plan(idle.params, idle.random, plan, OscillatorPlan::kMaxFrames);
    }
    EXPECT_EQ(idle.oscillator.length(), 0);
    EXPECT_EQ(idle.oscillator.period_walk().period_count, 0);

    idle.oscillator.Restart();
    std::vector<float> played, expected;
    for (int i = 0; i < 4096; ++i) {
        played.push_back(idle.Step());
        expected.push_back(fresh.Step());
    }
    EXPECT_EQ(played, expected);
    EXPECT_NE(*std::max_element(played.begin(), played.end()), 0.0f);
}

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
