#pragma once

#include <array>
#include <atomic>
#include <string>
#include <string_view>

namespace vortane {

class SettingsStore;

inline constexpr int kSlotCount = 12;
inline constexpr std::string_view kDefaultAssignment = "14";

// The twelve controller slots: for each, the assignment text the user chose and the controller
// number its match key answers. The GUI thread sets assignments (settings read at start-up, the
// controller window); the MIDI thread only asks which controller a slot answers. That answer is one
// atomic int per slot, so a replaced key is seen whole, old or new, never a mix, and the MIDI thread
// never waits.
class ControllerSlots {
public:
    ControllerSlots();

    // Slots are numbered 1..12; other numbers are ignored. GUI thread only.
    void SetAssignment(int slot, std::string_view text);
    const std::string& Assignment(int slot) const;

    // The controller number (0..127) that slot answers, or -1. Any thread.
    int AnsweredController(int slot) const;

    static bool IsValidSlot(int slot) { return slot >= 1 && slot <= kSlotCount; }

private:
    std::array<std::string, kSlotCount> assignments_;
    std::array<std::atomic<int>, kSlotCount> controllers_{};
};

// "Item1" .. "Item12": the settings key of a slot.
std::string SlotKey(int slot);

// The slot's caption in the controller window.
std::string_view SlotLabel(int slot);

// Sets every slot from the settings store; an absent key gives "14".
void LoadSlots(const SettingsStore& store, ControllerSlots& assigned);

} // namespace vortane
