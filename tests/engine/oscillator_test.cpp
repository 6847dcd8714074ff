#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "engine/oscillator.h"
#include "stochastic/random_source.h"

namespace vortane {
namespace {

// One oscillator on its own, stepped a frame at a time after a start reset.
struct Stepper {
    explicit Stepper(uint64_t seed, bool restart = true) {
        random.Seed(seed);
        oscillator.Init();
        if (restart) {
            oscillator.Restart();
        }
    }
    float Step() {
        OscillatorPlan plan;
        oscillator.Plan(params, random, plan, 1);
        std::array<float, 4> out{};
        ShapeGroup<4>(plan, 0, out.data());
        return out[0];
    }
    OscillatorParams params;
    RandomSource random;
    Oscillator oscillator;
};

TEST(Oscillator, VolumeZeroGivesExactSilence) {
    Stepper s(4);
    s.params.walk_on = {true, true, true, true};
    s.params.master_volume = 0.0f;
    for (int i = 0; i < 44100; ++i) {
        ASSERT_EQ(s.Step(), 0.0f);
    }
    EXPECT_GT(s.oscillator.period_walk().period_count, 50); // periods did run
}

// F = 1000 and D = 60 put the lower barrier at 1; "PriC" with step size 5 folded by B = 2 shortens
// the period a sample at a time until "SOnLimits" holds it at 1, where every sample is phase 0.
TEST(Oscillator, PeriodOfOneSampleStaysOnTheCentreLine) {
    Stepper s(5);
    PeriodWalkParams& p = s.params.period;
    p.frequency_setting = 1000;
    p.secondary_barrier = 60.0f;
    p.step.primary_step_size = 5.0f;
    p.primary_step_barrier = 2;
    p.primary_mode = PrimaryMode::Constant;
    p.behaviour = BarrierBehaviour::OnLimits;
    s.params.master_volume = 1500.0f;
    int at_length_one = 0;
    for (int i = 0; i < 20000; ++i) {
        const float sample = s.Step();
        if (s.oscillator.length() == 1) {
            ++at_length_one;
            ASSERT_EQ(sample, 0.0f);
        }
    }
    EXPECT_GT(at_length_one, 19000);
}

// Before the first start reset the position runs free. Run it on past the point where a 32-bit count
// comes round to 0 (about 27 hours in all): no period starts in the silence, and the first start then
// plays exactly as on an oscillator that never waited.
TEST(Oscillator, DaysWithoutPlayStartNoPeriodAndThenPlayAsFresh) {
    Stepper idle(6, false), fresh(6);
    idle.params.walk_on = fresh.params.walk_on = {true, true, true, true};
    OscillatorPlan plan;
    for (int64_t done = 0; done < (int64_t{1} << 31) + 2000; done += OscillatorPlan::kMaxFrames) {
        idle.oscillator.Plan(idle.params, idle.random, plan, OscillatorPlan::kMaxFrames);
    }
    EXPECT_EQ(idle.oscillator.length(), 0);
    EXPECT_EQ(idle.oscillator.period_walk().period_count, 0);

    idle.oscillator.Restart();
    std::vector<float> played, expected;
    for (int i = 0; i < 4096; ++i) {
        played.push_back(idle.Step());
        expected.push_back(fresh.Step());
    }
    EXPECT_EQ(played, expected);
    EXPECT_NE(*std::max_element(played.begin(), played.end()), 0.0f);
}

} // namespace
} // namespace vortane
