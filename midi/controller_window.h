#pragma once

#include <QDialog>
#include <array>
#include <string>
#include <string_view>

#include "midi/controller_slots.h"

class QComboBox;
class QLabel;

namespace vortane {

class SettingsStore;

// The controller assignment window, "Vortane CC Midi Controllers": one row per controller slot
// with its caption and a list of the controller numbers it can answer. A choice acts on the next
// MIDI message at once; closing the window writes all twelve assignments to the settings store.
// It is application-modal, so the main window takes no input while it is open, and only its close
// box ends it. The texts of the settings file are shown as Windows-1252 (UTF-8 when the file starts
// with a byte-order mark); a value that is none of the entries is written back byte for byte.
class ControllerWindow : public QDialog {
    Q_OBJECT

public:
    ControllerWindow(SettingsStore& store, ControllerSlots& assigned, QWidget* parent = nullptr);

    QComboBox* List(int slot) const;
    QLabel* Label(int slot) const;

    // The controller numbers every list offers, in order.
    static const QStringList& Entries();

    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void AddRow(int slot);
    void ShowStoredValue(int slot);
    void WriteAssignments();
    std::string AssignmentAt(int slot, int index) const;

    SettingsStore& store_;
    ControllerSlots& assigned_;
    std::array<QComboBox*, kSlotCount> lists_{};
    std::array<QLabel*, kSlotCount> labels_{};
    // a stored value that is none of the entries, kept byte for byte, and its entry's index
    std::array<std::string, kSlotCount> kept_values_;
    std::array<int, kSlotCount> kept_index_{};
    bool written_ = false;
};

// A settings text as the user reads it: UTF-8 when the file had a byte-order mark, else Windows-1252.
QString DecodeStoredText(std::string_view bytes, bool utf8);

} // namespace vortane
