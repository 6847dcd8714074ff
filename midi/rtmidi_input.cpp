#include "midi/rtmidi_input.h"

#include <iostream>
#include <rtmidi/RtMidi.h>
#include <thread>

#include "midi/midi_handler.h"

namespace vortane {
namespace {

// Beside the audio client "Vortane" in a JACK patchbay: "Vortane MIDI:in" and "Vortane:out_0".
constexpr const char* kClientName = "Vortane MIDI";
constexpr const char* kPortName = "in";
constexpr unsigned char kSysExStart = 0xF0;

// RtMidi prints its warnings to stderr unless someone takes them; the program shows none.
void IgnoreError(RtMidiError::Type, const std::string&, void*) {}

// RtMidi's constructor reports a missing sequencer or server on std::cerr before an error callback
// can be set; the status bar's "No MIDI IN" tells the user instead.
class QuietStdErr {
public:
    QuietStdErr() : saved_(std::cerr.rdbuf(nullptr)) {}
    ~QuietStdErr() { std::cerr.rdbuf(saved_); } // also clears the stream's error state
    QuietStdErr(const QuietStdErr&) = delete;
    QuietStdErr& operator=(const QuietStdErr&) = delete;

private:
    std::streambuf* saved_;
};

std::unique_ptr<RtMidiIn> Connect(RtMidi::Api api) {
    try {
        const QuietStdErr quiet;
        auto midi = std::make_unique<RtMidiIn>(api, kClientName);
        midi->setErrorCallback(&IgnoreError, nullptr);
        return midi;
    } catch (const RtMidiError&) {
        return nullptr;
    }
}

} // namespace

RtMidiInput::RtMidiInput(Backend backend) {
    if (backend == Backend::Automatic) {
        midi_ = Connect(RtMidi::UNSPECIFIED);
    }
    if (midi_ == nullptr) {
        midi_ = Connect(RtMidi::UNIX_JACK);
    }
}

RtMidiInput::~RtMidiInput() {
    Stop();
    Close();
}

bool RtMidiInput::IsJack() const {
    return midi_ != nullptr && midi_->getCurrentApi() == RtMidi::UNIX_JACK;
}

int RtMidiInput::DeviceCount() {
    return midi_ != nullptr ? static_cast<int>(midi_->getPortCount()) : 0;
}

std::optional<std::string> RtMidiInput::PortName(int device) {
    if (midi_ == nullptr || device < 0 || device >= DeviceCount()) {
        return std::nullopt;
    }
    std::string name = midi_->getPortName(static_cast<unsigned>(device));
    if (name.empty()) {
        return std::nullopt;
    }
    return name;
}

bool RtMidiInput::Open(int device, MidiReceiver& receiver) {
    if (midi_ == nullptr || midi_->isPortOpen() || device < 0 || device >= DeviceCount()) {
        return false;
    }
    receiver_ = &receiver;
    // Clock and active sensing arrive (they refresh the status text); system exclusive never does.
    midi_->ignoreTypes(true, false, false);
    midi_->setCallback(&RtMidiInput::Deliver, this);
    midi_->openPort(static_cast<unsigned>(device), kPortName);
    if (!midi_->isPortOpen()) {
        midi_->cancelCallback();
        receiver_ = nullptr;
        return false;
    }
    return true;
}

bool RtMidiInput::Start() {
    if (midi_ == nullptr || !midi_->isPortOpen() || receiver_ == nullptr) {
        return false;
    }
    started_.store(true);
    return true;
}

void RtMidiInput::Stop() {
    started_.store(false);
    // A callback that passed the started_ check before the store above is still running; wait for
    // it, so nothing reaches the receiver once Stop has returned.
    while (in_flight_.load() != 0) {
        std::this_thread::yield();
    }
}

void RtMidiInput::Close() {
    if (midi_ == nullptr || receiver_ == nullptr) {
        return;
    }
    Stop();
    midi_->cancelCallback();
    midi_->closePort();
    MidiReceiver* receiver = receiver_;
    receiver_ = nullptr;
    receiver->OnClose();
}

void RtMidiInput::Deliver(double, std::vector<unsigned char>* message, void* user_data) {
    auto* self = static_cast<RtMidiInput*>(user_data);
    if (message == nullptr || message->empty() || message->front() == kSysExStart) {
        return;
    }
    self->in_flight_.fetch_add(1);
    if (self->started_.load()) {
        self->receiver_->Receive(*message); // whole, with its length: the receiver judges it
    }
    self->in_flight_.fetch_sub(1);
}

} // namespace vortane
