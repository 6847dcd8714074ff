#pragma once

#include <memory>

#include "app/main_window.h"

namespace vortane {

class AudioBackend;
class AudioOutput;
class MessageSink;
struct Engine;

// The program's main sequence: start-up in a fixed order, the event loop, and shutdown. Built
// with the audio backend and the message sink it uses, so that a test can run it on a fake.
// Needs a QApplication.
class Application {
public:
    Application(AudioBackend& backend, MessageSink& messages);
    ~Application();

    // Start-up up to the event loop. False when the program must end now (a PortAudio error was
    // reported); nothing needs to be shut down then.
    bool StartUp();
    // Runs the event loop until Escape or the main window's close box.
    void RunEventLoop();
    // Takes the audio down, then MIDI, then the windows.
    void ShutDown();
    // All three; the process's exit code, always 0.
    int Run();

    Engine& engine() const { return *engine_; }
    AudioOutput& audio() const { return *audio_; }
    MainWindow* window() const { return window_.get(); }

private:
    void PrepareMidiSettings();
    void ResetMidiInput();
    void OpenMidiInput();
    void CloseMidiInput();
    void ReportAudioError(int error);

    MessageSink& messages_;
    std::unique_ptr<Engine> engine_;
    std::unique_ptr<AudioOutput> audio_;
    std::unique_ptr<MainWindow> window_;
    ShellHooks hooks_;
    bool audio_up_ = false; // the stream was opened: shutdown has work to do
};

} // namespace vortane
