#pragma once

#include <QApplication>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/application.h"
#include "app/audio_backend.h"
#include "app/audio_output.h"
#include "app/control_set.h"
#include "app/main_window.h"
#include "app/message_sink.h"
#include "control/synth.h"
#include "midi/midi_handler.h"
#include "midi/midi_input.h"

namespace vortane::testing {

using Calls = std::vector<std::string>;

// An audio library that records its calls and counts those a real library would refuse or crash
// on: stream calls without an open stream, termination while not initialised.
class FakeAudioBackend final : public AudioBackend {
public:
    std::vector<DeviceInfo> devices;
    int default_device = -1;
    int initialize_error = 0;
    std::set<int> failing_devices;
    Calls calls;
    int misuse = 0;
    bool initialised = false, stream_open = false, running = false;

    int Initialize() override {
        calls.push_back("Initialize");
        initialised = initialize_error == 0;
        return initialize_error;
    }
    void Terminate() override {
        calls.push_back("Terminate");
        misuse += initialised && !server_lost ? 0 : 1; // a real library would hang on a lost server
        initialised = stream_open = running = false;
    }
    std::string ErrorText(int error) const override {
        return error == -9996
                   ? "Invalid device"
                   : (error == -9998 ? "Invalid number of channels" : "Error " + std::to_string(error));
    }
    int DeviceCount() const override { return static_cast<int>(devices.size()); }
    DeviceInfo GetDeviceInfo(int device) const override { return devices.at(static_cast<size_t>(device)); }
    int DefaultOutputDevice() const override { return default_device; }
    int OpenStream(int device, RenderFunction render_function, void* render_context) override {
        calls.push_back("Open " + std::to_string(device));
        misuse += initialised ? 0 : 1;
        if (device < 0 || device >= DeviceCount() || failing_devices.count(device) > 0) {
            return -9996;
        }
        if (devices[static_cast<size_t>(device)].max_output_channels < 1) {
            return -9998;
        }
        render = render_function;
        context = render_context;
        stream_open = true;
        return 0;
    }
    int StartStream() override { return StreamCall("Start", running = stream_open); }
    int AbortStream() override {
        const int result = StreamCall("Abort", running = false);
        if (abort_hook) {
            abort_hook();
        }
        return result;
    }
    int CloseStream() override {
        const int result = StreamCall("Close", running = false);
        stream_open = false;
        return result;
    }
    int IsStreamActive() override { return StreamCall("IsActive", false) + (running ? 1 : 0); }
    bool ServerLost() const override { return server_lost; }
    // The audio server goes away: the stream stops by itself and the library is lost with it.
    void LoseServer() {
        running = false;
        server_lost = true;
    }
    std::function<void()> abort_hook; // runs inside AbortStream, on the caller's thread
    std::atomic<bool> server_lost{false};
    // Pulls frames through the stream callback, as the audio thread would.
    std::vector<float> Pull(unsigned long frames) {
        std::vector<float> out(frames, -1.0f);
        if (running) {
            render(context, out.data(), frames);
        }
        return out;
    }

    RenderFunction render = nullptr;
    void* context = nullptr;

private:
    int StreamCall(const char* name, bool) {
        calls.push_back(name);
        misuse += stream_open ? 0 : 1;
        return 0;
    }
};

// A MIDI service with a fixed list of ports; Send delivers a message on a thread of its own.
class FakeMidiInput final : public MidiInput {
public:
    std::vector<std::string> ports;
    std::set<int> failing_ports;
    Calls calls;
    int open_port = -1;

    int DeviceCount() override { return static_cast<int>(ports.size()); }
    std::optional<std::string> PortName(int device) override {
        return device >= 0 && device < DeviceCount() ? std::optional(ports[size_t(device)]) : std::nullopt;
    }
    bool Open(int device, MidiReceiver& receiver) override {
        calls.push_back("Open " + std::to_string(device));
        if (open_port >= 0 || device < 0 || device >= DeviceCount() || failing_ports.count(device) > 0) {
            return false;
        }
        open_port = device;
        receiver_ = &receiver;
        return true;
    }
    bool Start() override {
        calls.push_back("Start");
        return started_ = receiver_ != nullptr;
    }
    void Stop() override {
        calls.push_back("Stop");
        started_ = false;
    }
    void Close() override {
        calls.push_back("Close");
        if (MidiReceiver* receiver = std::exchange(receiver_, nullptr)) {
            open_port = -1;
            receiver->OnClose();
        }
    }
    // False when no port is started, so nothing was delivered.
    bool Send(uint8_t status, uint8_t data1, uint8_t data2) {
        MidiReceiver* receiver = receiver_;
        if (started_) {
            const std::array<uint8_t, 3> message{status, data1, data2};
            std::thread([=] { receiver->Receive(message); }).join();
        }
        return started_;
    }

private:
    MidiReceiver* receiver_ = nullptr;
    bool started_ = false;
};

class RecordingMessageSink final : public MessageSink {
public:
    void ShowMessage(const std::string& title, const std::string& text) override {
        messages.push_back({title, text});
    }
    std::vector<std::pair<std::string, std::string>> messages;
};

// A started application on the fakes (no MIDI port unless a test adds them in its constructor),
// its main window shown and active.
struct ShellFixture : ::testing::Test {
    ShellFixture() { backend.devices = {{"pipewire", 2}, {"hw:0", 2}}; }
    void SetUp() override {
        ASSERT_TRUE(app.StartUp());
        window = app.window();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    }
    template <typename T> T* Control(int id) const { return window->controls().As<T>(id); }
    Synth& synth() const { return app.synth(); }
    VoiceControls& controls() const { return app.synth().controls; }
    // What the voice's next block would read, without taking its events.
    VoiceParams Params() const {
        VoiceParams params;
        controls().Peek(params);
        return params;
    }
    QAction* MenuItem(const QString& text) const {
        for (QAction* item : window->menuBar()->actions().front()->menu()->actions()) {
            if (item->text() == text) {
                return item;
            }
        }
        return nullptr;
    }
    // Runs the event loop; false when the watchdog had to end it.
    bool RunLoopUntilQuit() {
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(1); });
        watchdog.start(5000);
        app.RunEventLoop();
        return watchdog.isActive();
    }
    // Lets the window pick up panel changes made by another thread.
    void LetWindowFollowPanel() const { QTest::qWait(60); }

    FakeAudioBackend backend;
    FakeMidiInput midi;
    RecordingMessageSink messages;
    Application app{backend, midi, messages};
    MainWindow* window = nullptr;
};

} // namespace vortane::testing
