#include "midi/midi_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <numeric>
#include <sys/stat.h>
#include <system_error>
#include <tuple>
#include <unistd.h>

#include "midi/midi_track_reader.h"

namespace vortane {
namespace {

MidiFileParse Refused(std::string error) {
    MidiFileParse result;
    result.error = std::move(error);
    return result;
}

// The time of every tick: piecewise linear, one piece per tempo. A piece that starts at tick t0,
// second s0, with T microseconds per quarter note and D ticks per quarter note gives
//     s(t) = s0 + (t - t0) * T / (10^6 * D).
// A SMPTE division is one piece for the whole file: D = frames per second * ticks per frame, and
// T = 10^6 (1001/1000 of that for 29.97 frames per second).
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
    // The header chunk: "MThd", its length, then format, number of tracks and division, 16 bits each.
    const size_t size = bytes.size();
    if (size < 4 || std::memcmp(bytes.data(), "MThd", 4) != 0) {
        return Refused("not a Standard MIDI File: it does not begin with \"MThd\"");
    }
    if (size < 8) {
        return Refused(MidiFileAt(0, "header chunk cut off after " + std::to_string(size) + " bytes"));
    }
    const uint32_t header_length = BigEndian(bytes, 4, 4);
    if (header_length < 6) {
        return Refused(
            MidiFileAt(4, "header length " + std::to_string(header_length) + ", where it takes 6"));
    }
    if (header_length > size - 8) {
        return Refused(MidiFileAt(0, "header chunk of " + std::to_string(header_length) +
                                         " bytes runs past the end of the file"));
    }
    const uint32_t format = BigEndian(bytes, 8, 2);
    const uint32_t track_count = BigEndian(bytes, 10, 2);
    const uint32_t division = BigEndian(bytes, 12, 2);
    if (format == 2) {
        return Refused(
            MidiFileAt(8, "format 2 (independent sequences) is not supported, only formats 0 and 1"));
    }
    if (format > 2) {
        return Refused(MidiFileAt(8, "unknown format " + std::to_string(format)));
    }
    if (track_count == 0) {
        return Refused(MidiFileAt(10, "the header announces no tracks"));
    }
    if (format == 0 && track_count != 1) {
        return Refused(MidiFileAt(10, "format 0 announces " + std::to_string(track_count) +
                                          " tracks, where it holds one"));
    }
    // Ticks per quarter note, or (top bit set) minus the frames per second and ticks per frame.
    TempoMap tempo_map(500'000.0, 1e6 * division); // 120 bpm until a tempo change
    const bool smpte = (division & 0x8000) != 0;
    if (smpte) {
        const int fps = -static_cast<int8_t>(division >> 8);
        const uint32_t ticks_per_frame = division & 0xFF;
        if ((fps != 24 && fps != 25 && fps != 29 && fps != 30) || ticks_per_frame == 0) {
            return Refused(MidiFileAt(12, "SMPTE division of " + std::to_string(fps) +
                                              " frames per second and " + std::to_string(ticks_per_frame) +
                                              " ticks per frame"));
        }
        tempo_map = fps == 29 ? TempoMap(1001.0, 30'000.0 * ticks_per_frame)
                              : TempoMap(1.0, static_cast<double>(fps * ticks_per_frame));
    } else if (division == 0) {
        return Refused(MidiFileAt(12, "division of 0 ticks per quarter note"));
    }

    // The chunks after it: track chunks, and any others, which are skipped.
    std::vector<MidiTrackSpan> tracks;
    for (size_t pos = 8 + header_length; pos < size;) {
        if (size - pos < 8) {
            return Refused(MidiFileAt(pos, "chunk cut off after " + std::to_string(size - pos) + " bytes"));
        }
        const bool is_track = std::memcmp(bytes.data() + pos, "MTrk", 4) == 0;
        const uint32_t length = BigEndian(bytes, pos + 4, 4);
        if (is_track && tracks.size() == track_count) {
            return Refused(
                MidiFileAt(tracks.size() + 1, pos,
                           "more tracks than the " + std::to_string(track_count) + " the header announces"));
        }
        if (length > size - pos - 8) {
            const std::string what =
                "chunk of " + std::to_string(length) + " bytes runs past the end of the file";
            return Refused(is_track ? MidiFileAt(tracks.size() + 1, pos, what) : MidiFileAt(pos, what));
        }
        if (is_track) {
            tracks.push_back({pos + 8, pos + 8 + length});
        }
        pos += 8 + size_t{length};
    }
    if (tracks.size() < track_count) {
        return Refused(MidiFileAt(size, "the file ends after " + std::to_string(tracks.size()) + " of the " +
                                            std::to_string(track_count) + " tracks the header announces"));
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
    if (!smpte) {
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
    std::vector<uint32_t> order(timed.size());
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [&timed](uint32_t a, uint32_t b) {
        return std::tie(timed[a].seconds, a) < std::tie(timed[b].seconds, b);
    });
    MidiFileParse result;
    result.length_seconds = length_seconds;
    result.events.reserve(timed.size());
    for (const uint32_t k : order) {
        result.events.push_back(timed[k]);
    }
    return result;
}

MidiFileParse LoadMidiFile(const std::filesystem::path& path) {
    // Opened without blocking, so that a FIFO at the path cannot hang the open; fstat refuses it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return Refused("cannot be read: " + std::generic_category().message(errno));
    }
    const std::string too_large = "is larger than " + std::to_string(kMaxMidiFileBytes >> 20) + " MiB";
    struct stat st {};
    std::string error;
    std::vector<uint8_t> bytes;
    if (fstat(fd, &st) != 0) {
        error = "cannot be read: " + std::generic_category().message(errno);
    } else if (S_ISDIR(st.st_mode)) {
        error = "is a folder, not a MIDI file";
    } else if (!S_ISREG(st.st_mode)) {
        error = "is not a regular file";
    } else if (static_cast<uintmax_t>(st.st_size) > kMaxMidiFileBytes) {
        error = too_large;
    } else {
        // To the end, however the file changed since fstat, but never past the limit.
        bytes.reserve(static_cast<size_t>(st.st_size));
        uint8_t buffer[16384];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n == 0) {
                break;
            }
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                error = "cannot be read: " + std::generic_category().message(errno);
                break;
            }
            if (bytes.size() + static_cast<size_t>(n) > kMaxMidiFileBytes) {
                error = too_large;
                break;
            }
            bytes.insert(bytes.end(), buffer, buffer + n);
        }
    }
    ::close(fd);
    return error.empty() ? ParseMidiFile(bytes) : Refused(error);
}

} // namespace vortane
