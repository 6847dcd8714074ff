// MIDI input end to end: a JACK client of the test's own sends short messages through a real JACK
// server into RtMidiInput, which hands them to the handler of a MidiSession.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

#include "engine/control_ids.h"
#include "engine/engine.h"
#include "jack_test_client.h"
#include "midi/midi_session.h"
#include "midi/rtmidi_input.h"

namespace vortane {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

bool WaitFor(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// Where the ALSA sequencer exists it may hold ports of its own; the JACK port is then asked for.
RtMidiInput::Backend BackendForTheTest() {
    return fs::exists("/dev/snd/seq") ? RtMidiInput::Backend::JackOnly : RtMidiInput::Backend::Automatic;
}

class MidiInputTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings = fs::temp_directory_path() / ("vortane-e2e-" + std::to_string(getpid()));
    }
    void TearDown() override { fs::remove(settings); }

    fs::path settings;
    std::unique_ptr<Engine> engine = std::make_unique<Engine>();
};

TEST_F(MidiInputTest, JackPortDrivesThePanelTheEngineAndTheGate) {
    testing::JackTestClient sender("vortane-e2e", "out");
    ASSERT_TRUE(sender.Ok()) << "no JACK server";
    RtMidiInput input(BackendForTheTest());
    ASSERT_TRUE(input.IsJack());
    MidiSession session(*engine, input);
    session.LoadSettings(settings);

    std::vector<std::string> names;
    const int count = session.FillDeviceList(names);
    ASSERT_GE(count, 1);
    const auto found = std::find(names.begin(), names.end(), sender.MidiPortName());
    ASSERT_NE(found, names.end());
    EXPECT_EQ(session.DeviceNumber(), 0);
    EXPECT_TRUE(session.OpenAtStartup());
    EXPECT_STREQ(session.StatusText(), "MIDI IN");
    EXPECT_TRUE(session.SwitchDevice(static_cast<int>(found - names.begin())));
    EXPECT_STREQ(session.StatusText(), "MIDI IN");
    ASSERT_TRUE(sender.WaitUntilConnected()) << "the opened port never connected";

    const ControlPanel& panel = engine->panel;
    EngineState& state = engine->state;
    sender.Send(0xB0, 0x0E, 0x40);
    ASSERT_TRUE(WaitFor([&] { return panel.GetState(id::kFrequencySetting) == 539; }));
    EXPECT_EQ(Get(state.cutoff), 2516.0);
    EXPECT_EQ(panel.GetGateText(), GateText::Off);

    sender.Send(0x90, 60, 100);
    ASSERT_TRUE(WaitFor([&] { return Get(state.output_gate) == 1; }));
    EXPECT_EQ(panel.GetPlayCaption(), PlayCaption::Stop);
    sender.Send(0x80, 60, 64);
    ASSERT_TRUE(WaitFor([&] { return Get(state.output_gate) == 0; }));

    // A device switch releases a held note through the close message.
    sender.Send(0x90, 60, 100);
    ASSERT_TRUE(WaitFor([&] { return Get(state.output_gate) == 1; }));
    EXPECT_TRUE(session.SwitchDevice(static_cast<int>(found - names.begin())));
    EXPECT_EQ(Get(state.output_gate), 0);
    EXPECT_EQ(session.Handler().HeldNotes(), 0);

    // After shutdown the handler is never called again.
    session.Shutdown();
    EXPECT_STREQ(session.StatusText(), "No MIDI IN");
    sender.Send(0xB0, 0x0E, 0x00);
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(panel.GetState(id::kFrequencySetting), 539);
}

TEST_F(MidiInputTest, WithoutAnyMidiServiceTheProgramRunsOn) {
    setenv("JACK_DEFAULT_SERVER", "vortane-no-such-server", 1);
    RtMidiInput input(BackendForTheTest());
    MidiSession session(*engine, input);
    session.LoadSettings(settings);
    std::vector<std::string> names;
    if (input.IsJack()) {
        EXPECT_EQ(session.FillDeviceList(names), 0);
        EXPECT_TRUE(names.empty());
        EXPECT_EQ(session.DeviceNumber(), -1);
    } else {
        session.FillDeviceList(names);
    }
    if (names.empty()) {
        EXPECT_FALSE(session.OpenAtStartup());
        EXPECT_STREQ(session.StatusText(), "No MIDI IN");
        EXPECT_FALSE(session.SwitchDevice(0));
        EXPECT_STREQ(session.StatusText(), "No MIDI IN");
    }
    // Every slot still answers controller 14 from the settings file that start-up created.
    EXPECT_TRUE(fs::exists(settings));
    EXPECT_EQ(session.Slots().AnsweredController(12), 14);
}

} // namespace
} // namespace vortane
