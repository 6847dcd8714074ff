#include "app/portaudio_backend.h"
#include "app/program.h"
#include "midi/rtmidi_input.h"

// Vortane takes no arguments and always exits with code 0.
int main(int argc, char** argv) {
    // The audio backend first: it quiets libjack before the MIDI input may try a JACK server.
    vortane::PortAudioBackend backend;
    // The MIDI input outlives the application, whose MIDI session delivers to it.
    vortane::RtMidiInput midi_input;
    return vortane::RunVortane(argc, argv, backend, midi_input);
}
