#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "midi/midi_input.h"

class RtMidiIn;

namespace vortane {

// MIDI input through RtMidi. The ALSA sequencer is tried first; where it is missing (no
// /dev/snd/seq) RtMidi cannot start it, and the JACK MIDI ports are used instead. With neither
// there are no ports and every Open fails. The client is named "Vortane MIDI", its port "in".
class RtMidiInput : public MidiInput {
public:
    enum class Backend { Automatic, JackOnly };

    explicit RtMidiInput(Backend backend = Backend::Automatic);
    ~RtMidiInput() override;

    int DeviceCount() override;
    std::optional<std::string> PortName(int device) override;
    bool Open(int device, MidiReceiver& receiver) override;
    bool Start() override;
    void Stop() override;
    void Close() override;

    // Whether a MIDI service answered at all.
    bool HasService() const { return midi_ != nullptr; }
    bool IsJack() const;

private:
    static void Deliver(double time_stamp, std::vector<unsigned char>* message, void* user_data);

    std::unique_ptr<RtMidiIn> midi_;
    MidiReceiver* receiver_ = nullptr;

    // Start/Stop gate the callback; in_flight_ lets Stop wait until a running callback has left.
    std::atomic<bool> started_{false};
    std::atomic<int> in_flight_{0};
};

} // namespace vortane
