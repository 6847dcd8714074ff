#include "app/audio_output.h"

#include <memory>
#include <thread>

#include "app/audio_backend.h"

namespace vortane {
namespace {

using Session = AudioOutput::Session;
using Stream = AudioOutput::Stream;

void RenderVoice(void* context, float* out, unsigned long frame_count) noexcept {
    static_cast<DeviceRateVoice*>(context)->Render(out, frame_count);
}

bool Alive(Stream s) {
    return s == Stream::Open || s == Stream::Running;
}

// Opens the stream at the voice's own rate, or where the device refuses that (a JACK server runs at
// its own rate only) at the device's rate with the voice resampled; the resampler is built here,
// before the stream exists. The library's error of the last attempt, 0 when one opened.
int OpenAtAnyRate(AudioBackend& backend, int device, DeviceRateVoice& voice, double& rate) {
    voice.Prepare(kSampleRate);
    int error = backend.OpenStream(device, kSampleRate, RenderVoice, &voice);
    const double own = backend.GetDeviceInfo(device).default_sample_rate;
    if (error != 0 && own > 0.0 && own != kSampleRate && voice.Prepare(own)) {
        error = backend.OpenStream(device, own, RenderVoice, &voice);
    }
    rate = error == 0 ? voice.rate() : 0.0;
    return error;
}

Stream OpenAndStart(AudioBackend& backend, int device, DeviceRateVoice& voice, double& rate) {
    if (OpenAtAnyRate(backend, device, voice, rate) != 0) {
        return Stream::None;
    }
    return backend.StartStream() == 0 ? Stream::Running : Stream::Open;
}

// A device switch. On a library that may still be terminated: abort, terminate (which closes the
// stream), initialise, open, start. On a pinned one the library stays as it is: a live stream is
// aborted and closed, a lost one left alone, and the new stream opened beside it.
Session SwitchSteps(AudioBackend& backend, Session s, int device, DeviceRateVoice& voice) {
    if (Alive(s.stream)) {
        backend.AbortStream();
    }
    s.pinned = s.pinned || backend.ServerLost();
    if (s.pinned) {
        if (Alive(s.stream)) {
            backend.CloseStream();
        }
    } else {
        if (s.initialised) {
            backend.Terminate();
        }
        s.initialised = backend.Initialize() == 0;
        s.stream = Stream::None;
        if (!s.initialised) {
            return s;
        }
    }
    s.stream = OpenAndStart(backend, device, voice, s.rate);
    return s;
}

// Shutdown: abort, wait until the stream is inactive, terminate; on a pinned library only the live
// stream is closed, and the process ends with the library as it is.
Session ShutdownSteps(AudioBackend& backend, Session s, int, DeviceRateVoice&) {
    if (Alive(s.stream)) {
        backend.AbortStream();
        while (backend.IsStreamActive() == 1) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    s.pinned = s.pinned || backend.ServerLost();
    if (s.pinned) {
        if (Alive(s.stream)) {
            backend.CloseStream();
            s.stream = Stream::None;
        }
    } else {
        if (s.initialised) {
            backend.Terminate();
        }
        s.initialised = false;
        s.stream = Stream::None;
    }
    return s;
}

} // namespace

int AudioOutput::Initialize() {
    const int error = backend_.Initialize();
    session_.initialised = error == 0;
    return error;
}

void AudioOutput::BuildDeviceTable() {
    devices_ = BuildOutputDeviceTable(backend_);
}

int AudioOutput::DeviceNumber(int entry) const {
    return entry >= 0 && static_cast<size_t>(entry) < devices_.size()
               ? devices_[static_cast<size_t>(entry)].number
               : devices_.front().number;
}

int AudioOutput::OpenStream(int entry) {
    const int error = OpenAtAnyRate(backend_, DeviceNumber(entry), voice_, session_.rate);
    session_.stream = error == 0 ? Stream::Open : Stream::None;
    return error;
}

void AudioOutput::StartStream() {
    if (session_.stream == Stream::Open && backend_.StartStream() == 0) {
        session_.stream = Stream::Running;
    }
}

bool AudioOutput::CheckStream() {
    if (busy_ || hung_ || shut_down_) {
        return false;
    }
    session_.pinned = session_.pinned || backend_.ServerLost();
    // The callback never ends the stream itself, so a running stream that is no longer active has
    // lost its device or server.
    if (session_.stream != Stream::Running || backend_.IsStreamActive() == 1) {
        return false;
    }
    session_.stream = Stream::Lost;
    session_.pinned = true;
    return true;
}

void AudioOutput::SwitchDevice(int entry) {
    if (hung_ || shut_down_) {
        return;
    }
    CheckStream(); // a stream lost a moment ago must not be aborted
    RunBounded(SwitchSteps, DeviceNumber(entry), {});
}

void AudioOutput::Shutdown(const std::function<void()>& pump_events) {
    if (shut_down_) {
        return;
    }
    CheckStream();
    shut_down_ = true;
    // A server that dies before or during the teardown would fail an assertion in it: the stream
    // and the library stay as they are, and the process ends.
    abandoned_ = backend_.TeardownMayAbort();
    if (!hung_ && !abandoned_) {
        RunBounded(ShutdownSteps, 0, pump_events);
    }
}

void AudioOutput::RunBounded(Session (*step)(AudioBackend&, Session, int, DeviceRateVoice&), int device,
                             const std::function<void()>& pump_events) {
    auto result = std::make_shared<Session>(session_);
    AudioBackend& backend = backend_;
    DeviceRateVoice& voice = voice_;
    busy_ = true;
    const bool in_time = call_.Run(
        [&backend, &voice, result, step, device] { *result = step(backend, *result, device, voice); },
        call_bound_, pump_events);
    busy_ = false;
    if (in_time) {
        session_ = *result;
    } else {
        hung_ = true;
        session_ = {}; // unknown: nothing is called again
    }
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
