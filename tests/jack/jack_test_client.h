#pragma once

#include <jack/jack.h>

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vortane::testing {

// The end-to-end tests' JACK client. Its MIDI output "keys" sends the short messages queued on the
// test's thread at the start of the next cycle. Its audio input, registered on the first RecordFrom,
// records into a ring of 8 s and counts recorded, non-zero and non-finite samples, and the server's
// xruns.
class JackTestClient {
public:
    explicit JackTestClient(const char* name);
    ~JackTestClient();
    JackTestClient(const JackTestClient&) = delete;
    JackTestClient& operator=(const JackTestClient&) = delete;

    bool Ok() const { return active_; }
    double sample_rate() const;
    std::string MidiPortName() const;

    // Waits, at most five seconds, until the MIDI output has a connection that the server's process
    // cycle already uses: a message queued before that is dropped by JACK, not delivered late. Call
    // it after the receiver opened its port and before the first Send.
    bool WaitUntilConnected() const { return WaitUntilLive(midi_out_); }
    // Queues a message for the next cycle; one producer thread, up to 64 messages in flight.
    void Send(uint8_t status, uint8_t data1, uint8_t data2);

    // Connects the first port whose name matches the pattern to the input and waits until the
    // connection is live; false when no port matches or it does not come up within five seconds.
    // The input is registered only now: PortAudio, started earlier, would list it as a device.
    bool RecordFrom(const std::string& pattern);
    void StartRecording();
    // The last samples recorded, at most the capacity, oldest first.
    std::vector<float> StopRecording();
    std::vector<float> Record(double seconds);
    uint64_t samples_recorded() const { return recorded_.load(std::memory_order_acquire); }
    uint64_t non_zero_samples() const { return non_zero_.load(std::memory_order_relaxed); }
    uint64_t non_finite_samples() const { return non_finite_.load(std::memory_order_relaxed); }

    int xruns() const { return xruns_.load(std::memory_order_relaxed); }

private:
    static int Process(jack_nframes_t frames, void* arg);
    bool WaitUntilLive(jack_port_t* port) const;
    void RecordCycle(jack_nframes_t frames);

    jack_client_t* client_ = nullptr;
    jack_port_t* midi_out_ = nullptr;
    std::atomic<jack_port_t*> audio_in_{nullptr};
    bool active_ = false;
    std::atomic<int> xruns_{0};
    std::atomic<uint64_t> cycles_{0};
    // queued messages: written by the test's thread, read by the process thread
    std::array<std::array<uint8_t, 3>, 64> queue_{};
    std::atomic<uint32_t> written_{0};
    uint32_t sent_ = 0;
    // recording
    std::vector<float> buffer_ = std::vector<float>(44100 * 8);
    std::atomic<bool> recording_{false};
    std::atomic<uint64_t> recorded_{0}, non_zero_{0}, non_finite_{0};
};

} // namespace vortane::testing
