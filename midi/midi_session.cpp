#include "midi/midi_session.h"

#include "midi/midi_input.h"

namespace vortane {

void MidiSession::LoadSettings(const std::string& path) {
    store_.Open(path);
    LoadSlots(store_, slots_);
}

int MidiSession::FillDeviceList(std::vector<std::string>& names) {
    const int count = input_.DeviceCount();
    for (int device = 0; device < count; ++device) {
        if (auto name = input_.PortName(device)) {
            names.push_back(std::move(*name));
        }
    }
    // The list index serves as the device number from here on.
    device_number_ = count != 0 ? 0 : -1;
    return count;
}

bool MidiSession::OpenAtStartup() {
    return OpenAndStart();
}

bool MidiSession::SwitchDevice(int index) {
    input_.Stop();
    input_.Close();
    device_number_ = index;
    return OpenAndStart();
}

void MidiSession::Shutdown() {
    if (shut_down_) {
        return;
    }
    shut_down_ = true;
    input_.Stop();
    input_.Close();
    midi_in_ = false;
}

bool MidiSession::OpenAndStart() {
    midi_in_ = !shut_down_ && input_.Open(device_number_, handler_) && input_.Start();
    return midi_in_;
}

} // namespace vortane
