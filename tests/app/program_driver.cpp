#include <QComboBox>
#include <QMenuBar>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/application.h"
#include "app/program.h"
#include "midi/controller_window.h"
#include "shell_fixture.h"

// The program as main() runs it, on the fake audio and MIDI libraries, with one change made the way
// a user makes it: the controller window opened from the menu and slot 1 set to "07". Then the
// window is closed ("closed") or left open ("open"), "ready" is printed, and the program runs on
// until something ends it. Used by quit_paths_test.sh.
namespace {

void OpenControllerWindow(vortane::Application& app) {
    for (QAction* item : app.window()->menuBar()->actions().front()->menu()->actions()) {
        if (item->text() == "Midi Controllers") {
            item->trigger();
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    const bool keep_open = argc > 1 && std::strcmp(argv[1], "open") == 0;
    vortane::testing::FakeAudioBackend audio;
    audio.devices = {{"pipewire", 2}};
    vortane::testing::FakeMidiInput midi;
    int qt_argc = 1;
    return vortane::RunVortane(qt_argc, argv, audio, midi, [keep_open](vortane::Application& app) {
        QTimer::singleShot(0, [keep_open] {
            auto* window = qobject_cast<vortane::ControllerWindow*>(QApplication::activeModalWidget());
            if (window == nullptr) {
                std::puts("no controller window");
                std::exit(3);
            }
            window->List(1)->setCurrentIndex(window->List(1)->findText("07"));
            if (!keep_open) {
                window->close();
            }
            std::puts("ready");
            std::fflush(stdout);
        });
        OpenControllerWindow(app);
    });
}
