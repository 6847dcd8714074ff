#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <thread>

#include "app/application.h"
#include "app/audio_output.h"
#include "app/control_set.h"
#include "app/portaudio_backend.h"
#include "fake_audio_backend.h"
#include "fake_midi_input.h"
#include "jack_recorder.h"

// The application on the real PortAudio library, playing into the JACK dummy server that the test
// fixture started; a JACK client of the test records the "Vortane" client's output port.
namespace vortane {
namespace {

const char* const kOutputPort = "Vortane:out_0";

// PortAudio's devices plus one more that the library refuses to open: it is opened under a number
// far past the end of the library's device list, so Pa_OpenStream fails with "Invalid device".
// (Just past the end would not do: after a re-initialisation PortAudio's JACK host lists the
// test's recorder client as one more device.)
class BackendWithBrokenDevice final : public AudioBackend {
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
    int DefaultOutputDevice() const override { return real_.DefaultOutputDevice(); }
    int OpenStream(int device, RenderFunction render, void* context) override {
        return real_.OpenStream(device == broken_ ? kNoSuchDevice : device, render, context);
    }
    int StartStream() override { return real_.StartStream(); }
    int AbortStream() override { return real_.AbortStream(); }
    int IsStreamActive() override { return real_.IsStreamActive(); }

private:
    static constexpr int kNoSuchDevice = 100000;
    PortAudioBackend real_;
    mutable int broken_ = -1;
};

void Wait(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

bool AllZero(const std::vector<float>& samples) {
    return std::all_of(samples.begin(), samples.end(), [](float s) { return s == 0.0f; });
}

bool AllFinite(const std::vector<float>& samples) {
    return std::all_of(samples.begin(), samples.end(), [](float s) { return std::isfinite(s); });
}

float Peak(const std::vector<float>& samples, size_t from, size_t to) {
    float peak = 0.0f;
    for (size_t i = from; i < to && i < samples.size(); ++i) {
        peak = std::max(peak, std::abs(samples[i]));
    }
    return peak;
}

// Upward crossings of a band of ±10 % of the peak around zero, per second: one per period of the
// voice, whose periods start and end on the centre line.
double CrossingRate(const std::vector<float>& samples, size_t from, size_t count, double rate) {
    const float band = 0.1f * Peak(samples, from, from + count);
    int crossings = 0;
    bool low = false;
    for (size_t i = from; i < from + count; ++i) {
        if (samples[i] < -band) {
            low = true;
        } else if (samples[i] > band && low) {
            low = false;
            ++crossings;
        }
    }
    return crossings * rate / static_cast<double>(count);
}

TEST(AudioEndToEnd, PlaysTheVoiceIntoJackAndSurvivesAFailingDevice) {
    BackendWithBrokenDevice backend;
    testing::FakeMidiInput midi;
    testing::RecordingMessageSink messages;
    Application app(backend, midi, messages);
    ASSERT_TRUE(app.StartUp()) << (messages.messages.empty() ? "" : messages.messages[0].second);
    ASSERT_EQ(app.audio().devices().back().name, "broken");
    app.window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(app.window()));

    testing::JackRecorder recorder;
    ASSERT_TRUE(recorder.Open());
    const double rate = recorder.sample_rate();
    ASSERT_EQ(rate, 44100.0);
    ASSERT_TRUE(recorder.PortExists(kOutputPort));
    ASSERT_TRUE(recorder.ConnectFrom(kOutputPort));
    Wait(0.1);

    // Silence until Play, then the voice fades in from an exact zero.
    auto* play = app.window()->controls().As<QPushButton>(id::kPlay);
    recorder.StartRecording();
    Wait(0.4);
    QTest::mouseClick(play, Qt::LeftButton);
    Wait(1.6);
    const std::vector<float> take = recorder.StopRecording();
    ASSERT_GT(take.size(), size_t(rate * 1.8));
    ASSERT_TRUE(AllFinite(take));
    const auto onset = std::find_if(take.begin(), take.end(), [](float s) { return s != 0.0f; });
    ASSERT_NE(onset, take.end()) << "nothing audible after Play";
    const size_t first = static_cast<size_t>(onset - take.begin());
    EXPECT_GT(first, size_t(rate * 0.2)) << "sound before Play";
    EXPECT_LT(Peak(take, first, first + 10), 1e-3f) << "no fade-in";
    EXPECT_GT(Peak(take, first + 100, take.size()), 0.05f);
    ASSERT_GT(take.size(), first + 200 + size_t(rate));
    const double pitch = CrossingRate(take, first + 200, size_t(rate), rate);
    std::printf("onset at frame %zu, first sample %g, pitch %.1f Hz\n", first, double(take[first]), pitch);
    EXPECT_GE(pitch, rate / 413.0);
    EXPECT_LE(pitch, rate / 51.0);

    // Stop: silence from the next buffer on.
    QTest::mouseClick(play, Qt::LeftButton);
    Wait(0.2);
    EXPECT_TRUE(AllZero(recorder.Record(0.5)));

    // Playing, switch to the device that fails: the program stays up, silent, the list usable.
    QTest::mouseClick(play, Qt::LeftButton);
    auto* devices = app.window()->controls().As<QComboBox>(id::kAudioDevice);
    devices->setFocus();
    QTest::keyClick(devices, Qt::Key_End);
    ASSERT_EQ(devices->currentIndex(), devices->count() - 1);
    EXPECT_FALSE(app.audio().stream_open());
    Wait(0.2);
    EXPECT_FALSE(recorder.PortExists(kOutputPort));

    // Back to the first device: the voice plays on.
    QTest::keyClick(devices, Qt::Key_Home);
    ASSERT_EQ(devices->currentIndex(), 0);
    EXPECT_TRUE(app.audio().stream_running());
    Wait(0.2);
    ASSERT_TRUE(recorder.ConnectFrom(kOutputPort));
    const std::vector<float> again = recorder.Record(0.5);
    EXPECT_TRUE(AllFinite(again));
    EXPECT_GT(Peak(again, 0, again.size()), 0.05f);
    EXPECT_TRUE(messages.messages.empty());

    QTest::keyClick(app.window(), Qt::Key_Escape);
    EXPECT_TRUE(app.window()->quit_requested());
    app.ShutDown();
    EXPECT_FALSE(app.audio().stream_open());
}

} // namespace
} // namespace vortane
