#include "stochastic/period_walk.h"

#include <algorithm>
#include <cstdlib>

#include <gtest/gtest.h>

#include "stochastic/barrier_fold.h"
#include "stochastic/control_point_walk.h"
#include "stochastic/random_source.h"

namespace vortane {
namespace {

// Both folds reflect pass after pass; neither may loop forever on a barrier below 1 or a
// one-value range.
TEST(BarrierFolds, ReflectAtTheBarrierUntilInside) {
    EXPECT_EQ(FoldPrimary(35, 30), 25);
    EXPECT_EQ(FoldPrimary(-35, 30), -25);
    EXPECT_EQ(FoldPrimary(5, 2), -1);
    EXPECT_EQ(FoldPrimary(12, 0), 0);
    EXPECT_EQ(FoldReflect(101, 50, 99), 97); // X2
    EXPECT_EQ(FoldReflect(-3, 0, 10), 3);    // Y1
    EXPECT_EQ(FoldReflect(0, 1, 50), 2);     // X1
    EXPECT_EQ(FoldReflect(78, 80, 81), 80);  // Y2: 78 -> 82 -> 80 in one pass
    EXPECT_EQ(FoldReflect(5, 44, 44), 44);
}

// Each behaviour on each side, with Lo 51 and Hi 413 (and u 0.25 for "SRandom"); when Lo equals
// Hi every behaviour must end on the common value.
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
        for (int64_t length : {-5, 43, 45, 900}) {
            EXPECT_EQ(FoldPeriodLength(length, PeriodBarriers{44, 44}, 0.3f, c.behaviour), 44) << b;
        }
    }
    EXPECT_EQ(FoldPeriodLength(900, PeriodBarriers{51, 413}, 0.0f, B::Mirror), 176); // 900 -> -74 -> 176
}

// Corner settings, distribution, primary mode and behaviour drawn anew every 50 periods, so that the
// barriers jump, and the behaviour left out now and then: the period stays within the barriers of
// its own call and at least 1, and the primary value within +-B.
TEST(PeriodWalk, StaysWithinBarriersAtExtremeSettings) {
    RandomSource random;
    random.Seed(11);
    PeriodWalk walk;
    PeriodWalkParams params;
    for (int i = 0; i < 400000; ++i) {
        if (i % 50 == 0) {
            const int corner = random.UniformInt(63);
            params.frequency_setting = (corner & 1) != 0 ? 70 : (corner & 2) != 0 ? 899 : 1000;
            params.secondary_barrier = (corner & 4) != 0 ? 0.2f : 60.0f;
            params.primary_step_barrier = (corner & 8) != 0 ? 2 : 200;
            params.step.step_size_slider = (corner & 16) != 0 ? 50 : 500;
            params.step.primary_step_size = static_cast<float>(params.step.step_size_slider / 100.0);
            params.step.probability_width = (corner & 32) != 0 ? 0.1f : 3.0f;
            params.step.distribution = static_cast<Distribution>(1 + random.UniformInt(3)); // Cauchy..ArcSin
            params.primary_mode = static_cast<PrimaryMode>(1 + random.UniformInt(2));       // Walk..Constant
            params.behaviour = static_cast<BarrierBehaviour>(1 + random.UniformInt(5)); // Mirror..LoMirHiLo
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

// The walks keep their barriers (and the control points their step scale) between periods: moves
// of F, D and the curve sliders must land at the next period as for walks that work them out afresh.
TEST(Walks, KeptBarriersAndStepScaleFollowEverySliderMove) {
    RandomSource kept_random, fresh_random;
    kept_random.Seed(3);
    fresh_random.Seed(3);
    PeriodWalk kept, fresh;
    ControlPointWalk kept_points[kCoordinateCount], fresh_points[kCoordinateCount];
    PeriodWalkParams params;
    ControlPointParams point_params;
    for (int i = 0; i < 20000; ++i) {
        if (i % 5 == 0) {
            params.frequency_setting = 70 + (i * 37) % 931;
        }
        if (i % 13 == 0) {
            params.secondary_barrier = static_cast<float>((i * 53) % 61);
        }
        if (i % 7 == 0) {
            point_params.barrier = (i * 37) % 101;
        }
        if (i % 11 == 0) {
            point_params.step_size = static_cast<float>((i * 53) % 101);
        }
        const auto k = static_cast<Coordinate>(i % kCoordinateCount);
        ControlPointWalk& kept_point = kept_points[i % kCoordinateCount];
        ControlPointWalk& fresh_point = fresh_points[i % kCoordinateCount];
        fresh.derived = {}; // forgets what it kept
        fresh_point.derived = {};
        ASSERT_EQ(kept.Next(params, kept_random), fresh.Next(params, fresh_random)) << i;
        ASSERT_EQ(kept_point.Next(k, point_params, kept_random),
                  fresh_point.Next(k, point_params, fresh_random))
            << i;
        ASSERT_EQ(kept_point.primary_value, fresh_point.primary_value) << i;
    }
}

} // namespace
} // namespace vortane
