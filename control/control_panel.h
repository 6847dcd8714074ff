#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "control/control_ids.h"

namespace vortane {

// Texts that other threads than the GUI write: the Play/Stop button's caption and the gate text
// of status field 1. They are held as small codes so that writing them never allocates.
enum class PlayCaption : int { Play = 0, Stop = 1 };
enum class GateText : int { None = 0, Off = 1, On = 2 };

const char* ToText(PlayCaption caption);
const char* ToText(GateText text); // "" for None

// The control panel: the one source of truth for every control's integer state (slider position,
// 1/0 for a check box or option). Each state is its own atomic, so the GUI, audio and MIDI threads
// read and write without waiting for one another. Setting a state raises no control event; the
// GUI mirrors the panel by polling Revision(), which counts every change.
class ControlPanel {
public:
    ControlPanel() { Reset(); }

    // Every control back to its initial state, captions to "Play" and no gate text.
    void Reset();

    int GetState(int id) const {
        return IsValidId(id) ? states_[static_cast<size_t>(id)].load(std::memory_order_relaxed) : 0;
    }

    // Sliders are held within their range, as a track bar holds its position; an option set to 1
    // is selected (the others of its group are cleared).
    void SetState(int id, int state);

    // Selects an option and clears the other options of its group, as a click does.
    void SelectOption(int id);

    PlayCaption GetPlayCaption() const { return play_caption_.load(std::memory_order_relaxed); }
    void SetPlayCaption(PlayCaption caption);
    GateText GetGateText() const { return gate_text_.load(std::memory_order_relaxed); }
    void SetGateText(GateText text);

    // Counts every change made through this panel; the GUI compares it with the last value seen.
    uint32_t Revision() const { return revision_.load(std::memory_order_relaxed); }

    static bool IsValidId(int id) { return id >= 0 && id < id::kIdLimit; }

private:
    void Touch() { revision_.fetch_add(1, std::memory_order_relaxed); }

    std::array<std::atomic<int>, id::kIdLimit> states_{};
    std::atomic<PlayCaption> play_caption_{PlayCaption::Play};
    std::atomic<GateText> gate_text_{GateText::None};
    std::atomic<uint32_t> revision_{0};
};

} // namespace vortane
