#pragma once

#include <atomic>
#include <cstdint>

#include "base/realtime.h"

namespace vortane {

// The gate text of status field 1, which the MIDI thread writes; a small code, so that writing it
// never allocates.
enum class GateText : int { None = 0, Off = 1, On = 2 };
const char* ToText(GateText text); // "" for None

// Play and Stop, and the output gate that notes open and close: the voice's transport, apart from
// its parameters. The play state follows the Play/Stop button ("Stop" while it is 1); the gate
// silences the output while it is closed. Every value is its own atomic, so the window, the MIDI
// thread and a plugin's audio thread move it without waiting; what the voice must act on once
// (Stop, a restart) waits as an event bit until the audio thread takes it.
class Transport {
public:
    // The Play/Stop button, decided by the play state alone: Play opens the gate; Stop closes it,
    // starts the period walk's count again and raises the stop count, which makes MIDI forget the
    // keys it holds.
    void TogglePlay() noexcept VORTANE_NONBLOCKING;
    // A first key held: the gate opens as by Play.
    void OpenGateByNote() noexcept VORTANE_NONBLOCKING;
    // The last key released: the gate closes and its next opening runs the start reset again.
    void CloseGateForRestart() noexcept VORTANE_NONBLOCKING;
    // The MIDI port closing: the gate closes, nothing else.
    void CloseGate() noexcept VORTANE_NONBLOCKING;
    // As at start-up: gate closed, play state 0, no event waiting.
    void Reset() noexcept VORTANE_NONBLOCKING;

    bool playing() const { return play_state_.load(std::memory_order_relaxed) != 0; }
    bool gate_open() const noexcept VORTANE_NONBLOCKING { return gate_.load(std::memory_order_relaxed); }
    uint32_t stop_count() const { return stop_count_.load(std::memory_order_relaxed); }
    // "Play" or "Stop": the caption the button shows.
    const char* play_caption() const { return playing() ? "Stop" : "Play"; }

    GateText gate_text() const { return gate_text_.load(std::memory_order_relaxed); }
    void SetGateText(GateText text);

    // Counts every change; the window compares it with the last value it saw.
    uint32_t Revision() const { return revision_.load(std::memory_order_relaxed); }

    // Audio thread: the VoiceParams event bits posted since the last call.
    uint32_t TakeEvents() noexcept VORTANE_NONBLOCKING {
        return events_.exchange(0, std::memory_order_acquire);
    }

private:
    void Changed() noexcept VORTANE_NONBLOCKING { revision_.fetch_add(1, std::memory_order_relaxed); }

    std::atomic<int> play_state_{0};
    std::atomic<bool> gate_{false};
    std::atomic<uint32_t> stop_count_{0};
    std::atomic<GateText> gate_text_{GateText::None};
    std::atomic<uint32_t> events_{0};
    std::atomic<uint32_t> revision_{0};
};

} // namespace vortane
