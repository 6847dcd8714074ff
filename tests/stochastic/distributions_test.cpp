#include "stochastic/distributions.h"

#include <set>

#include <gtest/gtest.h>

#include "stochastic/random_source.h"

namespace vortane {
namespace {

// The extreme quantiles at the narrowest and widest settings, and their signs.
TEST(SampleDistribution, CauchyExtremesFromTheTable) {
    EXPECT_EQ(SampleDistribution(Distribution::Cauchy, 0.49f, 0.3f, 1.0f), 10);
    EXPECT_EQ(SampleDistribution(Distribution::Cauchy, 0.49f, 3.0f, 5.0f), 477);
    EXPECT_EQ(SampleDistribution(Distribution::Cauchy, -0.49f, 3.0f, 5.0f), -477);
}

TEST(SampleDistribution, LogisticIsSymmetricOverEveryDrawnProbability) {
    for (int32_t r = 0; r <= 100; ++r) {
        const float p = RandomSource::OpenProbabilityFromDraw(r);
        EXPECT_EQ(SampleDistribution(Distribution::Logistic, p, 3.0f, 5.0f),
                  -SampleDistribution(Distribution::Logistic, 1.0f - p, 3.0f, 5.0f))
            << p;
    }
    EXPECT_EQ(SampleDistribution(Distribution::Logistic, 0.99f, 3.0f, 5.0f), 69);
}

// A = s rounded with ties to even, 1 when that is 0; the steps then cover exactly -A..A.
TEST(SampleDistribution, ArcSinCoversPlusMinusTheRoundedStepSize) {
    for (auto [step_size, half_range] : {std::pair{0.4f, 1}, {1.5f, 2}, {2.5f, 2}, {3.5f, 4}, {5.0f, 5}}) {
        std::set<int32_t> steps;
        for (int32_t r = 0; r <= 100; ++r) {
            steps.insert(SampleDistribution(Distribution::ArcSin, RandomSource::OpenProbabilityFromDraw(r),
                                            3.0f, step_size));
        }
        EXPECT_EQ(*steps.begin(), -half_range) << step_size;
        EXPECT_EQ(*steps.rbegin(), half_range) << step_size;
    }
}

// m = "Primary Step Size" / 25, truncated; the draws reach -m and m and nothing beyond. With no
// distribution the previous step stays.
TEST(DrawFrequencyStep, UniformHalfRangeComesFromTheSliderAndNoneKeepsTheStep) {
    RandomSource random;
    random.Seed(99);
    FrequencyStepParams params;
    params.distribution = Distribution::Uniform;
    for (auto [slider, m] : {std::pair{74, 2}, {75, 3}, {500, 20}}) {
        params.step_size_slider = slider;
        std::set<int32_t> steps;
        for (int i = 0; i < 5000; ++i) {
            steps.insert(DrawFrequencyStep(0, params, random));
        }
        EXPECT_EQ(*steps.begin(), -m) << slider;
        EXPECT_EQ(*steps.rbegin(), m) << slider;
    }
    params.distribution = Distribution::None;
    EXPECT_EQ(DrawFrequencyStep(17, params, random), 17);
    EXPECT_EQ(SampleDistribution(Distribution::Uniform, 0.49f, 3.0f, 5.0f), 0); // no quantile
}

} // namespace
} // namespace vortane
