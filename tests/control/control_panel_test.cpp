#include <gtest/gtest.h>

#include <utility>

#include "synth_test_util.h"

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

VoiceParams Snapshot(VoiceControls& controls) {
    VoiceParams params;
    controls.Snapshot(params);
    return params;
}

// One event each: the control's new state, then the parameter the voice's next block reads.
TEST(ControlEvents, EachControlDerivesItsParameter) {
    Synth s;
    const auto after = [&s](int id, int state) {
        test::Move(s, id, state);
        return Snapshot(s.controls);
    };
    EXPECT_EQ(after(id::kFrq, 4321).cutoff, 4321.0);
    EXPECT_EQ(after(id::kRes, 77).resonance, 77);
    EXPECT_EQ(after(id::kMasterVolume, 1500).oscillator.master_volume, 1500.0f);
    EXPECT_EQ(after(id::kFrequencySetting, 999).oscillator.period.frequency_setting, 999);
    EXPECT_EQ(after(id::kY2, 149).points[3], 1.49f);
    EXPECT_EQ(after(id::kPrimaryStepSize, 250).oscillator.period.step.primary_step_size, 2.5f);
    EXPECT_EQ(after(id::kProbabilityWidth, 7).oscillator.period.step.probability_width, 0.7f);
    EXPECT_EQ(after(id::kPrimaryStepBarrier, 150).oscillator.period.primary_step_barrier, 150);
    EXPECT_EQ(after(id::kSecondaryBarrier, 2).oscillator.period.secondary_barrier, 0.2f);
    EXPECT_EQ(after(id::kX2StepSize, 17).oscillator.points[2].step_size, 17.0f);
    EXPECT_EQ(after(id::kY2Barrier, 99).oscillator.points[3].barrier, 99);
    EXPECT_TRUE(after(id::kY1Negative, 1).oscillator.points[1].negative);
    EXPECT_FALSE(after(id::kY1Negative, 2).oscillator.points[1].negative); // ticked by state 1 only
    EXPECT_FALSE(after(id::kX2On, 2).oscillator.walk_on[2]);
    // Options become one choice per group; the walks read their own sliders' states.
    s.controls.panel().SelectOption(id::kUniform);
    s.controls.panel().SelectOption(id::kPriC);
    s.controls.panel().SelectOption(id::kSOppLimits);
    const VoiceParams options = after(id::kX2, 42);
    EXPECT_EQ(options.oscillator.period.step.distribution, Distribution::Uniform);
    EXPECT_EQ(options.oscillator.period.primary_mode, PrimaryMode::Constant);
    EXPECT_EQ(options.oscillator.period.behaviour, BarrierBehaviour::OppLimits);
    EXPECT_EQ(options.oscillator.period.step.step_size_slider, 250);
    EXPECT_EQ(options.oscillator.points[2].slider, 42);
    // Display X1 = "X1" × "X1 Max" ÷ 99 ÷ 100; the sound's X1 belongs to the X1 walk.
    EXPECT_EQ(after(id::kX1Max, 70).oscillator.points[0].x1_max, 70.0f);
    EXPECT_EQ(s.controls.display_curve().x1, static_cast<float>(50 * 70.0 / 99 / 100));
    test::Move(s, id::kX1Max, 115);
    EXPECT_EQ(after(id::kX1, 99).events & VoiceParams::PointWritten(Coordinate::X1), 0u);
    EXPECT_EQ(s.controls.display_curve().x1, 1.15f);
    EXPECT_EQ(s.controls.ApplyControlEvent(id::kX1Max), EventEffect::RedrawDisplay);
    EXPECT_EQ(s.controls.ApplyControlEvent(id::kFrq), EventEffect::None);
}

// Each event reaches the voice once: the cutoff and the curve sliders when written, Stop and the
// restart as they happen.
TEST(ControlEvents, EventsAreHandedOverOnceAndPlayTogglesTheGate) {
    VoiceControls c;
    EXPECT_NE(Snapshot(c).events & VoiceParams::kCutoffWritten, 0u); // the first block takes the values
    EXPECT_EQ(Snapshot(c).events, 0u);
    c.TogglePlay();
    EXPECT_TRUE(Snapshot(c).gate);
    EXPECT_EQ(c.panel().GetPlayCaption(), PlayCaption::Stop);
    c.TogglePlay();
    const VoiceParams stopped = Snapshot(c);
    EXPECT_FALSE(stopped.gate);
    EXPECT_EQ(stopped.events, uint32_t{VoiceParams::kStop});
    EXPECT_EQ(c.play_state(), 0);
    EXPECT_EQ(c.panel().GetPlayCaption(), PlayCaption::Play);
    c.OpenGateByNote();
    c.CloseGateForRestart();
    EXPECT_EQ(Snapshot(c).events, uint32_t{VoiceParams::kRestart});
    EXPECT_EQ(c.play_state(), 1); // a released note is no Stop
    c.panel().SetState(id::kY1, 30);
    c.ApplyControlEvent(id::kY1);
    EXPECT_EQ(Snapshot(c).events, VoiceParams::PointWritten(Coordinate::Y1));
}

TEST(ControlEvents, StartUpTakesTheCreationValuesAndTheFixedLevel) {
    VoiceControls c;
    c.panel().SetState(id::kMasterVolume, 1000); // the start level is fixed, not the slider's
    c.PrepareAsAtStartup();
    const VoiceParams p = Snapshot(c);
    EXPECT_EQ(p.oscillator.period.step.probability_width, 0.3f);
    EXPECT_EQ(p.oscillator.period.primary_step_barrier, 30);
    EXPECT_EQ(p.oscillator.period.secondary_barrier, 36.0f);
    EXPECT_EQ(p.oscillator.period.step.primary_step_size, 1.0f);
    EXPECT_EQ(p.oscillator.master_volume, 400.0f);
    EXPECT_EQ(p.points[1], 0.06f); // not the slider's 0.05 until its first event
}

} // namespace
} // namespace vortane
