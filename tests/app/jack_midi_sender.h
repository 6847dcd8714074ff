#pragma once

#include <jack/jack.h>
#include <jack/midiport.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

namespace vortane::testing {

// A JACK client of the test with one MIDI output port. Messages queued on the test's thread go out
// at the start of the next process cycle, in order.
class JackMidiSender {
public:
    JackMidiSender() {
        jack_status_t status{};
        client_ = jack_client_open("vortane-keys", JackNoStartServer, &status);
        if (client_ == nullptr) {
            return;
        }
        port_ = jack_port_register(client_, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        jack_set_process_callback(client_, &JackMidiSender::Process, this);
        active_ = port_ != nullptr && jack_activate(client_) == 0;
    }
    ~JackMidiSender() {
        if (client_ != nullptr) {
            jack_deactivate(client_);
            jack_client_close(client_);
        }
    }
    JackMidiSender(const JackMidiSender&) = delete;
    JackMidiSender& operator=(const JackMidiSender&) = delete;

    bool Ok() const { return active_; }
    std::string PortName() const { return jack_port_name(port_); }

    void Send(uint8_t status, uint8_t data1, uint8_t data2) {
        const uint32_t at = written_.load(std::memory_order_relaxed);
        queue_[at % queue_.size()] = {status, data1, data2};
        written_.store(at + 1, std::memory_order_release);
    }

private:
    static int Process(jack_nframes_t frames, void* arg) {
        auto* self = static_cast<JackMidiSender*>(arg);
        void* buffer = jack_port_get_buffer(self->port_, frames);
        jack_midi_clear_buffer(buffer);
        const uint32_t end = self->written_.load(std::memory_order_acquire);
        for (uint32_t at = self->read_; at != end; ++at) {
            const auto& m = self->queue_[at % self->queue_.size()];
            jack_midi_event_write(buffer, 0, m.data(), m.size());
        }
        self->read_ = end;
        return 0;
    }

    jack_client_t* client_ = nullptr;
    jack_port_t* port_ = nullptr;
    bool active_ = false;
    std::array<std::array<uint8_t, 3>, 64> queue_{};
    std::atomic<uint32_t> written_{0};
    uint32_t read_ = 0; // the process thread's own
};

} // namespace vortane::testing
