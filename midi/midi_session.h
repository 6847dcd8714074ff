#pragma once

#include <string>
#include <vector>

#include "control/midi_queue.h"
#include "midi/controller_slots.h"
#include "midi/midi_handler.h"
#include "midi/settings_store.h"

namespace vortane {

class ParamStore;
class Transport;
class MidiInput;

inline constexpr const char* kMidiInText = "MIDI IN";
inline constexpr const char* kNoMidiInText = "No MIDI IN";

// Everything MIDI the application drives: the settings store, the twelve controller slots, the
// handler and the input port. Main thread only; the handler alone runs on the input's thread.
//
// Order of calls:
//   LoadSettings()                 at start-up, before the windows are built
//   FillDeviceList()               when the MIDI device list is built
//   OpenAtStartup()                once the status bar exists; then show StatusText()
//   SwitchDevice(index)            on each selection in the MIDI device list
//   Shutdown()                     at program end, before any window goes
//   SaveSettings()                 last, after the audio stream has ended
class MidiSession {
public:
    MidiSession(ParamStore& params, Transport& transport, MidiQueue& keyboard, MidiInput& input)
        : input_(input), handler_(params, transport, keyboard, slots_) {}
    ~MidiSession() { Shutdown(); }

    MidiSession(const MidiSession&) = delete;
    MidiSession& operator=(const MidiSession&) = delete;

    // Opens the settings store on path and sets every slot from it.
    void LoadSettings(const std::string& path = SettingsPath());

    // Appends the name of every readable port to names and returns the port count (not the number
    // of names). The device number becomes 0, or -1 when there is no port.
    int FillDeviceList(std::vector<std::string>& names);

    // Opens and starts the current device. True means "MIDI IN".
    bool OpenAtStartup();

    // Stops and closes the open port (the handler then closes the gate) and opens the port at this
    // index of the device list. True means "MIDI IN".
    bool SwitchDevice(int index);

    // Stops and closes the port; the handler is never called afterwards.
    void Shutdown();

    // Writes the settings file back when the controller window wrote to the store.
    bool SaveSettings() { return store_.Close(); }

    const char* StatusText() const { return midi_in_ ? kMidiInText : kNoMidiInText; }

    SettingsStore& Store() { return store_; }
    ControllerSlots& Slots() { return slots_; }
    MidiHandler& Handler() { return handler_; }

private:
    bool OpenAndStart();

    MidiInput& input_;
    SettingsStore store_;
    ControllerSlots slots_;
    MidiHandler handler_;
    int device_number_ = 0;
    bool midi_in_ = false;
    bool shut_down_ = false;
};

} // namespace vortane
