#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <span>
#include <vector>

#include "control/param_store.h"
#include "control/transport.h"
#include "engine/voice.h"
#include "midi/controller_slots.h"
#include "midi/midi_handler.h"

namespace vortane {
namespace {

using P = ParamId;

class HandlerTest : public ::testing::Test {
protected:
    void Send(std::initializer_list<uint8_t> message) {
        handler.Receive(std::span<const uint8_t>(message.begin(), message.size()));
    }
    bool Gate() const { return transport.gate_open(); }
    float Value(ParamId id) const { return params.Get(id); }
    bool RestartPending() { return (transport.TakeEvents() & VoiceParams::kRestart) != 0; }
    void AssignAll(std::string_view text) {
        for (int slot = 1; slot <= kSlotCount; ++slot) {
            slots.SetAssignment(slot, text);
        }
    }

    ParamStore params;
    Transport transport;
    MidiQueue keyboard;
    ControllerSlots slots;
    MidiHandler handler{params, transport, keyboard, slots};
};

// Every slot answers controller 14 at first; X1's step size is kept unrounded for the voice.
TEST_F(HandlerTest, DefaultControllerMovesTheFiveSliders) {
    Send({0xB0, 0x0E, 0x40});
    EXPECT_EQ(Value(P::FrequencySetting), 539.0f);
    EXPECT_EQ(Value(P::SecondaryBarrier), 305.0f);
    EXPECT_EQ(Value(P::Frq), 2516.0f);
    EXPECT_NEAR(Value(P::X1StepSize), 50.3937, 5e-5);
    EXPECT_EQ(params.Whole(P::X1StepSize), 50);
    EXPECT_EQ(Value(P::PrimaryStepSize), 277.0f);
}

// "07" answers controller 7, a one-digit "7" never answers, and no text answers 100..127.
TEST_F(HandlerTest, OnlyTwoDigitTextsOfZeroToNinetyNineAnswer) {
    AssignAll("");
    slots.SetAssignment(7, "07");
    Send({0xB0, 7, 127});
    EXPECT_EQ(Value(P::X1Negative), 1.0f);
    slots.SetAssignment(7, "7");
    Send({0xB0, 7, 127});
    EXPECT_EQ(Value(P::X1Negative), 1.0f);
    for (const char* text : {"100", "00", "10"}) {
        AssignAll(text);
        Send({0xB0, 100, 127});
    }
    EXPECT_EQ(Value(P::FrequencySetting), 180.0f);
}

// Check boxes toggle and option groups step at 127 only. Each group cycles on from its second
// option by MIDI's own count, which a click by the user does not move.
TEST_F(HandlerTest, CheckBoxesToggleAndOptionGroupsCycleAt127Only) {
    Send({0xB0, 14, 126});
    EXPECT_EQ(Value(P::X1Negative), 0.0f);
    params.Set(P::Distribution, 3.0f); // the user picks "ArcSin"
    for (int press = 0; press < 6; ++press) {
        Send({0xB0, 14, 127});
        EXPECT_EQ(params.Whole(P::Distribution), (press + 1) % 4) << press;
        EXPECT_EQ(params.Whole(P::WalkMode), (press + 1) % 3) << press;
        EXPECT_EQ(params.Whole(P::Behaviour), (press + 1) % 6) << press;
        EXPECT_EQ(Value(P::Y2Negative), press % 2 == 0 ? 1.0f : 0.0f) << press;
    }
}

// Control changes on every channel, notes on channel 1 only. Going On imitates Play. Going Off,
// by a velocity-0 note-on or by a note-off (which many keyboards send instead), arms the start
// reset but is no Stop. A repeated note-on of a held key (a retrigger) counts once.
TEST_F(HandlerTest, GateStaysOpenUntilTheLastHeldKeyIsReleased) {
    Send({0xBF, 14, 0});
    EXPECT_EQ(Value(P::FrequencySetting), 70.0f);
    Send({0x91, 60, 100});
    EXPECT_FALSE(Gate());
    for (uint8_t release : {0x90, 0x80}) {
        RestartPending(); // the events so far handed over
        Send({0x90, 60, 100});
        Send({0x90, 64, 100});
        Send({0x90, 64, 90});
        EXPECT_TRUE(Gate());
        EXPECT_EQ(transport.gate_text(), GateText::On);
        EXPECT_STREQ(transport.play_caption(), "Stop");
        Send({release, 60, 0});
        EXPECT_TRUE(Gate()) << int{release};
        Send({release, 64, 0});
        EXPECT_FALSE(Gate()) << int{release};
        EXPECT_TRUE(RestartPending());
        EXPECT_EQ(transport.gate_text(), GateText::Off);
        EXPECT_TRUE(transport.playing());
    }
}

// A release of a key that is not held (its note-on lost) does not count down for the keys still
// held; with no key held, a release closes the gate even when Play opened it. After a lost
// note-off, Stop forgets the stuck key, so the next key plays and its release closes the gate.
TEST_F(HandlerTest, ReleasesOfKeysNotHeldAndStopAfterALostNoteOff) {
    transport.TogglePlay();
    Send({0x80, 62, 0});
    EXPECT_FALSE(Gate());
    transport.TogglePlay(); // back to play state 0
    Send({0x90, 60, 100});
    Send({0x80, 61, 64});
    EXPECT_TRUE(Gate());
    transport.TogglePlay(); // the play state is 1: Stop
    EXPECT_FALSE(Gate());
    Send({0x90, 62, 100});
    EXPECT_TRUE(Gate());
    Send({0x80, 60, 64}); // the lost note-off, late
    EXPECT_TRUE(Gate());
    Send({0x80, 62, 64});
    EXPECT_FALSE(Gate());
}

// The first whole message of any kind writes the gate text. Truncated, overlong and malformed
// messages are ignored whole, without even the gate text; whole ones of one and two bytes are
// messages like any other. The port's close releases held notes.
TEST_F(HandlerTest, IncompleteOrMalformedMessagesAreIgnoredWhole) {
    EXPECT_EQ(transport.gate_text(), GateText::None);
    Send({0xF8}); // clock
    EXPECT_EQ(transport.gate_text(), GateText::Off);
    Send({0x90, 60, 100});
    transport.SetGateText(GateText::None);
    const std::vector<std::vector<uint8_t>> kBad = {
        {0x90, 0x3C}, {0x90, 0x3C, 0x00, 0x00}, {0x90, 0x3C, 0x80}, {0x3C, 0x00, 0x00}, {0xF8, 0x00},
    };
    for (const std::vector<uint8_t>& message : kBad) {
        handler.Receive(message);
        EXPECT_TRUE(Gate()) << testing::PrintToString(message);
        EXPECT_EQ(transport.gate_text(), GateText::None) << testing::PrintToString(message);
    }
    EXPECT_EQ(Value(P::FrequencySetting), 180.0f);
    Send({0xC0, 5});
    EXPECT_EQ(transport.gate_text(), GateText::On);
    handler.OnClose();
    EXPECT_FALSE(Gate());
    Send({0xFE});
    EXPECT_EQ(transport.gate_text(), GateText::Off);
    Send({0x90, 60, 100});
    EXPECT_TRUE(Gate());
}

// With Keyboard at Pitch the keyboard's messages of every channel go to the instrument, whole and
// in order, and never touch the gate; the controller slots still answer.
TEST_F(HandlerTest, PitchModeSendsTheKeyboardToTheInstrument) {
    params.Set(P::Keyboard, 1.0f);
    Send({0x93, 64, 90});  // a note on channel 4
    Send({0xE0, 0, 0x60}); // pitch bend
    Send({0xB2, 64, 127}); // the sustain pedal
    Send({0xB0, 14, 0});   // a slot's controller
    EXPECT_EQ(transport.gate_text(), GateText::On);
    Send({0x83, 64, 0});
    EXPECT_FALSE(Gate());
    EXPECT_EQ(transport.gate_text(), GateText::Off);
    EXPECT_EQ(Value(P::FrequencySetting), 70.0f);
    std::vector<std::array<uint8_t, 3>> queued;
    for (MidiMessage m; keyboard.Pop(m);) {
        queued.push_back(m.bytes);
    }
    EXPECT_EQ(queued, (std::vector<std::array<uint8_t, 3>>{
                          {0x93, 64, 90}, {0xE0, 0, 0x60}, {0xB2, 64, 127}, {0x83, 64, 0}}));
}

} // namespace
} // namespace vortane
