#include "app/audio_output.h"

#include "app/audio_backend.h"
#include "control/synth.h"

namespace vortane {
namespace {

void RenderSynth(void* context, float* out, unsigned long frame_count) noexcept {
    static_cast<Synth*>(context)->Render(out, frame_count);
}

} // namespace

int AudioOutput::Initialize() {
    const int error = backend_.Initialize();
    initialised_ = error == 0;
    return error;
}

void AudioOutput::BuildDeviceTable() {
    devices_ = BuildOutputDeviceTable(backend_);
}

int AudioOutput::OpenStream(int entry) {
    const int device = entry >= 0 && static_cast<size_t>(entry) < devices_.size()
                           ? devices_[static_cast<size_t>(entry)].number
                           : devices_.front().number;
    const int error = backend_.OpenStream(device, RenderSynth, &synth_);
    stream_open_ = error == 0;
    stream_running_ = false;
    return error;
}

void AudioOutput::StartStream() {
    if (stream_open_) {
        stream_running_ = backend_.StartStream() == 0;
    }
}

void AudioOutput::SwitchDevice(int entry) {
    if (stream_open_) {
        backend_.AbortStream();
    }
    if (initialised_) {
        backend_.Terminate(); // closes the stream too
    }
    initialised_ = false;
    stream_open_ = false;
    stream_running_ = false;
    if (Initialize() != 0) {
        return;
    }
    if (OpenStream(entry) == 0) {
        StartStream();
    }
}

void AudioOutput::Shutdown(const std::function<void()>& pump_events) {
    if (stream_open_) {
        backend_.AbortStream();
        while (backend_.IsStreamActive() == 1) {
            if (pump_events) {
                pump_events();
            }
        }
    }
    if (initialised_) {
        backend_.Terminate();
    }
    initialised_ = false;
    stream_open_ = false;
    stream_running_ = false;
}

std::string AudioOutput::ErrorText(int error) const {
    return backend_.ErrorText(error);
}

std::vector<std::string> AudioOutput::DeviceNames() const {
    std::vector<std::string> names;
    names.reserve(devices_.size());
    for (const OutputDevice& d : devices_) {
        names.push_back(d.name);
    }
    return names;
}

} // namespace vortane
