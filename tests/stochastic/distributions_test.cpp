#include "stochastic/distributions.h"

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "engine/control_ids.h"
#include "engine/control_panel.h"
#include "engine/engine_state.h"
#include "stochastic/random_source.h"

namespace vortane {
namespace {

struct SampleCase {
    std::string name;
    float p;
    float width;
    float step_size;
    int32_t expected;
};

class SampleDistributionCase : public testing::TestWithParam<SampleCase> {};

TEST_P(SampleDistributionCase, GivesTheRoundedQuantile) {
    const SampleCase& c = GetParam();
    EXPECT_EQ(SampleDistribution(c.name, c.p, c.width, c.step_size), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Quantiles, SampleDistributionCase,
    testing::Values(SampleCase{"Cauchy", 0.49f, 0.3f, 1.0f, 10}, SampleCase{"Cauchy", 0.49f, 3.0f, 5.0f, 477},
                    SampleCase{"Cauchy", -0.49f, 0.3f, 1.0f, -10},
                    SampleCase{"Cauchy", -0.49f, 3.0f, 5.0f, -477}, SampleCase{"Cauchy", 0.0f, 3.0f, 5.0f, 0},
                    SampleCase{"Logistic", 0.5f, 3.0f, 5.0f, 0},
                    SampleCase{"Logistic", 0.01f, 3.0f, 5.0f, -69},
                    SampleCase{"Logistic", 0.99f, 3.0f, 5.0f, 69},
                    SampleCase{"Logistic", 0.01f, 0.3f, 1.0f, -1}, SampleCase{"ArcSin", 0.25f, 0.3f, 5.0f, 5},
                    SampleCase{"ArcSin", 0.5f, 0.3f, 5.0f, -5}, SampleCase{"Uniform", 0.49f, 3.0f, 5.0f, 0},
                    SampleCase{"cauchy", 0.49f, 3.0f, 5.0f, 0}, SampleCase{"", 0.49f, 3.0f, 5.0f, 0}));

// Over every probability the draws can give, the extreme steps at the widest settings.
TEST(SampleDistribution, StepsStayWithinTheirExtremes) {
    int32_t cauchy = 0;
    int32_t logistic = 0;
    for (int32_t r = 0; r <= 100; ++r) {
        const float centred = RandomSource::CentredProbabilityFromDraw(r - 50);
        const float open = RandomSource::OpenProbabilityFromDraw(r);
        cauchy = std::max(cauchy, std::abs(SampleDistribution("Cauchy", centred, 3.0f, 5.0f)));
        logistic = std::max(logistic, std::abs(SampleDistribution("Logistic", open, 3.0f, 5.0f)));
        EXPECT_EQ(SampleDistribution("Logistic", open, 3.0f, 5.0f),
                  -SampleDistribution("Logistic", 1.0f - open, 3.0f, 5.0f));
    }
    EXPECT_EQ(cauchy, 477);
    EXPECT_EQ(logistic, 69);
}

// A = s rounded with ties to even, 1 when that is 0; the steps then cover exactly -A..A.
TEST(SampleDistribution, ArcSinHalfRangeFollowsRoundedStepSize) {
    for (auto [step_size, half_range] :
         {std::pair{0.5f, 1}, {1.0f, 1}, {1.5f, 2}, {2.5f, 2}, {3.5f, 4}, {4.5f, 4}, {5.0f, 5}}) {
        std::set<int32_t> steps;
        for (int32_t r = 0; r <= 100; ++r) {
            steps.insert(
                SampleDistribution("ArcSin", RandomSource::OpenProbabilityFromDraw(r), 3.0f, step_size));
        }
        EXPECT_EQ(*steps.begin(), -half_range) << step_size;
        EXPECT_EQ(*steps.rbegin(), half_range) << step_size;
    }
}

class FrequencyStepDraw : public testing::Test {
protected:
    void SetUp() override {
        Put(state.probability_width, 3.0f);
        Put(state.primary_step_size, 2.0f);
        random.Seed(99);
    }
    ControlPanel panel;
    EngineState state;
    RandomSource random;
};

// Each option draws its own probability and samples its own distribution, with the cached width
// and step size; the copy of the source predicts the draw.
TEST_F(FrequencyStepDraw, SelectedOptionDecidesTheDraw) {
    for (int i = 0; i < 200; ++i) {
        RandomSource copy = random;
        const float w = Get(state.probability_width);
        const float s = Get(state.primary_step_size);
        const int option = id::kCauchy + i % 4;
        panel.SelectOption(option);
        int32_t expected = 0;
        switch (option) {
        case id::kCauchy:
            expected = SampleDistribution("Cauchy", copy.DrawCentredProbability(), w, s);
            break;
        case id::kLogistic:
            expected = SampleDistribution("Logistic", copy.DrawOpenProbability(), w, s);
            break;
        case id::kUniform:
            expected = copy.RandomBetween(-4, 4); // "Primary Step Size" 100 / 25
            break;
        default:
            expected = SampleDistribution("ArcSin", copy.DrawOpenProbability(), w, s);
            break;
        }
        EXPECT_EQ(DrawFrequencyStep(1234, panel, state, random), expected) << option;
        EXPECT_EQ(random.NextWord(), copy.NextWord());
    }
}

TEST_F(FrequencyStepDraw, UniformHalfRangeComesFromTheSlider) {
    panel.SelectOption(id::kUniform);
    for (auto [slider, m] : {std::pair{74, 2}, {75, 3}, {500, 20}, {50, 2}}) {
        panel.SetState(id::kPrimaryStepSize, slider);
        std::set<int32_t> steps;
        for (int i = 0; i < 5000; ++i) {
            steps.insert(DrawFrequencyStep(0, panel, state, random));
        }
        EXPECT_EQ(*steps.begin(), -m) << slider;
        EXPECT_EQ(*steps.rbegin(), m) << slider;
    }
}

TEST_F(FrequencyStepDraw, NoOptionKeepsThePreviousStep) {
    panel.SetState(id::kCauchy, 0);
    EXPECT_EQ(DrawFrequencyStep(-17, panel, state, random), -17);
    EXPECT_EQ(DrawFrequencyStep(0, panel, state, random), 0);
}

} // namespace
} // namespace vortane
