#pragma once

#include <memory>

#include "app/main_window.h"

class QTimer;

namespace vortane {

class AudioBackend;
class AudioOutput;
class MessageSink;
class MidiInput;
class MidiSession;
struct Synth;

// The program's main sequence: start-up in a fixed order, the event loop, and shutdown. Built
// with the audio backend, the MIDI input and the message sink it uses, so that a test can run it
// on fakes. The MIDI input must outlive the Application. Needs a QApplication.
class Application {
public:
    Application(AudioBackend& backend, MidiInput& midi_input, MessageSink& messages);
    ~Application();

    // Start-up up to the event loop. False when the program must end now (a PortAudio error was
    // reported); nothing needs to be shut down then.
    bool StartUp();
    // Runs the event loop until Escape, the main window's close box or Quit.
    void RunEventLoop();
    // Writes the settings file, then takes the audio down, then MIDI, then the windows.
    void ShutDown();
    // All three; the process's exit code, always 0.
    int Run();

    // Ends the event loop as the close box does, also while a modal window is open: those are
    // closed first, as their close boxes would (the controller window keeps its choices). For a
    // termination signal.
    void Quit();
    // Writes the settings file now if the store was changed, once; for a process that must end
    // without its shutdown sequence. GUI thread only.
    void SaveSettingsNow();

    Synth& synth() const { return *synth_; }
    AudioOutput& audio() const { return *audio_; }
    MidiSession& midi() const { return *midi_; }
    MainWindow* window() const { return window_.get(); }

private:
    void FillMidiDevices(QComboBox& list);
    void OpenMidiInput();
    void SwitchMidiDevice(int index);
    void ShowMidiControllers();
    void ShowMidiStatus();
    void ShowAudioStatus();
    void SwitchAudioDevice(int entry);
    void ReportAudioError(int error);

    MessageSink& messages_;
    std::unique_ptr<Synth> synth_;
    std::unique_ptr<AudioOutput> audio_;
    std::unique_ptr<MidiSession> midi_;
    std::unique_ptr<MainWindow> window_;
    ShellHooks hooks_;
    std::unique_ptr<QTimer> stream_check_;
    bool audio_up_ = false;       // the stream was opened: shutdown has work to do
    bool quit_pending_ = false;   // Quit came before the event loop ran
    bool settings_saved_ = false; // the settings file is written once, as shutdown begins
};

} // namespace vortane
