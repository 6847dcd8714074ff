#pragma once

#include <set>
#include <string>
#include <vector>

#include "app/audio_backend.h"
#include "app/message_sink.h"

namespace vortane::testing {

// An audio library that records every call and counts the calls that a real library would refuse
// or crash on: stream calls without an open stream, termination while not initialised.
class FakeAudioBackend final : public AudioBackend {
public:
    static constexpr int kInvalidDevice = -9996;
    static constexpr int kInvalidChannelCount = -9998;
    static constexpr int kNotInitialized = -10000;

    std::vector<DeviceInfo> devices;
    int default_device = -1;
    int device_count_override = 0; // used when negative: a library error
    int initialize_error = 0;
    std::set<int> failing_devices;
    int active_polls = 0; // IsStreamActive reports 1 this many times after an abort

    std::vector<std::string> calls;
    int misuse = 0;
    bool initialised = false;
    bool stream_open = false;
    bool running = false;

    int Initialize() override {
        calls.push_back("Initialize");
        initialised = initialize_error == 0;
        return initialize_error;
    }
    void Terminate() override {
        calls.push_back("Terminate");
        misuse += initialised ? 0 : 1;
        initialised = stream_open = running = false;
    }
    std::string ErrorText(int error) const override {
        switch (error) {
        case kInvalidDevice:
            return "Invalid device";
        case kInvalidChannelCount:
            return "Invalid number of channels";
        default:
            return "Error " + std::to_string(error);
        }
    }
    int DeviceCount() const override {
        return device_count_override < 0 ? device_count_override : static_cast<int>(devices.size());
    }
    DeviceInfo GetDeviceInfo(int device) const override { return devices.at(static_cast<size_t>(device)); }
    int DefaultOutputDevice() const override { return default_device; }

    int OpenStream(int device, RenderFunction render_function, void* render_context) override {
        calls.push_back("Open " + std::to_string(device));
        if (!initialised) {
            ++misuse;
            return kNotInitialized;
        }
        if (device < 0 || device >= static_cast<int>(devices.size()) || failing_devices.count(device) > 0) {
            return kInvalidDevice;
        }
        if (devices[static_cast<size_t>(device)].max_output_channels < 1) {
            return kInvalidChannelCount;
        }
        render = render_function;
        context = render_context;
        stream_open = true;
        return 0;
    }
    int StartStream() override {
        calls.push_back("Start");
        misuse += stream_open ? 0 : 1;
        running = stream_open;
        return stream_open ? 0 : -1;
    }
    int AbortStream() override {
        calls.push_back("Abort");
        misuse += stream_open ? 0 : 1;
        running = false;
        return 0;
    }
    int IsStreamActive() override {
        calls.push_back("IsActive");
        misuse += stream_open ? 0 : 1;
        if (active_polls > 0) {
            --active_polls;
            return 1;
        }
        return running ? 1 : 0;
    }

    // Pulls frames through the stream callback, as the audio thread would.
    std::vector<float> Pull(unsigned long frames) {
        std::vector<float> out(frames, -1.0f);
        if (running && render != nullptr) {
            render(context, out.data(), frames);
        }
        return out;
    }

    RenderFunction render = nullptr;
    void* context = nullptr;
};

// Records the messages that would be shown in a message box.
class RecordingMessageSink final : public MessageSink {
public:
    void ShowMessage(const std::string& title, const std::string& text) override {
        messages.push_back({title, text});
    }
    std::vector<std::pair<std::string, std::string>> messages;
};

} // namespace vortane::testing
