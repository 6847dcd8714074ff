#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "engine/control_ids.h"
#include "engine/engine.h"
#include "midi/controller_slots.h"
#include "midi/midi_handler.h"
#include "midi/midi_keys.h"

namespace vortane {
namespace {

class HandlerTest : public ::testing::Test {
protected:
    void Send(uint8_t status, uint8_t data1, uint8_t data2) {
        handler.Receive(MIM_DATA, PackShortMessage(status, data1, data2));
    }
    int State(int id) const { return engine->panel.GetState(id); }
    // Every slot on one controller text except the one under test.
    void AssignAll(std::string_view text) {
        for (int slot = 1; slot <= kSlotCount; ++slot) {
            slots.SetAssignment(slot, text);
        }
    }

    std::unique_ptr<Engine> engine = std::make_unique<Engine>();
    ControllerSlots slots;
    MidiHandler handler{*engine, slots};
};

TEST(MidiKeys, KeysOfTheControllerNumbers) {
    EXPECT_EQ(NumberText(0), "0");
    EXPECT_EQ(NumberText(127), "127");
    EXPECT_EQ(NumberText(128), "");
    EXPECT_EQ(MessageKey(7), "007 7");
    EXPECT_EQ(MessageKey(14), "014 14");
    EXPECT_EQ(MessageKey(100), "100 100");
    EXPECT_EQ(MessageKey(128), "");
    EXPECT_EQ(MatchKey("14"), "014 14");
    EXPECT_EQ(MatchKey("07"), "007 07");
    EXPECT_TRUE(KeysMatch("007 7", "007 07"));
    EXPECT_FALSE(KeysMatch("007 7", "07 7"));
}

// Which controller an assignment text answers: only two-digit texts of 0..99 answer anything.
TEST(MidiKeys, AnsweredControllers) {
    EXPECT_EQ(AnsweredController("07"), 7);
    EXPECT_EQ(AnsweredController("00"), 0);
    EXPECT_EQ(AnsweredController("14"), 14);
    EXPECT_EQ(AnsweredController("99"), 99);
    EXPECT_EQ(AnsweredController("7"), -1);
    EXPECT_EQ(AnsweredController("100"), -1);
    EXPECT_EQ(AnsweredController("127"), -1);
    EXPECT_EQ(AnsweredController(""), -1);
    EXPECT_EQ(AnsweredController("64"), 64);
    // A text that only agrees on the characters compared for 0..9 still answers.
    EXPECT_EQ(AnsweredController("07 x7"), 7);
}

TEST_F(HandlerTest, DefaultControllerMovesTheFiveSliders) {
    Send(0xB0, 0x0E, 0x40);
    EXPECT_EQ(State(id::kFrequencySetting), 539);
    EXPECT_EQ(State(id::kSecondaryBarrier), 305);
    EXPECT_EQ(State(id::kFrq), 2516);
    EXPECT_EQ(State(id::kX1StepSize), 50);
    EXPECT_EQ(State(id::kPrimaryStepSize), 277);
    EXPECT_EQ(Get(engine->state.frequency_setting), 539);
    EXPECT_EQ(Get(engine->state.secondary_barrier), 30.5f);
    EXPECT_EQ(Get(engine->state.cutoff), 2516.0);
    EXPECT_NEAR(Get(engine->state.point_step_size[0]), 50.3937, 5e-5);
    EXPECT_EQ(Get(engine->state.primary_step_size), 2.77f);
    // Check boxes and options stay as they were.
    EXPECT_EQ(State(id::kX1Negative), 0);
    EXPECT_EQ(State(id::kCauchy), 1);
    EXPECT_EQ(State(id::kPriW), 1);
    EXPECT_EQ(State(id::kSMirror), 1);
}

// Single-precision scaling gives the nearest integer of the exact ratio for every value.
TEST_F(HandlerTest, SliderScalingIsNearestForEveryValue) {
    auto nearest = [](int v, int span, int offset) {
        return static_cast<int>(std::lround(static_cast<double>(v) * span / 127.0 + offset));
    };
    for (int v = 0; v <= 127; ++v) {
        Send(0xB0, 14, static_cast<uint8_t>(v));
        ASSERT_EQ(State(id::kFrequencySetting), nearest(v, 930, 70)) << v;
        ASSERT_EQ(State(id::kSecondaryBarrier), nearest(v, 595, 5)) << v;
        ASSERT_EQ(State(id::kFrq), v * 39 + 20) << v;
        ASSERT_EQ(State(id::kX1StepSize), nearest(v, 100, 0)) << v;
        ASSERT_EQ(State(id::kPrimaryStepSize), nearest(v, 450, 50)) << v;
        ASSERT_EQ(Get(engine->state.secondary_barrier),
                  static_cast<float>(State(id::kSecondaryBarrier)) / 10.0f);
    }
    EXPECT_EQ(State(id::kFrequencySetting), 1000);
    EXPECT_EQ(State(id::kSecondaryBarrier), 600);
    EXPECT_EQ(State(id::kFrq), 4973);
    EXPECT_EQ(Get(engine->state.primary_step_size), 5.0f);
}

TEST_F(HandlerTest, SlotFourKeepsTheUnroundedStepSize) {
    Send(0xB0, 14, 1);
    EXPECT_EQ(State(id::kX1StepSize), 1);
    EXPECT_NEAR(Get(engine->state.point_step_size[0]), 0.787402, 5e-7);
}

TEST_F(HandlerTest, TwoDigitTextAnswersAndOneDigitDoesNot) {
    AssignAll("");
    slots.SetAssignment(7, "07");
    Send(0xB0, 7, 127);
    EXPECT_EQ(State(id::kX1Negative), 1);
    EXPECT_EQ(Get(engine->state.negative[0]), 1);
    slots.SetAssignment(7, "7");
    Send(0xB0, 7, 127);
    EXPECT_EQ(State(id::kX1Negative), 1);
}

TEST_F(HandlerTest, ControllerAboveNinetyNineNeverAnswers) {
    for (const char* text : {"100", "00", "14", "10"}) {
        AssignAll(text);
        Send(0xB0, 100, 127);
    }
    EXPECT_EQ(State(id::kFrequencySetting), 180);
    EXPECT_EQ(State(id::kX1Negative), 0);
}

TEST_F(HandlerTest, CheckBoxesToggleOnlyAt127) {
    Send(0xB0, 14, 126);
    EXPECT_EQ(State(id::kX1Negative), 0);
    // A button sending 127 on press and 0 on release toggles once per press.
    Send(0xB0, 14, 127);
    Send(0xB0, 14, 0);
    for (int id : {id::kX1Negative, id::kY1Negative, id::kX2Negative, id::kY2Negative}) {
        EXPECT_EQ(State(id), 1) << id;
    }
    for (int c = 0; c < kCoordinateCount; ++c) {
        EXPECT_EQ(Get(engine->state.negative[static_cast<size_t>(c)]), 1) << c;
    }
    Send(0xB0, 14, 127);
    EXPECT_EQ(State(id::kY2Negative), 0);
    EXPECT_EQ(Get(engine->state.negative[3]), 0);
}

TEST_F(HandlerTest, OptionGroupsCycleFromTheirSecondOption) {
    const std::vector<int> distribution = {id::kLogistic, id::kUniform, id::kArcSin, id::kCauchy,
                                           id::kLogistic};
    const std::vector<int> primary = {id::kPriR, id::kPriC, id::kPriW, id::kPriR, id::kPriC};
    const std::vector<int> secondary = {id::kSRandom, id::kSCentred, id::kSOnLimits, id::kSOppLimits,
                                        id::kSLoMirHiLo};
    // A click by the user does not move MIDI's own position in the cycle.
    engine->panel.SelectOption(id::kArcSin);
    for (size_t press = 0; press < distribution.size(); ++press) {
        Send(0xB0, 14, 127);
        EXPECT_EQ(State(distribution[press]), 1) << press;
        EXPECT_EQ(State(primary[press]), 1) << press;
        EXPECT_EQ(State(secondary[press]), 1) << press;
    }
    Send(0xB0, 14, 127);
    EXPECT_EQ(State(id::kSMirror), 1);
    EXPECT_EQ(State(id::kSLoMirHiLo), 0);
}

TEST_F(HandlerTest, ControlChangeOnEveryChannelNotesOnChannelOneOnly) {
    Send(0xBF, 14, 0);
    EXPECT_EQ(State(id::kFrequencySetting), 70);
    Send(0x91, 60, 100);
    EXPECT_EQ(Get(engine->state.output_gate), 0);
    EXPECT_EQ(engine->panel.GetGateText(), GateText::Off);
    EXPECT_EQ(handler.HeldNotes(), 0);
}

TEST_F(HandlerTest, FirstMessageWritesOff) {
    EXPECT_EQ(engine->panel.GetGateText(), GateText::None);
    handler.Receive(MIM_DATA, PackShortMessage(0xF8, 0, 0)); // clock
    EXPECT_EQ(engine->panel.GetGateText(), GateText::Off);
}

TEST_F(HandlerTest, HeldNotesKeepTheGateOpenUntilTheLastRelease) {
    Put(engine->state.start_done, 1);
    Send(0x90, 60, 100);
    Send(0x90, 64, 100);
    EXPECT_EQ(Get(engine->state.output_gate), 1);
    EXPECT_EQ(Get(engine->state.play_state), 1);
    EXPECT_EQ(engine->panel.GetPlayCaption(), PlayCaption::Stop);
    EXPECT_EQ(engine->panel.GetGateText(), GateText::On);
    Send(0x90, 60, 0);
    EXPECT_EQ(handler.HeldNotes(), 1);
    EXPECT_EQ(Get(engine->state.output_gate), 1);
    Send(0x90, 64, 0);
    EXPECT_EQ(Get(engine->state.output_gate), 0);
    EXPECT_EQ(Get(engine->state.start_done), 0);
    EXPECT_EQ(engine->panel.GetGateText(), GateText::Off);
    // Going off is no Stop: the caption and the play state stay.
    EXPECT_EQ(engine->panel.GetPlayCaption(), PlayCaption::Stop);
    EXPECT_EQ(Get(engine->state.play_state), 1);
}

TEST_F(HandlerTest, ReleaseAtZeroStillClosesTheGate) {
    Put(engine->state.output_gate, 1);
    Put(engine->state.start_done, 1);
    Send(0x90, 60, 0);
    EXPECT_EQ(Get(engine->state.output_gate), 0);
    EXPECT_EQ(Get(engine->state.start_done), 0);
    EXPECT_EQ(handler.HeldNotes(), 0);
}

TEST_F(HandlerTest, NoteOffOfTheLastNoteClosesTheGate) {
    Send(0x90, 60, 100);
    Send(0x90, 62, 100);
    Send(0x80, 60, 64);
    EXPECT_EQ(Get(engine->state.output_gate), 1);
    Send(0x80, 62, 64);
    EXPECT_EQ(Get(engine->state.output_gate), 0);
    EXPECT_EQ(engine->panel.GetGateText(), GateText::Off);
    // A stray note-off with nothing held leaves a gate the Play button opened alone.
    Put(engine->state.output_gate, 1);
    Send(0x80, 62, 64);
    EXPECT_EQ(Get(engine->state.output_gate), 1);
}

TEST_F(HandlerTest, CloseReleasesHeldNotesAndShowsOffOnlyLater) {
    Send(0x90, 60, 100);
    handler.Receive(MIM_CLOSE, 0);
    EXPECT_EQ(Get(engine->state.output_gate), 0);
    EXPECT_EQ(handler.HeldNotes(), 0);
    EXPECT_EQ(engine->panel.GetGateText(), GateText::On);
    Send(0xFE, 0, 0); // active sensing
    EXPECT_EQ(engine->panel.GetGateText(), GateText::Off);
}

TEST_F(HandlerTest, OtherMessageCodesAndBadDataBytesAreIgnored) {
    handler.Receive(0x3C1, PackShortMessage(0x90, 60, 100)); // open
    EXPECT_EQ(handler.HeldNotes(), 0);
    handler.Receive(MIM_DATA, 0xB0 | 0x8E << 8 | 0x40 << 16);
    EXPECT_EQ(State(id::kFrequencySetting), 180);
}

TEST_F(HandlerTest, SlotsSharingAControllerAllAct) {
    AssignAll("");
    slots.SetAssignment(7, "21");
    slots.SetAssignment(8, "21");
    Send(0xB0, 21, 127);
    EXPECT_EQ(State(id::kX1Negative), 1);
    EXPECT_EQ(State(id::kX2Negative), 1);
    EXPECT_EQ(State(id::kY1Negative), 0);
}

} // namespace
} // namespace vortane
