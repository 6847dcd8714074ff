#pragma once

#include <bitset>
#include <cstdint>

namespace vortane {

// Notes on MIDI channel 1 open and close the one voice, as the MIDI handler does: the first held
// key opens the gate, releasing the last one closes it (and arms the start reset for the next
// note). A host sends a key's note-on twice when two clips overlap, so the held notes are kept as a
// set of keys rather than a count; a note-on with velocity 0 is a note-off. The pitch does not
// follow the key.
class NoteGate {
public:
    enum class Change { None, Open, Close };

    void Reset() { held_.reset(); }

    // One MIDI message; anything but notes on channel 1 and the channel-mode "all notes off" and
    // "all sound off" on channel 1 leaves the gate alone.
    Change Message(const uint8_t* data, uint32_t size) {
        if (size < 3 || data[1] > 127 || data[2] > 127) {
            return Change::None;
        }
        const uint8_t status = data[0];
        if (status == kNoteOn && data[2] != 0) {
            const bool was_open = held_.any();
            held_.set(data[1]);
            return was_open ? Change::None : Change::Open;
        }
        if (status == kNoteOff || status == kNoteOn) {
            return Release(data[1]);
        }
        if (status == kControlChange && (data[1] == kAllSoundOff || data[1] == kAllNotesOff)) {
            return ReleaseAll();
        }
        return Change::None;
    }

    Change ReleaseAll() {
        const bool was_open = held_.any();
        held_.reset();
        return was_open ? Change::Close : Change::None;
    }

    bool IsOpen() const { return held_.any(); }

private:
    Change Release(uint8_t key) {
        if (!held_.test(key)) {
            return Change::None; // a release of a key that is not held: nothing to close
        }
        held_.reset(key);
        return held_.any() ? Change::None : Change::Close;
    }

    static constexpr uint8_t kNoteOff = 0x80;
    static constexpr uint8_t kNoteOn = 0x90;
    static constexpr uint8_t kControlChange = 0xB0;
    static constexpr uint8_t kAllSoundOff = 120;
    static constexpr uint8_t kAllNotesOff = 123;

    std::bitset<128> held_;
};

} // namespace vortane
