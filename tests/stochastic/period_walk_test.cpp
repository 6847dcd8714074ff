#include "stochastic/period_walk.h"

#include <tuple>

#include <gtest/gtest.h>

#include "engine/control_events.h"
#include "engine/control_ids.h"
#include "engine/engine.h"
#include "stochastic/barrier_fold.h"

namespace vortane {
namespace {

using BarrierCase = std::tuple<int, float, int32_t, int32_t>; // F, D, Lo, Hi

class PeriodBarrierCase : public testing::TestWithParam<BarrierCase> {};

TEST_P(PeriodBarrierCase, MatchesTheTable) {
    const auto [f, d, lo, hi] = GetParam();
    const PeriodBarriers b = ComputePeriodBarriers(f, d);
    EXPECT_EQ(b.lo, lo);
    EXPECT_EQ(b.hi, hi);
}

INSTANTIATE_TEST_SUITE_P(Settings, PeriodBarrierCase,
                         testing::Values(BarrierCase{180, 36.0f, 51, 413}, BarrierCase{70, 0.2f, 623, 630},
                                         BarrierCase{1000, 60.0f, 1, 44}, BarrierCase{1000, 0.2f, 44, 44},
                                         BarrierCase{899, 0.2f, 56, 56}, BarrierCase{900, 0.2f, 55, 56}));

TEST(PeriodBarriers, HiDependsOnlyOnFrequencyAndLoNeverPassesIt) {
    for (int d = 2; d <= 600; ++d) {
        const float semitones = static_cast<float>(d / 10.0);
        EXPECT_EQ(ComputePeriodBarriers(70, semitones).hi, 630) << d;
        EXPECT_EQ(ComputePeriodBarriers(1000, semitones).hi, 44) << d;
        for (int f = 70; f <= 1000; f += 31) {
            const PeriodBarriers b = ComputePeriodBarriers(f, semitones);
            ASSERT_GE(b.lo, 1);
            ASSERT_LE(b.lo, b.hi);
        }
    }
}

TEST(PrimaryFold, ReflectsAtTheBarrier) {
    EXPECT_EQ(FoldPrimary(35, 30), 25);
    EXPECT_EQ(FoldPrimary(-35, 30), -25);
    EXPECT_EQ(FoldPrimary(30, 30), 30);
    EXPECT_EQ(FoldPrimary(-30, 30), -30);
    EXPECT_EQ(FoldPrimary(5, 2), -1);
    EXPECT_EQ(FoldPrimary(11, 2), 1); // 11 -> -7 -> 3 -> 1
    EXPECT_EQ(FoldPrimary(677, 2), -1);
    EXPECT_EQ(FoldPrimary(12, 0), 0); // before its slider exists the barrier is 0
}

using FoldCase = std::tuple<int, int64_t, float, int32_t>; // option, length, u, result with Lo 51, Hi 413

class SecondaryFoldCase : public testing::TestWithParam<FoldCase> {};

TEST_P(SecondaryFoldCase, BringsTheLengthBack) {
    const auto [option, length, u, expected] = GetParam();
    ControlPanel panel;
    panel.SelectOption(option);
    EXPECT_EQ(FoldPeriodLength(length, PeriodBarriers{51, 413}, u, panel), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Behaviours, SecondaryFoldCase,
    testing::Values(FoldCase{id::kSMirror, 40, 0.0f, 62}, FoldCase{id::kSMirror, 420, 0.0f, 406},
                    FoldCase{id::kSMirror, 51, 0.0f, 51}, FoldCase{id::kSMirror, 413, 0.0f, 413},
                    FoldCase{id::kSMirror, 900, 0.0f, 176}, FoldCase{id::kSLoMirHiLo, 420, 0.0f, 51},
                    FoldCase{id::kSLoMirHiLo, 40, 0.0f, 62}, FoldCase{id::kSLoMirHiLo, -400, 0.0f, 51},
                    FoldCase{id::kSCentred, 40, 0.0f, 232}, FoldCase{id::kSCentred, 420, 0.0f, 232},
                    FoldCase{id::kSOnLimits, 40, 0.0f, 51}, FoldCase{id::kSOnLimits, 420, 0.0f, 413},
                    FoldCase{id::kSOppLimits, 40, 0.0f, 413}, FoldCase{id::kSOppLimits, 420, 0.0f, 51},
                    FoldCase{id::kSRandom, 40, 0.5f, 232}, FoldCase{id::kSRandom, 420, 0.5f, 232},
                    FoldCase{id::kSRandom, 40, 0.25f, 142}, FoldCase{id::kSRandom, 420, 0.25f, 322},
                    FoldCase{id::kSRandom, 0, 1.0f, 413}));

TEST(SecondaryFold, EndsOnTheCommonValueWhenLoEqualsHi) {
    ControlPanel panel;
    for (int option = id::kSMirror; option <= id::kSLoMirHiLo; ++option) {
        panel.SelectOption(option);
        for (int64_t length : {-5, 0, 43, 45, 900}) {
            EXPECT_EQ(FoldPeriodLength(length, PeriodBarriers{44, 44}, 0.3f, panel), 44) << option;
        }
    }
}

TEST(SecondaryFold, NoBehaviourSelectedClampsInsteadOfSpinning) {
    ControlPanel panel;
    panel.SetState(id::kSMirror, 0);
    EXPECT_EQ(FoldPeriodLength(7, PeriodBarriers{51, 413}, 0.5f, panel), 51);
    EXPECT_EQ(FoldPeriodLength(700, PeriodBarriers{51, 413}, 0.5f, panel), 413);
    EXPECT_EQ(FoldPeriodLength(200, PeriodBarriers{51, 413}, 0.5f, panel), 200);
}

class PeriodWalkTest : public testing::Test {
protected:
    void SetUp() override {
        PrepareAsAtStartup(engine);
        engine.random.Seed(7);
    }
    void StopDistributions() { engine.panel.SetState(id::kCauchy, 0); }
    Engine engine;
};

TEST_F(PeriodWalkTest, PriWAddsTheStepBeforeTheLengthMoves) {
    StopDistributions();
    engine.period_walk.frequency_step = 3;
    engine.period_walk.period_length = 100;
    EXPECT_EQ(NextPeriodLength(engine), 103);
    EXPECT_EQ(NextPeriodLength(engine), 109);
    EXPECT_EQ(NextPeriodLength(engine), 118);
    EXPECT_EQ(engine.period_walk.primary_value, 9);
}

TEST_F(PeriodWalkTest, PriRWithAZeroStepHoldsTheLength) {
    StopDistributions();
    engine.panel.SelectOption(id::kPriR);
    engine.period_walk.primary_value = 12;
    engine.period_walk.period_length = 200;
    EXPECT_EQ(NextPeriodLength(engine), 200);
    EXPECT_EQ(engine.period_walk.primary_value, 0);
}

TEST_F(PeriodWalkTest, PriCHoldsTheRoundedStepSize) {
    engine.panel.SelectOption(id::kPriC);
    for (auto [step_size, barrier, primary] :
         {std::tuple{0.5f, 30, 1}, {1.5f, 30, 2}, {2.5f, 30, 2}, {5.0f, 30, 5}, {5.0f, 2, -1}}) {
        Put(engine.state.primary_step_size, step_size);
        Put(engine.state.primary_step_barrier, barrier);
        engine.period_walk.period_length = 200;
        EXPECT_EQ(NextPeriodLength(engine), 200 + primary) << step_size;
        EXPECT_EQ(engine.period_walk.primary_value, primary) << step_size;
    }
}

// Armed at the first call; the jump to Lo comes at the call whose count passes the interval.
TEST_F(PeriodWalkTest, PriCResetsToLoAfterItsInterval) {
    engine.panel.SelectOption(id::kPriC);
    engine.period_walk.period_length = 300;
    NextPeriodLength(engine);
    ASSERT_EQ(engine.period_walk.reset_armed, 1);
    const int32_t interval = engine.period_walk.reset_interval;
    ASSERT_GE(interval, 20);
    ASSERT_LE(interval, 200);
    for (int32_t call = 2; call <= interval; ++call) {
        EXPECT_NE(NextPeriodLength(engine), 51);
        EXPECT_EQ(engine.period_walk.period_count.load(), call);
    }
    EXPECT_EQ(NextPeriodLength(engine), 51);
    EXPECT_EQ(engine.period_walk.period_count.load(), 0);
    EXPECT_EQ(engine.period_walk.reset_armed, 0);
}

TEST_F(PeriodWalkTest, PriCAfterALongRunResetsAtOnce) {
    engine.panel.SelectOption(id::kPriC);
    engine.period_walk.period_count = 5000;
    engine.period_walk.period_length = 300;
    EXPECT_EQ(NextPeriodLength(engine), 51);
}

TEST_F(PeriodWalkTest, PeriodCountWraps) {
    engine.period_walk.period_count = kPeriodCountWrap - 1;
    NextPeriodLength(engine);
    EXPECT_EQ(engine.period_walk.period_count.load(), kPeriodCountWrap);
    NextPeriodLength(engine);
    EXPECT_EQ(engine.period_walk.period_count.load(), 0);
}

TEST_F(PeriodWalkTest, EqualBarriersHoldThePeriod) {
    Put(engine.state.secondary_barrier, 0.2f);
    for (auto [f, common] : {std::pair{1000, 44}, {899, 56}}) {
        Put(engine.state.frequency_setting, f);
        for (int i = 0; i < 200; ++i) {
            ASSERT_EQ(NextPeriodLength(engine), common);
        }
    }
}

} // namespace
} // namespace vortane
