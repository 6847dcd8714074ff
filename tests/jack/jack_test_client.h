#pragma once

#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace vortane::testing {

// The end-to-end tests' JACK client. Its MIDI output "keys" sends the short messages queued on the
// test's thread at the start of the next cycle. Its audio input, registered on the first RecordFrom,
// records into a ring of 8 s and counts recorded, non-zero and non-finite samples, and the server's
// xruns.
class JackTestClient {
public:
    explicit JackTestClient(const char* name) {
        jack_status_t status{};
        client_ = jack_client_open(name, JackNoStartServer, &status);
        if (client_ == nullptr) {
            return;
        }
        midi_out_ = jack_port_register(client_, "keys", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        jack_set_process_callback(
            client_,
            [](jack_nframes_t frames, void* self) {
                return static_cast<JackTestClient*>(self)->Cycle(frames);
            },
            this);
        jack_set_xrun_callback(
            client_, [](void* self) { return ++static_cast<JackTestClient*>(self)->xruns_, 0; }, this);
        active_ = midi_out_ != nullptr && jack_activate(client_) == 0;
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
    std::string MidiPortName() const { return jack_port_name(midi_out_); }

    // Waits, at most five seconds, until the MIDI output has a connection that the server's process
    // cycle already uses: a message queued before that is dropped by JACK, not delivered late. Call
    // it after the receiver opened its port and before the first Send.
    bool WaitUntilConnected() const { return WaitUntilLive(midi_out_); }
    // Queues a message for the next cycle; one producer thread, up to 64 messages in flight.
    void Send(uint8_t status, uint8_t data1, uint8_t data2) {
        const uint32_t at = written_.load(std::memory_order_relaxed);
        queue_[at % queue_.size()] = {status, data1, data2};
        written_.store(at + 1, std::memory_order_release);
    }

    // Connects the first port whose name matches the pattern to the input and waits until the
    // connection is live; false when no port matches or it does not come up within five seconds.
    // The input is registered only now: PortAudio, started earlier, would list it as a device.
    bool RecordFrom(const std::string& pattern) {
        jack_port_t* input = audio_in_.load(std::memory_order_relaxed);
        if (input == nullptr) {
            input = jack_port_register(client_, "in", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
            audio_in_.store(input, std::memory_order_release);
        }
        const char** ports = jack_get_ports(client_, pattern.c_str(), nullptr, 0);
        const int result = ports != nullptr && input != nullptr
                               ? jack_connect(client_, ports[0], jack_port_name(input))
                               : -1;
        jack_free(ports);
        return (result == 0 || result == EEXIST) && WaitUntilLive(input);
    }
    void StartRecording() {
        recorded_ = non_zero_ = non_finite_ = 0;
        recording_.store(true, std::memory_order_release);
    }
    // The last samples recorded, at most the ring's size, oldest first.
    std::vector<float> StopRecording() {
        recording_.store(false, std::memory_order_release);
        std::this_thread::sleep_for(std::chrono::milliseconds(50)); // let a running cycle finish
        const uint64_t total = recorded_.load(std::memory_order_acquire);
        const size_t count = size_t(std::min<uint64_t>(total, ring_.size()));
        std::vector<float> take(count);
        for (size_t i = 0; i < count; ++i) {
            take[i] = ring_[(total - count + i) % ring_.size()];
        }
        return take;
    }
    std::vector<float> Record(double seconds) {
        StartRecording();
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        return StopRecording();
    }
    uint64_t samples_recorded() const { return recorded_.load(std::memory_order_acquire); }
    uint64_t non_zero_samples() const { return non_zero_.load(std::memory_order_relaxed); }
    uint64_t non_finite_samples() const { return non_finite_.load(std::memory_order_relaxed); }
    int xruns() const { return xruns_.load(std::memory_order_relaxed); }

private:
    // jack_connect returns once the server has put the connection into the next process graph; the
    // cycles switch to that graph at their start. So: wait until the port reports a connection, then
    // for two more cycles of this client, after which a graph switched before the check is in use
    // (and a stale one, still showing a connection the receiver just closed, has been replaced).
    bool WaitUntilLive(jack_port_t* port) const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        const auto wait = [&](const auto& condition) {
            while (!condition()) {
                if (std::chrono::steady_clock::now() > deadline) {
                    return false;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
            return true;
        };
        if (!active_ || port == nullptr || !wait([&] { return jack_port_connected(port) > 0; })) {
            return false;
        }
        const uint64_t seen = cycles_.load(std::memory_order_acquire);
        return wait([&] { return cycles_.load(std::memory_order_acquire) >= seen + 2; }) &&
               jack_port_connected(port) > 0;
    }

    // The process callback: the queued messages out, then a cycle of the input into the ring.
    int Cycle(jack_nframes_t frames) {
        cycles_.fetch_add(1, std::memory_order_release);
        void* midi = jack_port_get_buffer(midi_out_, frames);
        jack_midi_clear_buffer(midi);
        for (const uint32_t end = written_.load(std::memory_order_acquire); sent_ != end; ++sent_) {
            const auto& m = queue_[sent_ % queue_.size()];
            jack_midi_event_write(midi, 0, m.data(), m.size());
        }
        jack_port_t* input = audio_in_.load(std::memory_order_acquire);
        if (!recording_.load(std::memory_order_acquire) || input == nullptr) {
            return 0;
        }
        const auto* in = static_cast<const float*>(jack_port_get_buffer(input, frames));
        uint64_t at = recorded_.load(std::memory_order_relaxed);
        uint64_t non_zero = 0, non_finite = 0;
        for (jack_nframes_t i = 0; i < frames; ++i, ++at) {
            non_finite += std::isfinite(in[i]) ? 0 : 1;
            non_zero += in[i] != 0.0f ? 1 : 0;
            ring_[at % ring_.size()] = in[i];
        }
        non_zero_.fetch_add(non_zero, std::memory_order_relaxed);
        non_finite_.fetch_add(non_finite, std::memory_order_relaxed);
        recorded_.store(at, std::memory_order_release);
        return 0;
    }

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
    std::vector<float> ring_ = std::vector<float>(44100 * 8);
    std::atomic<bool> recording_{false};
    std::atomic<uint64_t> recorded_{0}, non_zero_{0}, non_finite_{0};
};

} // namespace vortane::testing
