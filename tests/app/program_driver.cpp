#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>

#include "app/portaudio_backend.h"
#include "app/program.h"
#include "midi/rtmidi_input.h"
#include "shell_fixture.h"

// The program as main() runs it, with one change made the way a user makes it: the controller
// window opened from the menu and slot 1 set to "07". Then "ready" is printed, and the program runs
// on until something ends it.
//   program_driver closed|open   on the fakes, the controller window closed or left open
//                                (quit_paths_test.sh)
//   program_driver jack [play]   on PortAudio and RtMidi, the pitch held at one period length
//                                (Frequency Setting 1000 and Secondary Barrier 0.2: 44 voice frames),
//                                Play pressed when asked; prints the window's title and every text
//                                the status bar's notice shows (tests/jack/smoke_test.sh)
int main(int argc, char** argv) {
    using namespace vortane;
    const std::string mode = argc > 1 ? argv[1] : "";
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    vortane::testing::FakeAudioBackend fake_audio;
    fake_audio.devices = {{"pipewire", 2}};
    vortane::testing::FakeMidiInput fake_midi;
    std::optional<PortAudioBackend> audio;
    std::optional<RtMidiInput> midi;
    if (mode == "jack") {
        audio.emplace();
        // Where an ALSA sequencer exists it lists ports of its own; the test's keyboard is on JACK.
        midi.emplace(std::filesystem::exists("/dev/snd/seq") ? RtMidiInput::Backend::JackOnly
                                                             : RtMidiInput::Backend::Automatic);
    }
    int qt_argc = 1;
    return RunVortane(
        qt_argc, argv, audio ? static_cast<AudioBackend&>(*audio) : fake_audio,
        midi ? static_cast<MidiInput&>(*midi) : fake_midi, [&](Application& app) {
            MainWindow* window = app.window(); // none while the "PortAudio" message box is up
            if (window == nullptr ||
                !vortane::testing::InControllerWindow(*window, [&](ControllerWindow& controllers) {
                    controllers.List(1)->setCurrentIndex(controllers.List(1)->findText("07"));
                    if (mode != "open") {
                        controllers.close();
                    }
                    std::puts("ready");
                })) {
                std::puts(window == nullptr ? "no window" : "no controller window");
                std::exit(3);
            }
            if (!audio) {
                return;
            }
            window->controls().As<QSlider>(ControlOf(ParamId::FrequencySetting)->id)->setValue(1000);
            window->controls().As<QSlider>(ControlOf(ParamId::SecondaryBarrier)->id)->setValue(2);
            if (argc > 2 && std::strcmp(argv[2], "play") == 0) {
                window->controls().As<QPushButton>(id::kPlay)->click();
            }
            std::printf("window \"%s\"%s\n", qPrintable(window->windowTitle()),
                        window->isVisible() ? " shown" : "");
            auto* watch = new QTimer(window);
            QObject::connect(watch, &QTimer::timeout, [window, shown = QString("-")]() mutable {
                if (window->status().Notice() != shown) {
                    shown = window->status().Notice();
                    std::printf("notice %s\n", qPrintable(shown));
                }
            });
            watch->start(50);
        });
}
