#include "stochastic/control_point_walk.h"

#include <algorithm>
#include <cstdlib>
#include <tuple>

#include <gtest/gtest.h>

#include "stochastic/random_source.h"

namespace vortane {
namespace {

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

} // namespace
} // namespace vortane
