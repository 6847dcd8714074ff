#include <QComboBox>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

#include "app/application.h"
#include "app/control_set.h"
#include "app/portaudio_backend.h"
#include "app/status_fields.h"
#include "engine/engine.h"
#include "fake_audio_backend.h"
#include "jack_midi_sender.h"
#include "jack_recorder.h"
#include "midi/rtmidi_input.h"

// MIDI end to end: the application on the real RtMidi and PortAudio libraries, both on the JACK
// dummy server that the test fixture started. A JACK client of the test plays a keyboard into the
// application's MIDI input; another records its audio output.
namespace vortane {
namespace {

// Where the ALSA sequencer exists it may list ports of its own; the test's JACK port is asked for.
RtMidiInput::Backend MidiBackend() {
    return std::filesystem::exists("/dev/snd/seq") ? RtMidiInput::Backend::JackOnly
                                                   : RtMidiInput::Backend::Automatic;
}

// Waits, handling window events, until the condition holds; false after five seconds.
bool WaitFor(const std::function<bool()>& condition) {
    for (int i = 0; i < 500 && !condition(); ++i) {
        QTest::qWait(10);
    }
    return condition();
}

bool AllSilent(const std::vector<float>& samples) {
    return !samples.empty() && std::all_of(samples.begin(), samples.end(), [](float s) { return s == 0.0f; });
}

float Peak(const std::vector<float>& samples) {
    float peak = 0.0f;
    for (float s : samples) {
        peak = std::max(peak, std::abs(s));
    }
    return peak;
}

TEST(MidiEndToEnd, KeyboardOnJackDrivesTheWindowTheEngineAndTheOutput) {
    const QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    // The keyboard's port exists before the application lists its MIDI devices.
    testing::JackMidiSender keys;
    ASSERT_TRUE(keys.Ok()) << "no JACK server";
    PortAudioBackend audio;
    RtMidiInput midi(MidiBackend());
    ASSERT_TRUE(midi.IsJack());
    testing::RecordingMessageSink messages;
    Application app(audio, midi, messages);
    ASSERT_TRUE(app.StartUp()) << (messages.messages.empty() ? "" : messages.messages[0].second);
    MainWindow& window = *app.window();
    const ControlSet& controls = window.controls();

    auto* list = controls.As<QComboBox>(id::kMidiDevice);
    const int keys_entry = list->findText(QString::fromStdString(keys.PortName()));
    ASSERT_GE(keys_entry, 0) << "list: " << list->itemText(0).toStdString();
    EXPECT_EQ(list->currentIndex(), 0);
    EXPECT_EQ(window.status().Text(0), "MIDI IN");
    if (keys_entry != 0) {
        list->setFocus();
        list->setCurrentIndex(keys_entry);
        emit list->activated(keys_entry);
        ASSERT_EQ(window.status().Text(0), "MIDI IN");
    }

    testing::JackRecorder recorder;
    ASSERT_TRUE(recorder.Open());
    const std::string output = recorder.FindPort("^Vortane[^:]*:out_0$");
    ASSERT_FALSE(output.empty());
    ASSERT_TRUE(recorder.ConnectFrom(output));

    Engine& engine = app.engine();
    keys.Send(0xB0, 0x0E, 0x40);
    ASSERT_TRUE(WaitFor([&] { return controls.As<QSlider>(id::kFrq)->value() == 2516; }));
    EXPECT_EQ(controls.As<QSlider>(id::kFrequencySetting)->value(), 539);
    EXPECT_EQ(controls.As<QSlider>(id::kPrimaryStepSize)->value(), 277);
    EXPECT_EQ(Get(engine.state.cutoff), 2516.0);
    EXPECT_EQ(Get(engine.state.secondary_barrier), 30.5f);
    EXPECT_TRUE(AllSilent(recorder.Record(0.3)));

    keys.Send(0x90, 60, 100);
    ASSERT_TRUE(WaitFor([&] { return window.status().Text(1) == "On"; }));
    EXPECT_EQ(Get(engine.state.output_gate), 1);
    EXPECT_EQ(controls.As<QPushButton>(id::kPlay)->text(), "Stop");
    const std::vector<float> sounding = recorder.Record(0.5);
    EXPECT_TRUE(std::all_of(sounding.begin(), sounding.end(), [](float s) { return std::isfinite(s); }));
    EXPECT_GT(Peak(sounding), 0.05f);

    keys.Send(0x80, 60, 64);
    ASSERT_TRUE(WaitFor([&] { return window.status().Text(1) == "Off"; }));
    EXPECT_EQ(Get(engine.state.output_gate), 0);
    QTest::qWait(200);
    EXPECT_TRUE(AllSilent(recorder.Record(0.3)));

    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_TRUE(window.quit_requested());
    app.ShutDown();
    EXPECT_TRUE(messages.messages.empty());
}

// No MIDI service at all (the JACK server named here does not exist): the program starts and runs
// without MIDI. Audio goes to a fake library, since JACK is missing for it as well.
TEST(MidiEndToEnd, WithoutAMidiServiceTheProgramRunsOn) {
    const QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("JACK_DEFAULT_SERVER", "vortane-no-such-server");
    testing::FakeAudioBackend audio;
    audio.devices = {{"pipewire", 2}};
    RtMidiInput midi(MidiBackend());
    testing::RecordingMessageSink messages;
    Application app(audio, midi, messages);
    ASSERT_TRUE(app.StartUp());
    MainWindow& window = *app.window();
    if (midi.IsJack() || !midi.HasService()) {
        EXPECT_EQ(window.controls().As<QComboBox>(id::kMidiDevice)->count(), 0);
    }
    EXPECT_EQ(window.status().Text(0), "No MIDI IN");
    EXPECT_EQ(window.status().Text(1), "Off");
    QTest::mouseClick(window.controls().As<QPushButton>(id::kPlay), Qt::LeftButton);
    EXPECT_GT(Peak(audio.Pull(8192)), 0.0f);
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_Escape);
    ASSERT_TRUE(window.quit_requested());
    app.RunEventLoop();
    app.ShutDown();
    EXPECT_TRUE(std::filesystem::exists(home.path().toStdString() + "/preferences.ini"));
}

} // namespace
} // namespace vortane
