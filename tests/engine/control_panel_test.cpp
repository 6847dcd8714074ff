#include <gtest/gtest.h>

#include <utility>

#include "render_test_util.h"

namespace vortane {
namespace {

// Initial states as the main window's tables give them, written out independently of the table.
TEST(ControlPanel, StartsWithEveryControlAtItsInitialState) {
    const std::pair<int, int> expected[] = {{4, 1500}, {5, 50},  {13, 400}, {50, 180}, {9, 50},  {51, 99},
                                            {10, 5},   {11, 75}, {12, 95},  {35, 100}, {34, 3},  {36, 30},
                                            {37, 360}, {38, 50}, {41, 50},  {61, 30},  {64, 30}, {42, 0},
                                            {45, 0},   {46, 0},  {49, 0},   {28, 1},   {29, 0},  {31, 0},
                                            {76, 1},   {77, 0},  {78, 0},   {70, 1},   {72, 0},  {75, 0}};
    const ControlPanel panel;
    for (const auto& [id, state] : expected) {
        EXPECT_EQ(panel.GetState(id), state) << "control " << id;
    }
}

TEST(ControlPanel, SelectingAnOptionClearsOnlyItsOwnGroup) {
    ControlPanel panel;
    panel.SelectOption(id::kLogistic);
    panel.SetState(id::kSLoMirHiLo, 1); // a program-set 1 selects like a click
    panel.SelectOption(id::kPriC);
    for (int id : {id::kCauchy, id::kSMirror, id::kPriW}) {
        EXPECT_EQ(panel.GetState(id), 0) << id;
    }
    for (int id : {id::kLogistic, id::kSLoMirHiLo, id::kPriC}) {
        EXPECT_EQ(panel.GetState(id), 1) << id;
    }
}

// One event each: the control's new state, then the engine value derived from it.
TEST(ControlEvents, EachControlDerivesItsEngineValue) {
    Engine e;
    const auto after = [&e](int id, int state) -> const EngineState& {
        test::Move(e, id, state);
        return e.state;
    };
    EXPECT_EQ(Get(after(id::kFrq, 4321).cutoff), 4321.0);
    EXPECT_EQ(Get(after(id::kRes, 77).resonance), 77);
    EXPECT_EQ(Get(after(id::kMasterVolume, 1500).master_volume), 1500.0f);
    EXPECT_EQ(Get(after(id::kFrequencySetting, 999).frequency_setting), 999);
    EXPECT_EQ(Get(after(id::kY2, 149).y2), 1.49f);
    EXPECT_EQ(Get(after(id::kPrimaryStepSize, 250).primary_step_size), 2.5f);
    EXPECT_EQ(Get(after(id::kProbabilityWidth, 7).probability_width), 0.7f);
    EXPECT_EQ(Get(after(id::kPrimaryStepBarrier, 150).primary_step_barrier), 150);
    EXPECT_EQ(Get(after(id::kSecondaryBarrier, 2).secondary_barrier), 0.2f);
    EXPECT_EQ(Get(after(id::kX2StepSize, 17).point_step_size[2]), 17.0f);
    EXPECT_EQ(Get(after(id::kY2Barrier, 99).point_barrier[3]), 99);
    EXPECT_EQ(Get(after(id::kY1Negative, 1).negative[1]), 1);
    EXPECT_EQ(Get(after(id::kY1Negative, 2).negative[1]), 0); // a box is ticked by state 1 only
    EXPECT_EQ(Get(after(id::kX2On, 2).walk_on[2]), 0);
    // Display X1 = "X1" × "X1 Max" ÷ 99 ÷ 100; the sound's X1 belongs to the X1 walk.
    EXPECT_EQ(Get(after(id::kX1Max, 70).display_x1), static_cast<float>(50 * 70.0 / 99 / 100));
    EXPECT_EQ(Get(after(id::kX1Max, 115).display_x1), static_cast<float>(50 * 115.0 / 99 / 100));
    EXPECT_EQ(Get(after(id::kX1, 99).display_x1), 1.15f);
    EXPECT_EQ(Get(e.state.x1), 0.5f);
    EXPECT_EQ(ApplyControlEvent(e, id::kX1Max), EventEffect::RedrawDisplay);
    EXPECT_EQ(ApplyControlEvent(e, id::kFrq), EventEffect::None);
}

TEST(ControlEvents, TogglePlayOpensAndClosesTheGateAndStopRestartsThePeriodCount) {
    Engine e;
    Put(e.period_walk.period_count, 17);
    TogglePlay(e);
    EXPECT_EQ(Get(e.state.output_gate), 1);
    EXPECT_EQ(e.panel.GetPlayCaption(), PlayCaption::Stop);
    EXPECT_EQ(Get(e.period_walk.period_count), 17);
    TogglePlay(e);
    EXPECT_EQ(Get(e.state.play_state), 0);
    EXPECT_EQ(Get(e.state.output_gate), 0);
    EXPECT_EQ(e.panel.GetPlayCaption(), PlayCaption::Play);
    EXPECT_EQ(Get(e.period_walk.period_count), 0);
}

TEST(ControlEvents, StartUpTakesTheCreationValuesAndTheFixedLevel) {
    Engine e;
    e.panel.SetState(id::kMasterVolume, 1000); // the start level is fixed, not the slider's
    PrepareAsAtStartup(e);
    EXPECT_EQ(Get(e.state.probability_width), 0.3f);
    EXPECT_EQ(Get(e.state.primary_step_barrier), 30);
    EXPECT_EQ(Get(e.state.secondary_barrier), 36.0f);
    EXPECT_EQ(Get(e.state.primary_step_size), 1.0f);
    EXPECT_EQ(Get(e.state.master_volume), 400.0f);
    EXPECT_EQ(Get(e.state.y1), 0.06f); // not the slider's 0.05 until its first event
}

} // namespace
} // namespace vortane
