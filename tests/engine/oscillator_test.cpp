#include <gtest/gtest.h>

#include <cmath>

#include "engine/oscillator.h"
#include "render_test_util.h"

namespace vortane {
namespace {

using test::Move;
using test::PreparedEngine;

// Opens the gate and runs the start reset, as the first frame after Play does.
void StartAsAfterPlay(Engine& engine) {
    TogglePlay(engine);
    FrameUpdate(engine);
}

TEST(Oscillator, AmplitudeFollowsTheVolumeCurve) {
    EXPECT_EQ(AmplitudeFactor(0.0f), 0.0f);
    EXPECT_NEAR(AmplitudeFactor(400.0f), 0.7411f, 1e-4f);
    EXPECT_NEAR(AmplitudeFactor(1500.0f), 7.0f, 1e-5f);
    EXPECT_EQ(AmplitudeFactor(733.0f), std::exp2(733.0f * 0.002f) - 1.0f);
    EXPECT_EQ(AmplitudeFactor(733.5f), std::exp2(733.5f * 0.002f) - 1.0f); // off the slider's grid
}

TEST(Oscillator, SilentUntilTheFirstPeriodStarts) {
    auto engine = PreparedEngine(1);
    for (int i = 0; i < 10000; ++i) {
        ASSERT_EQ(OscillatorStep(*engine), 0.0f);
    }
    EXPECT_EQ(Get(engine->state.period_length), 0);
    EXPECT_EQ(Get(engine->period_walk.period_count), 0); // no walk has run
}

TEST(Oscillator, FirstStartTakesANewLengthAtPhaseZero) {
    auto engine = PreparedEngine(2);
    StartAsAfterPlay(*engine);
    EXPECT_EQ(Get(engine->state.period_position), -1);
    EXPECT_EQ(OscillatorStep(*engine), 0.0f); // phase 0 lies on the centre line
    const int length = Get(engine->state.period_length);
    EXPECT_GE(length, 51);
    EXPECT_LE(length, 413);
    EXPECT_EQ(Get(engine->state.period_position), 0);

    // The period then runs its full length before the next one starts.
    bool sounded = false;
    for (int i = 1; i < length; ++i) {
        sounded |= OscillatorStep(*engine) != 0.0f;
        ASSERT_EQ(Get(engine->state.period_position), i);
    }
    EXPECT_TRUE(sounded);
    EXPECT_EQ(OscillatorStep(*engine), 0.0f);
    EXPECT_EQ(Get(engine->state.period_position), 0);
    EXPECT_EQ(Get(engine->period_walk.period_count), 2);
}

TEST(Oscillator, LaterStartResetRestartsTheCurrentPeriod) {
    auto engine = PreparedEngine(3);
    test::SwitchAllWalks(*engine, 1);
    StartAsAfterPlay(*engine);
    for (int i = 0; i < 1000; ++i) {
        OscillatorStep(*engine);
    }
    const int length = Get(engine->state.period_length);
    const int count = Get(engine->period_walk.period_count);
    const float y2 = Get(engine->state.y2);
    ASSERT_NE(Get(engine->state.period_position), 0);

    Put(engine->state.start_done, 0); // as MIDI note handling leaves it
    FrameUpdate(*engine);
    EXPECT_EQ(OscillatorStep(*engine), 0.0f);
    EXPECT_EQ(Get(engine->state.period_position), 0);
    EXPECT_EQ(Get(engine->state.period_length), length);
    EXPECT_EQ(Get(engine->period_walk.period_count), count);
    EXPECT_EQ(Get(engine->state.y2), y2);
}

TEST(Oscillator, VolumeZeroGivesExactSilence) {
    auto engine = PreparedEngine(4);
    test::SwitchAllWalks(*engine, 1);
    Move(*engine, id::kMasterVolume, 0);
    StartAsAfterPlay(*engine);
    for (int i = 0; i < 44100; ++i) {
        ASSERT_EQ(OscillatorStep(*engine), 0.0f);
    }
    EXPECT_GT(Get(engine->period_walk.period_count), 50); // periods did run
}

TEST(Oscillator, PeriodOfOneSampleStaysOnTheCentreLine) {
    // F = 1000 and D = 60 put the lower barrier at 1; "PriC" with step size 5 folded by B = 2
    // shortens the period by one sample each time until "SOnLimits" holds it at 1.
    auto engine = PreparedEngine(5);
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

TEST(Oscillator, SwitchedOffWalksLeaveTheControlPoints) {
    auto engine = PreparedEngine(6);
    StartAsAfterPlay(*engine);
    for (int i = 0; i < 44100; ++i) {
        OscillatorStep(*engine);
    }
    EXPECT_EQ(Get(engine->state.x1), 0.5f);
    EXPECT_EQ(Get(engine->state.y1), 0.06f);
    EXPECT_EQ(Get(engine->state.x2), 0.75f);
    EXPECT_EQ(Get(engine->state.y2), 0.95f);
}

TEST(Oscillator, SwitchedOnWalksSetTheirCoordinateInHundredths) {
    auto engine = PreparedEngine(7);
    Move(*engine, id::kY1On, 1);
    Move(*engine, id::kX2On, 1);
    StartAsAfterPlay(*engine);
    int starts = 0;
    for (int i = 0; i < 44100; ++i) {
        OscillatorStep(*engine);
        if (Get(engine->state.period_position) == 0) {
            ++starts;
            const float y1 = static_cast<float>(engine->point_walks[1].position) / 100.0f;
            const float x2 = static_cast<float>(engine->point_walks[2].position) / 100.0f;
            ASSERT_EQ(Get(engine->state.y1), y1);
            ASSERT_EQ(Get(engine->state.x2), x2);
        }
    }
    EXPECT_GT(starts, 100);
    EXPECT_EQ(Get(engine->state.x1), 0.5f); // X1 and Y2 stayed off
    EXPECT_EQ(Get(engine->state.y2), 0.95f);
    EXPECT_EQ(engine->point_walks[0].position, 0);
}

} // namespace
} // namespace vortane
