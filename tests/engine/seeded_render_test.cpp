#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <tuple>
#include <vector>

#include "render_test_util.h"
#include "stochastic/period_walk.h"

namespace vortane {
namespace {

using test::Move;
using test::PreparedEngine;

// distribution option, walk mode option, barrier behaviour option, Negative boxes ticked
using Extreme = std::tuple<int, int, int, bool>;

class ExtremeSettings : public ::testing::TestWithParam<Extreme> {};

// Loudest, shortest and most resonant settings with every walk on: the output stays finite, the
// period within the current barriers and every control point within its range.
TEST_P(ExtremeSettings, LongRenderKeepsEveryInvariant) {
    const auto [distribution, mode, behaviour, negative] = GetParam();
    auto engine = PreparedEngine(static_cast<uint64_t>(distribution * 10000 + mode * 100 + behaviour));
    Engine& e = *engine;
    e.panel.SelectOption(distribution);
    e.panel.SelectOption(mode);
    e.panel.SelectOption(behaviour);
    Move(e, id::kMasterVolume, 1500);
    Move(e, id::kRes, 100);
    Move(e, id::kFrq, 5000);
    Move(e, id::kFrequencySetting, 1000);
    Move(e, id::kSecondaryBarrier, 600);
    Move(e, id::kPrimaryStepSize, 500);
    Move(e, id::kProbabilityWidth, 30);
    Move(e, id::kX1Max, 115);
    for (int k = 0; k < kCoordinateCount; ++k) {
        Move(e, id::kX1Negative + k, negative ? 1 : 0);
        Move(e, id::kX1StepSize + k, 100);
        Move(e, id::kX1Barrier + k, 100);
    }
    test::SwitchAllWalks(e, 1);
    TogglePlay(e);

    std::vector<float> out(64);
    for (int block = 0; block < 1400; ++block) { // about two seconds
        if (block == 700) { // a second half at other barriers and another Negative choice
            Move(e, id::kFrequencySetting, 70);
            Move(e, id::kSecondaryBarrier, 2);
            Move(e, id::kPrimaryStepBarrier, 200);
            Move(e, id::kX1Negative, negative ? 0 : 1);
            Move(e, id::kY2Negative, negative ? 0 : 1);
        }
        Render(e, out.data(), out.size());
        for (float sample : out) {
            ASSERT_TRUE(std::isfinite(sample)) << "block " << block;
        }
        const PeriodBarriers barriers =
            ComputePeriodBarriers(Get(e.state.frequency_setting), Get(e.state.secondary_barrier));
        const int length = Get(e.state.period_length);
        if (block != 700) { // the new barriers hold from the next period start on
            ASSERT_GE(length, barriers.lo) << "block " << block;
            ASSERT_LE(length, barriers.hi) << "block " << block;
        }
        ASSERT_GE(length, 1);
        ASSERT_GE(Get(e.state.x1), 0.01f);
        ASSERT_LE(Get(e.state.x1), 1.15f);
        ASSERT_GE(Get(e.state.y1), 0.0f);
        ASSERT_LE(Get(e.state.y1), 0.79f);
        ASSERT_GE(Get(e.state.x2), 0.01f);
        ASSERT_LE(Get(e.state.x2), 0.99f);
        ASSERT_GE(Get(e.state.y2), 0.80f);
        ASSERT_LE(Get(e.state.y2), 1.49f);
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryDistributionModeAndBehaviour, ExtremeSettings,
    ::testing::Combine(::testing::Values(id::kCauchy, id::kLogistic, id::kUniform, id::kArcSin),
                       ::testing::Values(id::kPriW, id::kPriR, id::kPriC),
                       ::testing::Values(id::kSMirror, id::kSRandom, id::kSCentred, id::kSOnLimits,
                                         id::kSOppLimits, id::kSLoMirHiLo),
                       ::testing::Bool()));

// Buffer size is PortAudio's choice; the samples must not depend on it.
TEST(SeededRender, SameSamplesWhateverTheBufferSize) {
    const auto render = [](size_t block) {
        auto engine = PreparedEngine(4242);
        test::SwitchAllWalks(*engine, 1);
        Move(*engine, id::kRes, 90);
        std::vector<float> out;
        for (int phase = 0; phase < 4; ++phase) {
            TogglePlay(*engine); // Play, Stop, Play, Stop at buffer-independent frames
            const std::vector<float> part = test::RenderFrames(*engine, 1024 * 40, block);
            out.insert(out.end(), part.begin(), part.end());
        }
        return out;
    };
    const std::vector<float> single = render(1);
    const std::vector<float> small = render(64);
    const std::vector<float> large = render(1024);
    ASSERT_EQ(single.size(), large.size());
    EXPECT_EQ(std::memcmp(single.data(), small.data(), single.size() * sizeof(float)), 0);
    EXPECT_EQ(std::memcmp(single.data(), large.data(), single.size() * sizeof(float)), 0);
    EXPECT_NE(single[1024 * 20], 0.0f);
}

} // namespace
} // namespace vortane
