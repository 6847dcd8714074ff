#include <chrono>
#include <future>
#include <optional>

#include "app/device_table.h"
#include "shell_fixture.h"

namespace vortane {
namespace {

using testing::Calls;
using testing::FakeAudioBackend;
using testing::ShellFixture;

// The library's default output first, then the other output devices in its order; without any
// output device one empty entry, so that start-up reports the library's error.
TEST(DeviceTable, ListsOutputDevicesWithTheDefaultFirst) {
    using Table = std::vector<std::pair<std::string, int>>; // name, device number
    struct Case {
        std::vector<AudioBackend::DeviceInfo> devices;
        int default_device;
        Table expected;
    };
    for (const Case& c : {Case{{{"hw", 2}, {"mic", 0}, {"pipewire", 2}, {"hdmi", 8}},
                               2,
                               {{"pipewire", 2}, {"hw", 0}, {"hdmi", 3}}},
                          Case{{{"mic", 0}, {"line in", 0}}, -1, {{"", 0}}}, Case{{}, -1, {{"", 0}}}}) {
        FakeAudioBackend backend;
        backend.devices = c.devices;
        backend.default_device = c.default_device;
        Table table;
        for (const OutputDevice& d : BuildOutputDeviceTable(backend)) {
            table.emplace_back(d.name, d.number);
        }
        EXPECT_EQ(table, c.expected) << c.devices.size() << " devices";
    }
}

// An output playing on entry 0 of {"jack", "alsa"}, with the calls of start-up forgotten.
struct PlayingOutput {
    explicit PlayingOutput(std::chrono::milliseconds bound = AudioOutput::kCallBound)
        : output(std::in_place, backend, synth, bound) {
        backend.devices = {{"jack", 2}, {"alsa", 2}};
        EXPECT_EQ(output->Initialize(), 0);
        output->BuildDeviceTable();
        EXPECT_EQ(output->OpenStream(0), 0);
        output->StartStream();
        backend.calls.clear();
    }
    FakeAudioBackend backend;
    Synth synth;
    std::optional<AudioOutput> output;
};

// A switch to a device that fails to open, or with a library that fails to initialise, leaves no
// stream; shutdown then touches no missing stream and terminates only an initialised library.
TEST(AudioOutputTest, FailedSwitchAndShutdownNeverTouchAMissingStream) {
    for (bool initialise_fails : {false, true}) {
        PlayingOutput p;
        p.backend.failing_devices = {1};
        p.backend.initialize_error = initialise_fails ? -10000 : 0;
        p.output->SwitchDevice(1);
        EXPECT_FALSE(p.output->stream_open());
        if (!initialise_fails) { // a later switch plays again, and fails again
            p.output->SwitchDevice(0);
            EXPECT_TRUE(p.output->stream_running());
            p.output->SwitchDevice(1);
        }
        p.backend.calls.clear();
        p.output->Shutdown({});
        EXPECT_EQ(p.backend.calls, initialise_fails ? Calls{} : Calls{"Terminate"});
        EXPECT_EQ(p.backend.misuse, 0);
    }
}

// The audio server goes away under the running stream: the check reports it once, and from then on
// the lost stream is never aborted or closed and the library never terminated (with JACK each
// would hang, then end the process). A switch opens the new stream beside the lost one and plays.
TEST(AudioOutputTest, LostServerIsLeftAloneAndASwitchPlaysAgain) {
    PlayingOutput p;
    EXPECT_FALSE(p.output->CheckStream());
    p.backend.LoseServer();
    EXPECT_TRUE(p.output->CheckStream());
    EXPECT_FALSE(p.output->CheckStream());
    EXPECT_EQ(p.output->stream(), AudioOutput::Stream::Lost);
    p.backend.calls.clear();

    p.output->SwitchDevice(1);
    EXPECT_EQ(p.backend.calls, (Calls{"Open 1", "Start"}));
    EXPECT_TRUE(p.output->stream_running());
    p.backend.calls.clear();
    p.output->SwitchDevice(0); // a live stream on the pinned library is closed, not terminated
    EXPECT_EQ(p.backend.calls, (Calls{"IsActive", "Abort", "Close", "Open 0", "Start"}));
    p.backend.calls.clear();
    p.output->Shutdown({});
    EXPECT_EQ(p.backend.calls, (Calls{"IsActive", "Abort", "IsActive", "Close"}));
    EXPECT_EQ(p.backend.misuse, 0);
}

// The server is lost while the stream plays elsewhere (ALSA beside a JACK server that stopped):
// the stream is stopped as usual, but the library is never terminated.
TEST(AudioOutputTest, ServerLostBesideALiveStreamNeverTerminates) {
    PlayingOutput p;
    p.backend.server_lost = true;
    p.output->SwitchDevice(1);
    EXPECT_EQ(p.backend.calls, (Calls{"IsActive", "Abort", "Close", "Open 1", "Start"}));
    p.output->Shutdown({});
    EXPECT_EQ(p.backend.misuse, 0);
}

// A library call that never comes back costs the bound once; after it the library is not called
// again, and shutdown returns at once.
TEST(AudioOutputTest, HungLibraryCallIsBoundedAndNeverFollowed) {
    using namespace std::chrono;
    std::promise<void> release;
    PlayingOutput p(milliseconds(300));
    p.backend.abort_hook = [released = release.get_future().share()] { released.wait(); };
    const auto start = steady_clock::now();
    p.output->SwitchDevice(1);
    EXPECT_TRUE(p.output->hung());
    EXPECT_FALSE(p.output->stream_running());
    p.output->SwitchDevice(0);
    p.output->Shutdown({});
    EXPECT_LT(steady_clock::now() - start, seconds(3));
    release.set_value();
    p.output.reset(); // waits for the released call
    // The overrunning switch went on once released; nothing came after it.
    EXPECT_EQ(p.backend.calls, (Calls{"IsActive", "Abort", "Terminate", "Initialize", "Open 1", "Start"}));
}

// In the window: the status bar says when the output stopped by itself, and a device choice that
// plays again clears it; Escape still ends the program, without touching the lost server.
TEST_F(ShellFixture, StatusBarShowsTheLostOutputUntilADeviceStartsAgain) {
    EXPECT_EQ(window->status().Notice(), "");
    backend.LoseServer();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !window->status().Notice().isEmpty(); }, 2000));
    EXPECT_EQ(window->status().Notice(), "Audio output stopped: choose an audio device");
    auto* devices = Control<QComboBox>(id::kAudioDevice);
    devices->setFocus();
    QTest::keyClick(devices, Qt::Key_Down);
    EXPECT_TRUE(app.audio().stream_running());
    EXPECT_EQ(window->status().Notice(), "");
    EXPECT_TRUE(LoopEndsAfter([this] { PressEscape(); }));
    app.ShutDown();
    EXPECT_EQ(backend.misuse, 0);
}

// Without an output device the stream cannot open; an initialise error ends start-up at once. Either
// way one "PortAudio" message with the library's text, no window, exit code 0.
TEST(StartUpFailure, ShowsThePortAudioMessageAndExitsWithZero) {
    for (int initialize_error : {0, -9999}) {
        FakeAudioBackend backend;
        backend.initialize_error = initialize_error;
        testing::FakeMidiInput midi;
        testing::RecordingMessageSink messages;
        Application app(backend, midi, messages);
        EXPECT_EQ(app.Run(), 0);
        EXPECT_EQ(app.window(), nullptr);
        EXPECT_EQ(messages.messages,
                  (testing::RecordingMessageSink::Messages{
                      {"PortAudio", initialize_error == 0 ? "Invalid device" : "Error -9999"}}));
        EXPECT_EQ(backend.misuse, 0);
    }
}

} // namespace
} // namespace vortane
