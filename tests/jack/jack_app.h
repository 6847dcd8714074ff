#pragma once

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/portaudio_backend.h"
#include "control/control_ids.h"
#include "jack_test_client.h"
#include "midi/rtmidi_input.h"
#include "shell_fixture.h"

namespace vortane::testing {

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
    int OpenStream(int device, double rate, RenderFunction render, void* context) override {
        render_ = render;
        context_ = context;
        return real_.OpenStream(device == broken_ ? kNoSuchDevice : device, rate, &TestBackend::Render, this);
    }
    int StartStream() override { return real_.StartStream(); }
    int AbortStream() override { return real_.AbortStream(); }
    int CloseStream() override { return real_.CloseStream(); }
    int IsStreamActive() override { return real_.IsStreamActive(); }
    bool ServerLost() const override { return real_.ServerLost(); }
    bool TeardownMayAbort() const override { return false; } // the test's process goes on
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
inline RtMidiInput::Backend MidiBackend() {
    return std::filesystem::exists("/dev/snd/seq") ? RtMidiInput::Backend::JackOnly
                                                   : RtMidiInput::Backend::Automatic;
}

inline bool AllSilent(const std::vector<float>& s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](float v) { return v == 0.0f; });
}

// The largest magnitude from `from` on; -1 when a sample is not finite.
inline float Peak(const std::vector<float>& s, size_t from = 0) {
    float peak = 0.0f;
    for (size_t i = from; i < s.size() && peak >= 0.0f; ++i) {
        peak = std::isfinite(s[i]) ? std::max(peak, std::abs(s[i])) : -1.0f;
    }
    return peak;
}

// Chooses an entry of a device list as the user does.
inline void Choose(QComboBox* list, int entry) {
    list->setCurrentIndex(entry);
    emit list->activated(entry);
}

// A JACK dummy server of the test's own, started by jack_server.sh under `name`, stopped with it.
class ScratchJackServer {
public:
    explicit ScratchJackServer(std::string name) : name_(std::move(name)) { started_ = Script("start"); }
    ~ScratchJackServer() { Stop(); }
    bool started() const { return started_; }
    const std::string& name() const { return name_; }
    void Stop() {
        if (std::exchange(started_, false)) {
            Script("stop");
        }
    }

private:
    bool Script(const char* verb) const {
        const std::string command = "JACK_DEFAULT_SERVER='" + name_ + "' '" JACK_SERVER_SCRIPT "' " + verb;
        return std::system(command.c_str()) == 0;
    }
    std::string name_;
    bool started_ = false;
};

// The application on the real PortAudio and RtMidi libraries, on the JACK dummy server that the
// `jack` test fixture started, in a scratch home folder (with the given preferences.ini, if any). A
// JACK client of the test, whose port exists before the application lists devices, is its keyboard
// and records its output.
struct JackApp {
    explicit JackApp(const std::string& settings = {}) {
        qputenv("HOME", home.path().toLocal8Bit());
        if (!settings.empty()) {
            std::ofstream(settings_path, std::ios::binary) << settings;
        }
    }

    // Start-up, then Connect. Empty when all went well, else what failed.
    std::string Start() {
        if (!keys.Ok()) {
            return "no JACK server";
        }
        return app.StartUp() ? Connect() : "start-up failed";
    }

    // On the started application: the keyboard's port chosen in the MIDI device list, the recorder
    // on the output.
    std::string Connect() {
        auto* list = window().controls().As<QComboBox>(id::kMidiDevice);
        const int entry = list->findText(QString::fromStdString(keys.MidiPortName()));
        if (entry < 0) {
            return "keyboard port not listed";
        }
        if (entry != list->currentIndex()) {
            Choose(list, entry);
        }
        if (window().status().Text(0) != "MIDI IN") {
            return "keyboard port not opened";
        }
        if (!keys.WaitUntilConnected()) {
            return "the keyboard port never connected";
        }
        return keys.RecordFrom(kOutputPort) ? std::string() : "output port not found";
    }

    MainWindow& window() const { return *app.window(); }

    static constexpr const char* kOutputPort = "^Vortane[^:]*:out_0$";

    const QTemporaryDir home;
    const std::string settings_path = home.path().toStdString() + "/preferences.ini";
    JackTestClient keys{"vortane-keys"};
    TestBackend audio;
    RtMidiInput midi{MidiBackend()};
    RecordingMessageSink messages;
    Application app{audio, midi, messages};
};

} // namespace vortane::testing
