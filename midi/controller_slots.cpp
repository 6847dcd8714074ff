#include "midi/controller_slots.h"

#include "midi/midi_keys.h"
#include "midi/settings_store.h"

namespace vortane {
namespace {

constexpr std::array<std::string_view, kSlotCount> kLabels = {
    "Frequency Setting",
    "Secondary Barrier",
    "Filter Frq",
    "X1 Primary Step Size",
    "Frequency Primary Step Size",
    "Frequency Probability Distribution - Cauchy/Logistic/...",
    "X1 Negative",
    "X2 Negative",
    "Y1 Negative",
    "Y2 Negative",
    "Frequency Barriers Walk - PriW/PriR/PriC",
    "Frequency Barriers - SMirror/SRandom/SCentred/...",
};

size_t Index(int slot) {
    return static_cast<size_t>(slot - 1);
}

} // namespace

ControllerSlots::ControllerSlots() {
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        SetAssignment(slot, kDefaultAssignment);
    }
}

void ControllerSlots::SetAssignment(int slot, std::string_view text) {
    if (!IsValidSlot(slot)) {
        return;
    }
    assignments_[Index(slot)] = std::string(text);
    controllers_[Index(slot)].store(vortane::AnsweredController(text), std::memory_order_relaxed);
}

const std::string& ControllerSlots::Assignment(int slot) const {
    static const std::string kNone;
    return IsValidSlot(slot) ? assignments_[Index(slot)] : kNone;
}

int ControllerSlots::AnsweredController(int slot) const {
    return IsValidSlot(slot) ? controllers_[Index(slot)].load(std::memory_order_relaxed) : -1;
}

std::string SlotKey(int slot) {
    return "Item" + std::to_string(slot);
}

std::string_view SlotLabel(int slot) {
    return ControllerSlots::IsValidSlot(slot) ? kLabels[Index(slot)] : std::string_view{};
}

void LoadSlots(const SettingsStore& store, ControllerSlots& assigned) {
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        assigned.SetAssignment(slot, store.ReadKey(SlotKey(slot), kDefaultAssignment));
    }
}

} // namespace vortane
