#include <chrono>
#include <unistd.h>

#include "jack_app.h"
#include "midi/midi_session.h"
#include "midi/settings_store.h"

// End to end on the JACK dummy server: the test's JACK client plays a keyboard into the application
// and records what it plays; and the application losing a JACK server of the test's own.
namespace vortane {
namespace {

using testing::AllSilent;
using testing::Peak;

// Upward crossings of a band of ±10 % of the peak per second: one per period of the voice.
double CrossingRate(const std::vector<float>& s, double rate) {
    const float band = 0.1f * Peak(s);
    int crossings = 0;
    bool low = false;
    for (float v : s) {
        crossings += v > band && low ? 1 : 0;
        low = v < -band || (low && v <= band);
    }
    return crossings * rate / double(s.size());
}

// Silence until Play, a fade-in from an exact zero at a pitch within the start-up barriers, silence
// after Stop; a device that fails to open leaves the program up and silent, and the first device
// plays again.
TEST(AudioEndToEnd, PlaysTheVoiceIntoJackFadingInAndSurvivesAFailingDevice) {
    testing::JackApp j;
    ASSERT_EQ(j.Start(), "");
    const double rate = j.keys.sample_rate();
    ASSERT_EQ(rate, 44100.0);
    QTest::qWait(100);

    auto* play = j.window().controls().As<QPushButton>(id::kPlay);
    j.keys.StartRecording();
    QTest::qWait(400);
    QTest::mouseClick(play, Qt::LeftButton);
    QTest::qWait(1600);
    const std::vector<float> take = j.keys.StopRecording();
    ASSERT_GE(Peak(take), 0.0f) << "a sample is not finite";
    const size_t first =
        size_t(std::find_if(take.begin(), take.end(), [](float s) { return s != 0.0f; }) - take.begin());
    ASSERT_GT(take.size(), first + 200 + size_t(rate)) << "nothing audible after Play";
    EXPECT_GT(first, size_t(rate * 0.2)) << "sound before Play";
    EXPECT_LT(Peak({take.begin() + std::ptrdiff_t(first), take.begin() + std::ptrdiff_t(first + 10)}), 1e-3f);
    EXPECT_GT(Peak(take, first + 100), 0.05f);
    const double pitch = CrossingRate({take.begin() + std::ptrdiff_t(first + 200),
                                       take.begin() + std::ptrdiff_t(first + 200 + size_t(rate))},
                                      rate);
    EXPECT_GE(pitch, rate / 413.0);
    EXPECT_LE(pitch, rate / 51.0);

    QTest::mouseClick(play, Qt::LeftButton); // Stop: silence from the next buffer on
    QTest::qWait(200);
    EXPECT_TRUE(AllSilent(j.keys.Record(0.5)));

    QTest::mouseClick(play, Qt::LeftButton);
    auto* devices = j.window().controls().As<QComboBox>(id::kAudioDevice);
    ASSERT_EQ(devices->itemText(devices->count() - 1), "broken");
    devices->setFocus();
    QTest::keyClick(devices, Qt::Key_End);
    ASSERT_EQ(devices->currentIndex(), devices->count() - 1);
    EXPECT_FALSE(j.app.audio().stream_open());
    QTest::keyClick(devices, Qt::Key_Home);
    ASSERT_EQ(devices->currentIndex(), 0);
    EXPECT_TRUE(j.app.audio().stream_running());
    QTest::qWait(200);
    ASSERT_TRUE(j.keys.RecordFrom(testing::JackApp::kOutputPort));
    EXPECT_GT(Peak(j.keys.Record(0.5)), 0.05f);

    j.window().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&j.window()));
    QTest::keyClick(&j.window(), Qt::Key_Escape);
    EXPECT_TRUE(j.window().quit_requested());
    j.app.ShutDown();
    EXPECT_FALSE(j.app.audio().stream_open());
    EXPECT_EQ(j.messages.messages, testing::RecordingMessageSink::Messages{});
}

// A control change moves the sliders and what the voice hears; a note gates the voice as Play does
// and its release silences it; choosing the port again releases a held note through the close
// message; after shutdown no message reaches the controls.
TEST(MidiEndToEnd, KeyboardOnJackDrivesTheWindowTheControlsAndTheOutput) {
    testing::JackApp j;
    ASSERT_EQ(j.Start(), "");
    const ControlSet& controls = j.window().controls();
    VoiceControls& voice = j.app.synth().controls;

    j.keys.Send(0xB0, 0x0E, 0x40);
    ASSERT_TRUE(QTest::qWaitFor([&] { return controls.As<QSlider>(id::kFrq)->value() == 2516; }));
    EXPECT_EQ(controls.As<QSlider>(id::kPrimaryStepSize)->value(), 277);
    VoiceParams params;
    voice.Peek(params);
    EXPECT_EQ(params.oscillator.period.secondary_barrier, 30.5f);
    EXPECT_EQ(params.cutoff, 2516.0);
    EXPECT_TRUE(AllSilent(j.keys.Record(0.3)));

    j.keys.Send(0x90, 60, 100);
    ASSERT_TRUE(QTest::qWaitFor([&] { return j.window().status().Text(1) == "On"; }));
    EXPECT_EQ(controls.As<QPushButton>(id::kPlay)->text(), "Stop");
    EXPECT_GT(Peak(j.keys.Record(0.5)), 0.05f);

    j.keys.Send(0x80, 60, 64);
    ASSERT_TRUE(QTest::qWaitFor([&] { return j.window().status().Text(1) == "Off"; }));
    EXPECT_EQ(controls.As<QPushButton>(id::kPlay)->text(), "Stop"); // a note off leaves the caption
    QTest::qWait(200);
    EXPECT_TRUE(AllSilent(j.keys.Record(0.3)));

    j.keys.Send(0x90, 60, 100);
    ASSERT_TRUE(QTest::qWaitFor([&] { return voice.output_gate() == 1; }));
    auto* list = controls.As<QComboBox>(id::kMidiDevice);
    testing::Choose(list, list->currentIndex());
    EXPECT_EQ(voice.output_gate(), 0);
    EXPECT_EQ(j.app.midi().Handler().HeldNotes(), 0);

    j.app.ShutDown();
    j.keys.Send(0xB0, 0x0E, 0x00);
    QTest::qWait(300);
    EXPECT_EQ(voice.panel().GetState(id::kFrq), 2516);
    EXPECT_EQ(j.messages.messages, testing::RecordingMessageSink::Messages{});
}

// No MIDI service at all (the JACK server named here does not exist): the program starts and runs
// without MIDI, and every slot keeps the default controller. Audio goes to the fake library, since
// JACK is missing for it as well.
TEST(MidiEndToEnd, WithoutAMidiServiceTheProgramRunsOn) {
    const QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("JACK_DEFAULT_SERVER", "vortane-no-such-server");
    testing::FakeAudioBackend audio;
    audio.devices = {{"pipewire", 2}};
    RtMidiInput midi(testing::MidiBackend());
    testing::RecordingMessageSink messages;
    Application app(audio, midi, messages);
    ASSERT_TRUE(app.StartUp());
    MainWindow& window = *app.window();
    if (midi.IsJack() || !midi.HasService()) {
        EXPECT_EQ(window.controls().As<QComboBox>(id::kMidiDevice)->count(), 0);
    }
    EXPECT_EQ(window.status().Text(0), "No MIDI IN");
    EXPECT_EQ(app.midi().Slots().AnsweredController(12), 14);
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

// The JACK server stops under the playing voice: the status bar says so within a moment, a switch
// to a live device plays again, and Escape ends the program at once with the settings written,
// never waiting on the dead server.
TEST(AudioEndToEnd, JackServerStoppedUnderPlayIsShownAndAnotherDevicePlaysOn) {
    testing::ScratchJackServer server("vortane-lost-" + std::to_string(getpid()));
    ASSERT_TRUE(server.started());
    qputenv("JACK_DEFAULT_SERVER", QByteArray::fromStdString(server.name()));
    // A live device beside JACK, which takes samples as fast as they come: ALSA's null device.
    std::ofstream(qEnvironmentVariable("HOME").toStdString() + "/.asoundrc")
        << "pcm.vortane_null { type null }\n";
    testing::TestBackend audio;
    testing::FakeMidiInput midi;
    testing::RecordingMessageSink messages;
    Application app(audio, midi, messages);
    ASSERT_TRUE(app.StartUp()) << (messages.messages.empty() ? "" : messages.messages[0].second);
    MainWindow& window = *app.window();
    auto* devices = window.controls().As<QComboBox>(id::kAudioDevice);
    const int jack_entry = devices->findText("system");
    const int null_entry = devices->findText("vortane_null");
    ASSERT_EQ(jack_entry, 0);
    ASSERT_GE(null_entry, 0);
    ASSERT_TRUE(testing::InControllerWindow(window, [](ControllerWindow& controllers) {
        controllers.List(1)->setCurrentIndex(controllers.List(1)->findText("07"));
        controllers.close();
    }));
    QTest::mouseClick(window.controls().As<QPushButton>(id::kPlay), Qt::LeftButton);
    {
        testing::JackTestClient ears("vortane-ears");
        ASSERT_TRUE(ears.RecordFrom("^Vortane:out_0$")) << "the audio client is not named Vortane";
        EXPECT_GT(Peak(ears.Record(0.5)), 0.05f);
    }

    server.Stop();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return window.status().Notice() == "Audio output stopped: choose an audio device"; }, 3000));
    testing::Choose(devices, jack_entry); // the dead server's device: no sound, and no hang
    EXPECT_FALSE(app.audio().stream_running());
    const uint64_t before = audio.non_zero();
    testing::Choose(devices, null_entry);
    EXPECT_TRUE(app.audio().stream_running());
    EXPECT_EQ(window.status().Notice(), "44100 Hz");
    QTest::qWait(200);
    EXPECT_GT(audio.non_zero(), before + 4410) << "the voice does not play on the live device";

    QTest::keyClick(&window, Qt::Key_Escape);
    ASSERT_TRUE(window.quit_requested());
    const auto start = std::chrono::steady_clock::now();
    app.ShutDown();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)); // the bound is 8 s
    EXPECT_FALSE(app.audio().hung());
    EXPECT_NE(testing::ReadFile(SettingsPath()).find("Item1 = 07"), std::string::npos);
    EXPECT_EQ(messages.messages, testing::RecordingMessageSink::Messages{});
}

} // namespace
} // namespace vortane
