#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/master_filter.h"

namespace vortane {
namespace {

struct Coefficients {
    double f, p, k, t, t2;
};

Coefficients ForCutoff(double cutoff) {
    Coefficients c{};
    c.f = cutoff * 2.0 / 44100.0;
    c.p = c.f * (1.8 - 0.8 * c.f);
    c.k = c.p + c.p - 1.0;
    c.t = (1.0 - c.p) * 1.386249;
    c.t2 = 12.0 + c.t * c.t;
    return c;
}

double Feedback(int resonance, const Coefficients& c) {
    return (resonance / 100.0) * (c.t2 + 6.0 * c.t) / (c.t2 - 6.0 * c.t);
}

TEST(MasterFilter, FirstSampleComputesBothCoefficientSets) {
    MasterFilter filter;
    filter.Process(0.0f, 1500.0, 50);
    const Coefficients c = ForCutoff(1500.0);
    EXPECT_EQ(filter.f, c.f);
    EXPECT_EQ(filter.p, c.p);
    EXPECT_EQ(filter.k, c.k);
    EXPECT_EQ(filter.r, Feedback(50, c));
    EXPECT_EQ(filter.cached_cutoff, 1500);
    EXPECT_EQ(filter.cached_resonance, 50);
}

TEST(MasterFilter, CutoffKeyIsRoundedButCoefficientsUseTheExactCutoff) {
    MasterFilter filter;
    filter.Process(0.0f, 1500.0, 50);
    filter.Process(0.0f, 1500.3, 50); // same key: nothing recomputed
    EXPECT_EQ(filter.f, ForCutoff(1500.0).f);
    filter.Process(0.0f, 1500.6, 50);
    EXPECT_EQ(filter.cached_cutoff, 1501);
    EXPECT_EQ(filter.f, ForCutoff(1500.6).f);
}

TEST(MasterFilter, MovingTheCutoffAloneLeavesTheFeedback) {
    MasterFilter filter;
    filter.Process(0.0f, 1500.0, 80);
    const double r_before = filter.r;
    filter.Process(0.0f, 3000.0, 80);
    EXPECT_EQ(filter.p, ForCutoff(3000.0).p);
    EXPECT_EQ(filter.t2, ForCutoff(3000.0).t2);
    EXPECT_EQ(filter.r, r_before);
    filter.Process(0.0f, 3000.0, 81); // now with the new cutoff's t and t2
    EXPECT_EQ(filter.r, Feedback(81, ForCutoff(3000.0)));
}

TEST(MasterFilter, ResonanceZeroMeansNoFeedback) {
    MasterFilter filter;
    filter.Process(0.0f, 1500.0, 0); // resonance equals the empty cache: r stays 0
    EXPECT_EQ(filter.r, 0.0);
    filter.Process(0.0f, 1500.0, 40);
    filter.Process(0.0f, 1500.0, 0);
    EXPECT_EQ(filter.r, 0.0);
}

TEST(MasterFilter, FirstStepIsFourStagesThenTheClipper) {
    // From rest, one sample s gives y4 = s·p⁴ before the clipper y − y³/6.
    const double p = ForCutoff(5000.0).p;
    const auto first_output = [&](double y4) {
        MasterFilter filter;
        return filter.Process(static_cast<float>(y4 / (p * p * p * p)), 5000.0, 0);
    };
    EXPECT_NEAR(first_output(std::sqrt(2.0)), 2.0 * std::sqrt(2.0) / 3.0, 1e-6); // the clipper's peak 0.943
    EXPECT_NEAR(first_output(0.5), 0.5 - 0.125 / 6.0, 1e-6);
    EXPECT_NEAR(first_output(3.0), 3.0 - 4.5, 1e-5); // beyond √6 the clipper turns negative
    EXPECT_LT(first_output(2.0), first_output(std::sqrt(2.0)));
}

TEST(MasterFilter, StagesFeedFromTheirOwnPreviousInputs) {
    MasterFilter filter;
    const double y_first = filter.Process(1.0f, 2000.0, 0);
    const Coefficients c = ForCutoff(2000.0);
    // Second sample of a unit step, each stage written out.
    const double y1a = c.p, y2a = y1a * c.p, y3a = y2a * c.p;
    const double y1 = 2 * c.p - c.k * y1a;
    const double y2 = (y1 + y1a) * c.p - c.k * y2a;
    const double y3 = (y2 + y2a) * c.p - c.k * y3a;
    const double y4 = (y3 + y3a) * c.p - c.k * y_first;
    EXPECT_NEAR(filter.Process(1.0f, 2000.0, 0), y4 - y4 * y4 * y4 / 6.0, 1e-12);
}

TEST(MasterFilter, LoudResonantInputCannotRunAway) {
    // Full volume square waves into full resonance: the clipper's input is held within ±√12, so
    // the loop stays bounded instead of growing to infinity and NaN.
    for (int half_period : {1, 2, 3, 5, 8}) {
        MasterFilter filter;
        double peak = 0.0;
        for (int i = 0; i < 20000; ++i) {
            const float input = (i / half_period) % 2 == 0 ? 7.5f : -7.5f;
            const double out = filter.Process(input, 5000.0, 100);
            ASSERT_TRUE(std::isfinite(out)) << "half period " << half_period << ", sample " << i;
            peak = std::max(peak, std::fabs(out));
        }
        EXPECT_LE(peak, std::sqrt(12.0) + 1e-9);
    }
}

} // namespace
} // namespace vortane
