#pragma once

#include <optional>
#include <string>

namespace vortane {

class MidiReceiver;

// One MIDI input service: numbered input ports, of which one at a time is opened and delivers its
// short messages to a receiver on the service's own thread.
class MidiInput {
public:
    virtual ~MidiInput() = default;

    // Number of input ports; ports are numbered 0..count-1.
    virtual int DeviceCount() = 0;

    // The port's name, or nothing when it cannot be read.
    virtual std::optional<std::string> PortName(int device) = 0;

    // Opens a port; messages reach the receiver once Start succeeded.
    virtual bool Open(int device, MidiReceiver& receiver) = 0;
    virtual bool Start() = 0;

    // After Stop returns, the receiver is not called any more.
    virtual void Stop() = 0;

    // Closes the port and hands the receiver the close message. Does nothing when none is open.
    virtual void Close() = 0;
};

} // namespace vortane
