#include "stochastic/control_point_walk.h"

#include <algorithm>
#include <tuple>

#include <gtest/gtest.h>

#include "engine/control_events.h"
#include "engine/control_ids.h"
#include "engine/engine.h"
#include "stochastic/barrier_fold.h"
#include "stochastic/random_source.h"

namespace vortane {
namespace {

constexpr Coordinate kAll[] = {Coordinate::X1, Coordinate::Y1, Coordinate::X2, Coordinate::Y2};

// The largest step size over every open probability the walk can draw.
int32_t LargestStep(Coordinate k, float step_size) {
    int32_t largest = 0;
    const float scale = ControlPointStepScale(step_size);
    for (int32_t r = 0; r <= 100; ++r) {
        const float u = RandomSource::OpenProbabilityFromDraw(r);
        const int32_t step = ControlPointStep(k, scale, u);
        EXPECT_EQ(step, -ControlPointStep(k, scale, 1.0f - u));
        largest = std::max(largest, step);
    }
    return largest;
}

TEST(ControlPointSteps, BarrierAndStepBoundsPerCoordinate) {
    for (Coordinate k : kAll) {
        const bool is_y = k == Coordinate::Y1 || k == Coordinate::Y2;
        const bool is_x2 = k == Coordinate::X2;
        EXPECT_EQ(ControlPointBarrier(k, 0), 1);
        EXPECT_EQ(ControlPointBarrier(k, 30), is_y ? 3 : 2);
        EXPECT_EQ(ControlPointBarrier(k, 100), is_y ? 60 : 30);
        EXPECT_EQ(LargestStep(k, 20.0f), 0);
        EXPECT_EQ(LargestStep(k, 21.0f), is_x2 ? 0 : 1);
        EXPECT_EQ(LargestStep(k, 36.0f), is_x2 ? 0 : 1);
        EXPECT_EQ(LargestStep(k, 37.0f), 1);
        EXPECT_EQ(LargestStep(k, 50.0f), is_x2 ? 1 : 2);
        EXPECT_EQ(LargestStep(k, 100.0f), is_x2 ? 7 : 14);
    }
    EXPECT_FLOAT_EQ(ControlPointStepScale(0.0f), 0.1f);
    EXPECT_NEAR(ControlPointStepScale(50.0f), 0.375f, 0.001f);
    EXPECT_NEAR(ControlPointStepScale(100.0f), 3.005f, 0.001f);
}

// Coordinate, slider state, X1 Max, Negative, range.
using RangeCase = std::tuple<Coordinate, int, float, bool, int32_t, int32_t>;

class ControlPointRangeCase : public testing::TestWithParam<RangeCase> {};

TEST_P(ControlPointRangeCase, FollowsTheSlider) {
    const auto [k, x, x1_max, negative, lo, hi] = GetParam();
    const PointRange range = ControlPointRange(k, x, x, x1_max, negative);
    EXPECT_EQ(range.lo, lo);
    EXPECT_EQ(range.hi, hi);
}

INSTANTIATE_TEST_SUITE_P(Sliders, ControlPointRangeCase,
                         testing::Values(RangeCase{Coordinate::X1, 50, 99.0f, false, 50, 99},
                                         RangeCase{Coordinate::X1, 50, 115.0f, false, 58, 115},
                                         RangeCase{Coordinate::X1, 99, 99.0f, false, 97, 99},
                                         RangeCase{Coordinate::X1, 99, 115.0f, true, 1, 113},
                                         RangeCase{Coordinate::X1, 2, 70.0f, true, 1, 2},
                                         RangeCase{Coordinate::X1, 3, 70.0f, true, 1, 2},
                                         RangeCase{Coordinate::Y1, 0, 99.0f, true, 0, 1},
                                         RangeCase{Coordinate::Y1, 79, 99.0f, false, 77, 79},
                                         RangeCase{Coordinate::X2, 99, 99.0f, false, 97, 99},
                                         RangeCase{Coordinate::X2, 1, 99.0f, true, 1, 2},
                                         RangeCase{Coordinate::Y2, 80, 99.0f, true, 80, 81},
                                         RangeCase{Coordinate::Y2, 149, 99.0f, false, 147, 149},
                                         RangeCase{Coordinate::Y2, 120, 99.0f, false, 120, 149}));

TEST(ControlPointRange, SecondSliderReadDecidesTheLowerLimit) {
    EXPECT_EQ(ControlPointRange(Coordinate::X1, 50, 2, 99.0f, true).hi, 2);
    EXPECT_EQ(ControlPointRange(Coordinate::X1, 2, 50, 99.0f, true).hi, 2);
    EXPECT_EQ(ControlPointRange(Coordinate::Y2, 90, 81, 99.0f, false).lo, 81);
}

TEST(ControlPointFold, ReflectsAtBothEnds) {
    EXPECT_EQ(FoldReflect(101, 50, 99), 97);
    EXPECT_EQ(FoldReflect(-3, 0, 10), 3);
    EXPECT_EQ(FoldReflect(0, 1, 50), 2);
    EXPECT_EQ(FoldReflect(78, 80, 81), 80); // 78 -> 82 -> 80 in one pass
    EXPECT_EQ(FoldReflect(99, 97, 99), 99);
    EXPECT_EQ(FoldReflect(-60, 1, 2), 2);
    EXPECT_EQ(FoldReflect(5, 44, 44), 44);
}

class ControlPointWalkTest : public testing::TestWithParam<Coordinate> {
protected:
    void SetUp() override {
        PrepareAsAtStartup(engine);
        engine.random.Seed(11);
    }
    Engine engine;
};

// One call is: barrier, open probability, range, step, primary fold, range fold.
TEST_P(ControlPointWalkTest, CallComposesItsSteps) {
    const Coordinate k = GetParam();
    const auto index = static_cast<size_t>(k);
    const int slider = id::kX1 + static_cast<int>(k);
    for (int i = 0; i < 500; ++i) {
        Put(engine.state.point_step_size[index], static_cast<float>(i % 101));
        Put(engine.state.point_barrier[index], (i * 7) % 101);
        Put(engine.state.negative[index], i % 3 == 0 ? 1 : 0);
        engine.panel.SetState(slider, 20 + (i * 13) % 130);
        const ControlPointWalk before = engine.point_walks[index];
        RandomSource copy = engine.random;
        const int x = engine.panel.GetState(slider);
        const int32_t step = ControlPointStep(k, ControlPointStepScale(static_cast<float>(i % 101)),
                                              copy.DrawOpenProbability());
        const int32_t primary =
            FoldPrimary(before.primary_value + step, ControlPointBarrier(k, (i * 7) % 101));
        const PointRange range = ControlPointRange(k, x, x, 99.0f, i % 3 == 0);
        const int32_t expected = FoldReflect(before.position + primary, range.lo, range.hi);
        ASSERT_EQ(WalkControlPoint(engine, k), expected) << i;
        EXPECT_EQ(engine.point_walks[index].primary_value, primary);
        EXPECT_GE(engine.point_walks[index].position, range.lo);
        EXPECT_LE(engine.point_walks[index].position, range.hi);
    }
}

// Steps that round to 0 leave the primary value as it is, so the position holds.
TEST_P(ControlPointWalkTest, TinyStepsFreezeAFreshWalk) {
    const Coordinate k = GetParam();
    Put(engine.state.point_step_size[static_cast<size_t>(k)], 20.0f);
    const int32_t first = WalkControlPoint(engine, k);
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(WalkControlPoint(engine, k), first);
    }
    EXPECT_EQ(engine.point_walks[static_cast<size_t>(k)].primary_value, 0);
}

INSTANTIATE_TEST_SUITE_P(Coordinates, ControlPointWalkTest, testing::ValuesIn(kAll));

TEST(ControlPointWalk, FreshX1StartsFromTheFoldOfZero) {
    Engine engine;
    PrepareAsAtStartup(engine);
    engine.random.Seed(3);
    Put(engine.state.point_step_size[0], 0.0f);
    EXPECT_EQ(WalkControlPoint(engine, Coordinate::X1), 98); // 0 -> 100 -> 98 in [50, 99]
}

} // namespace
} // namespace vortane
