#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <random>

#include "engine/bezier_shaper.h"
#include "engine/waveform_rows.h"

namespace vortane {
namespace {

TEST(WaveformRows, InitialSettingsDrawTheKnownTrace) {
    const auto rows = ComputeDisplayRows(0.5f, 0.06f, 0.75f, 0.95f);
    EXPECT_EQ(rows[0], 100);
    for (size_t i = 100; i <= 120; ++i) {
        EXPECT_NEAR(rows[i], 125, 1) << i;
    }
    EXPECT_NEAR(rows[323], 74, 1);
    EXPECT_NEAR(rows[399], 99, 1); // 399 ÷ 400: the period's end is not drawn
}

// The oscillator shapes a group of samples at once, each lane with its own curve (a group can span
// two periods): every lane must hold the scalar shaper's bits, folded curves and wild phases
// included, whatever the group's width.
template <int kLanes> void ExpectLanesEqualTheScalarShaper() {
    using Float = typename Lanes<kLanes>::Float;
    std::mt19937 random(5);
    std::uniform_real_distribution<float> coordinate(-0.5f, 1.6f);
    std::uniform_real_distribution<float> phase(-0.1f, 1.1f);
    for (int trial = 0; trial < 20000; ++trial) {
        Float x1, y1, x2, y2, t;
        for (int lane = 0; lane < kLanes; ++lane) {
            x1[lane] = coordinate(random);
            y1[lane] = coordinate(random);
            x2[lane] = coordinate(random);
            y2[lane] = coordinate(random);
            t[lane] = phase(random);
        }
        BezierCurveGroup<kLanes> curves;
        curves.Init(x1, y1, x2, y2);
        Float rows;
        curves.Row(t, rows);
        for (int lane = 0; lane < kLanes; ++lane) {
            const float scalar = BezierShaper(t[lane], x1[lane], y1[lane], x2[lane], y2[lane]);
            ASSERT_EQ(std::bit_cast<uint32_t>(rows[lane]), std::bit_cast<uint32_t>(scalar))
                << kLanes << " lanes, trial " << trial << " lane " << lane;
        }
    }
}

TEST(BezierShaper, EveryLaneEqualsTheScalarShaper) {
    ExpectLanesEqualTheScalarShaper<4>();
    ExpectLanesEqualTheScalarShaper<8>();
    ExpectLanesEqualTheScalarShaper<16>();
}

TEST(BezierShaper, FlatSlopeAndNotANumberAreGuarded) {
    // x1 = 0.5, x2 = −0.5: the slope at u = 0.5 is exactly 0, so the first step must be a plain
    // u − (x(u) − t); a division by zero would end at u = 0, row 100.
    const float row = BezierShaper(0.5f, 0.5f, 0.06f, -0.5f, 0.95f);
    EXPECT_TRUE(std::isfinite(row));
    EXPECT_NE(row, 100.0f);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(BezierShaper(nan, 0.5f, 0.06f, 0.75f, 0.95f), 100.0f);
    EXPECT_EQ(BezierShaper(0.5f, inf, 0.06f, 0.75f, 0.95f), 100.0f); // inf − inf in the coefficients
}

} // namespace
} // namespace vortane
