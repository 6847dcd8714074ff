#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/device_table.h"

namespace vortane {

class AudioBackend;
struct Synth;

// The program's one output stream and the device table behind the audio device list. The stream
// callback forwards to the synth's render. Every step checks what exists: a stream that failed to
// open is never started, aborted or queried, and the library is terminated only while initialised.
class AudioOutput {
public:
    AudioOutput(AudioBackend& backend, Synth& synth) : backend_(backend), synth_(synth) {}

    // Start-up: initialise the library, list the devices, open the stream on entry 0. Each returns
    // the library's error code (0 on success).
    int Initialize();
    void BuildDeviceTable();
    int OpenStream(int entry);
    void StartStream();

    // A choice in the audio device list: abort, terminate, initialise, reopen on the chosen entry
    // and start. A failed step leaves the program silent until a later switch succeeds.
    void SwitchDevice(int entry);

    // Shutdown: abort the stream, wait while it is active (pumping window events), terminate.
    void Shutdown(const std::function<void()>& pump_events);

    const std::vector<OutputDevice>& devices() const { return devices_; }
    bool stream_open() const { return stream_open_; }
    bool stream_running() const { return stream_running_; }
    std::vector<std::string> DeviceNames() const;
    std::string ErrorText(int error) const;

private:
    AudioBackend& backend_;
    Synth& synth_;
    std::vector<OutputDevice> devices_{{"", 0}};
    bool initialised_ = false;
    bool stream_open_ = false;
    bool stream_running_ = false;
};

} // namespace vortane
