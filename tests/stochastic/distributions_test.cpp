#include "stochastic/distributions.h"

#include <set>

#include <gtest/gtest.h>

#include "stochastic/random_source.h"

namespace vortane {
namespace {

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
