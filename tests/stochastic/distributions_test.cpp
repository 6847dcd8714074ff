#include "stochastic/distributions.h"

#include <set>
#include <string_view>

#include <gtest/gtest.h>

#include "engine/control_ids.h"
#include "engine/control_panel.h"
#include "engine/engine_state.h"
#include "stochastic/random_source.h"

namespace vortane {
namespace {

// The extreme quantiles at the narrowest and widest settings, and their signs.
TEST(SampleDistribution, CauchyExtremesFromTheTable) {
    EXPECT_EQ(SampleDistribution("Cauchy", 0.49f, 0.3f, 1.0f), 10);
    EXPECT_EQ(SampleDistribution("Cauchy", 0.49f, 3.0f, 5.0f), 477);
    EXPECT_EQ(SampleDistribution("Cauchy", -0.49f, 3.0f, 5.0f), -477);
}

TEST(SampleDistribution, LogisticIsSymmetricOverEveryDrawnProbability) {
    for (int32_t r = 0; r <= 100; ++r) {
        const float p = RandomSource::OpenProbabilityFromDraw(r);
        EXPECT_EQ(SampleDistribution("Logistic", p, 3.0f, 5.0f),
                  -SampleDistribution("Logistic", 1.0f - p, 3.0f, 5.0f))
            << p;
    }
    EXPECT_EQ(SampleDistribution("Logistic", 0.99f, 3.0f, 5.0f), 69);
}

// A = s rounded with ties to even, 1 when that is 0; the steps then cover exactly -A..A.
TEST(SampleDistribution, ArcSinCoversPlusMinusTheRoundedStepSize) {
    for (auto [step_size, half_range] : {std::pair{0.4f, 1}, {1.5f, 2}, {2.5f, 2}, {3.5f, 4}, {5.0f, 5}}) {
        std::set<int32_t> steps;
        for (int32_t r = 0; r <= 100; ++r) {
            steps.insert(
                SampleDistribution("ArcSin", RandomSource::OpenProbabilityFromDraw(r), 3.0f, step_size));
        }
        EXPECT_EQ(*steps.begin(), -half_range) << step_size;
        EXPECT_EQ(*steps.rbegin(), half_range) << step_size;
    }
}

// m = "Primary Step Size" / 25, truncated; the draws reach -m and m and nothing beyond.
TEST(DrawFrequencyStep, UniformHalfRangeComesFromTheSlider) {
    ControlPanel panel;
    EngineState state;
    RandomSource random;
    random.Seed(99);
    panel.SelectOption(id::kUniform);
    for (auto [slider, m] : {std::pair{74, 2}, {75, 3}, {500, 20}}) {
        panel.SetState(id::kPrimaryStepSize, slider);
        std::set<int32_t> steps;
        for (int i = 0; i < 5000; ++i) {
            steps.insert(DrawFrequencyStep(0, panel, state, random));
        }
        EXPECT_EQ(*steps.begin(), -m) << slider;
        EXPECT_EQ(*steps.rbegin(), m) << slider;
    }
}

} // namespace
} // namespace vortane
