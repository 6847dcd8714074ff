#include "app/program.h"

#include <QTimer>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <unistd.h>

#include "app/application.h"
#include "app/audio_output.h"
#include "app/gui_startup.h"
#include "app/message_sink.h"
#include "app/termination_signals.h"

namespace vortane {
namespace {

// Qt's X11 platform calls exit(1) from the GUI thread when the connection to the display breaks;
// no event or hook of Qt comes first. An exit handler catches that exit while the application
// runs: it writes the settings file and ends the process with 0 at once, before any destructor
// could pull objects from under the still-running audio and MIDI threads. Exit handlers belong to
// the process, so the guarded application is a process-wide pointer as well.
std::atomic<Application*> guarded_application{nullptr};
std::thread::id gui_thread;

void EndLikeTheCloseBox() {
    Application* application = guarded_application.exchange(nullptr);
    if (application == nullptr || std::this_thread::get_id() != gui_thread) {
        return; // a normal end, or an exit on another thread, which must not touch the store
    }
    application->SaveSettingsNow();
    std::fflush(nullptr);
    _exit(0);
}

class ExitGuard {
public:
    explicit ExitGuard(Application& application) {
        static std::once_flag registered;
        std::call_once(registered, [] { std::atexit(EndLikeTheCloseBox); });
        gui_thread = std::this_thread::get_id();
        guarded_application.store(&application);
    }
    ~ExitGuard() { guarded_application.store(nullptr); }
    ExitGuard(const ExitGuard&) = delete;
    ExitGuard& operator=(const ExitGuard&) = delete;
};

} // namespace

int RunVortane(int argc, char** argv, AudioBackend& audio, MidiInput& midi,
               const std::function<void(Application&)>& started) {
    TerminationSignals termination;
    if (!DisplayConfigured()) {
        std::fprintf(stderr, "%s\n", NoDisplayMessage().c_str());
        return 0;
    }
    auto gui = CreateGuiApplication(argc, argv);
    gui->setQuitOnLastWindowClosed(false);
    MessageBoxSink messages;
    Application application(audio, midi, messages);
    termination.Watch([&application](int) { application.Quit(); });
    const ExitGuard guard(application);
    if (started) {
        QTimer::singleShot(0, gui.get(), [&application, &started] { started(application); });
    }
    application.Run();
    if (application.audio().abandoned()) {
        // The audio library was left as it was (its teardown could end the process, or one of its
        // calls never came back), so its audio thread may still render: leave without releasing
        // anything it might use. The settings are written by now.
        std::fflush(nullptr);
        _exit(0);
    }
    return 0;
}

} // namespace vortane
