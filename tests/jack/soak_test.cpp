// The soak test: the application on the real RtMidi and PortAudio libraries under a JACK dummy
// server for VORTANE_SOAK_SECONDS (default 60), with a JACK client of the test playing about 1000
// MIDI messages a second into it and recording its output, while another thread moves the control
// panel. It passes when the application ends normally, the server saw no more xruns than an idle
// control server beside it allows for, resident memory grew by less than 1 MiB after the first 10 s,
// every recorded sample was finite and preferences.ini was left as it was.
#include <chrono>
#include <cstdio>
#include <random>
#include <unistd.h>

#include "control/params.h"
#include "jack_app.h"

namespace vortane {
namespace {

using namespace std::chrono_literals;

constexpr int kBaselineSeconds = 10;
constexpr long kAllowedGrowthBytes = 1 << 20;
constexpr double kMessagesPerSecond = 1000.0;

// Twelve different controllers of the sixteen the controller window offers, one for each slot.
const std::vector<uint8_t> kControllers = {7, 10, 14, 15, 20, 21, 22, 23, 24, 25, 26, 27};

int SoakSeconds() {
    const char* text = std::getenv("VORTANE_SOAK_SECONDS");
    const int seconds = text != nullptr ? std::atoi(text) : 60;
    return std::max(seconds, kBaselineSeconds + 5);
}

long ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

std::string Settings() {
    std::string text = "; soak test assignments\r\n";
    for (size_t slot = 1; slot <= kControllers.size(); ++slot) {
        const int controller = kControllers[slot - 1];
        text += "Item" + std::to_string(slot) + (controller < 10 ? "=0" : "=") + std::to_string(controller) +
                "\r\n";
    }
    return text;
}

// About 1000 messages a second until told to stop: control changes on the assigned controllers
// (value 127 among them, which toggles and steps the switching slots) and one note on or off in ten.
void PlayKeyboard(testing::JackTestClient& keys, const std::atomic<bool>& running,
                  std::atomic<uint64_t>& sent) {
    uint32_t random = 12345;
    bool note_held = false;
    auto next = std::chrono::steady_clock::now();
    for (size_t i = 1; running.load(); ++i, ++sent) {
        if (i % 10 == 0) {
            note_held = !note_held;
            keys.Send(note_held ? 0x90 : 0x80, 60, note_held ? 100 : 0);
        } else {
            random = random * 1664525u + 1013904223u; // a 32-bit linear congruential generator
            const uint32_t r = random >> 8;
            keys.Send(0xB0, kControllers[i % kControllers.size()],
                      uint8_t(r % 8 == 0 ? 127 : (r >> 3) % 128));
        }
        next += std::chrono::duration_cast<std::chrono::steady_clock::duration>(1s / kMessagesPerSecond);
        std::this_thread::sleep_until(next);
    }
}

// Moves sliders, check boxes and options of the main window through the panel, as the MIDI thread
// does, a few hundred times a second, until told to stop.
void MovePanel(ParamStore& params, const std::atomic<bool>& running, std::atomic<uint64_t>& moves) {
    std::mt19937 random(2024);
    for (; running.load(); ++moves) {
        const ParamSpec& spec = Params()[random() % kParamCount];
        params.Set(spec.id, static_cast<float>(spec.minimum +
                                               int(random() % unsigned(spec.maximum - spec.minimum + 1))));
        std::this_thread::sleep_for(3ms);
    }
}

// A second dummy server with an idle client (a process of its own) counting its xruns while the
// soak runs: those that the machine's load alone causes, since a server without real-time scheduling
// on a busy machine misses cycles whatever its clients do. The soak server's count is judged by it.
class ControlServer {
public:
    ~ControlServer() { Count(); }
    bool Ok() const { return server_.started(); }
    void StartCounting(int seconds) {
        const std::string command = "'" XRUN_PROBE "' '" + server_.name() + "' " + std::to_string(seconds);
        probe_ = popen(command.c_str(), "r");
    }
    // The probe's count once its time is up; -1 when it failed.
    int Count() {
        if (probe_ != nullptr) {
            int count = -1;
            const bool read = std::fscanf(probe_, "%d", &count) == 1;
            xruns_ = pclose(std::exchange(probe_, nullptr)) == 0 && read ? count : -1;
        }
        return xruns_;
    }

private:
    testing::ScratchJackServer server_{
        qEnvironmentVariable("JACK_DEFAULT_SERVER", "vortane-test").toStdString() + "-control"};
    FILE* probe_ = nullptr;
    int xruns_ = -1;
};

TEST(Soak, ApplicationUnderMidiLoadAndPanelMovesStaysHealthy) {
    const int seconds = SoakSeconds();
    const std::string settings = Settings();
    ControlServer control;
    ASSERT_TRUE(control.Ok()) << "the control JACK server did not start";
    testing::JackApp j(settings);
    std::atomic<bool> running{true};
    std::atomic<uint64_t> moves{0}, sent{0};
    std::thread mover, player;
    const auto stop = [&] {
        running = false;
        for (std::thread* t : {&mover, &player}) {
            if (t->joinable()) {
                t->join();
            }
        }
    };

    std::string failed;
    bool watchdog_fired = false;
    long resident_at_baseline = 0, resident_at_end = 0;
    // Everything below runs inside the application's event loop, after its start-up.
    QTimer::singleShot(0, [&] {
        failed = j.keys.Ok() ? j.Connect() : "no JACK server";
        if (!failed.empty()) {
            QCoreApplication::exit(0);
            return;
        }
        j.keys.StartRecording();
        control.StartCounting(seconds);
        player = std::thread(PlayKeyboard, std::ref(j.keys), std::cref(running), std::ref(sent));
        mover = std::thread(MovePanel, std::ref(j.app.synth().params), std::cref(running), std::ref(moves));
        QTimer::singleShot(kBaselineSeconds * 1000, [&] { resident_at_baseline = ResidentBytes(); });
        QTimer::singleShot(seconds * 1000, [&] {
            resident_at_end = ResidentBytes();
            stop();
            j.window().close(); // as the close box does
        });
        QTimer::singleShot((seconds + 30) * 1000, [&] {
            watchdog_fired = true;
            QCoreApplication::exit(1);
        });
    });
    EXPECT_EQ(j.app.Run(), 0);
    stop();
    ASSERT_EQ(failed, "");
    const std::vector<float> recent = j.keys.StopRecording();
    const int control_xruns = control.Count();

    const double rate = j.keys.sample_rate();
    std::printf("soak %d s: %llu MIDI messages, %llu panel moves, %llu samples (%llu non-zero, recent peak "
                "%.3f), %llu non-finite, %d xruns (%d on the idle control server), RSS %+ld bytes from %d s "
                "to the end\n",
                seconds, (unsigned long long)sent.load(), (unsigned long long)moves.load(),
                (unsigned long long)j.keys.samples_recorded(), (unsigned long long)j.keys.non_zero_samples(),
                double(testing::Peak(recent)), (unsigned long long)j.keys.non_finite_samples(),
                j.keys.xruns(), control_xruns, resident_at_end - resident_at_baseline, kBaselineSeconds);
    EXPECT_FALSE(watchdog_fired);
    EXPECT_EQ(j.messages.messages, testing::RecordingMessageSink::Messages{});
    EXPECT_GT(sent.load(), uint64_t(0.9 * kMessagesPerSecond * seconds));
    EXPECT_GT(j.keys.samples_recorded(), uint64_t(0.9 * rate * seconds));
    EXPECT_GT(j.keys.non_zero_samples(), uint64_t(rate)); // the notes opened the gate
    EXPECT_EQ(j.keys.non_finite_samples(), 0u);
    // No more than the machine's load explains: the non-real-time dummy server missed 2.0 and 2.4
    // times the idle control's count under load, and 6 in 60 s with the control at 0 on a quiet
    // machine. A callback blocking on the MIDI or GUI threads would miss hundreds of its 2600 cycles
    // a minute; that it never blocks at all is the RealtimeSanitizer stage's proof.
    ASSERT_GE(control_xruns, 0) << "the control server's probe failed";
    EXPECT_LE(j.keys.xruns(), 4 * control_xruns + 2 + seconds / 5)
        << "the idle control server saw " << control_xruns;
    EXPECT_GT(resident_at_baseline, 0);
    EXPECT_LT(resident_at_end - resident_at_baseline, kAllowedGrowthBytes);
    EXPECT_EQ(testing::ReadFile(j.settings_path), settings);
}

} // namespace
} // namespace vortane
