#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/program.h"
#include "shell_fixture.h"

// The program as main() runs it, on the fake audio and MIDI libraries, with one change made the way
// a user makes it: the controller window opened from the menu and slot 1 set to "07". Then the
// window is closed ("closed") or left open ("open"), "ready" is printed, and the program runs on
// until something ends it. Used by quit_paths_test.sh.
int main(int argc, char** argv) {
    const bool keep_open = argc > 1 && std::strcmp(argv[1], "open") == 0;
    vortane::testing::FakeAudioBackend audio;
    audio.devices = {{"pipewire", 2}};
    vortane::testing::FakeMidiInput midi;
    int qt_argc = 1;
    return vortane::RunVortane(qt_argc, argv, audio, midi, [keep_open](vortane::Application& app) {
        const bool opened = vortane::testing::InControllerWindow(
            *app.window(), [keep_open](vortane::ControllerWindow& window) {
                window.List(1)->setCurrentIndex(window.List(1)->findText("07"));
                if (!keep_open) {
                    window.close();
                }
                std::puts("ready");
                std::fflush(stdout);
            });
        if (!opened) {
            std::puts("no controller window");
            std::exit(3);
        }
    });
}
