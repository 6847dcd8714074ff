#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "engine/oscillator.h"
#include "render_test_util.h"

namespace vortane {
namespace {

using test::Move;

// Opens the gate and runs the start reset, as the first frame after Play does.
void StartAsAfterPlay(Engine& engine) {
    TogglePlay(engine);
    FrameUpdate(engine);
}

TEST(Oscillator, VolumeZeroGivesExactSilence) {
    auto engine = test::PreparedEngine(4);
    test::SwitchAllWalks(*engine);
    Move(*engine, id::kMasterVolume, 0);
    StartAsAfterPlay(*engine);
    for (int i = 0; i < 44100; ++i) {
        ASSERT_EQ(OscillatorStep(*engine), 0.0f);
    }
    EXPECT_GT(Get(engine->period_walk.period_count), 50); // periods did run
}

// F = 1000 and D = 60 put the lower barrier at 1; "PriC" with step size 5 folded by B = 2 shortens
// the period a sample at a time until "SOnLimits" holds it at 1, where every sample is phase 0.
TEST(Oscillator, PeriodOfOneSampleStaysOnTheCentreLine) {
    auto engine = test::PreparedEngine(5);
    Move(*engine, id::kFrequencySetting, 1000);
    Move(*engine, id::kSecondaryBarrier, 600);
    Move(*engine, id::kPrimaryStepSize, 500);
    Move(*engine, id::kPrimaryStepBarrier, 2);
    engine->panel.SelectOption(id::kPriC);
    engine->panel.SelectOption(id::kSOnLimits);
    Move(*engine, id::kMasterVolume, 1500);
    StartAsAfterPlay(*engine);
    int at_length_one = 0;
    for (int i = 0; i < 20000; ++i) {
        const float sample = OscillatorStep(*engine);
        if (Get(engine->state.period_length) == 1) {
            ++at_length_one;
            ASSERT_EQ(sample, 0.0f);
        }
    }
    EXPECT_GT(at_length_one, 19000);
}

// The first start reset begins a period with a new length; a later one (a new MIDI note) restarts
// the current period at phase 0 and keeps its length, count and control points.
TEST(Oscillator, FirstStartTakesANewLengthAndLaterStartResetKeepsIt) {
    auto engine = test::PreparedEngine(3);
    Engine& e = *engine;
    test::SwitchAllWalks(e);
    StartAsAfterPlay(e);
    EXPECT_EQ(OscillatorStep(e), 0.0f); // phase 0 lies on the centre line
    EXPECT_GE(Get(e.state.period_length), 51);
    EXPECT_EQ(Get(e.period_walk.period_count), 1);
    for (int i = 0; i < 1000; ++i) {
        OscillatorStep(e);
    }
    const int length = Get(e.state.period_length);
    const int count = Get(e.period_walk.period_count);
    const float y2 = Get(e.state.y2);
    ASSERT_NE(Get(e.state.period_position), 0);

    Put(e.state.start_done, 0);
    FrameUpdate(e);
    EXPECT_EQ(OscillatorStep(e), 0.0f);
    EXPECT_EQ(Get(e.state.period_position), 0);
    EXPECT_EQ(Get(e.state.period_length), length);
    EXPECT_EQ(Get(e.period_walk.period_count), count);
    EXPECT_EQ(Get(e.state.y2), y2);
}

// Before the first Play the position runs free. Run it from near the top of its range on past the
// point where a 32-bit count comes round to 0 (about 27 hours in all): no period starts in the
// silence, and the first Play then starts one exactly as on an engine that never waited.
TEST(Oscillator, DaysWithoutPlayStartNoPeriodAndThenPlayAsFresh) {
    auto idle = test::PreparedEngine(6);
    auto fresh = test::PreparedEngine(6);
    test::SwitchAllWalks(*idle);
    test::SwitchAllWalks(*fresh);
    Put(idle->state.period_position, std::numeric_limits<int>::max() - 1000);
    OscillatorPlan plan;
    for (int64_t done = 0; done < (int64_t{1} << 31) + 2000; done += OscillatorPlan::kMaxFrames) {
        PlanOscillator(*idle, plan, OscillatorPlan::kMaxFrames);
    }
    EXPECT_EQ(Get(idle->state.period_length), 0);
    EXPECT_EQ(Get(idle->period_walk.period_count), 0);

    TogglePlay(*idle);
    TogglePlay(*fresh);
    const std::vector<float> played = test::RenderFrames(*idle, 4096);
    EXPECT_EQ(played, test::RenderFrames(*fresh, 4096));
    EXPECT_NE(*std::max_element(played.begin(), played.end()), 0.0f);
    EXPECT_EQ(Get(idle->period_walk.period_count), Get(fresh->period_walk.period_count));
}

} // namespace
} // namespace vortane
