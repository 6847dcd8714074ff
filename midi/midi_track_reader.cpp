#include "midi/midi_track_reader.h"

namespace vortane {
namespace {

constexpr const char* kCutOff = "event cut off by the end of the track chunk";

std::string Hex(uint8_t byte) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    return {'0', 'x', kDigits[byte >> 4], kDigits[byte & 15]};
}

const char* MessageName(uint8_t status) {
    constexpr const char* kNames[] = {"note-off",       "note-on",          "poly pressure", "control change",
                                      "program change", "channel pressure", "pitch bend"};
    return kNames[(status >> 4) - 8];
}

} // namespace

std::string MidiFileAt(size_t offset, const std::string& what) {
    return "byte " + std::to_string(offset) + ": " + what;
}

std::string MidiFileAt(size_t track, size_t offset, const std::string& what) {
    return "track " + std::to_string(track) + ", " + MidiFileAt(offset, what);
}

// An event is a delta time (ticks since the track's previous event) and a message: a channel
// message, whose status may be left out to repeat the last one ("running status"); system
// exclusive, F0 or F7 and a length; or a meta event, FF, a type and a length.
bool MidiTrackReader::Next(MidiTrackEvent& event) {
    if (ended_ || pos_ == end_) {
        return false;
    }
    event = MidiTrackEvent{};
    event.offset = pos_;
    uint32_t delta = 0;
    if (!ReadNumber(delta)) {
        return false;
    }
    tick_ += delta;
    if (tick_ > kMaxMidiTicks) {
        return Fail(event.offset, kMidiBeyondLimit);
    }
    event.tick = tick_;
    if (pos_ == end_) {
        return Fail(pos_, kCutOff);
    }
    uint8_t status = file_[pos_];
    if (status < 0x80) {
        if (running_ == 0) {
            return Fail(pos_, "data byte " + Hex(status) + " with no running status before it");
        }
        status = running_;
    } else {
        ++pos_;
    }
    if (status < 0xF0) {
        return ReadChannelMessage(status, event);
    }
    if (status == 0xF0 || status == 0xF7) { // system exclusive, or an escaped packet
        uint32_t length = 0;
        return ReadNumber(length) && Skip(length);
    }
    if (status == 0xFF) {
        return ReadMetaEvent(event);
    }
    return Fail(pos_ - 1, "status " + Hex(status) + " has no place in a MIDI file");
}

bool MidiTrackReader::ReadChannelMessage(uint8_t status, MidiTrackEvent& event) {
    running_ = status;
    event.kind = MidiTrackEvent::Kind::Channel;
    event.size = (status & 0xE0) == 0xC0 ? 2 : 3; // program change and channel pressure: one data byte
    event.bytes[0] = status;
    for (size_t k = 1; k < event.size; ++k) {
        if (pos_ == end_) {
            return Fail(pos_, kCutOff);
        }
        const uint8_t byte = file_[pos_];
        if (byte >= 0x80) {
            return Fail(pos_, Hex(byte) + " inside a " + MessageName(status) +
                                  " message, where a data byte (below 0x80) belongs");
        }
        event.bytes[k] = byte;
        ++pos_;
    }
    return true;
}

// Only two meta events matter here: end of track (2F) and tempo (51, three bytes of microseconds
// per quarter note).
bool MidiTrackReader::ReadMetaEvent(MidiTrackEvent& event) {
    if (pos_ == end_) {
        return Fail(pos_, kCutOff);
    }
    const uint8_t type = file_[pos_++];
    uint32_t length = 0;
    if (!ReadNumber(length) || !Skip(length)) {
        return false;
    }
    ended_ = type == 0x2F;
    if (type == 0x51) {
        if (length != 3) {
            return Fail(event.offset, "tempo change of " + std::to_string(length) + " bytes, not 3");
        }
        event.kind = MidiTrackEvent::Kind::Tempo;
        event.tempo = BigEndian(file_, pos_ - 3, 3);
        if (event.tempo == 0) {
            return Fail(event.offset, "tempo of 0 microseconds per quarter note");
        }
    }
    return true;
}

// A variable-length quantity: seven bits a byte, most significant first, the top bit set on every
// byte but the last; at most four bytes.
bool MidiTrackReader::ReadNumber(uint32_t& value) {
    const size_t start = pos_;
    value = 0;
    for (int k = 0; k < 4; ++k) {
        if (pos_ == end_) {
            return Fail(pos_, kCutOff);
        }
        const uint8_t byte = file_[pos_++];
        value = value << 7 | (byte & 0x7F);
        if (byte < 0x80) {
            return true;
        }
    }
    return Fail(start, "variable-length number longer than four bytes");
}

bool MidiTrackReader::Skip(uint32_t length) {
    if (length > end_ - pos_) {
        return Fail(pos_,
                    "event of " + std::to_string(length) + " bytes runs past the end of the track chunk");
    }
    pos_ += length;
    return true;
}

bool MidiTrackReader::Fail(size_t offset, const std::string& what) {
    error_ = MidiFileAt(track_, offset, what);
    return false;
}

} // namespace vortane
