#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <tuple>
#include <utility>
#include <vector>

#include "stochastic/period_walk.h"
#include "synth_test_util.h"

namespace vortane {
namespace {

using test::Move;

// distribution option, walk mode option, barrier behaviour option, Negative boxes ticked
using Extreme = std::tuple<int, int, int, bool>;

class ExtremeSettings : public ::testing::TestWithParam<Extreme> {};

// Loudest, shortest and most resonant settings with every walk on: the output stays finite, the
// period within the current barriers and every control point within its range.
TEST_P(ExtremeSettings, LongRenderKeepsEveryInvariant) {
    const auto [distribution, mode, behaviour, negative] = GetParam();
    auto synth = test::PreparedSynth(static_cast<uint64_t>(distribution * 10000 + mode * 100 + behaviour));
    Synth& e = *synth;
    for (int option : {distribution, mode, behaviour}) {
        e.controls.panel().SelectOption(option);
    }
    // clang-format off
    const std::pair<int, int> moves[] = {{id::kMasterVolume, 1500}, {id::kRes, 100}, {id::kFrq, 5000},
        {id::kFrequencySetting, 1000}, {id::kSecondaryBarrier, 600}, {id::kPrimaryStepSize, 500},
        {id::kProbabilityWidth, 30}, {id::kX1Max, 115}};
    // clang-format on
    for (auto [id, state] : moves) {
        Move(e, id, state);
    }
    for (int k = 0; k < kCoordinateCount; ++k) {
        Move(e, id::kX1Negative + k, negative ? 1 : 0);
        Move(e, id::kX1StepSize + k, 100);
        Move(e, id::kX1Barrier + k, 100);
    }
    test::SwitchAllWalks(e);
    e.controls.TogglePlay();

    std::vector<float> out(64);
    for (int block = 0; block < 1400; ++block) { // about two seconds
        if (block == 700) { // a second half at other barriers and another Negative choice
            Move(e, id::kFrequencySetting, 70);
            Move(e, id::kSecondaryBarrier, 2);
            Move(e, id::kPrimaryStepBarrier, 200);
            Move(e, id::kX1Negative, negative ? 0 : 1);
            Move(e, id::kY2Negative, negative ? 0 : 1);
        }
        e.Render(out.data(), out.size());
        for (float sample : out) {
            ASSERT_TRUE(std::isfinite(sample)) << "block " << block;
        }
        VoiceParams params;
        e.controls.Snapshot(params);
        const PeriodBarriers barriers = ComputePeriodBarriers(params.oscillator.period.frequency_setting,
                                                              params.oscillator.period.secondary_barrier);
        const Oscillator& o = e.voice.oscillator();
        const int length = o.length();
        if (block != 700) { // the new barriers hold from the next period start on
            ASSERT_GE(length, barriers.lo) << "block " << block;
            ASSERT_LE(length, barriers.hi) << "block " << block;
        }
        ASSERT_GE(length, 1);
        const float x1 = o.point(Coordinate::X1), y1 = o.point(Coordinate::Y1);
        const float x2 = o.point(Coordinate::X2), y2 = o.point(Coordinate::Y2);
        ASSERT_TRUE(x1 >= 0.01f && x1 <= 1.15f) << x1;
        ASSERT_TRUE(y1 >= 0.0f && y1 <= 0.79f) << y1;
        ASSERT_TRUE(x2 >= 0.01f && x2 <= 0.99f) << x2;
        ASSERT_TRUE(y2 >= 0.80f && y2 <= 1.49f) << y2;
    }
}

// Every distribution, walk mode and barrier behaviour at least once, both Negative choices.
INSTANTIATE_TEST_SUITE_P(Representative, ExtremeSettings,
                         ::testing::Values(Extreme{id::kCauchy, id::kPriW, id::kSMirror, false},
                                           Extreme{id::kLogistic, id::kPriR, id::kSRandom, true},
                                           Extreme{id::kUniform, id::kPriC, id::kSCentred, false},
                                           Extreme{id::kArcSin, id::kPriW, id::kSOnLimits, true},
                                           Extreme{id::kCauchy, id::kPriR, id::kSOppLimits, true},
                                           Extreme{id::kArcSin, id::kPriC, id::kSLoMirHiLo, false}));

// Buffer size is the audio system's choice; the samples must not depend on it.
TEST(SeededRender, SameSamplesWhateverTheBufferSize) {
    const auto render = [](size_t block) {
        auto synth = test::PreparedSynth(4242);
        test::SwitchAllWalks(*synth);
        Move(*synth, id::kRes, 90);
        std::vector<float> out;
        for (int phase = 0; phase < 4; ++phase) {
            synth->controls.TogglePlay(); // Play, Stop, Play, Stop at buffer-independent frames
            const std::vector<float> part = test::RenderFrames(*synth, 1024 * 40, block);
            out.insert(out.end(), part.begin(), part.end());
        }
        return out;
    };
    const std::vector<float> single = render(1);
    EXPECT_NE(single[1024 * 20], 0.0f);
    for (size_t block : {64u, 1024u}) {
        const std::vector<float> other = render(block);
        EXPECT_EQ(std::memcmp(single.data(), other.data(), single.size() * sizeof(float)), 0) << block;
    }
}

} // namespace
} // namespace vortane
