#include "app/portaudio_backend.h"

#include <alsa/asoundlib.h>
#include <jack/jack.h>
#include <pa_jack.h>
#include <portaudio.h>

namespace vortane {
namespace {

constexpr double kSuggestedLatency = 0.075;
constexpr const char* kClientName = "Vortane";
constexpr const char* kWatchClientName = "Vortane watch";

void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}
void IgnoreJackMessage(const char*) {}

// alsa-lib reports every unusable PCM of its configuration and libjack every server it cannot
// reach; none of it concerns the user, so both go quiet before the library probes its devices.
void SilenceLibraryChatter() {
    snd_lib_error_set_handler(IgnoreAlsaError);
    jack_set_error_function(IgnoreJackMessage);
    jack_set_info_function(IgnoreJackMessage);
}

int StreamCallback(const void*, void* output, unsigned long frame_count, const PaStreamCallbackTimeInfo*,
                   PaStreamCallbackFlags, void* user_data) {
    static_cast<PortAudioBackend*>(user_data)->Forward(static_cast<float*>(output), frame_count);
    return paContinue;
}

} // namespace

PortAudioBackend::PortAudioBackend() {
    SilenceLibraryChatter();
}

PortAudioBackend::~PortAudioBackend() {
    StopWatching();
}

int PortAudioBackend::Initialize() {
    SilenceLibraryChatter();
    PaJack_SetClientName(kClientName);
    const PaError error = Pa_Initialize();
    if (error == paNoError) {
        WatchJackServer();
    }
    return error;
}

void PortAudioBackend::Terminate() {
    Pa_Terminate();
    stream_ = nullptr;
    on_jack_ = false;
    StopWatching();
}

// Called on libjack's own thread when the server shuts down or its connection breaks.
void PortAudioBackend::OnServerShutdown(void* self) {
    static_cast<PortAudioBackend*>(self)->server_lost_.store(true, std::memory_order_relaxed);
}

void PortAudioBackend::WatchJackServer() {
    StopWatching();
    server_lost_.store(false, std::memory_order_relaxed);
    on_jack_ = Pa_HostApiTypeIdToHostApiIndex(paJACK) >= 0;
    if (!on_jack_) {
        return; // PortAudio found no JACK server: nothing to lose
    }
    jack_client_t* client = jack_client_open(kWatchClientName, JackNoStartServer, nullptr);
    if (client == nullptr) {
        return;
    }
    // No ports and no activation: the shutdown notice needs neither.
    jack_on_shutdown(client, &PortAudioBackend::OnServerShutdown, this);
    watch_ = client;
}

// A client whose server is gone is only forgotten: closing it would talk to the dead server.
void PortAudioBackend::StopWatching() {
    if (watch_ != nullptr && !ServerLost()) {
        jack_client_close(static_cast<jack_client_t*>(watch_));
    }
    watch_ = nullptr;
}

std::string PortAudioBackend::ErrorText(int error) const {
    const char* text = Pa_GetErrorText(error);
    return text != nullptr ? text : "";
}

int PortAudioBackend::DeviceCount() const {
    return Pa_GetDeviceCount();
}

AudioBackend::DeviceInfo PortAudioBackend::GetDeviceInfo(int device) const {
    const PaDeviceInfo* info = Pa_GetDeviceInfo(device);
    if (info == nullptr) {
        return {};
    }
    return {info->name != nullptr ? info->name : "", info->maxOutputChannels, info->defaultSampleRate};
}

int PortAudioBackend::DefaultOutputDevice() const {
    return Pa_GetDefaultOutputDevice();
}

int PortAudioBackend::OpenStream(int device, double rate, RenderFunction render, void* context) {
    render_ = render;
    context_ = context;
    PaStreamParameters output{};
    output.device = device;
    output.channelCount = 1;
    output.sampleFormat = paFloat32;
    output.suggestedLatency = kSuggestedLatency;
    output.hostApiSpecificStreamInfo = nullptr;
    PaStream* stream = nullptr;
    const PaError error = Pa_OpenStream(&stream, nullptr, &output, rate, paFramesPerBufferUnspecified,
                                        paNoFlag, StreamCallback, this);
    stream_ = error == paNoError ? stream : nullptr;
    return error;
}

// A stream that failed to open or was closed by Terminate is never handed to the library.
int PortAudioBackend::StartStream() {
    return stream_ != nullptr ? Pa_StartStream(stream_) : paBadStreamPtr;
}

int PortAudioBackend::AbortStream() {
    return stream_ != nullptr ? Pa_AbortStream(stream_) : paBadStreamPtr;
}

int PortAudioBackend::CloseStream() {
    void* stream = stream_;
    stream_ = nullptr;
    return stream != nullptr ? Pa_CloseStream(stream) : paBadStreamPtr;
}

int PortAudioBackend::IsStreamActive() {
    return stream_ != nullptr ? Pa_IsStreamActive(stream_) : paBadStreamPtr;
}

} // namespace vortane
