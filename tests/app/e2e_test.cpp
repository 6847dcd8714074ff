#include <QComboBox>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <unistd.h>

#include "app/portaudio_backend.h"
#include "app/status_fields.h"
#include "jack_test_client.h"
#include "midi/controller_window.h"
#include "midi/rtmidi_input.h"
#include "midi/settings_store.h"
#include "shell_fixture.h"

// The application on the real PortAudio and RtMidi libraries, on the JACK dummy server that the test
// fixture started; a JACK client of the test plays a keyboard into it and records its output.
namespace vortane {
namespace {

const char* const kOutputPort = "^Vortane[^:]*:out_0$";

// PortAudio with its JACK device ("system") as the default and one more device that the library
// refuses to open: it is opened under a number far past the end of the library's device list, so
// Pa_OpenStream fails with "Invalid device". Counts the non-zero samples the program renders on
// whatever device plays.
class TestBackend final : public AudioBackend {
public:
    int Initialize() override { return real_.Initialize(); }
    void Terminate() override { real_.Terminate(); }
    std::string ErrorText(int error) const override { return real_.ErrorText(error); }
    int DeviceCount() const override {
        broken_ = std::max(0, real_.DeviceCount()); // the table is built once, at start-up
        return broken_ + 1;
    }
    DeviceInfo GetDeviceInfo(int device) const override {
        return device == broken_ ? DeviceInfo{"broken", 2} : real_.GetDeviceInfo(device);
    }
    int DefaultOutputDevice() const override {
        for (int device = 0; device < real_.DeviceCount(); ++device) {
            if (real_.GetDeviceInfo(device).name == "system") {
                return device;
            }
        }
        return real_.DefaultOutputDevice();
    }
    int OpenStream(int device, RenderFunction render, void* context) override {
        render_ = render;
        context_ = context;
        return real_.OpenStream(device == broken_ ? kNoSuchDevice : device, &TestBackend::Render, this);
    }
    int StartStream() override { return real_.StartStream(); }
    int AbortStream() override { return real_.AbortStream(); }
    int CloseStream() override { return real_.CloseStream(); }
    int IsStreamActive() override { return real_.IsStreamActive(); }
    bool ServerLost() const override { return real_.ServerLost(); }
    uint64_t non_zero() const { return non_zero_.load(std::memory_order_relaxed); }

private:
    static void Render(void* self, float* out, unsigned long frame_count) noexcept {
        auto* backend = static_cast<TestBackend*>(self);
        backend->render_(backend->context_, out, frame_count);
        const auto non_zero = std::count_if(out, out + frame_count, [](float v) { return v != 0.0f; });
        backend->non_zero_.fetch_add(uint64_t(non_zero), std::memory_order_relaxed);
    }
    static constexpr int kNoSuchDevice = 100000;
    PortAudioBackend real_;
    mutable int broken_ = -1;
    RenderFunction render_ = nullptr;
    void* context_ = nullptr;
    std::atomic<uint64_t> non_zero_{0};
};

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

bool AllSilent(const std::vector<float>& s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](float v) { return v == 0.0f; });
}

// The largest magnitude from `from` on; -1 when a sample is not finite.
float Peak(const std::vector<float>& s, size_t from = 0) {
    float peak = 0.0f;
    for (size_t i = from; i < s.size(); ++i) {
        peak = std::isfinite(s[i]) ? std::max(peak, std::abs(s[i])) : -1.0f;
        if (peak < 0.0f)
            break;
    }
    return peak;
}

// Upward crossings of a band of ±10 % of the peak per second: one per period of the voice.
double CrossingRate(const std::vector<float>& s, double rate) {
    const float band = 0.1f * Peak(s);
    int crossings = 0;
    bool low = false;
    for (size_t i = 0; i < s.size(); ++i) {
        crossings += s[i] > band && low ? 1 : 0;
        low = s[i] < -band || (low && s[i] <= band);
    }
    return crossings * rate / double(s.size());
}

TEST(AudioEndToEnd, PlaysTheVoiceIntoJackFadingInAndSurvivesAFailingDevice) {
    TestBackend backend;
    testing::FakeMidiInput midi;
    testing::RecordingMessageSink messages;
    Application app(backend, midi, messages);
    ASSERT_TRUE(app.StartUp()) << (messages.messages.empty() ? "" : messages.messages[0].second);
    app.window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(app.window()));
    testing::JackTestClient jack("vortane-keys");
    ASSERT_TRUE(jack.Ok()) << "no JACK server";
    const double rate = jack.sample_rate();
    ASSERT_EQ(rate, 44100.0);
    ASSERT_TRUE(jack.RecordFrom(kOutputPort));
    QTest::qWait(100);

    // Silence until Play, then the voice fades in from an exact zero at a pitch in the voice's range.
    auto* play = app.window()->controls().As<QPushButton>(id::kPlay);
    jack.StartRecording();
    QTest::qWait(400);
    QTest::mouseClick(play, Qt::LeftButton);
    QTest::qWait(1600);
    const std::vector<float> take = jack.StopRecording();
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
    EXPECT_TRUE(AllSilent(jack.Record(0.5)));

    // Playing, switch to the device that fails: the program stays up and silent, the list usable;
    // back on the first device the voice plays on.
    QTest::mouseClick(play, Qt::LeftButton);
    auto* devices = app.window()->controls().As<QComboBox>(id::kAudioDevice);
    ASSERT_EQ(devices->itemText(devices->count() - 1), "broken");
    devices->setFocus();
    QTest::keyClick(devices, Qt::Key_End);
    ASSERT_EQ(devices->currentIndex(), devices->count() - 1);
    EXPECT_FALSE(app.audio().stream_open());
    QTest::keyClick(devices, Qt::Key_Home);
    ASSERT_EQ(devices->currentIndex(), 0);
    EXPECT_TRUE(app.audio().stream_running());
    QTest::qWait(200);
    ASSERT_TRUE(jack.RecordFrom(kOutputPort));
    EXPECT_GT(Peak(jack.Record(0.5)), 0.05f);

    QTest::keyClick(app.window(), Qt::Key_Escape);
    EXPECT_TRUE(app.window()->quit_requested());
    app.ShutDown();
    EXPECT_FALSE(app.audio().stream_open());
    EXPECT_TRUE(messages.messages.empty());
}

// A JACK dummy server of this test's own, so that the test can stop it.
class OwnJackServer {
public:
    OwnJackServer() : name_("vortane-lost-" + std::to_string(getpid())) {
        qputenv("JACK_DEFAULT_SERVER", QByteArray::fromStdString(name_));
        started_ = Script("start");
    }
    ~OwnJackServer() { Stop(); }
    bool started() const { return started_; }
    void Stop() {
        if (std::exchange(started_, false)) {
            Script("stop");
        }
    }

private:
    bool Script(const char* verb) const {
        const std::string command = "JACK_DEFAULT_SERVER=" + name_ + " " JACK_SERVER_SCRIPT " " + verb;
        return std::system(command.c_str()) == 0;
    }
    std::string name_;
    bool started_ = false;
};

// An ALSA device that plays into nothing, named in the home folder's .asoundrc: a live device beside
// JACK, which the library lists as "vortane_null". It takes samples as fast as they come.
void DefineNullDevice() {
    std::ofstream(qEnvironmentVariable("HOME").toStdString() + "/.asoundrc")
        << "pcm.vortane_null { type null }\n";
}

void ChangeFirstAssignment(Application& app, const QString& text) {
    QTimer::singleShot(0, [text] {
        auto* controllers = qobject_cast<ControllerWindow*>(QApplication::activeModalWidget());
        ASSERT_NE(controllers, nullptr);
        controllers->List(1)->setCurrentIndex(controllers->List(1)->findText(text));
        controllers->close();
    });
    for (QAction* item : app.window()->menuBar()->actions().back()->menu()->actions()) {
        if (item->text() == "Midi Controllers") {
            item->trigger();
        }
    }
}

void Choose(QComboBox* list, int entry) {
    list->setCurrentIndex(entry);
    emit list->activated(entry);
}

// The JACK server stops under the playing voice: the status bar says so within a moment, a switch
// to a live device plays again, and Escape ends the program at once with the settings written,
// never waiting on the dead server.
TEST(AudioEndToEnd, JackServerStoppedUnderPlayIsShownAndAnotherDevicePlaysOn) {
    OwnJackServer server;
    ASSERT_TRUE(server.started());
    DefineNullDevice();
    TestBackend audio;
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
    ChangeFirstAssignment(app, "07");
    QTest::mouseClick(window.controls().As<QPushButton>(id::kPlay), Qt::LeftButton);
    {
        testing::JackTestClient ears("vortane-ears");
        ASSERT_TRUE(ears.RecordFrom("^Vortane:out_0$")) << "the audio client is not named Vortane";
        EXPECT_GT(Peak(ears.Record(0.5)), 0.05f);
    }

    server.Stop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.status().Notice().isEmpty(); }, 3000));
    EXPECT_EQ(window.status().Notice(), "Audio output stopped: choose an audio device");
    Choose(devices, jack_entry); // the dead server's device: no sound, and no hang
    EXPECT_FALSE(app.audio().stream_running());
    const uint64_t before = audio.non_zero();
    Choose(devices, null_entry);
    EXPECT_TRUE(app.audio().stream_running());
    EXPECT_EQ(window.status().Notice(), "");
    QTest::qWait(200);
    EXPECT_GT(audio.non_zero(), before + 4410) << "the voice does not play on the live device";

    QTest::keyClick(&window, Qt::Key_Escape);
    ASSERT_TRUE(window.quit_requested());
    const auto start = std::chrono::steady_clock::now();
    app.ShutDown();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)); // the bound is 8 s
    EXPECT_FALSE(app.audio().hung());
    std::ifstream saved(SettingsPath(), std::ios::binary);
    EXPECT_NE(std::string(std::istreambuf_iterator<char>(saved), {}).find("Item1 = 07"), std::string::npos);
    EXPECT_TRUE(messages.messages.empty());
}

TEST(MidiEndToEnd, KeyboardOnJackDrivesTheWindowTheEngineAndTheOutput) {
    const QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    // The keyboard port exists before the application lists devices.
    testing::JackTestClient jack("vortane-keys");
    ASSERT_TRUE(jack.Ok()) << "no JACK server";
    PortAudioBackend audio;
    RtMidiInput midi(MidiBackend());
    ASSERT_TRUE(midi.IsJack());
    testing::RecordingMessageSink messages;
    Application app(audio, midi, messages);
    ASSERT_TRUE(app.StartUp()) << (messages.messages.empty() ? "" : messages.messages[0].second);
    MainWindow& window = *app.window();
    const ControlSet& controls = window.controls();
    auto* list = controls.As<QComboBox>(id::kMidiDevice);
    const int keys_entry = list->findText(QString::fromStdString(jack.MidiPortName()));
    ASSERT_GE(keys_entry, 0) << "list: " << list->itemText(0).toStdString();
    if (keys_entry != 0) {
        list->setCurrentIndex(keys_entry);
        emit list->activated(keys_entry);
    }
    ASSERT_EQ(window.status().Text(0), "MIDI IN");
    ASSERT_TRUE(jack.WaitUntilConnected()) << "the keyboard port never connected";
    ASSERT_TRUE(jack.RecordFrom(kOutputPort));

    jack.Send(0xB0, 0x0E, 0x40);
    ASSERT_TRUE(WaitFor([&] { return controls.As<QSlider>(id::kFrq)->value() == 2516; }));
    EXPECT_EQ(controls.As<QSlider>(id::kPrimaryStepSize)->value(), 277);
    EXPECT_EQ(Get(app.engine().state.secondary_barrier), 30.5f);
    EXPECT_TRUE(AllSilent(jack.Record(0.3)));

    jack.Send(0x90, 60, 100);
    ASSERT_TRUE(WaitFor([&] { return window.status().Text(1) == "On"; }));
    EXPECT_EQ(controls.As<QPushButton>(id::kPlay)->text(), "Stop");
    EXPECT_GT(Peak(jack.Record(0.5)), 0.05f);

    jack.Send(0x80, 60, 64);
    ASSERT_TRUE(WaitFor([&] { return window.status().Text(1) == "Off"; }));
    QTest::qWait(200);
    EXPECT_TRUE(AllSilent(jack.Record(0.3)));
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_TRUE(window.quit_requested());
    app.ShutDown();
    EXPECT_TRUE(messages.messages.empty());
}

// No MIDI service at all (the JACK server named here does not exist): the program starts and runs
// without MIDI. Audio goes to the fake library, since JACK is missing for it as well.
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
