#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace vortane {

// A Standard MIDI File reduced to what a synthesizer plays: its channel messages, each at its time
// in seconds from the start.
//
// Formats 0 and 1 are read; format 2 (independent sequences) is refused. Tempo changes of every
// track form one tempo map (120 bpm until the first); a SMPTE division (24, 25, 29.97 or 30 frames
// per second) counts real time and ignores tempo. System exclusive and meta events are skipped by
// their lengths, and so are chunks of unknown type and the rest of a header longer than six bytes
// (the format leaves room for both). Running status is kept across system exclusive and meta
// events: the format cancels it there, but some writers rely on it and a data byte after them has
// no other reading. A track may end without its end-of-track event; bytes after that are ignored.
//
// Anything else out of place refuses the whole file with one line that says what is wrong and
// where: "track 2, byte 310: data byte 0x3C with no running status before it" (tracks count from 1,
// bytes from 0 at the start of the file). No event may lie more than kMaxMidiFileSeconds from the
// start and no file may hold more than kMaxMidiFileEvents channel messages and tempo changes, so
// neither time nor memory grows without bound.

inline constexpr double kMaxMidiFileSeconds = 24.0 * 60.0 * 60.0;
inline constexpr std::size_t kMaxMidiFileEvents = 4'000'000;
// A long piece is a few hundred KiB; 8 MiB already holds kMaxMidiFileEvents messages.
inline constexpr std::size_t kMaxMidiFileBytes = std::size_t{8} << 20;

// One channel message of the file, at its time from the start of the file.
struct MidiFileEvent {
    double seconds;               // tempo map applied
    std::array<uint8_t, 3> bytes; // status with channel, data bytes (the third 0 when size is 2)
    uint8_t size;                 // 2 or 3
};

struct MidiFileParse {
    // Every channel message of every track, in time order (ties: file order).
    std::vector<MidiFileEvent> events;
    double length_seconds = 0.0; // the time of the last event of any track (end of track included)
    std::string error;           // one line naming what is wrong, "" when the file was read
};

MidiFileParse ParseMidiFile(std::span<const uint8_t> bytes);

// Reads and parses a file; refuses what is not a regular file, larger than kMaxMidiFileBytes or
// unreadable. Messages leave out the path ("is a folder, not a MIDI file"): the caller names it.
MidiFileParse LoadMidiFile(const std::filesystem::path& path);

} // namespace vortane
