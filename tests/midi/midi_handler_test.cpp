#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <span>
#include <vector>

#include "control/control_ids.h"
#include "control/voice_controls.h"
#include "engine/voice.h"
#include "midi/controller_slots.h"
#include "midi/midi_handler.h"

namespace vortane {
namespace {

class HandlerTest : public ::testing::Test {
protected:
    void Send(std::initializer_list<uint8_t> message) {
        handler.Receive(std::span<const uint8_t>(message.begin(), message.size()));
    }
    int Gate() const { return controls->output_gate(); }
    int State(int id) const { return controls->panel().GetState(id); }
    // What the voice's next block gets; its events are then handed over.
    VoiceParams Snapshot() {
        VoiceParams params;
        controls->Snapshot(params);
        return params;
    }
    bool RestartPending() { return (Snapshot().events & VoiceParams::kRestart) != 0; }
    void AssignAll(std::string_view text) {
        for (int slot = 1; slot <= kSlotCount; ++slot) {
            slots.SetAssignment(slot, text);
        }
    }

    std::unique_ptr<VoiceControls> controls = std::make_unique<VoiceControls>();
    ControllerSlots slots;
    MidiHandler handler{*controls, slots};
};

// Every slot answers controller 14 at first; the voice gets X1's step size unrounded.
TEST_F(HandlerTest, DefaultControllerMovesTheFiveSliders) {
    Send({0xB0, 0x0E, 0x40});
    EXPECT_EQ(State(id::kFrequencySetting), 539);
    EXPECT_EQ(State(id::kSecondaryBarrier), 305);
    EXPECT_EQ(State(id::kFrq), 2516);
    EXPECT_EQ(State(id::kX1StepSize), 50);
    EXPECT_EQ(State(id::kPrimaryStepSize), 277);
    const VoiceParams p = Snapshot();
    EXPECT_EQ(p.oscillator.period.frequency_setting, 539);
    EXPECT_EQ(p.oscillator.period.secondary_barrier, 30.5f);
    EXPECT_EQ(p.cutoff, 2516.0);
    EXPECT_NE(p.events & VoiceParams::kCutoffWritten, 0u);
    EXPECT_NEAR(p.oscillator.points[0].step_size, 50.3937, 5e-5);
    EXPECT_EQ(p.oscillator.period.step.primary_step_size, 2.77f);
}

// "07" answers controller 7, a one-digit "7" never answers, and no text answers 100..127.
TEST_F(HandlerTest, OnlyTwoDigitTextsOfZeroToNinetyNineAnswer) {
    AssignAll("");
    slots.SetAssignment(7, "07");
    Send({0xB0, 7, 127});
    EXPECT_EQ(State(id::kX1Negative), 1);
    slots.SetAssignment(7, "7");
    Send({0xB0, 7, 127});
    EXPECT_EQ(State(id::kX1Negative), 1);
    for (const char* text : {"100", "00", "10"}) {
        AssignAll(text);
        Send({0xB0, 100, 127});
    }
    EXPECT_EQ(State(id::kFrequencySetting), 180);
    EXPECT_EQ(State(id::kX1Negative), 1);
}

// Check boxes toggle and option groups step at 127 only. Each group cycles on from its second
// option by MIDI's own count, which a click by the user does not move.
TEST_F(HandlerTest, CheckBoxesToggleAndOptionGroupsCycleAt127Only) {
    Send({0xB0, 14, 126});
    EXPECT_EQ(State(id::kX1Negative), 0);
    EXPECT_EQ(State(id::kCauchy), 1);
    controls->panel().SelectOption(id::kArcSin);
    const int distribution[] = {id::kLogistic, id::kUniform, id::kArcSin, id::kCauchy};
    const int primary[] = {id::kPriR, id::kPriC, id::kPriW};
    const int secondary[] = {id::kSRandom,    id::kSCentred,   id::kSOnLimits,
                             id::kSOppLimits, id::kSLoMirHiLo, id::kSMirror};
    for (int press = 0; press < 6; ++press) {
        Send({0xB0, 14, 127});
        EXPECT_EQ(State(distribution[press % 4]), 1) << press;
        EXPECT_EQ(State(primary[press % 3]), 1) << press;
        EXPECT_EQ(State(secondary[press]), 1) << press;
        EXPECT_EQ(State(id::kY2Negative), press % 2 == 0 ? 1 : 0) << press;
        EXPECT_EQ(Snapshot().oscillator.points[3].negative, press % 2 == 0) << press;
    }
}

TEST_F(HandlerTest, ControlChangesOnEveryChannelNotesOnChannelOneOnly) {
    Send({0xBF, 14, 0});
    EXPECT_EQ(State(id::kFrequencySetting), 70);
    Send({0x91, 60, 100});
    EXPECT_EQ(Gate(), 0);
    EXPECT_EQ(handler.HeldNotes(), 0);
}

// Going On imitates Play. Going Off, by a velocity-0 note-on or by a note-off (which many keyboards
// send instead), clears the start-done flag but is no Stop. A repeated note-on of a held key (a
// retrigger) counts once, so one release of it closes the gate.
TEST_F(HandlerTest, GateStaysOpenUntilTheLastHeldKeyIsReleased) {
    for (uint8_t release : {0x90, 0x80}) {
        Snapshot(); // the events so far handed over
        Send({0x90, 60, 100});
        Send({0x90, 64, 100});
        Send({0x90, 64, 90});
        EXPECT_EQ(Gate(), 1);
        EXPECT_EQ(handler.HeldNotes(), 2);
        EXPECT_EQ(controls->panel().GetGateText(), GateText::On);
        EXPECT_EQ(controls->panel().GetPlayCaption(), PlayCaption::Stop);
        Send({release, 60, 0});
        EXPECT_EQ(Gate(), 1) << int{release};
        Send({release, 64, 0});
        EXPECT_EQ(Gate(), 0) << int{release};
        EXPECT_EQ(handler.HeldNotes(), 0);
        EXPECT_TRUE(RestartPending());
        EXPECT_EQ(controls->panel().GetGateText(), GateText::Off);
        EXPECT_EQ(controls->panel().GetPlayCaption(), PlayCaption::Stop);
        EXPECT_EQ(controls->play_state(), 1);
    }
}

// A release of a key that is not held (its note-on lost) does not count down for the keys still held;
// with no key held, a release closes the gate even when Play opened it.
TEST_F(HandlerTest, ReleaseOfAKeyNotHeld) {
    for (uint8_t release : {0x90, 0x80}) {
        controls->TogglePlay();
        Snapshot();
        Send({release, 62, 0});
        EXPECT_EQ(Gate(), 0) << int{release};
        EXPECT_TRUE(RestartPending());
        EXPECT_EQ(controls->panel().GetGateText(), GateText::Off);
        controls->TogglePlay(); // back to play state 0
    }
    Send({0x90, 60, 100});
    Send({0x80, 61, 64});
    Send({0x90, 59, 0});
    EXPECT_EQ(Gate(), 1);
    EXPECT_EQ(handler.HeldNotes(), 1);
    Send({0x80, 60, 64});
    EXPECT_EQ(Gate(), 0);
}

// After a lost note-off, Stop releases the stuck key, so the next key plays and its release closes
// the gate; the lost note-off arriving late does nothing.
TEST_F(HandlerTest, StopForgetsTheHeldKeys) {
    Send({0x90, 60, 100});
    controls->TogglePlay(); // the play state is 1: Stop
    EXPECT_EQ(Gate(), 0);
    EXPECT_EQ(handler.HeldNotes(), 0);
    Send({0x90, 62, 100});
    EXPECT_EQ(Gate(), 1);
    EXPECT_EQ(controls->panel().GetGateText(), GateText::On);
    EXPECT_EQ(controls->play_state(), 1);
    Send({0x80, 60, 64});
    EXPECT_EQ(Gate(), 1);
    Send({0x80, 62, 64});
    EXPECT_EQ(Gate(), 0);
}

// The first whole message of any kind writes the gate text. Truncated, overlong and malformed
// messages are ignored whole, without even the gate text; whole ones of one and two bytes are
// messages like any other.
TEST_F(HandlerTest, IncompleteOrMalformedMessagesAreIgnoredWhole) {
    EXPECT_EQ(controls->panel().GetGateText(), GateText::None);
    Send({0xF8}); // clock
    EXPECT_EQ(controls->panel().GetGateText(), GateText::Off);
    Send({0x90, 60, 100});
    controls->panel().SetGateText(GateText::None);
    const std::vector<std::vector<uint8_t>> kBad = {
        {},
        {0x90},
        {0x90, 0x3C},
        {0x80, 0x3C},
        {0x3C, 0x00, 0x00},
        {0x90, 0x3C, 0x00, 0x00},
        {0xB0, 0x0E},
        {0xB0, 0x8E, 0x40},
        {0x90, 0x3C, 0x80},
        {0xF0, 0x7E, 0xF7},
        {0xF7},
        {0xF8, 0x00},
    };
    for (const std::vector<uint8_t>& message : kBad) {
        handler.Receive(message);
        EXPECT_EQ(Gate(), 1) << testing::PrintToString(message);
        EXPECT_EQ(controls->panel().GetGateText(), GateText::None) << testing::PrintToString(message);
    }
    EXPECT_EQ(State(id::kFrequencySetting), 180);
    EXPECT_EQ(handler.HeldNotes(), 1);
    Send({0xC0, 5});
    EXPECT_EQ(controls->panel().GetGateText(), GateText::On);
    controls->panel().SetGateText(GateText::None);
    Send({0xFE});
    EXPECT_EQ(controls->panel().GetGateText(), GateText::On);
}

// The close message releases held notes; the text shows Off only at the next message.
TEST_F(HandlerTest, CloseReleasesHeldNotes) {
    Send({0x90, 60, 100});
    handler.OnClose();
    EXPECT_EQ(Gate(), 0);
    EXPECT_EQ(handler.HeldNotes(), 0);
    Send({0xFE});
    EXPECT_EQ(controls->panel().GetGateText(), GateText::Off);
    Send({0x90, 60, 100});
    EXPECT_EQ(Gate(), 1);
}

} // namespace
} // namespace vortane
