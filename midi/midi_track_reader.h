#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace vortane {

// The track chunks of a Standard MIDI File, read one event at a time, for midi_file.cpp.

// The shortest tick there can be is a microsecond per quarter note split into 32767 ticks, so any
// track past 2^52 ticks lies beyond kMaxMidiFileSeconds at every tempo. Stopping there early also
// keeps the tick count far from overflowing, whatever the tempo map turns out to be.
inline constexpr uint64_t kMaxMidiTicks = uint64_t{1} << 52;
inline constexpr const char* kMidiBeyondLimit = "delta times put this event beyond 24 hours";

// Where a fault lies, to begin its message: "byte 12: ..." or "track 2, byte 310: ...". Tracks
// count from 1, bytes from 0 at the start of the file.
std::string MidiFileAt(size_t offset, const std::string& what);
std::string MidiFileAt(size_t track, size_t offset, const std::string& what);

inline uint32_t BigEndian(std::span<const uint8_t> bytes, size_t at, int count) {
    uint32_t value = 0;
    for (int k = 0; k < count; ++k) {
        value = value << 8 | bytes[at + static_cast<size_t>(k)];
    }
    return value;
}

// One event of a track as the reader finds it: a channel message, a tempo change or anything else
// (system exclusive, other meta events), the last only for its time.
struct MidiTrackEvent {
    enum class Kind { Channel, Tempo, Other };
    Kind kind = Kind::Other;
    uint64_t tick = 0;
    size_t offset = 0; // of its delta time in the file
    std::array<uint8_t, 3> bytes{};
    uint8_t size = 0;
    uint32_t tempo = 0; // microseconds per quarter note
};

// The data of one track chunk: [begin, end) in the file.
struct MidiTrackSpan {
    size_t begin;
    size_t end;
};

// Reads the events of one track chunk in order and checks each as it goes. Every length is
// checked against the chunk's end before it is followed, so no read leaves the chunk.
class MidiTrackReader {
public:
    MidiTrackReader(std::span<const uint8_t> file, MidiTrackSpan span, size_t track)
        : file_(file), pos_(span.begin), end_(span.end), track_(track) {}

    // The next event: false at the end of the track, or at a fault, which error() then names.
    bool Next(MidiTrackEvent& event);
    const std::string& error() const { return error_; }

private:
    bool ReadChannelMessage(uint8_t status, MidiTrackEvent& event);
    bool ReadMetaEvent(MidiTrackEvent& event);
    bool ReadNumber(uint32_t& value);
    bool Skip(uint32_t length);
    bool Fail(size_t offset, const std::string& what);

    std::span<const uint8_t> file_;
    size_t pos_;
    size_t end_;
    size_t track_;
    uint64_t tick_ = 0;
    uint8_t running_ = 0; // the last channel status, 0 before the first
    bool ended_ = false;  // after the end-of-track event
    std::string error_;
};

} // namespace vortane
