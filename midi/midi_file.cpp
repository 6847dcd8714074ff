#include "midi/midi_file.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <tuple>

#include "base/files.h"
#include "midi/midi_track_reader.h"

namespace vortane {
namespace {

MidiFileParse Refused(std::string error) {
    MidiFileParse result;
    result.error = std::move(error);
    return result;
}

// The time of every tick: piecewise linear, one piece per tempo. A piece that starts at tick t0 and
// second s0 gives
//     s(t) = s0 + (t - t0) * N / M,
// where N / M is the length of a tick: T / (10^6 * D) for a tempo of T microseconds per quarter note
// and D ticks per quarter note; 1 / (F * D) for F frames per second and D ticks per frame, 1001 /
// (30000 * D) at 29.97 frames. M stays the same for the file, N is the tempo.
class TempoMap {
public:
    TempoMap(double numerator, double denominator) : denominator_(denominator) {
        pieces_.push_back({0, 0.0, numerator});
    }

    // Changes in time order; of two at the same tick the later holds.
    void Change(uint64_t tick, double numerator) {
        if (tick == pieces_.back().tick) {
            pieces_.back().numerator = numerator;
        } else {
            pieces_.push_back({tick, Seconds(tick), numerator});
        }
    }

    double Seconds(uint64_t tick) const {
        const auto after = std::upper_bound(pieces_.begin(), pieces_.end(), tick,
                                            [](uint64_t t, const Piece& piece) { return t < piece.tick; });
        const Piece& piece = *(after - 1);
        // Multiplied before divided: whole numbers stay exact, so one rounding at most.
        return piece.seconds + static_cast<double>(tick - piece.tick) * piece.numerator / denominator_;
    }

private:
    struct Piece {
        uint64_t tick;
        double seconds;
        double numerator;
    };
    std::vector<Piece> pieces_;
    double denominator_;
};

// The header chunk: "MThd", its length, then format, number of tracks and division, 16 bits each.
struct Header {
    size_t end = 0; // the first byte after the header chunk
    uint32_t track_count = 0;
    bool smpte = false;
    double tick_numerator = 0.0; // the length of a tick as N / M, as in TempoMap
    double tick_denominator = 0.0;
};

std::string ReadHeader(std::span<const uint8_t> bytes, Header& header) {
    const size_t size = bytes.size();
    if (size < 4 || std::memcmp(bytes.data(), "MThd", 4) != 0) {
        return "not a Standard MIDI File: it does not begin with \"MThd\"";
    }
    if (size < 8) {
        return MidiFileAt(0, "header chunk cut off after " + std::to_string(size) + " bytes");
    }
    const uint32_t length = BigEndian(bytes, 4, 4);
    if (length < 6) {
        return MidiFileAt(4, "header length " + std::to_string(length) + ", where it takes at least 6");
    }
    if (length > size - 8) {
        return MidiFileAt(0, "header chunk of " + std::to_string(length) +
                                 " bytes runs past the end of the file");
    }
    header.end = 8 + size_t{length};
    const uint32_t format = BigEndian(bytes, 8, 2);
    header.track_count = BigEndian(bytes, 10, 2);
    const uint32_t division = BigEndian(bytes, 12, 2);
    if (format == 2) {
        return MidiFileAt(8, "format 2 (independent sequences) is not supported, only formats 0 and 1");
    }
    if (format > 2) {
        return MidiFileAt(8, "unknown format " + std::to_string(format));
    }
    if (header.track_count == 0) {
        return MidiFileAt(10, "the header announces no tracks");
    }
    if (format == 0 && header.track_count != 1) {
        return MidiFileAt(10, "format 0 announces " + std::to_string(header.track_count) +
                                  " tracks, where it holds one");
    }
    // Ticks per quarter note, or (top bit set) minus the frames per second and ticks per frame.
    header.smpte = (division & 0x8000) != 0;
    if (!header.smpte) {
        if (division == 0) {
            return MidiFileAt(12, "division of 0 ticks per quarter note");
        }
        header.tick_numerator = 500'000.0; // 120 bpm until a tempo change
        header.tick_denominator = 1e6 * division;
        return {};
    }
    const int fps = -static_cast<int8_t>(division >> 8);
    const uint32_t ticks_per_frame = division & 0xFF;
    if ((fps != 24 && fps != 25 && fps != 29 && fps != 30) || ticks_per_frame == 0) {
        return MidiFileAt(12, "SMPTE division of " + std::to_string(fps) + " frames per second and " +
                                  std::to_string(ticks_per_frame) + " ticks per frame");
    }
    header.tick_numerator = fps == 29 ? 1001.0 : 1.0;
    header.tick_denominator =
        fps == 29 ? 30'000.0 * ticks_per_frame : static_cast<double>(fps * ticks_per_frame);
    return {};
}

// The chunks after the header: track chunks, and any others, which are skipped.
std::string FindTracks(std::span<const uint8_t> bytes, const Header& header,
                       std::vector<MidiTrackSpan>& tracks) {
    const size_t size = bytes.size();
    const std::string announced = std::to_string(header.track_count);
    for (size_t pos = header.end; pos < size;) {
        if (size - pos < 8) {
            return MidiFileAt(pos, "chunk cut off after " + std::to_string(size - pos) + " bytes");
        }
        const bool is_track = std::memcmp(bytes.data() + pos, "MTrk", 4) == 0;
        const uint32_t length = BigEndian(bytes, pos + 4, 4);
        if (is_track && tracks.size() == header.track_count) {
            return MidiFileAt(tracks.size() + 1, pos,
                              "more tracks than the " + announced + " the header announces");
        }
        if (length > size - pos - 8) {
            const std::string what =
                "chunk of " + std::to_string(length) + " bytes runs past the end of the file";
            return is_track ? MidiFileAt(tracks.size() + 1, pos, what) : MidiFileAt(pos, what);
        }
        if (is_track) {
            tracks.push_back({pos + 8, pos + 8 + length});
        }
        pos += 8 + size_t{length};
    }
    if (tracks.size() < header.track_count) {
        return MidiFileAt(size, "the file ends after " + std::to_string(tracks.size()) + " of the " +
                                    announced + " tracks the header announces");
    }
    return {};
}

// Calls visit(track, event) for every event of every track in file order; the first fault of the
// file or of visit (a non-empty string) ends the walk and is returned.
template <typename Visit>
std::string WalkTracks(std::span<const uint8_t> file, const std::vector<MidiTrackSpan>& tracks,
                       Visit&& visit) {
    for (size_t k = 0; k < tracks.size(); ++k) {
        MidiTrackReader reader(file, tracks[k], k + 1);
        MidiTrackEvent event;
        while (reader.Next(event)) {
            if (std::string error = visit(k + 1, event); !error.empty()) {
                return error;
            }
        }
        if (!reader.error().empty()) {
            return reader.error();
        }
    }
    return {};
}

} // namespace

MidiFileParse ParseMidiFile(std::span<const uint8_t> bytes) {
    Header header;
    std::vector<MidiTrackSpan> tracks;
    if (std::string error = ReadHeader(bytes, header); !error.empty()) {
        return Refused(error);
    }
    if (std::string error = FindTracks(bytes, header, tracks); !error.empty()) {
        return Refused(error);
    }

    // First every event is checked and the tempo changes of all tracks gathered into one map...
    struct TempoChange {
        uint64_t tick;
        size_t order; // in the file, which decides between two at the same tick
        uint32_t tempo;
    };
    std::vector<TempoChange> changes;
    size_t stored = 0;
    std::string error = WalkTracks(bytes, tracks, [&](size_t track, const MidiTrackEvent& event) {
        if (event.kind != MidiTrackEvent::Kind::Other && ++stored > kMaxMidiFileEvents) {
            return MidiFileAt(track, event.offset,
                              "more than " + std::to_string(kMaxMidiFileEvents) +
                                  " channel messages and tempo changes");
        }
        if (event.kind == MidiTrackEvent::Kind::Tempo) {
            changes.push_back({event.tick, changes.size(), event.tempo});
        }
        return std::string();
    });
    if (!error.empty()) {
        return Refused(error);
    }
    TempoMap tempo_map(header.tick_numerator, header.tick_denominator);
    if (!header.smpte) {
        std::sort(changes.begin(), changes.end(), [](const TempoChange& a, const TempoChange& b) {
            return std::tie(a.tick, a.order) < std::tie(b.tick, b.order);
        });
        for (const TempoChange& change : changes) {
            tempo_map.Change(change.tick, change.tempo);
        }
    }

    // ...then the channel messages are timed by it, track after track, and merged: each track is in
    // time order already, and of two messages at the same time the earlier in the file comes first.
    std::vector<MidiFileEvent> timed;
    timed.reserve(stored - changes.size());
    double length_seconds = 0.0;
    error = WalkTracks(bytes, tracks, [&](size_t track, const MidiTrackEvent& event) {
        const double seconds = tempo_map.Seconds(event.tick);
        if (seconds > kMaxMidiFileSeconds) {
            return MidiFileAt(track, event.offset, kMidiBeyondLimit);
        }
        length_seconds = std::max(length_seconds, seconds);
        if (event.kind == MidiTrackEvent::Kind::Channel) {
            timed.push_back({seconds, event.bytes, event.size});
        }
        return std::string();
    });
    if (!error.empty()) {
        return Refused(error);
    }
    MidiFileParse result;
    result.length_seconds = length_seconds;
    const auto earlier = [](const MidiFileEvent& a, const MidiFileEvent& b) { return a.seconds < b.seconds; };
    if (std::is_sorted(timed.begin(), timed.end(), earlier)) { // one track, or tracks one after another
        result.events = std::move(timed);
        return result;
    }
    std::vector<uint32_t> order(timed.size());
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [&timed](uint32_t a, uint32_t b) {
        return std::tie(timed[a].seconds, a) < std::tie(timed[b].seconds, b);
    });
    result.events.reserve(timed.size());
    for (const uint32_t k : order) {
        result.events.push_back(timed[k]);
    }
    return result;
}

MidiFileParse LoadMidiFile(const std::filesystem::path& path) {
    std::string bytes, error;
    if (!ReadSmallFile(path.string(), kMaxMidiFileBytes, "a MIDI file", bytes, error)) {
        return Refused(error);
    }
    return ParseMidiFile(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

} // namespace vortane
