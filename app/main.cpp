#include <cstdio>

#include "app/application.h"
#include "app/gui_startup.h"
#include "app/message_sink.h"
#include "app/portaudio_backend.h"
#include "midi/rtmidi_input.h"

// Vortane takes no arguments and always exits with code 0.
int main(int argc, char** argv) {
    if (!vortane::DisplayConfigured()) {
        std::fprintf(stderr, "%s\n", vortane::NoDisplayMessage().c_str());
        return 0;
    }
    auto gui = vortane::CreateGuiApplication(argc, argv);
    gui->setQuitOnLastWindowClosed(false);
    vortane::PortAudioBackend backend;
    // The MIDI input outlives the application, whose MIDI session delivers to it.
    vortane::RtMidiInput midi_input;
    vortane::MessageBoxSink messages;
    vortane::Application application(backend, midi_input, messages);
    return application.Run();
}
