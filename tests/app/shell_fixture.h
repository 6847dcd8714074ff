#pragma once

#include <QApplication>
#include <QComboBox>
#include <QMenuBar>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/application.h"
#include "app/audio_backend.h"
#include "app/control_set.h"
#include "app/main_window.h"
#include "app/message_sink.h"
#include "app/status_fields.h"
#include "control/synth.h"
#include "midi/controller_window.h"
#include "midi/midi_handler.h"
#include "midi/midi_input.h"

namespace vortane::testing {

using Calls = std::vector<std::string>;

// An audio library that records its calls and counts those a real library would refuse or crash
// on: stream calls without an open stream, an abort or close of a stream lost with its server and
// termination while not initialised or after its server was lost (a real library would hang
// there). A device with a rate of its own opens only at that rate, as JACK's do; the others open
// at any.
class FakeAudioBackend final : public AudioBackend {
public:
    std::vector<DeviceInfo> devices;
    int default_device = -1;
    int initialize_error = 0;
    std::set<int> failing_devices;
    std::function<void()> abort_hook; // runs inside AbortStream, on the caller's thread
    std::atomic<bool> server_lost{false};
    Calls calls;
    int misuse = 0;

    int Initialize() override {
        calls.push_back("Initialize");
        initialised_ = initialize_error == 0;
        return initialize_error;
    }
    void Terminate() override {
        Call("Terminate", initialised_ && !server_lost);
        initialised_ = stream_open_ = false;
    }
    std::string ErrorText(int error) const override {
        return error == kInvalidDevice ? "Invalid device" : "Error " + std::to_string(error);
    }
    int DeviceCount() const override { return static_cast<int>(devices.size()); }
    DeviceInfo GetDeviceInfo(int device) const override {
        return device >= 0 && device < DeviceCount() ? devices[size_t(device)] : DeviceInfo{};
    }
    int DefaultOutputDevice() const override { return default_device; }
    int OpenStream(int device, double rate, RenderFunction, void*) override {
        Call("Open " + std::to_string(device) + (rate == 44100.0 ? "" : " at " + std::to_string(int(rate))),
             initialised_);
        if (device < 0 || device >= DeviceCount() || failing_devices.count(device) > 0) {
            return kInvalidDevice;
        }
        const double own = devices[size_t(device)].default_sample_rate;
        if (own != 0.0 && rate != own) {
            return kInvalidSampleRate;
        }
        stream_open_ = true;
        stream_lost_ = false;
        return 0;
    }
    int StartStream() override {
        running_ = stream_open_;
        return Call("Start", stream_open_);
    }
    int AbortStream() override {
        running_ = false;
        Call("Abort", stream_open_ && !stream_lost_);
        if (abort_hook) {
            abort_hook();
        }
        return 0;
    }
    int CloseStream() override {
        running_ = false;
        return Call("Close", std::exchange(stream_open_, false) && !stream_lost_);
    }
    int IsStreamActive() override { return Call("IsActive", stream_open_) + (running_ ? 1 : 0); }
    bool ServerLost() const override { return server_lost; }
    bool TeardownMayAbort() const override { return false; }

    // The audio server goes away: the stream stops by itself and the library is lost with it.
    void LoseServer() {
        running_ = false;
        server_lost = true;
        stream_lost_ = stream_open_;
    }

private:
    static constexpr int kInvalidDevice = -9996;
    static constexpr int kInvalidSampleRate = -9997;
    // Records the call, counted as misuse unless it is `allowed`; 0, the library's success.
    int Call(std::string name, bool allowed) {
        calls.push_back(std::move(name));
        misuse += allowed ? 0 : 1;
        return 0;
    }
    bool initialised_ = false, stream_open_ = false, stream_lost_ = false, running_ = false;
};

// A MIDI service with a fixed list of ports; Send delivers a message on a thread of its own.
class FakeMidiInput final : public MidiInput {
public:
    std::vector<std::string> ports;
    std::set<int> failing_ports;
    Calls calls;

    int DeviceCount() override { return static_cast<int>(ports.size()); }
    std::optional<std::string> PortName(int device) override {
        return device >= 0 && device < DeviceCount() ? std::optional(ports[size_t(device)]) : std::nullopt;
    }
    bool Open(int device, MidiReceiver& receiver) override {
        calls.push_back("Open " + std::to_string(device));
        if (receiver_ != nullptr || !PortName(device) || failing_ports.count(device) > 0) {
            return false;
        }
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

struct RecordingMessageSink final : MessageSink {
    using Messages = std::vector<std::pair<std::string, std::string>>; // title, text
    void ShowMessage(const std::string& title, const std::string& text) override {
        messages.push_back({title, text});
    }
    Messages messages;
};

// The item `text` of the menu bar's menu titled `menu`; nullptr when there is none.
inline QAction* MenuItem(const MainWindow& window, const QString& text, const QString& menu = "?") {
    for (QAction* title : window.menuBar()->actions()) {
        for (QAction* item : title->text() == menu ? title->menu()->actions() : QList<QAction*>()) {
            if (item->text() == text) {
                return item;
            }
        }
    }
    return nullptr;
}

// The texts of a list's entries.
inline QStringList Items(const QComboBox& list) {
    QStringList items;
    for (int i = 0; i < list.count(); ++i) {
        items.push_back(list.itemText(i));
    }
    return items;
}

// Triggers `item` and runs `act` on the modal `Window` it opens, from inside that window's event
// loop; false when no such window opened.
template <typename Window = QWidget, typename Act> bool InModalWindow(QAction* item, Act act) {
    bool ran = false;
    const QObject guard; // the call dies with it, so it cannot come after this returns
    QTimer::singleShot(0, &guard, [&] {
        if (auto* modal = qobject_cast<Window*>(QApplication::activeModalWidget())) {
            ran = true;
            act(*modal);
        }
    });
    if (item != nullptr) {
        item->trigger();
    }
    return ran;
}

// The same for the controller window, opened from the "?" menu.
template <typename Act> bool InControllerWindow(const MainWindow& window, Act act) {
    return InModalWindow<ControllerWindow>(MenuItem(window, "Midi Controllers"), act);
}

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
    // The widget of a parameter (of a choice, its option's button).
    template <typename T> T* Control(ParamId param, int option = -1) const {
        return window->controls().As<T>(ControlOf(param, option)->id);
    }
    ParamStore& params() const { return app.synth().params; }
    Transport& transport() const { return app.synth().transport; }
    // The curve coordinate the display shows, which the voice also takes for Y1, X2 and Y2.
    float Point(Coordinate k) const {
        const DisplayCurve c = app.synth().monitor.Curve(params());
        return std::array{c.x1, c.y1, c.x2, c.y2}[static_cast<size_t>(k)];
    }
    // Runs `action` inside the event loop; false unless that ended the loop within five seconds.
    bool LoopEndsAfter(const std::function<void()>& action) {
        QTimer::singleShot(0, action);
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(1); });
        watchdog.start(5000);
        app.RunEventLoop();
        return watchdog.isActive();
    }
    // Lets the window pick up parameter changes made by another thread.
    void LetWindowFollowPanel() const { QTest::qWait(60); }

    FakeAudioBackend backend;
    FakeMidiInput midi;
    RecordingMessageSink messages;
    Application app{backend, midi, messages};
    MainWindow* window = nullptr;
};

} // namespace vortane::testing
