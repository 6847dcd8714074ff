#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

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

// Sixteen columns are shaped at once; each must be the scalar shaper's row, also for a folded X1
// whose Newton steps diverge. Heights above 1.0 are cut to row 0.
TEST(WaveformRows, LanesEqualTheScalarShaperAndHeightsAboveTheTopAreCut) {
    const auto rows = ComputeDisplayRows(1.15f, 0.79f, 0.01f, 1.49f);
    for (int i = 0; i < kDisplayWidth; ++i) {
        const float row = BezierShaper(static_cast<float>(i) / 400.0f, 1.15f, 0.79f, 0.01f, 1.49f);
        ASSERT_EQ(rows[static_cast<size_t>(i)], static_cast<int>(std::nearbyint(row))) << i;
    }
    EXPECT_GT(std::count(rows.begin(), rows.end(), 0), 5);
    EXPECT_EQ(*std::min_element(rows.begin(), rows.end()), 0);
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
