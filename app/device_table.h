#pragma once

#include <string>
#include <vector>

namespace vortane {

class AudioBackend;

// One entry of the audio device list: the name shown and the library's device number behind it.
struct OutputDevice {
    std::string name;
    int number = 0;
};

// The output devices in the order the audio device list shows them, built once at start-up. The
// library's default output device comes first when it has output channels: on a desktop the first
// device in the library's own order is usually raw hardware that the sound server already holds.
// The other output-capable devices follow in the library's order. The table is never empty: with
// no output device it holds one entry with an empty name and device number 0.
std::vector<OutputDevice> BuildOutputDeviceTable(const AudioBackend& backend);

} // namespace vortane
