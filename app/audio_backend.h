#pragma once

#include <string>

namespace vortane {

// What the program needs of an audio library: the device list and one output stream. PortAudio
// implements it for real; tests substitute their own to see every call the shell makes.
class AudioBackend {
public:
    struct DeviceInfo {
        std::string name;
        int max_output_channels = 0;
        double default_sample_rate = 0.0; // the device's own rate; 0 when unknown
    };

    // Fills frame_count mono float samples; runs on the library's audio thread.
    using RenderFunction = void (*)(void* context, float* out, unsigned long frame_count) noexcept;

    virtual ~AudioBackend() = default;

    // Error codes are the library's: 0 means success.
    virtual int Initialize() = 0;
    virtual void Terminate() = 0;
    virtual std::string ErrorText(int error) const = 0;

    virtual int DeviceCount() const = 0; // negative on a library error
    virtual DeviceInfo GetDeviceInfo(int device) const = 0;
    virtual int DefaultOutputDevice() const = 0; // negative when there is none

    // Opens the one output stream at `rate` Hz: mono, 32-bit float, suggested latency 0.075 s,
    // buffer size left to the library, no flags. Terminate closes it, and so does CloseStream.
    // Opening another stream leaves the one before open but forgotten by the backend.
    virtual int OpenStream(int device, double rate, RenderFunction render, void* context) = 0;
    virtual int StartStream() = 0;
    virtual int AbortStream() = 0;
    virtual int CloseStream() = 0;
    virtual int IsStreamActive() = 0; // 1 active, 0 not, negative on error

    // True once an audio server that the library is connected to has gone away (the JACK server
    // was stopped). Any thread may ask. From then on the library cannot be terminated or
    // initialised again in this process: with JACK both would hang, then end the process.
    virtual bool ServerLost() const = 0;

    // True while the library holds a client of an audio server that may go away at any moment, and
    // whose teardown then fails an assertion that ends the process (PortAudio's JACK code). At exit
    // the program then leaves the stream and the library as they are and ends the process: the
    // server drops a client whose socket closes.
    virtual bool TeardownMayAbort() const = 0;
};

} // namespace vortane
