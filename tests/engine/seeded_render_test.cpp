#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <tuple>
#include <utility>
#include <vector>

#include "render_test_util.h"
#include "stochastic/period_walk.h"

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
    auto engine = test::PreparedEngine(static_cast<uint64_t>(distribution * 10000 + mode * 100 + behaviour));
    Engine& e = *engine;
    for (int option : {distribution, mode, behaviour}) {
        e.panel.SelectOption(option);
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
        ASSERT_TRUE(Get(e.state.x1) >= 0.01f && Get(e.state.x1) <= 1.15f) << Get(e.state.x1);
        ASSERT_TRUE(Get(e.state.y1) >= 0.0f && Get(e.state.y1) <= 0.79f) << Get(e.state.y1);
        ASSERT_TRUE(Get(e.state.x2) >= 0.01f && Get(e.state.x2) <= 0.99f) << Get(e.state.x2);
        ASSERT_TRUE(Get(e.state.y2) >= 0.80f && Get(e.state.y2) <= 1.49f) << Get(e.state.y2);
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
        auto engine = test::PreparedEngine(4242);
        test::SwitchAllWalks(*engine);
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
    EXPECT_NE(single[1024 * 20], 0.0f);
    for (size_t block : {64u, 1024u}) {
        const std::vector<float> other = render(block);
        EXPECT_EQ(std::memcmp(single.data(), other.data(), single.size() * sizeof(float)), 0) << block;
    }
}

} // namespace
} // namespace vortane
