// MIDI files: any bytes are either refused with one line, or read as a Standard MIDI File whose
// channel messages come in time order, each a channel status with its own number of data bytes,
// all within the file's length and the day a file may last.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "fuzz/require.h"
#include "midi/midi_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const vortane::MidiFileParse parsed = vortane::ParseMidiFile(std::span<const uint8_t>(data, size));
    if (!parsed.error.empty()) {
        Require(parsed.events.empty() && parsed.error.find('\n') == std::string::npos);
        return 0;
    }
    Require(size >= 14 && std::memcmp(data, "MThd", 4) == 0);
    Require(parsed.length_seconds >= 0.0 && parsed.length_seconds <= vortane::kMaxMidiFileSeconds);
    double previous = 0.0;
    for (const vortane::MidiFileEvent& event : parsed.events) {
        Require(event.seconds >= previous && event.seconds <= parsed.length_seconds);
        previous = event.seconds;
        const uint8_t status = event.bytes[0];
        Require(status >= 0x80 && status < 0xF0);
        Require(event.size == ((status & 0xE0) == 0xC0 ? 2 : 3));
        Require(event.bytes[1] < 0x80 && (event.size == 2 ? event.bytes[2] == 0 : event.bytes[2] < 0x80));
    }
    return 0;
}
