#include <chrono>
#include <future>
#include <optional>

#include "app/audio_output.h"
#include "app/device_rate_voice.h"
#include "shell_fixture.h"

namespace vortane {
namespace {

using testing::Calls;
using testing::FakeAudioBackend;

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

// The library's default output is listed first. A device that opens only at its own rate (a JACK
// server at 48 or 96 kHz) plays there with the voice resampled, at start-up and after a switch, and
// the status bar names the rate. When the server goes away under the stream the status bar says so
// until a switch plays again beside the lost stream, which is never touched again, nor the library
// terminated (the fake counts those: with JACK each would hang, then end the process).
TEST(DeviceRate, OnlyADeviceThatRefuses44100GetsTheVoiceResampled) {
    FakeAudioBackend backend;
    backend.devices = {{"mic", 0}, {"hw:0", 2}, {"system", 2, 48000.0}, {"hdmi", 2, 96000.0}};
    backend.default_device = 2;
    testing::FakeMidiInput midi;
    testing::RecordingMessageSink messages;
    Application app(backend, midi, messages);
    ASSERT_TRUE(app.StartUp());
    EXPECT_EQ(backend.calls, (Calls{"Initialize", "Open 2", "Open 2 at 48000", "Start"}));
    auto* devices = app.window()->controls().As<QComboBox>(id::kAudioDevice);
    const auto notice_on = [&](int entry) {
        devices->setCurrentIndex(entry);
        emit devices->activated(entry);
        EXPECT_TRUE(app.audio().stream_running());
        return app.window()->status().Notice().toStdString();
    };
    EXPECT_EQ(testing::Items(*devices), QStringList({"system", "hw:0", "hdmi"}));
    EXPECT_EQ(notice_on(1), "44100 Hz");
    EXPECT_EQ(notice_on(2), "96000 Hz (voice resampled from 44100 Hz)");
    EXPECT_EQ(notice_on(0), "48000 Hz (voice resampled from 44100 Hz)");
    backend.LoseServer();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return app.window()->status().Notice() == "Audio output stopped: choose an audio device"; },
        2000));
    EXPECT_EQ(notice_on(1), "44100 Hz");
    app.ShutDown();
    EXPECT_EQ(messages.messages, testing::RecordingMessageSink::Messages{});
    EXPECT_EQ(backend.misuse, 0);
}

// Through the resampler the device gets, to the bit, the 44.1 kHz voice converted offline, in
// whatever blocks it asks for.
TEST(DeviceRate, ResampledVoiceIsTheVoiceConvertedOffline) {
    constexpr double kRate = 48000.0;
    std::unique_ptr<Synth> synths[2] = {std::make_unique<Synth>(), std::make_unique<Synth>()};
    for (auto& synth : synths) {
        synth->Init(7);
        synth->transport.TogglePlay();
    }
    DeviceRateVoice device(*synths[0]);
    ASSERT_TRUE(device.Prepare(kRate));
    std::vector<float> out(20000);
    for (size_t done = 0, block = 1; done < out.size(); done += block, block = block * 7 % 997 + 1) {
        block = std::min(block, out.size() - done);
        device.Render(out.data() + done, block);
    }
    std::vector<float> voice(size_t(double(out.size()) * kSampleRate / kRate) + 200);
    synths[1]->Render(voice.data(), voice.size());
    PolyphaseResampler offline;
    ASSERT_TRUE(offline.Init(kSampleRate, kRate, voice.size()));
    ASSERT_EQ(offline.Write(voice.data(), voice.size()), voice.size());
    std::vector<float> expected(out.size());
    ASSERT_EQ(offline.Render(expected.data(), expected.size()), expected.size());
    EXPECT_EQ(out, expected);
    EXPECT_GT(*std::max_element(out.begin(), out.end()), 0.05f);
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
