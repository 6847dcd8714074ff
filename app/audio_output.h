#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "app/bounded_call.h"
#include "app/device_rate_voice.h"
#include "app/device_table.h"

namespace vortane {

class AudioBackend;

// The program's one output stream and the device table behind the audio device list. A stream
// opens at the voice's own 44.1 kHz where the device allows it, else at the device's own rate with
// the voice resampled (DeviceRateVoice); a switch follows the same rule. Every step checks what
// exists: a stream that failed to open is never started, aborted or queried, and the library is
// terminated only while initialised.
//
// A stream can also stop by itself, when its device or audio server goes away; CheckStream, polled
// from the GUI, notices it. Such a lost stream is never touched again, and the library that holds
// it (or that lost its server) is never terminated or initialised again in this process: with JACK
// those calls wait ten minutes for the dead server or fail an assertion that ends the process. Device
// switches then open the new stream beside the lost one. The library calls of a switch and of
// shutdown run on a thread of their own with a time bound, so a server that dies in the middle of
// one cannot freeze the window; after an overrun the library is not called again (hung()). A library
// whose teardown may end the process (AudioBackend::TeardownMayAbort) is not taken down at all at
// shutdown (abandoned()).
class AudioOutput {
public:
    enum class Stream { None, Open, Running, Lost };

    static constexpr std::chrono::milliseconds kCallBound{8000};

    AudioOutput(AudioBackend& backend, Synth& synth, std::chrono::milliseconds call_bound = kCallBound)
        : backend_(backend), voice_(synth), call_bound_(call_bound) {}

    // Start-up: initialise the library, list the devices, open the stream on entry 0. Each returns
    // the library's error code (0 on success); for the stream, that of its last attempt.
    int Initialize();
    void BuildDeviceTable();
    int OpenStream(int entry);
    void StartStream();

    // True when the running stream has stopped by itself since the last check.
    bool CheckStream();

    // A choice in the audio device list: abort, terminate, initialise, reopen on the chosen entry
    // and start. A failed step leaves the program silent until a later switch succeeds.
    void SwitchDevice(int entry);

    // Shutdown: abort the stream, wait while it is active (pumping window events), terminate; or
    // nothing at all where the teardown may end the process.
    void Shutdown(const std::function<void()>& pump_events);

    Stream stream() const { return session_.stream; }
    bool stream_open() const { return session_.stream == Stream::Open || session_.stream == Stream::Running; }
    bool stream_running() const { return session_.stream == Stream::Running; }
    // A library call overran its bound and may still be running: the process must end without
    // waiting for it, and without releasing what it may still use.
    bool hung() const { return hung_; }
    // Shutdown left the library as it was, its audio thread perhaps still rendering: the process
    // must end without releasing the synth. Also true after hung().
    bool abandoned() const { return hung_ || abandoned_; }
    // The rate of the open stream in Hz, 0 without one; the voice is resampled unless it is 44100.
    double stream_rate() const { return stream_open() ? session_.rate : 0.0; }
    std::vector<std::string> DeviceNames() const;
    std::string ErrorText(int error) const;

    // What the library holds; a value, so that a bounded call can work on a copy of its own.
    struct Session {
        bool initialised = false;
        Stream stream = Stream::None;
        bool pinned = false; // may never be terminated: holds a lost stream or lost its server
        double rate = 0.0;   // of the stream
    };

private:
    int DeviceNumber(int entry) const;
    // Runs step on a copy of the session off the GUI thread; adopts the result when it came in time.
    void RunBounded(Session (*step)(AudioBackend&, Session, int, DeviceRateVoice&), int device,
                    const std::function<void()>& pump_events);

    AudioBackend& backend_;
    DeviceRateVoice voice_; // before call_, whose overrunning job may still use it
    const std::chrono::milliseconds call_bound_;
    std::vector<OutputDevice> devices_{{"", 0}};
    Session session_;
    BoundedCall call_;
    bool busy_ = false; // a bounded call is running: the GUI's poll must not call the library
    bool hung_ = false;
    bool abandoned_ = false;
    bool shut_down_ = false;
};

} // namespace vortane
