#pragma once

#include <jack/jack.h>

#include <atomic>
#include <string>
#include <vector>

namespace vortane::testing {

// A JACK client of the test with one input port that records what another client plays.
class JackRecorder {
public:
    JackRecorder() = default;
    ~JackRecorder();
    JackRecorder(const JackRecorder&) = delete;
    JackRecorder& operator=(const JackRecorder&) = delete;

    bool Open();
    double sample_rate() const { return client_ != nullptr ? jack_get_sample_rate(client_) : 0.0; }
    // Connects the source port to the recorder's input; true when the connection exists.
    bool ConnectFrom(const std::string& source);
    bool PortExists(const std::string& name) const;
    // The first port whose full name matches the regular expression, or "".
    std::string FindPort(const std::string& pattern) const;
    // Records for the given time (wall clock) and returns the samples.
    std::vector<float> Record(double seconds);
    void StartRecording();
    std::vector<float> StopRecording();

private:
    static int Process(jack_nframes_t frames, void* self);

    jack_client_t* client_ = nullptr;
    jack_port_t* input_ = nullptr;
    std::vector<float> buffer_ = std::vector<float>(static_cast<size_t>(44100 * 8));
    std::atomic<size_t> written_{0};
    std::atomic<bool> recording_{false};
};

} // namespace vortane::testing
