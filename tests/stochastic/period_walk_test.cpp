#include "stochastic/period_walk.h"

#include <algorithm>
#include <cstdlib>
#include <tuple>

#include <gtest/gtest.h>

#include "engine/control_events.h"
#include "engine/control_ids.h"
#include "engine/engine.h"
#include "stochastic/barrier_fold.h"

namespace vortane {
namespace {

TEST(PeriodBarriers, MatchTheTable) {
    // F, D, Lo, Hi
    const std::tuple<int, float, int32_t, int32_t> kCases[] = {
        {180, 36.0f, 51, 413}, {70, 0.2f, 623, 630}, {1000, 60.0f, 1, 44}, {1000, 0.2f, 44, 44}};
    for (auto [f, d, lo, hi] : kCases) {
        const PeriodBarriers b = ComputePeriodBarriers(f, d);
        EXPECT_EQ(b.lo, lo) << f << " " << d;
        EXPECT_EQ(b.hi, hi) << f << " " << d;
    }
}

TEST(PrimaryFold, ReflectsAtTheBarrier) {
    EXPECT_EQ(FoldPrimary(35, 30), 25);
    EXPECT_EQ(FoldPrimary(-35, 30), -25);
    EXPECT_EQ(FoldPrimary(5, 2), -1);
    EXPECT_EQ(FoldPrimary(12, 0), 0); // a barrier below 1 must not loop forever
}

// Each behaviour on each side, with Lo 51 and Hi 413 (and u 0.25 for "SRandom").
TEST(SecondaryFold, BringsTheLengthBackByTheSelectedBehaviour) {
    struct Case {
        int option;
        int32_t from_40;
        int32_t from_420;
    };
    constexpr Case kCases[] = {{id::kSMirror, 62, 406},    {id::kSLoMirHiLo, 62, 51},
                               {id::kSCentred, 232, 232},  {id::kSOnLimits, 51, 413},
                               {id::kSOppLimits, 413, 51}, {id::kSRandom, 142, 322}};
    for (const Case& c : kCases) {
        ControlPanel panel;
        panel.SelectOption(c.option);
        EXPECT_EQ(FoldPeriodLength(40, PeriodBarriers{51, 413}, 0.25f, panel), c.from_40) << c.option;
        EXPECT_EQ(FoldPeriodLength(420, PeriodBarriers{51, 413}, 0.25f, panel), c.from_420) << c.option;
    }
    ControlPanel mirror;
    EXPECT_EQ(FoldPeriodLength(900, PeriodBarriers{51, 413}, 0.0f, mirror), 176); // 900 -> -74 -> 176
}

TEST(SecondaryFold, EndsOnTheCommonValueWhenLoEqualsHi) {
    ControlPanel panel;
    for (int option = id::kSMirror; option <= id::kSLoMirHiLo; ++option) {
        panel.SelectOption(option);
        for (int64_t length : {-5, 43, 45, 900}) {
            EXPECT_EQ(FoldPeriodLength(length, PeriodBarriers{44, 44}, 0.3f, panel), 44) << option;
        }
    }
}

// "PriC" holds s rounded with ties to even, at least 1, folded at the primary barrier.
TEST(PeriodWalk, PriCHoldsTheRoundedStepSize) {
    Engine engine;
    PrepareAsAtStartup(engine);
    engine.random.Seed(7);
    engine.panel.SelectOption(id::kPriC);
    for (auto [step_size, barrier, primary] :
         {std::tuple{0.4f, 30, 1}, {1.5f, 30, 2}, {2.5f, 30, 2}, {5.0f, 30, 5}, {5.0f, 2, -1}}) {
        Put(engine.state.primary_step_size, step_size);
        Put(engine.state.primary_step_barrier, barrier);
        engine.period_walk.period_length = 200;
        EXPECT_EQ(NextPeriodLength(engine), 200 + primary) << step_size;
        EXPECT_EQ(engine.period_walk.primary_value, primary) << step_size;
    }
}

class PeriodWalkInvariants : public testing::TestWithParam<std::tuple<int, int, int>> {};

// Corner settings drawn anew every 50 periods, so that the barriers jump, and a behaviour group left
// empty now and then: the period stays within the barriers of its own call and at least 1, and the
// primary value within +-B.
TEST_P(PeriodWalkInvariants, StaysWithinBarriersAtExtremeSettings) {
    const auto [distribution, primary_mode, behaviour] = GetParam();
    Engine engine;
    PrepareAsAtStartup(engine);
    engine.random.Seed(static_cast<uint64_t>(distribution * 10000 + primary_mode * 100 + behaviour));
    engine.panel.SelectOption(distribution);
    engine.panel.SelectOption(primary_mode);
    int barrier = 0;
    for (int i = 0; i < 6000; ++i) {
        if (i % 50 == 0) {
            const int corner = engine.random.UniformInt(63);
            const int f = (corner & 1) != 0 ? 70 : (corner & 2) != 0 ? 899 : 1000;
            Put(engine.state.frequency_setting, f);
            Put(engine.state.secondary_barrier, (corner & 4) != 0 ? 0.2f : 60.0f);
            barrier = (corner & 8) != 0 ? 2 : 200;
            Put(engine.state.primary_step_barrier, barrier);
            engine.panel.SetState(id::kPrimaryStepSize, (corner & 16) != 0 ? 50 : 500);
            ApplyControlEvent(engine, id::kPrimaryStepSize);
            Put(engine.state.probability_width, (corner & 32) != 0 ? 0.1f : 3.0f);
            engine.panel.SelectOption(behaviour);
        }
        if (i % 500 == 450) {
            engine.panel.SetState(behaviour, 0);
        }
        const PeriodBarriers b =
            ComputePeriodBarriers(Get(engine.state.frequency_setting), Get(engine.state.secondary_barrier));
        const int32_t length = NextPeriodLength(engine);
        ASSERT_GE(length, std::max(b.lo, 1)) << i;
        ASSERT_LE(length, b.hi) << i;
        ASSERT_LE(std::abs(engine.period_walk.primary_value), barrier) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(AllModes, PeriodWalkInvariants,
                         testing::Combine(testing::Values(id::kCauchy, id::kLogistic, id::kUniform,
                                                          id::kArcSin),
                                          testing::Values(id::kPriW, id::kPriR, id::kPriC),
                                          testing::Values(id::kSMirror, id::kSCentred, id::kSRandom,
                                                          id::kSOnLimits, id::kSOppLimits, id::kSLoMirHiLo)));

} // namespace
} // namespace vortane
