#pragma once

#include <QDialog>
#include <array>
#include <string>

#include "midi/controller_slots.h"

class QComboBox;

namespace vortane {

class SettingsStore;

// The controller assignment window, "Vortane CC Midi Controllers": one row per controller slot
// with its caption and a list of the controller numbers it can answer. A choice acts on the next
// MIDI message at once; closing the window writes all twelve assignments to the settings store.
// It is application-modal, so the main window takes no input while it is open.
class ControllerWindow : public QDialog {
    Q_OBJECT

public:
    ControllerWindow(SettingsStore& store, ControllerSlots& assigned, QWidget* parent = nullptr);

    QComboBox* List(int slot) const;

    // The controller numbers every list offers, in order.
    static const QStringList& Entries();

    void done(int result) override;

private:
    void AddRow(int slot);
    void ShowStoredValue(int slot);
    void WriteAssignments();
    std::string AssignmentAt(int slot, int index) const;

    SettingsStore& store_;
    ControllerSlots& assigned_;
    std::array<QComboBox*, kSlotCount> lists_{};
    // a stored value that is none of the entries, kept byte for byte, and its entry's index
    std::array<std::string, kSlotCount> kept_values_;
    std::array<int, kSlotCount> kept_index_{};
    bool written_ = false;
};

// Opens the window and returns once it has been closed.
void ShowControllerWindow(SettingsStore& store, ControllerSlots& assigned, QWidget* parent = nullptr);

} // namespace vortane
