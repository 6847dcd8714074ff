// The soak test: the application on the real RtMidi and PortAudio libraries under a JACK dummy
// server for VORTANE_SOAK_SECONDS (default 60), with a JACK client of the test playing about 1000
// MIDI messages a second into it and recording its output, while another thread moves the control
// panel. It passes when the application ends normally, the server saw no xrun, resident memory grew
// by less than 1 MiB after the first 10 s, every recorded sample was finite and preferences.ini was
// left as it was.
#include <QApplication>
#include <QComboBox>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>
#include <unistd.h>

#include "app/application.h"
#include "app/control_set.h"
#include "app/message_sink.h"
#include "app/portaudio_backend.h"
#include "app/status_fields.h"
#include "engine/control_table.h"
#include "engine/engine.h"
#include "midi/rtmidi_input.h"
#include "soak_client.h"

namespace vortane {
namespace {

using namespace std::chrono_literals;

constexpr int kBaselineSeconds = 10;
constexpr long kAllowedGrowthBytes = 1 << 20;

// Twelve different controllers of the sixteen the controller window offers, one for each slot.
const std::vector<uint8_t> kControllers = {7, 10, 14, 15, 20, 21, 22, 23, 24, 25, 26, 27};

int SoakSeconds() {
    const char* text = std::getenv("VORTANE_SOAK_SECONDS");
    const int seconds = text != nullptr ? std::atoi(text) : 60;
    return std::max(seconds, kBaselineSeconds + 5);
}

long ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

std::string Settings() {
    std::string text = "; soak test assignments\r\n";
    for (size_t slot = 1; slot <= kControllers.size(); ++slot) {
        char line[32];
        std::snprintf(line, sizeof line, "Item%zu=%02d\r\n", slot, kControllers[slot - 1]);
        text += line;
    }
    return text;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Moves sliders, check boxes and options of the main window through the panel, as the MIDI thread
// does, a few hundred times a second.
class PanelMover {
public:
    explicit PanelMover(ControlPanel& panel) : panel_(panel) {}
    ~PanelMover() { Stop(); }
    void Start() {
        thread_ = std::thread([this] { Run(); });
    }
    void Stop() {
        running_.store(false);
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    uint64_t Moves() const { return moves_.load(); }

private:
    void Run() {
        std::vector<ControlInfo> targets;
        for (const ControlInfo& info : MainWindowControls()) {
            if (info.kind == ControlKind::SliderH || info.kind == ControlKind::SliderV ||
                info.kind == ControlKind::Check || info.kind == ControlKind::Option) {
                targets.push_back(info);
            }
        }
        std::mt19937 random(2024);
        while (running_.load()) {
            const ControlInfo& info = targets[random() % targets.size()];
            if (info.kind == ControlKind::Option) {
                panel_.SelectOption(info.id);
            } else {
                const int span = info.maximum - info.minimum + 1;
                panel_.SetState(info.id,
                                info.minimum + static_cast<int>(random() % static_cast<unsigned>(span)));
            }
            moves_.fetch_add(1);
            std::this_thread::sleep_for(3ms);
        }
    }

    ControlPanel& panel_;
    std::thread thread_;
    std::atomic<bool> running_{true};
    std::atomic<uint64_t> moves_{0};
};

class CountingMessageSink final : public MessageSink {
public:
    void ShowMessage(const std::string& title, const std::string& text) override {
        std::fprintf(stderr, "message box %s: %s\n", title.c_str(), text.c_str());
        ++shown;
    }
    int shown = 0;
};

TEST(Soak, ApplicationUnderMidiLoadAndPanelMovesStaysHealthy) {
    const int seconds = SoakSeconds();
    const QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    const std::string settings_path = home.path().toStdString() + "/preferences.ini";
    const std::string settings = Settings();
    std::ofstream(settings_path, std::ios::binary) << settings;

    testing::SoakClient client(kControllers);
    ASSERT_TRUE(client.Open()) << "no JACK server";
    PortAudioBackend audio;
    RtMidiInput midi(std::filesystem::exists("/dev/snd/seq") ? RtMidiInput::Backend::JackOnly
                                                             : RtMidiInput::Backend::Automatic);
    CountingMessageSink messages;
    Application app(audio, midi, messages);
    PanelMover mover(app.engine().panel);

    bool connected = false;
    bool watchdog_fired = false;
    long resident_at_baseline = 0;
    long resident_at_end = 0;
    // Everything below runs inside the application's event loop, after its start-up.
    QTimer::singleShot(0, [&] {
        MainWindow& window = *app.window();
        auto* list = window.controls().As<QComboBox>(id::kMidiDevice);
        const int entry = list->findText(QString::fromStdString(client.MidiPortName()));
        if (entry > 0) {
            list->setCurrentIndex(entry);
            emit list->activated(entry);
        }
        const std::string output = client.FindPort("^Vortane[^:]*:out_0$");
        connected = entry >= 0 && window.status().Text(0) == "MIDI IN" && !output.empty() &&
                    client.RecordFrom(output);
        if (!connected) {
            window.close();
            return;
        }
        client.StartSending();
        mover.Start();
        QTimer::singleShot(kBaselineSeconds * 1000, [&] { resident_at_baseline = ResidentBytes(); });
        QTimer::singleShot(seconds * 1000, [&] {
            resident_at_end = ResidentBytes();
            mover.Stop();
            client.StopSending();
            window.close(); // as the close box does
        });
        QTimer::singleShot((seconds + 30) * 1000, [&] {
            watchdog_fired = true;
            QCoreApplication::exit(1);
        });
    });
    EXPECT_EQ(app.Run(), 0);
    ASSERT_TRUE(connected) << "the application's ports were not found";
    std::this_thread::sleep_for(100ms);

    const double rate = client.SampleRate();
    std::printf("soak %d s: %llu MIDI messages sent, %llu panel moves, %llu samples recorded "
                "(%llu non-zero, recent peak %.3f), %llu non-finite, %d xruns, RSS %.2f MiB at %d s and "
                "%.2f MiB at the end (%+ld bytes)\n",
                seconds, static_cast<unsigned long long>(client.MessagesSent()),
                static_cast<unsigned long long>(mover.Moves()),
                static_cast<unsigned long long>(client.SamplesRecorded()),
                static_cast<unsigned long long>(client.AudibleSamples()), double(client.RecentPeak()),
                static_cast<unsigned long long>(client.NonFiniteSamples()), client.Xruns(),
                resident_at_baseline / 1048576.0, kBaselineSeconds, resident_at_end / 1048576.0,
                resident_at_end - resident_at_baseline);
    EXPECT_FALSE(watchdog_fired);
    EXPECT_EQ(messages.shown, 0);
    EXPECT_GT(client.MessagesSent(), uint64_t(0.9 * testing::SoakClient::kMessagesPerSecond * seconds));
    EXPECT_GT(client.SamplesRecorded(), uint64_t(0.9 * rate * seconds));
    EXPECT_GT(client.AudibleSamples(), uint64_t(rate)); // the notes opened the gate
    EXPECT_EQ(client.NonFiniteSamples(), 0u);
    EXPECT_EQ(client.Xruns(), 0);
    EXPECT_GT(resident_at_baseline, 0);
    EXPECT_LT(resident_at_end - resident_at_baseline, kAllowedGrowthBytes);
    EXPECT_EQ(ReadFile(settings_path), settings);
}

} // namespace
} // namespace vortane

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
