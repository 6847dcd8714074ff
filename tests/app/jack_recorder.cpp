#include "jack_recorder.h"

#include <chrono>
#include <cstring>
#include <thread>

namespace vortane::testing {

JackRecorder::~JackRecorder() {
    if (client_ != nullptr) {
        jack_deactivate(client_);
        jack_client_close(client_);
    }
}

bool JackRecorder::Open() {
    jack_status_t status{};
    client_ = jack_client_open("vortane-recorder", JackNoStartServer, &status);
    if (client_ == nullptr) {
        return false;
    }
    input_ = jack_port_register(client_, "in", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    jack_set_process_callback(client_, &JackRecorder::Process, this);
    return input_ != nullptr && jack_activate(client_) == 0;
}

bool JackRecorder::ConnectFrom(const std::string& source) {
    const std::string target = std::string(jack_get_client_name(client_)) + ":in";
    const int result = jack_connect(client_, source.c_str(), target.c_str());
    return result == 0 || result == EEXIST;
}

bool JackRecorder::PortExists(const std::string& name) const {
    return jack_port_by_name(client_, name.c_str()) != nullptr;
}

std::string JackRecorder::FindPort(const std::string& pattern) const {
    const char** ports = jack_get_ports(client_, pattern.c_str(), nullptr, 0);
    if (ports == nullptr) {
        return {};
    }
    std::string first = ports[0];
    jack_free(ports);
    return first;
}

int JackRecorder::Process(jack_nframes_t frames, void* self) {
    auto* r = static_cast<JackRecorder*>(self);
    if (!r->recording_.load(std::memory_order_acquire)) {
        return 0;
    }
    const auto* in = static_cast<const float*>(jack_port_get_buffer(r->input_, frames));
    const size_t at = r->written_.load(std::memory_order_relaxed);
    const size_t n = std::min<size_t>(frames, r->buffer_.size() - at);
    std::memcpy(r->buffer_.data() + at, in, n * sizeof(float));
    r->written_.store(at + n, std::memory_order_release);
    return 0;
}

std::vector<float> JackRecorder::Record(double seconds) {
    StartRecording();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    return StopRecording();
}

void JackRecorder::StartRecording() {
    written_.store(0, std::memory_order_relaxed);
    recording_.store(true, std::memory_order_release);
}

std::vector<float> JackRecorder::StopRecording() {
    recording_.store(false, std::memory_order_release);
    std::this_thread::sleep_for(std::chrono::milliseconds(50)); // let a running cycle finish
    const size_t n = written_.load(std::memory_order_acquire);
    return {buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(n)};
}

} // namespace vortane::testing
