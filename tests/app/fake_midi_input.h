#pragma once

#include <set>
#include <string>
#include <thread>
#include <vector>

#include "midi/midi_handler.h"
#include "midi/midi_input.h"

namespace vortane::testing {

// A MIDI service with a fixed list of ports that records every call and delivers the messages a
// test sends on a thread of its own, as a real service does.
class FakeMidiInput final : public MidiInput {
public:
    std::vector<std::string> ports;
    std::set<int> unreadable_ports; // PortName fails
    std::set<int> failing_ports;    // Open fails

    std::vector<std::string> calls;
    int open_port = -1;

    int DeviceCount() override { return static_cast<int>(ports.size()); }
    std::optional<std::string> PortName(int device) override {
        if (device < 0 || device >= DeviceCount() || unreadable_ports.count(device) > 0) {
            return std::nullopt;
        }
        return ports[static_cast<size_t>(device)];
    }
    bool Open(int device, MidiReceiver& receiver) override {
        calls.push_back("Open " + std::to_string(device));
        if (open_port >= 0 || device < 0 || device >= DeviceCount() || failing_ports.count(device) > 0) {
            return false;
        }
        open_port = device;
        receiver_ = &receiver;
        return true;
    }
    bool Start() override {
        calls.push_back("Start");
        started_ = receiver_ != nullptr;
        return started_;
    }
    void Stop() override {
        calls.push_back("Stop");
        started_ = false;
    }
    void Close() override {
        calls.push_back("Close");
        if (receiver_ != nullptr) {
            MidiReceiver* receiver = receiver_;
            receiver_ = nullptr;
            open_port = -1;
            receiver->Receive(MIM_CLOSE, 0);
        }
    }

    // Delivers one short message from another thread and waits until it has been handled. False
    // when no port is started, so nothing was delivered.
    bool Send(uint8_t status, uint8_t data1, uint8_t data2) {
        if (!started_) {
            return false;
        }
        MidiReceiver* receiver = receiver_;
        std::thread([=] { receiver->Receive(MIM_DATA, PackShortMessage(status, data1, data2)); }).join();
        return true;
    }

private:
    MidiReceiver* receiver_ = nullptr;
    bool started_ = false;
};

} // namespace vortane::testing
