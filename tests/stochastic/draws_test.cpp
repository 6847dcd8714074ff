// The draws: the random source and the distributions that turn them into steps.
#include "stochastic/random_source.h"

#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "stochastic/distributions.h"

namespace vortane {
namespace {

// RandomBetween(-50, 50) is exactly uniform, so this also checks that it draws k from all of
// 0..100; another seed gives another sequence.
TEST(RandomBetween, SeededDrawsPassChiSquare) {
    RandomSource random, other;
    random.Seed(20240611);
    other.Seed(20240612);
    constexpr int kPerValue = 1000;
    std::vector<int> counts(101, 0);
    int same = 0;
    for (int i = 0; i < 101 * kPerValue; ++i) {
        const int32_t v = random.RandomBetween(-50, 50);
        ASSERT_TRUE(v >= -50 && v <= 50) << v;
        ++counts[static_cast<size_t>(v + 50)];
        same += v == other.RandomBetween(-50, 50) ? 1 : 0;
    }
    double chi_square = 0.0;
    for (int c : counts) {
        chi_square += (c - kPerValue) * (c - kPerValue) / static_cast<double>(kPerValue);
    }
    // 100 degrees of freedom: mean 100, standard deviation sqrt(200); 5 sigma either side.
    EXPECT_NEAR(chi_square, 100.0, 5.0 * 14.15);
    EXPECT_LT(same, 2 * kPerValue); // about 1 in 101 by chance
}

// The steps reach -m and m and nothing beyond: ArcSin's m = s rounded with ties to even (1 when
// that is 0) over all 101 draws; Uniform's m = "Primary Step Size" / 25, truncated, over seeded
// draws. With no distribution the previous step stays.
TEST(DrawFrequencyStep, ArcSinAndUniformCoverPlusMinusTheirHalfRange) {
    for (auto [step_size, m] : {std::pair{0.4f, 1}, {1.5f, 2}, {2.5f, 2}, {3.5f, 4}, {5.0f, 5}}) {
        std::set<int32_t> steps;
        for (int32_t r = 0; r <= 100; ++r) {
            steps.insert(SampleDistribution(Distribution::ArcSin, RandomSource::OpenProbabilityFromDraw(r),
                                            3.0f, step_size));
        }
        EXPECT_EQ(*steps.begin(), -m) << step_size;
        EXPECT_EQ(*steps.rbegin(), m) << step_size;
    }
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
}

} // namespace
} // namespace vortane
