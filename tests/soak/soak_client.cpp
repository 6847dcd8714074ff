#include "soak_client.h"

#include <jack/midiport.h>

#include <algorithm>
#include <cerrno>
#include <cmath>

namespace vortane::testing {
namespace {

constexpr uint8_t kControlChange = 0xB0;
constexpr uint8_t kNoteOn = 0x90;
constexpr uint8_t kNoteOff = 0x80;
constexpr uint8_t kNote = 60;
constexpr size_t kNoteEvery = 10; // one message in ten is a note message

} // namespace

SoakClient::SoakClient(std::vector<uint8_t> controllers) : controllers_(std::move(controllers)) {}

SoakClient::~SoakClient() {
    if (client_ != nullptr) {
        jack_deactivate(client_);
        jack_client_close(client_);
    }
}

bool SoakClient::Open() {
    jack_status_t status{};
    client_ = jack_client_open("vortane-soak", JackNoStartServer, &status);
    if (client_ == nullptr) {
        return false;
    }
    midi_out_ = jack_port_register(client_, "keys", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    audio_in_ = jack_port_register(client_, "in", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    jack_set_process_callback(client_, &SoakClient::Process, this);
    jack_set_xrun_callback(client_, &SoakClient::Xrun, this);
    return midi_out_ != nullptr && audio_in_ != nullptr && jack_activate(client_) == 0;
}

std::string SoakClient::MidiPortName() const {
    return jack_port_name(midi_out_);
}

bool SoakClient::RecordFrom(const std::string& source) {
    const int result = jack_connect(client_, source.c_str(), jack_port_name(audio_in_));
    return result == 0 || result == EEXIST;
}

std::string SoakClient::FindPort(const std::string& pattern) const {
    const char** ports = jack_get_ports(client_, pattern.c_str(), nullptr, 0);
    if (ports == nullptr) {
        return {};
    }
    std::string first = ports[0];
    jack_free(ports);
    return first;
}

float SoakClient::RecentPeak() const {
    float peak = 0.0f;
    for (float s : ring_) {
        peak = std::max(peak, std::abs(s));
    }
    return peak;
}

int SoakClient::Process(jack_nframes_t frames, void* self) {
    auto* client = static_cast<SoakClient*>(self);
    client->Send(jack_port_get_buffer(client->midi_out_, frames), frames);
    client->Record(static_cast<const float*>(jack_port_get_buffer(client->audio_in_, frames)), frames);
    return 0;
}

int SoakClient::Xrun(void* self) {
    static_cast<SoakClient*>(self)->xruns_.fetch_add(1, std::memory_order_relaxed);
    return 0;
}

// A 32-bit linear congruential generator: enough to vary controllers and values.
uint32_t SoakClient::NextRandom() {
    random_state_ = random_state_ * 1664525u + 1013904223u;
    return random_state_ >> 8;
}

void SoakClient::Send(void* buffer, jack_nframes_t frames) {
    jack_midi_clear_buffer(buffer);
    if (!sending_.load(std::memory_order_acquire) || controllers_.empty()) {
        return;
    }
    message_credit_ += kMessagesPerSecond * frames / jack_get_sample_rate(client_);
    const auto count = static_cast<jack_nframes_t>(message_credit_);
    message_credit_ -= count;
    uint64_t sent = 0;
    for (jack_nframes_t i = 0; i < count; ++i) {
        std::array<uint8_t, 3> m{};
        if (++message_index_ % kNoteEvery == 0) {
            m = {note_held_ ? kNoteOff : kNoteOn, kNote, uint8_t(note_held_ ? 0 : 100)};
            note_held_ = !note_held_;
        } else {
            const uint32_t r = NextRandom();
            const uint8_t value = r % 8 == 0 ? 127 : uint8_t((r >> 3) % 128);
            m = {kControlChange, controllers_[message_index_ % controllers_.size()], value};
        }
        // Events are spread over the cycle, in time order.
        if (jack_midi_event_write(buffer, i * frames / count, m.data(), m.size()) == 0) {
            ++sent;
        }
    }
    messages_sent_.fetch_add(sent, std::memory_order_relaxed);
}

void SoakClient::Record(const float* in, jack_nframes_t frames) {
    if (!sending_.load(std::memory_order_acquire)) {
        return;
    }
    uint64_t non_finite = 0;
    uint64_t audible = 0;
    for (jack_nframes_t i = 0; i < frames; ++i) {
        const float s = in[i];
        non_finite += std::isfinite(s) ? 0 : 1;
        audible += s != 0.0f ? 1 : 0;
        ring_[ring_at_] = s;
        ring_at_ = (ring_at_ + 1) % ring_.size();
    }
    non_finite_.fetch_add(non_finite, std::memory_order_relaxed);
    audible_.fetch_add(audible, std::memory_order_relaxed);
    samples_recorded_.fetch_add(frames, std::memory_order_relaxed);
}

} // namespace vortane::testing
