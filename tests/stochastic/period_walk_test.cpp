#include "stochastic/period_walk.h"

#include <algorithm>
#include <cstdlib>
#include <tuple>

#include <gtest/gtest.h>

#include "stochastic/barrier_fold.h"
#include "stochastic/random_source.h"

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
    using B = BarrierBehaviour;
    struct Case {
        BarrierBehaviour behaviour;
        int32_t from_40;
        int32_t from_420;
    };
    constexpr Case kCases[] = {{B::Mirror, 62, 406},   {B::LoMirHiLo, 62, 51},  {B::Centred, 232, 232},
                               {B::OnLimits, 51, 413}, {B::OppLimits, 413, 51}, {B::Random, 142, 322},
                               {B::None, 51, 413}}; // no behaviour: clamped
    for (const Case& c : kCases) {
        const int b = static_cast<int>(c.behaviour);
        EXPECT_EQ(FoldPeriodLength(40, PeriodBarriers{51, 413}, 0.25f, c.behaviour), c.from_40) << b;
        EXPECT_EQ(FoldPeriodLength(420, PeriodBarriers{51, 413}, 0.25f, c.behaviour), c.from_420) << b;
    }
    EXPECT_EQ(FoldPeriodLength(900, PeriodBarriers{51, 413}, 0.0f, B::Mirror), 176); // 900 -> -74 -> 176
}

TEST(SecondaryFold, EndsOnTheCommonValueWhenLoEqualsHi) {
    for (int b = 0; b <= static_cast<int>(BarrierBehaviour::LoMirHiLo); ++b) {
        for (int64_t length : {-5, 43, 45, 900}) {
            EXPECT_EQ(
                FoldPeriodLength(length, PeriodBarriers{44, 44}, 0.3f, static_cast<BarrierBehaviour>(b)), 44)
                << b;
        }
    }
}

// "PriC" holds s rounded with ties to even, at least 1, folded at the primary barrier.
TEST(PeriodWalk, PriCHoldsTheRoundedStepSize) {
    RandomSource random;
    random.Seed(7);
    PeriodWalk walk;
    PeriodWalkParams params;
    params.primary_mode = PrimaryMode::Constant;
    for (auto [step_size, barrier, primary] :
         {std::tuple{0.4f, 30, 1}, {1.5f, 30, 2}, {2.5f, 30, 2}, {5.0f, 30, 5}, {5.0f, 2, -1}}) {
        params.step.primary_step_size = step_size;
        params.primary_step_barrier = barrier;
        walk.period_length = 200;
        EXPECT_EQ(walk.Next(params, random), 200 + primary) << step_size;
        EXPECT_EQ(walk.primary_value, primary) << step_size;
    }
}

// "PriC" returns to Lo once more periods than the drawn interval have passed; Stop restarts the count.
TEST(PeriodWalk, PriCReturnsToLoAfterItsIntervalAndStopRestartsIt) {
    RandomSource random;
    random.Seed(8);
    PeriodWalk walk;
    PeriodWalkParams params;
    params.primary_mode = PrimaryMode::Constant;
    walk.Next(params, random);
    ASSERT_EQ(walk.reset_armed, 1);
    const int32_t interval = walk.reset_interval;
    EXPECT_TRUE(interval >= 20 && interval <= 200);
    walk.RestartCount();
    for (int32_t i = 1; i <= interval; ++i) {
        ASSERT_NE(walk.Next(params, random), 51) << i;
    }
    EXPECT_EQ(walk.Next(params, random), 51);
    EXPECT_EQ(walk.period_count, 0);
    EXPECT_EQ(walk.reset_armed, 0);
}

using Corner = std::tuple<Distribution, PrimaryMode, BarrierBehaviour>;
class PeriodWalkInvariants : public testing::TestWithParam<Corner> {};

// Corner settings drawn anew every 50 periods, so that the barriers jump, and the behaviour left out
// now and then: the period stays within the barriers of its own call and at least 1, and the
// primary value within +-B.
TEST_P(PeriodWalkInvariants, StaysWithinBarriersAtExtremeSettings) {
    const auto [distribution, primary_mode, behaviour] = GetParam();
    RandomSource random;
    random.Seed(static_cast<uint64_t>(static_cast<int>(distribution) * 100 +
                                      static_cast<int>(primary_mode) * 10 + static_cast<int>(behaviour)));
    PeriodWalk walk;
    PeriodWalkParams params;
    params.step.distribution = distribution;
    params.primary_mode = primary_mode;
    for (int i = 0; i < 6000; ++i) {
        if (i % 50 == 0) {
            const int corner = random.UniformInt(63);
            params.frequency_setting = (corner & 1) != 0 ? 70 : (corner & 2) != 0 ? 899 : 1000;
            params.secondary_barrier = (corner & 4) != 0 ? 0.2f : 60.0f;
            params.primary_step_barrier = (corner & 8) != 0 ? 2 : 200;
            params.step.step_size_slider = (corner & 16) != 0 ? 50 : 500;
            params.step.primary_step_size = static_cast<float>(params.step.step_size_slider / 100.0);
            params.step.probability_width = (corner & 32) != 0 ? 0.1f : 3.0f;
            params.behaviour = behaviour;
        }
        if (i % 500 == 450) {
            params.behaviour = BarrierBehaviour::None;
        }
        const PeriodBarriers b = ComputePeriodBarriers(params.frequency_setting, params.secondary_barrier);
        const int32_t length = walk.Next(params, random);
        ASSERT_GE(length, std::max(b.lo, 1)) << i;
        ASSERT_LE(length, b.hi) << i;
        ASSERT_LE(std::abs(walk.primary_value), params.primary_step_barrier) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    AllModes, PeriodWalkInvariants,
    testing::Combine(testing::Values(Distribution::Cauchy, Distribution::Logistic, Distribution::Uniform,
                                     Distribution::ArcSin),
                     testing::Values(PrimaryMode::Walk, PrimaryMode::Random, PrimaryMode::Constant),
                     testing::Values(BarrierBehaviour::Mirror, BarrierBehaviour::Centred,
                                     BarrierBehaviour::Random, BarrierBehaviour::OnLimits,
                                     BarrierBehaviour::OppLimits, BarrierBehaviour::LoMirHiLo)));

// The barriers are kept between periods: moving F and D now and then must land at the next period,
// exactly as for a walk that works them out afresh each time.
TEST(PeriodWalk, KeptBarriersFollowEveryMoveOfFAndD) {
    RandomSource kept_random, fresh_random;
    kept_random.Seed(3);
    fresh_random.Seed(3);
    PeriodWalk kept, fresh;
    PeriodWalkParams params;
    for (int i = 0; i < 5000; ++i) {
        if (i % 5 == 0) {
            params.frequency_setting = 70 + (i * 37) % 931;
        }
        if (i % 13 == 0) {
            params.secondary_barrier = static_cast<float>((i * 53) % 61);
        }
        fresh.derived = {}; // forgets what it kept
        ASSERT_EQ(kept.Next(params, kept_random), fresh.Next(params, fresh_random)) << i;
    }
}

} // namespace
} // namespace vortane
