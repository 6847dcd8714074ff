#pragma once

#include "app/audio_backend.h"

namespace vortane {

// The audio backend on PortAudio 19. The JACK client is named "Vortane", and the chatter that
// alsa-lib and libjack print on every initialisation is silenced; the program's own messages stay.
class PortAudioBackend final : public AudioBackend {
public:
    PortAudioBackend();

    int Initialize() override;
    void Terminate() override;
    std::string ErrorText(int error) const override;

    int DeviceCount() const override;
    DeviceInfo GetDeviceInfo(int device) const override;
    int DefaultOutputDevice() const override;

    int OpenStream(int device, RenderFunction render, void* context) override;
    int StartStream() override;
    int AbortStream() override;
    int IsStreamActive() override;

    // Called by the stream callback on the audio thread.
    void Forward(float* out, unsigned long frame_count) noexcept { render_(context_, out, frame_count); }

private:
    void* stream_ = nullptr; // PaStream*, closed by Pa_Terminate
    RenderFunction render_ = nullptr;
    void* context_ = nullptr;
};

} // namespace vortane
