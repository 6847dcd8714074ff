#include "jack_test_client.h"

#include <jack/midiport.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <thread>

namespace vortane::testing {

JackTestClient::JackTestClient(const char* name) {
    jack_status_t status{};
    client_ = jack_client_open(name, JackNoStartServer, &status);
    if (client_ == nullptr) {
        return;
    }
    midi_out_ = jack_port_register(client_, "keys", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    jack_set_process_callback(client_, &JackTestClient::Process, this);
    jack_set_xrun_callback(
        client_, [](void* self) { return ++static_cast<JackTestClient*>(self)->xruns_, 0; }, this);
    active_ = midi_out_ != nullptr && jack_activate(client_) == 0;
}

JackTestClient::~JackTestClient() {
    if (client_ != nullptr) {
        jack_deactivate(client_);
        jack_client_close(client_);
    }
}

double JackTestClient::sample_rate() const {
    return jack_get_sample_rate(client_);
}

std::string JackTestClient::MidiPortName() const {
    return jack_port_name(midi_out_);
}

// jack_connect returns once the server has put the connection into the next process graph; the
// cycles switch to that graph at their start. So: wait until the port reports a connection, then
// for two more cycles of this client, after which a graph switched before the check is in use (and
// a stale one, still showing a connection the receiver just closed, has been replaced).
bool JackTestClient::WaitUntilLive(jack_port_t* port) const {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    const auto wait = [&](const auto& condition) {
        while (!condition()) {
            if (Clock::now() > deadline) {
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

void JackTestClient::Send(uint8_t status, uint8_t data1, uint8_t data2) {
    const uint32_t at = written_.load(std::memory_order_relaxed);
    queue_[at % queue_.size()] = {status, data1, data2};
    written_.store(at + 1, std::memory_order_release);
}

bool JackTestClient::RecordFrom(const std::string& pattern) {
    jack_port_t* input = audio_in_.load(std::memory_order_relaxed);
    if (input == nullptr) {
        input = jack_port_register(client_, "in", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
        audio_in_.store(input, std::memory_order_release);
    }
    const char** ports = jack_get_ports(client_, pattern.c_str(), nullptr, 0);
    const int result =
        ports != nullptr && input != nullptr ? jack_connect(client_, ports[0], jack_port_name(input)) : -1;
    jack_free(ports);
    return (result == 0 || result == EEXIST) && WaitUntilLive(input);
}

void JackTestClient::StartRecording() {
    recorded_.store(0, std::memory_order_relaxed);
    non_zero_.store(0, std::memory_order_relaxed);
    non_finite_.store(0, std::memory_order_relaxed);
    recording_.store(true, std::memory_order_release);
}

std::vector<float> JackTestClient::StopRecording() {
    recording_.store(false, std::memory_order_release);
    std::this_thread::sleep_for(std::chrono::milliseconds(50)); // let a running cycle finish
    const uint64_t total = recorded_.load(std::memory_order_acquire);
    const size_t count = size_t(std::min<uint64_t>(total, buffer_.size()));
    std::vector<float> take(count);
    for (size_t i = 0; i < count; ++i) {
        take[i] = buffer_[(total - count + i) % buffer_.size()];
    }
    return take;
}

std::vector<float> JackTestClient::Record(double seconds) {
    StartRecording();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    return StopRecording();
}

int JackTestClient::Process(jack_nframes_t frames, void* arg) {
    auto* self = static_cast<JackTestClient*>(arg);
    self->cycles_.fetch_add(1, std::memory_order_release);
    void* midi = jack_port_get_buffer(self->midi_out_, frames);
    jack_midi_clear_buffer(midi);
    for (const uint32_t end = self->written_.load(std::memory_order_acquire); self->sent_ != end;
         ++self->sent_) {
        const auto& m = self->queue_[self->sent_ % self->queue_.size()];
        jack_midi_event_write(midi, 0, m.data(), m.size());
    }
    if (self->recording_.load(std::memory_order_acquire)) {
        self->RecordCycle(frames);
    }
    return 0;
}

void JackTestClient::RecordCycle(jack_nframes_t frames) {
    jack_port_t* input = audio_in_.load(std::memory_order_acquire);
    if (input == nullptr) {
        return;
    }
    const auto* in = static_cast<const float*>(jack_port_get_buffer(input, frames));
    uint64_t at = recorded_.load(std::memory_order_relaxed);
    uint64_t non_zero = 0, non_finite = 0;
    for (jack_nframes_t i = 0; i < frames; ++i, ++at) {
        non_finite += std::isfinite(in[i]) ? 0 : 1;
        non_zero += in[i] != 0.0f ? 1 : 0;
        buffer_[at % buffer_.size()] = in[i];
    }
    non_zero_.fetch_add(non_zero, std::memory_order_relaxed);
    non_finite_.fetch_add(non_finite, std::memory_order_relaxed);
    recorded_.store(at, std::memory_order_release);
}

} // namespace vortane::testing
