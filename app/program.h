#pragma once

#include <functional>

namespace vortane {

class Application;
class AudioBackend;
class MidiInput;

// The whole program around the Application: the display check, the QApplication, the termination
// signals and the loss of the display, start-up, event loop and shutdown. Every way out ends like
// the close box: the settings file written and exit code 0. `started`, when set, runs once the
// event loop has begun; tests drive the program through it. Returns the exit code, 0.
int RunVortane(int argc, char** argv, AudioBackend& audio, MidiInput& midi,
               const std::function<void(Application&)>& started = {});

} // namespace vortane
