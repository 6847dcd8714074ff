#pragma once

#include <atomic>

#include "app/audio_backend.h"

namespace vortane {

// The audio backend on PortAudio 19. The JACK client is named "Vortane", and the chatter that
// alsa-lib and libjack print on every initialisation is silenced; the program's own messages stay.
//
// PortAudio does not say when its JACK client loses the server, and terminating it afterwards
// fails an assertion in its JACK code. So while PortAudio is initialised with JACK, a second JACK
// client without ports, "Vortane watch", listens for the server's shutdown: both clients talk to
// the same server and lose it together.
class PortAudioBackend final : public AudioBackend {
public:
    PortAudioBackend();
    ~PortAudioBackend() override;
    PortAudioBackend(const PortAudioBackend&) = delete;
    PortAudioBackend& operator=(const PortAudioBackend&) = delete;

    int Initialize() override;
    void Terminate() override;
    std::string ErrorText(int error) const override;

    int DeviceCount() const override;
    DeviceInfo GetDeviceInfo(int device) const override;
    int DefaultOutputDevice() const override;

    int OpenStream(int device, double rate, RenderFunction render, void* context) override;
    int StartStream() override;
    int AbortStream() override;
    int CloseStream() override;
    int IsStreamActive() override;
    bool ServerLost() const override { return server_lost_.load(std::memory_order_relaxed); }
    bool TeardownMayAbort() const override { return on_jack_; }

    // Called by the stream callback on the audio thread.
    void Forward(float* out, unsigned long frame_count) noexcept { render_(context_, out, frame_count); }

private:
    static void OnServerShutdown(void* self);
    void WatchJackServer();
    void StopWatching();

    void* stream_ = nullptr; // PaStream*, closed by Pa_Terminate
    void* watch_ = nullptr;  // jack_client_t* of the watch client, while PortAudio runs on JACK
    std::atomic<bool> server_lost_{false};
    bool on_jack_ = false; // PortAudio runs its JACK host API, which holds a client of the server
    RenderFunction render_ = nullptr;
    void* context_ = nullptr;
};

} // namespace vortane
