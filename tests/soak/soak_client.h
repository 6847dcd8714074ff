#pragma once

#include <jack/jack.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace vortane::testing {

// The soak test's JACK client. Its MIDI output plays about 1000 messages a second into the
// application: control changes on the given controllers (value 127 among them, which toggles and
// steps the controls of the switching slots) and note on / note off on channel 1. Its audio input
// records the application's output into a preallocated ring and counts every sample that is not
// finite. An xrun callback counts the server's xruns.
class SoakClient {
public:
    static constexpr double kMessagesPerSecond = 1000.0;

    explicit SoakClient(std::vector<uint8_t> controllers);
    ~SoakClient();
    SoakClient(const SoakClient&) = delete;
    SoakClient& operator=(const SoakClient&) = delete;

    bool Open();
    std::string MidiPortName() const;
    // Connects the source port to the audio input; true when the connection exists.
    bool RecordFrom(const std::string& source);
    // The first port whose full name matches the regular expression, or "".
    std::string FindPort(const std::string& pattern) const;

    void StartSending() { sending_.store(true, std::memory_order_release); }
    void StopSending() { sending_.store(false, std::memory_order_release); }

    uint64_t MessagesSent() const { return messages_sent_.load(std::memory_order_relaxed); }
    uint64_t SamplesRecorded() const { return samples_recorded_.load(std::memory_order_relaxed); }
    uint64_t NonFiniteSamples() const { return non_finite_.load(std::memory_order_relaxed); }
    uint64_t AudibleSamples() const { return audible_.load(std::memory_order_relaxed); }
    int Xruns() const { return xruns_.load(std::memory_order_relaxed); }
    // The largest magnitude in the last six seconds of the recording; call after StopSending.
    float RecentPeak() const;
    double SampleRate() const { return client_ != nullptr ? jack_get_sample_rate(client_) : 0.0; }

private:
    static int Process(jack_nframes_t frames, void* self);
    static int Xrun(void* self);
    void Send(void* buffer, jack_nframes_t frames);
    void Record(const float* in, jack_nframes_t frames);
    uint32_t NextRandom();

    jack_client_t* client_ = nullptr;
    jack_port_t* midi_out_ = nullptr;
    jack_port_t* audio_in_ = nullptr;
    const std::vector<uint8_t> controllers_;

    // the process thread's own state
    double message_credit_ = 0.0;
    uint32_t random_state_ = 12345;
    size_t message_index_ = 0;
    bool note_held_ = false;
    std::array<float, 1 << 18> ring_{};
    size_t ring_at_ = 0;

    std::atomic<bool> sending_{false};
    std::atomic<uint64_t> messages_sent_{0};
    std::atomic<uint64_t> samples_recorded_{0};
    std::atomic<uint64_t> non_finite_{0};
    std::atomic<uint64_t> audible_{0};
    std::atomic<int> xruns_{0};
};

} // namespace vortane::testing
