// The walks: the period walk with its barrier folds and the four control-point walks.
#include "stochastic/period_walk.h"

#include <algorithm>
#include <cstdlib>
#include <tuple>

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

// L = x M / 99 for X1 (M 97 / 99 at the top); the other coordinates take x, pulled in at the top.
TEST(ControlPointWalk, RangeAtTheSliderEnds) {
    // coordinate, x, X1 Max, Negative, lo, hi
    const std::tuple<Coordinate, int, float, bool, int32_t, int32_t> kCases[] = {
        {Coordinate::X1, 50, 115.0f, false, 58, 115},
        {Coordinate::X1, 99, 115.0f, true, 1, 113},
        {Coordinate::Y1, 0, 99.0f, true, 0, 1},
        {Coordinate::Y2, 149, 99.0f, false, 147, 149}};
    for (auto [k, x, x1_max, negative, lo, hi] : kCases) {
        const PointRange range = ControlPointRange(k, x, x1_max, negative);
        EXPECT_EQ(range.lo, lo) << static_cast<int>(k) << " " << x;
        EXPECT_EQ(range.hi, hi) << static_cast<int>(k) << " " << x;
    }
}

// Corner settings that change every 50 periods of a coordinate: the position stays in its range
// and the primary value within +-B.
TEST(ControlPointWalk, PositionsStayInRangeAtExtremeSettings) {
    RandomSource random;
    random.Seed(77);
    ControlPointWalk walks[kCoordinateCount];
    ControlPointParams params[kCoordinateCount];
    for (int i = 0; i < 40000; ++i) {
        const auto k = static_cast<Coordinate>(i % kCoordinateCount);
        ControlPointParams& p = params[i % kCoordinateCount];
        ControlPointWalk& walk = walks[i % kCoordinateCount];
        if (i % 200 < 4) {
            const int corner = random.UniformInt(7);
            p.step_size = (corner & 1) != 0 ? 100.0f : 0.0f;
            p.barrier = (corner & 2) != 0 ? 100 : 0;
            p.negative = (corner & 4) != 0;
            p.x1_max = random.UniformInt(1) == 0 ? 70.0f : 115.0f;
            // the ends of the slider's range: X1 1..99, Y1 0..79, X2 1..99, Y2 80..149
            constexpr int kBottom[] = {1, 0, 1, 80}, kTop[] = {99, 79, 99, 149};
            p.slider = random.UniformInt(1) == 0 ? kBottom[i % kCoordinateCount] : kTop[i % kCoordinateCount];
        }
        const PointRange range = ControlPointRange(k, p.slider, p.x1_max, p.negative);
        const int32_t position = walk.Next(k, p, random);
        ASSERT_LT(range.lo, range.hi) << i;
        ASSERT_GE(position, range.lo) << i;
        ASSERT_LE(position, range.hi) << i;
        ASSERT_LE(std::abs(walk.primary_value), ControlPointBarrier(k, p.barrier));
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
