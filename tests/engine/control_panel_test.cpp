#include <gtest/gtest.h>

#include <memory>
#include <utility>

#include "engine/control_events.h"
#include "engine/engine.h"

namespace vortane {
namespace {

std::unique_ptr<Engine> NewEngine() {
    return std::make_unique<Engine>();
}

// Initial states as the main window's tables give them, written out independently of the table.
TEST(ControlPanel, StartsWithEveryControlAtItsInitialState) {
    const std::pair<int, int> expected[] = {
        {4, 1500}, {5, 50},  {13, 400}, {50, 180}, {9, 50},  {51, 99}, {10, 5},  {11, 75}, {12, 95},
        {35, 100}, {34, 3},  {36, 30},  {37, 360}, {38, 50}, {39, 50}, {40, 50}, {41, 50}, {61, 30},
        {62, 30},  {63, 30}, {64, 30},  {42, 0},   {43, 0},  {44, 0},  {45, 0},  {46, 0},  {47, 0},
        {48, 0},   {49, 0},  {28, 1},   {29, 0},   {30, 0},  {31, 0},  {76, 1},  {77, 0},  {78, 0},
        {70, 1},   {72, 0},  {71, 0},   {73, 0},   {74, 0},  {75, 0},
    };
    const ControlPanel panel;
    for (const auto& [id, state] : expected) {
        EXPECT_EQ(panel.GetState(id), state) << "control " << id;
    }
}

TEST(ControlPanel, SelectingAnOptionClearsOnlyItsOwnGroup) {
    ControlPanel panel;
    panel.SelectOption(id::kLogistic);
    EXPECT_EQ(panel.GetState(id::kCauchy), 0);
    EXPECT_EQ(panel.GetState(id::kLogistic), 1);
    EXPECT_EQ(panel.GetState(id::kPriW), 1);
    EXPECT_EQ(panel.GetState(id::kSMirror), 1);

    panel.SetState(id::kSLoMirHiLo, 1); // a program-set 1 selects like a click
    EXPECT_EQ(panel.GetState(id::kSMirror), 0);
    EXPECT_EQ(panel.GetState(id::kSLoMirHiLo), 1);
    EXPECT_EQ(panel.GetState(id::kLogistic), 1);
    EXPECT_EQ(panel.GetState(id::kPriW), 1);

    panel.SelectOption(id::kPriC);
    EXPECT_EQ(panel.GetState(id::kPriW), 0);
    EXPECT_EQ(panel.GetState(id::kPriC), 1);
    EXPECT_EQ(panel.GetState(id::kSLoMirHiLo), 1);
    EXPECT_EQ(panel.GetState(id::kLogistic), 1);
}

TEST(ControlPanel, SlidersAreHeldWithinTheirRange) {
    ControlPanel panel;
    panel.SetState(id::kFrq, 10);
    EXPECT_EQ(panel.GetState(id::kFrq), 20);
    panel.SetState(id::kFrq, 6000);
    EXPECT_EQ(panel.GetState(id::kFrq), 5000);
    panel.SetState(id::kX1, 115); // "X1" keeps the maximum it was created with
    EXPECT_EQ(panel.GetState(id::kX1), 99);
    panel.SetState(id::kY2, 0);
    EXPECT_EQ(panel.GetState(id::kY2), 80);
    panel.SetState(id::kMasterVolume, 1500);
    EXPECT_EQ(panel.GetState(id::kMasterVolume), 1500);
}

// One event per row: control, state to set, and a reader of the engine value it must produce.
struct EventCase {
    int id;
    int state;
    double expected;
    double (*read)(const EngineState&);
};

class ControlEventFormula : public ::testing::TestWithParam<EventCase> {};

TEST_P(ControlEventFormula, DerivesTheEngineValue) {
    const EventCase& c = GetParam();
    auto engine = NewEngine();
    engine->panel.SetState(c.id, c.state);
    ApplyControlEvent(*engine, c.id);
    EXPECT_EQ(c.read(engine->state), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    EveryEngineSlider, ControlEventFormula,
    ::testing::Values(
        EventCase{4, 4321, 4321.0, [](const EngineState& s) { return Get(s.cutoff); }},
        EventCase{5, 77, 77, [](const EngineState& s) { return double(Get(s.resonance)); }},
        EventCase{13, 1500, 1500.0, [](const EngineState& s) { return double(Get(s.master_volume)); }},
        EventCase{50, 999, 999, [](const EngineState& s) { return double(Get(s.frequency_setting)); }},
        EventCase{10, 33, 0.33f, [](const EngineState& s) { return double(Get(s.y1)); }},
        EventCase{11, 12, 0.12f, [](const EngineState& s) { return double(Get(s.x2)); }},
        EventCase{12, 149, 1.49f, [](const EngineState& s) { return double(Get(s.y2)); }},
        EventCase{35, 250, 2.5f, [](const EngineState& s) { return double(Get(s.primary_step_size)); }},
        EventCase{34, 7, 0.7f, [](const EngineState& s) { return double(Get(s.probability_width)); }},
        EventCase{36, 150, 150, [](const EngineState& s) { return double(Get(s.primary_step_barrier)); }},
        EventCase{37, 2, 0.2f, [](const EngineState& s) { return double(Get(s.secondary_barrier)); }},
        EventCase{40, 17, 17.0f, [](const EngineState& s) { return double(Get(s.point_step_size[2])); }},
        EventCase{64, 99, 99, [](const EngineState& s) { return double(Get(s.point_barrier[3])); }},
        EventCase{9, 25, 0.25f, [](const EngineState& s) { return double(Get(s.display_x1)); }},
        EventCase{51, 70, static_cast<float>(50 * 70.0 / 99 / 100),
                  [](const EngineState& s) { return double(Get(s.display_x1)); }}));

TEST(ControlEvents, X1SliderMovesOnlyTheDisplayValue) {
    auto engine = NewEngine();
    engine->panel.SetState(id::kX1Max, 115);
    EXPECT_EQ(ApplyControlEvent(*engine, id::kX1Max), EventEffect::RedrawDisplay);
    engine->panel.SetState(id::kX1, 99);
    EXPECT_EQ(ApplyControlEvent(*engine, id::kX1), EventEffect::RedrawDisplay);
    EXPECT_EQ(Get(engine->state.display_x1), 1.15f);
    EXPECT_EQ(Get(engine->state.x1_max), 115.0f);
    EXPECT_EQ(Get(engine->state.x1), 0.5f); // the sound's X1 belongs to the X1 walk
}

TEST(ControlEvents, OnlyTheFiveCurveSlidersRedraw) {
    auto engine = NewEngine();
    for (int id : {id::kX1, id::kX1Max, id::kY1, id::kX2, id::kY2}) {
        EXPECT_EQ(ApplyControlEvent(*engine, id), EventEffect::RedrawDisplay) << id;
    }
    for (int id : {id::kFrq, id::kRes, id::kMasterVolume, id::kX1On, id::kCauchy, id::kPlay}) {
        EXPECT_EQ(ApplyControlEvent(*engine, id), EventEffect::None) << id;
    }
}

TEST(ControlEvents, Y1KeepsItsStartValueUntilItsFirstEvent) {
    auto engine = NewEngine();
    EXPECT_EQ(Get(engine->state.y1), 0.06f);
    ApplyControlEvent(*engine, id::kY2);
    EXPECT_EQ(Get(engine->state.y1), 0.06f);
    ApplyControlEvent(*engine, id::kY1);
    EXPECT_EQ(Get(engine->state.y1), 0.05f);
}

TEST(ControlEvents, CheckBoxFlagIsOneOnlyForStateOne) {
    auto engine = NewEngine();
    for (int k = 0; k < kCoordinateCount; ++k) {
        const auto i = static_cast<size_t>(k);
        engine->panel.SetState(id::kX1Negative + k, 1);
        engine->panel.SetState(id::kX1On + k, 1);
        ApplyControlEvent(*engine, id::kX1Negative + k);
        ApplyControlEvent(*engine, id::kX1On + k);
        EXPECT_EQ(Get(engine->state.negative[i]), 1);
        EXPECT_EQ(Get(engine->state.walk_on[i]), 1);

        engine->panel.SetState(id::kX1Negative + k, 2);
        engine->panel.SetState(id::kX1On + k, 2);
        ApplyControlEvent(*engine, id::kX1Negative + k);
        ApplyControlEvent(*engine, id::kX1On + k);
        EXPECT_EQ(Get(engine->state.negative[i]), 0);
        EXPECT_EQ(Get(engine->state.walk_on[i]), 0);
    }
}

TEST(ControlEvents, TogglePlayOpensAndClosesTheGateAndStopRestartsThePeriodCount) {
    auto engine = NewEngine();
    Put(engine->period_walk.period_count, 17);
    TogglePlay(*engine);
    EXPECT_EQ(Get(engine->state.play_state), 1);
    EXPECT_EQ(Get(engine->state.output_gate), 1);
    EXPECT_EQ(engine->panel.GetPlayCaption(), PlayCaption::Stop);
    EXPECT_EQ(Get(engine->period_walk.period_count), 17);

    TogglePlay(*engine);
    EXPECT_EQ(Get(engine->state.play_state), 0);
    EXPECT_EQ(Get(engine->state.output_gate), 0);
    EXPECT_EQ(engine->panel.GetPlayCaption(), PlayCaption::Play);
    EXPECT_EQ(Get(engine->period_walk.period_count), 0);
    EXPECT_EQ(Get(engine->state.start_done), 0); // Stop leaves the start reset to the output stage
}

TEST(ControlEvents, StartUpValuesBeforeAndAfterTheControlsExist) {
    auto engine = NewEngine();
    const EngineState& s = engine->state;
    EXPECT_EQ(Get(s.probability_width), 0.2f);
    EXPECT_EQ(Get(s.primary_step_barrier), 0);
    EXPECT_EQ(Get(s.secondary_barrier), 0.0f);
    EXPECT_EQ(Get(s.master_volume), 0.0f);

    engine->panel.SetState(id::kMasterVolume, 1000); // the start level is fixed, not the slider's
    PrepareAsAtStartup(*engine);
    EXPECT_EQ(Get(s.probability_width), 0.3f);
    EXPECT_EQ(Get(s.primary_step_barrier), 30);
    EXPECT_EQ(Get(s.secondary_barrier), 36.0f);
    EXPECT_EQ(Get(s.master_volume), 400.0f);
    EXPECT_EQ(Get(s.primary_step_size), 1.0f);
    EXPECT_EQ(Get(s.cutoff), 1500.0);
    EXPECT_EQ(Get(s.display_x1), 0.5f);
}

} // namespace
} // namespace vortane
