#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <unistd.h>

#include "midi/midi_file.h"

namespace vortane {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes Chunk(std::string_view type, const Bytes& data) {
    const size_t n = data.size();
    return Bytes(type.begin(), type.end()) +
           Bytes{uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)} + data;
}

Bytes Header(int format, int tracks, int division) {
    return Chunk("MThd", {0, uint8_t(format), 0, uint8_t(tracks), uint8_t(division >> 8), uint8_t(division)});
}

Bytes Track(const Bytes& events) {
    return Chunk("MTrk", events);
}

const Bytes kEnd = {0x00, 0xFF, 0x2F, 0x00};

// One note and 4,000,000 program changes in running status, one more than a file may hold.
Bytes TooManyEvents() {
    Bytes events = {0x00, 0xC0, 0x05};
    events.resize(3 + 2 * 4'000'000, 0x00);
    return Header(0, 1, 96) + Track(events);
}

// Damaged files in general are the fuzzer's (fuzz/midi_file_fuzz.cpp); here the faults a user meets
// most (another format, a bad length, a cut chunk, a lost running status, a huge delta time) with
// the messages they read, and the limit on events, which no fuzzed file reaches.
TEST(MidiFileTest, DamagedFilesAreRefusedWithWhatAndWhere) {
    const struct {
        const char* name;
        Bytes file;
        std::string error;
    } kCases[] = {
        {"RIFF", Chunk("RIFF", {}), "not a Standard MIDI File: it does not begin with \"MThd\""},
        {"header length", Chunk("MThd", {0, 0, 0, 1, 0}) + Track(kEnd),
         "byte 4: header length 5, where it takes at least 6"},
        {"format 2", Header(2, 1, 96) + Track(kEnd),
         "byte 8: format 2 (independent sequences) is not supported, only formats 0 and 1"},
        {"chunk past end", Header(0, 1, 96) + Bytes{'M', 'T', 'r', 'k', 0, 0, 0, 4, 0x00, 0xFF, 0x2F},
         "track 1, byte 14: chunk of 4 bytes runs past the end of the file"},
        {"no running status", Header(0, 1, 96) + Track(Bytes{0x00, 60, 100} + kEnd),
         "track 1, byte 23: data byte 0x3C with no running status before it"},
        {"beyond a day",
         Header(0, 1, 96) + Track(Bytes{0x00, 0x90, 60, 1, 0xFF, 0xFF, 0xFF, 0x7F, 60, 0} + kEnd),
         "track 1, byte 26: delta times put this event beyond 24 hours"},
        {"too many", TooManyEvents(),
         "track 1, byte 8000023: more than 4000000 channel messages and tempo changes"},
    };
    for (const auto& c : kCases) {
        const MidiFileParse parsed = ParseMidiFile(c.file);
        EXPECT_EQ(parsed.error, c.error) << c.name;
        EXPECT_TRUE(parsed.events.empty()) << c.name;
    }
}

// The events as "seconds:status data...", the seconds exact, then the length.
std::string Describe(const MidiFileParse& parsed) {
    std::string out;
    char text[64];
    for (const MidiFileEvent& e : parsed.events) {
        std::snprintf(text, sizeof text, "%.17g:%02X %d", e.seconds, e.bytes[0], e.bytes[1]);
        out += text + (e.size == 3 ? " " + std::to_string(e.bytes[2]) : "") + ", ";
    }
    std::snprintf(text, sizeof text, "end %.17g", parsed.length_seconds);
    return parsed.error + out + text;
}

TEST(MidiFileTest, GoodFilesGiveEveryChannelMessageAtItsTime) {
    const struct {
        Bytes file;
        std::string events;
    } kCases[] = {
        // 96 ticks a quarter at 120 bpm, then at 240 from the middle (tick 96); running status on
        // across a tempo change and a system exclusive message; every kind of channel message.
        {Header(0, 1, 96) +
             Track({0x00, 0x90, 60,   100,  0x60, 60,   0,    0x00, 0xFF, 0x51, 0x03, 0x03, 0xD0, 0x90, 0x00,
                    0xF0, 0x02, 0x7E, 0xF7, 0x00, 62,   90,   0x60, 0xB0, 64,   127,  0x00, 0xC3, 5,    0x30,
                    0xE0, 0x00, 0x40, 0x00, 0xD0, 0x33, 0x00, 0xAF, 60,   10,   0x60, 0xFF, 0x2F, 0x00}),
         "0:90 60 100, 0.5:90 60 0, 0.5:90 62 90, 0.75:B0 64 127, 0.75:C3 5, 0.875:E0 0 64, 0.875:D0 51, "
         "0.875:AF 60 10, end 1.125"},
        // 480 ticks a quarter; the third track halves the tempo at tick 480 for all of them; an
        // unknown chunk between tracks; a tie at tick 960 keeps the file's order.
        {Header(1, 3, 480) + Track(Bytes{0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20} + kEnd) +
             Track(Bytes{0x00, 0x90, 60, 100, 0x87, 0x40, 0x80, 60, 0} + kEnd) + Chunk("XFIH", {1, 2, 3}) +
             Track({0x83, 0x60, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40, 0x00, 0x91, 64,
                    80,   0x83, 0x60, 0x81, 64,   0,    0x83, 0x60, 0xFF, 0x2F, 0x00}),
         "0:90 60 100, 0.5:91 64 80, 1.5:80 60 0, 1.5:81 64 0, end 2.5"},
        // 25 frames of 40 ticks a second: real time, whatever the tempo; no end-of-track event.
        {Header(0, 1, 0xE728) + Track({0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40, 0x83, 0x74, 0x90, 60, 1}),
         "0.5:90 60 1, end 0.5"},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(Describe(ParseMidiFile(c.file)), c.events);
    }
}

TEST(MidiFileTest, LoadsRegularFilesOnly) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("vortane-midi-file-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const Bytes song = Header(0, 1, 96) + Track(Bytes{0x00, 0x90, 60, 100} + kEnd);
    std::ofstream(dir / "song.mid", std::ios::binary)
        .write(reinterpret_cast<const char*>(song.data()), song.size());
    EXPECT_EQ(LoadMidiFile(dir / "song.mid").events.size(), 1u);
    fs::resize_file(dir / "song.mid", kMaxMidiFileBytes + 1);
    EXPECT_EQ(LoadMidiFile(dir / "song.mid").error, "is larger than 8 MiB");
    EXPECT_EQ(LoadMidiFile(dir).error, "is a folder, not a MIDI file");
    EXPECT_EQ(LoadMidiFile(dir / "none.mid").error, "cannot be read: No such file or directory");
    EXPECT_EQ(LoadMidiFile("/dev/null").error, "is not a regular file");
    fs::remove_all(dir);
}

} // namespace
} // namespace vortane
