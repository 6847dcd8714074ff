#include "app/device_table.h"

#include "app/audio_backend.h"

namespace vortane {

std::vector<OutputDevice> BuildOutputDeviceTable(const AudioBackend& backend) {
    std::vector<OutputDevice> table{{"", 0}};
    bool placeholder = true;
    auto append = [&](int device, std::string name) {
        if (placeholder) {
            table.front() = {std::move(name), device};
            placeholder = false;
        } else {
            table.push_back({std::move(name), device});
        }
    };

    const int count = backend.DeviceCount(); // negative on a library error: nothing is listed
    const int preferred = backend.DefaultOutputDevice();
    int listed_first = -1;
    if (preferred >= 0 && preferred < count) {
        AudioBackend::DeviceInfo info = backend.GetDeviceInfo(preferred);
        if (info.max_output_channels > 0) {
            append(preferred, std::move(info.name));
            listed_first = preferred;
        }
    }
    for (int device = 0; device < count; ++device) {
        if (device == listed_first) {
            continue;
        }
        AudioBackend::DeviceInfo info = backend.GetDeviceInfo(device);
        if (info.max_output_channels != 0) {
            append(device, std::move(info.name));
        }
    }
    return table;
}

} // namespace vortane
