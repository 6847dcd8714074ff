#pragma once

#include <jack/jack.h>
#include <jack/midiport.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace vortane::testing {

// The e2e tests' JACK client: an audio input that records what another client plays, and a MIDI
// output whose messages, queued on the test's thread, go out at the start of the next cycle.
class JackTestClient {
public:
    JackTestClient() {
        jack_status_t status{};
        client_ = jack_client_open("vortane-keys", JackNoStartServer, &status);
        if (client_ != nullptr) {
            keys_ = jack_port_register(client_, "keys", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
            jack_set_process_callback(client_, &JackTestClient::Process, this);
            active_ = keys_ != nullptr && jack_activate(client_) == 0;
        }
    }
    ~JackTestClient() {
        if (client_ != nullptr) {
            jack_deactivate(client_);
            jack_client_close(client_);
        }
    }
    JackTestClient(const JackTestClient&) = delete;
    JackTestClient& operator=(const JackTestClient&) = delete;

    bool Ok() const { return active_; }
    double sample_rate() const { return jack_get_sample_rate(client_); }
    std::string KeysPortName() const { return jack_port_name(keys_); }
    // Connects the first port whose name matches the pattern to the input; false when none does.
    // The input is registered only now: PortAudio, started earlier, would list it as a device.
    bool RecordFrom(const std::string& pattern) {
        if (input_ == nullptr) {
            input_ = jack_port_register(client_, "in", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
        }
        const char** ports = jack_get_ports(client_, pattern.c_str(), nullptr, 0);
        const int result = ports != nullptr && input_ != nullptr
                               ? jack_connect(client_, ports[0], jack_port_name(input_))
                               : -1;
        jack_free(ports);
        return result == 0 || result == EEXIST;
    }
    void Send(uint8_t status, uint8_t data1, uint8_t data2) {
        const uint32_t at = written_.load(std::memory_order_relaxed);
        queue_[at % queue_.size()] = {status, data1, data2};
        written_.store(at + 1, std::memory_order_release);
    }
    void StartRecording() {
        recorded_.store(0, std::memory_order_relaxed);
        recording_.store(true, std::memory_order_release);
    }
    std::vector<float> StopRecording() {
        recording_.store(false, std::memory_order_release);
        std::this_thread::sleep_for(std::chrono::milliseconds(50)); // let a running cycle finish
        return {buffer_.begin(), buffer_.begin() + std::ptrdiff_t(recorded_.load(std::memory_order_acquire))};
    }
    std::vector<float> Record(double seconds) {
        StartRecording();
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        return StopRecording();
    }

private:
    static int Process(jack_nframes_t frames, void* arg) {
        auto* self = static_cast<JackTestClient*>(arg);
        void* midi = jack_port_get_buffer(self->keys_, frames);
        jack_midi_clear_buffer(midi);
        const uint32_t end = self->written_.load(std::memory_order_acquire);
        for (; self->sent_ != end; ++self->sent_) {
            const auto& m = self->queue_[self->sent_ % self->queue_.size()];
            jack_midi_event_write(midi, 0, m.data(), m.size());
        }
        if (self->recording_.load(std::memory_order_acquire)) {
            const size_t at = self->recorded_.load(std::memory_order_relaxed);
            const size_t n = std::min<size_t>(frames, self->buffer_.size() - at);
            std::memcpy(self->buffer_.data() + at, jack_port_get_buffer(self->input_, frames),
                        n * sizeof(float));
            self->recorded_.store(at + n, std::memory_order_release);
        }
        return 0;
    }

    jack_client_t* client_ = nullptr;
    jack_port_t* input_ = nullptr;
    jack_port_t* keys_ = nullptr;
    bool active_ = false;
    std::vector<float> buffer_ = std::vector<float>(size_t(44100 * 8));
    std::atomic<size_t> recorded_{0};
    std::atomic<bool> recording_{false};
    std::array<std::array<uint8_t, 3>, 64> queue_{};
    std::atomic<uint32_t> written_{0};
    uint32_t sent_ = 0; // the process thread's own
};

} // namespace vortane::testing
