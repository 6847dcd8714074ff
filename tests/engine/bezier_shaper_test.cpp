#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/bezier_shaper.h"
#include "engine/waveform_rows.h"

namespace vortane {
namespace {

// The same curve solved in double precision, to check the float shaper against.
double ReferenceRow(double t, double x1, double y1, double x2, double y2) {
    const double a = 1 - 3 * x2 + 3 * x1, b = 3 * x2 - 6 * x1, c = 3 * x1;
    const double ay = -3 * y2 + 3 * y1, by = 3 * y2 - 6 * y1 + 1.5, cy = 3 * y1 - 1.5;
    double u = t;
    for (int i = 0; i < 5; ++i) {
        const double slope = 3 * a * u * u + 2 * b * u + c;
        u -= (a * u * u * u + b * u * u + c * u - t) * (slope == 0 ? 1.0 : 1.0 / slope);
    }
    u = u > 1 ? 1 : (u >= 0 ? u : 0);
    return 200 - std::min(200.0, 200 * (ay * u * u * u + by * u * u + cy * u + 0.5));
}

struct Curve {
    float x1, y1, x2, y2;
};

class ShaperCurves : public ::testing::TestWithParam<Curve> {};

TEST_P(ShaperCurves, EveryPeriodStartsOnTheCentreRow) {
    const Curve c = GetParam();
    EXPECT_EQ(BezierShaper(0.0f, c.x1, c.y1, c.x2, c.y2), 100.0f);
}

TEST_P(ShaperCurves, MatchesTheCurveSolvedInDouble) {
    const Curve c = GetParam();
    for (int i = 0; i < 400; ++i) {
        const float t = static_cast<float>(i) / 400.0f;
        EXPECT_NEAR(BezierShaper(t, c.x1, c.y1, c.x2, c.y2), ReferenceRow(t, c.x1, c.y1, c.x2, c.y2), 0.01)
            << "t = " << t;
    }
}

INSTANTIATE_TEST_SUITE_P(ControlPointSets, ShaperCurves,
                         ::testing::Values(Curve{0.5f, 0.06f, 0.75f, 0.95f}, Curve{0.01f, 0.0f, 0.99f, 1.49f},
                                           Curve{0.99f, 0.79f, 0.01f, 0.8f}, Curve{0.0f, 0.3f, 0.5f, 1.2f},
                                           Curve{0.3f, 0.5f, 0.6f, 0.5f}));

TEST(BezierShaper, FlatSlopeTakesAPlainStep) {
    // With x1 = 0.5 and x2 = −0.5 the slope at u = 0.5 is exactly 0: the first step must be
    // u − (x(u) − t), not a division by zero that ends at u = 0 (row 100).
    const float row = BezierShaper(0.5f, 0.5f, 0.06f, -0.5f, 0.95f);
    EXPECT_TRUE(std::isfinite(row));
    EXPECT_NE(row, 100.0f);
    EXPECT_NEAR(row, ReferenceRow(0.5, 0.5, 0.06f, -0.5, 0.95f), 0.01);
    EXPECT_EQ(BezierShaper(0.0f, 0.0f, 0.06f, 0.75f, 0.95f), 100.0f); // x1 = 0: slope 0 at phase 0
}

TEST(BezierShaper, NotANumberFallsBackToTheStartPoint) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(BezierShaper(nan, 0.5f, 0.06f, 0.75f, 0.95f), 100.0f);
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(BezierShaper(0.5f, inf, 0.06f, 0.75f, 0.95f), 100.0f); // inf − inf in the coefficients
}

TEST(BezierShaper, HeightsAboveTheTopAreCutToRowZero) {
    const auto rows = ComputeDisplayRows(0.5f, 0.79f, 0.75f, 1.49f);
    EXPECT_EQ(*std::min_element(rows.begin(), rows.end()), 0);
    EXPECT_GT(std::count(rows.begin(), rows.end(), 0), 5); // drawn flat along the top
}

TEST(BezierShaper, NegativeHeightsPassBelowTheSurface) {
    // Y1 below the axis far enough for the curve to dip under height 0 (row 200).
    EXPECT_GT(BezierShaper(0.2f, 0.3f, -1.0f, 0.75f, 0.5f), 200.0f);
}

TEST(WaveformRows, InitialSettingsDrawTheKnownTrace) {
    const auto rows = ComputeDisplayRows(0.5f, 0.06f, 0.75f, 0.95f);
    EXPECT_EQ(rows[0], 100);
    for (int i = 100; i <= 120; ++i) {
        EXPECT_NEAR(rows[static_cast<size_t>(i)], 125, 1) << i;
    }
    EXPECT_NEAR(rows[323], 74, 1);
    EXPECT_EQ(*std::max_element(rows.begin(), rows.end()), 125);
    EXPECT_EQ(*std::min_element(rows.begin(), rows.end()), 74);
    EXPECT_NEAR(rows[399], 99, 1); // 399 ÷ 400: the period's end is not drawn
}

TEST(WaveformRows, FoldedX1StillGivesClampedFiniteRows) {
    // Display X1 1.15 ("X1 Max" 115, "X1" 99) folds the time axis back on itself.
    const auto rows = ComputeDisplayRows(1.15f, 0.06f, 0.75f, 0.95f);
    for (int i = 0; i < kDisplayWidth; ++i) {
        const float row = BezierShaper(static_cast<float>(i) / 400.0f, 1.15f, 0.06f, 0.75f, 0.95f);
        EXPECT_EQ(rows[static_cast<size_t>(i)], static_cast<int>(std::nearbyint(row)));
        // u is clamped to 0..1, so the row lies within the curve's own height range
        EXPECT_GE(rows[static_cast<size_t>(i)], 70);
        EXPECT_LE(rows[static_cast<size_t>(i)], 130);
    }
}

} // namespace
} // namespace vortane
