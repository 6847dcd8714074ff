#include "midi/controller_window.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

#include "midi/settings_store.h"

namespace vortane {
namespace {

constexpr int kWidth = 340;
constexpr int kHeight = 400;
constexpr int kRowStep = 30;
constexpr int kLabelX = 20;
constexpr int kLabelWidth = 260;
constexpr int kListX = 280;
constexpr int kListWidth = 40;
constexpr int kRowHeight = 20;

} // namespace

const QStringList& ControllerWindow::Entries() {
    static const QStringList entries = {"07", "10", "14", "15", "20", "21", "22", "23",
                                        "24", "25", "26", "27", "28", "29", "30", "31"};
    return entries;
}

ControllerWindow::ControllerWindow(SettingsStore& store, ControllerSlots& assigned, QWidget* parent)
    : QDialog(parent), store_(store), assigned_(assigned) {
    setWindowTitle("Vortane CC Midi Controllers");
    setWindowModality(Qt::ApplicationModal);
    setFixedSize(kWidth, kHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        AddRow(slot);
    }
}

QComboBox* ControllerWindow::List(int slot) const {
    return ControllerSlots::IsValidSlot(slot) ? lists_[static_cast<size_t>(slot - 1)] : nullptr;
}

void ControllerWindow::AddRow(int slot) {
    const int y = kRowStep * slot;
    auto* list = new QComboBox(this);
    list->setGeometry(kListX, y, kListWidth, kRowHeight);
    list->addItems(Entries());
    lists_[static_cast<size_t>(slot - 1)] = list;
    ShowStoredValue(slot);
    // A choice reaches the slot at once; the store is written only when the window closes.
    connect(list, &QComboBox::currentIndexChanged, this,
            [this, slot](int index) { assigned_.SetAssignment(slot, AssignmentAt(slot, index)); });

    auto* label = new QLabel(QString::fromUtf8(SlotLabel(slot).data(), SlotLabel(slot).size()), this);
    label->setGeometry(kLabelX, y, kLabelWidth, kRowHeight);
}

void ControllerWindow::ShowStoredValue(int slot) {
    QComboBox* list = List(slot);
    const size_t row = static_cast<size_t>(slot - 1);
    const std::string stored = store_.ReadKey(SlotKey(slot), kDefaultAssignment);
    const QString value = QString::fromStdString(stored);
    int index = value.isEmpty() ? -1 : list->findText(value, Qt::MatchFixedString);
    // A hand-written value that is none of the entries is kept as an extra entry of its own, so
    // opening and closing the window does not erase it.
    kept_index_[row] = -1;
    if (index < 0 && !value.isEmpty()) {
        list->addItem(value);
        index = list->count() - 1;
        kept_values_[row] = stored;
        kept_index_[row] = index;
    }
    list->setCurrentIndex(index);
}

std::string ControllerWindow::AssignmentAt(int slot, int index) const {
    const size_t row = static_cast<size_t>(slot - 1);
    if (index < 0) {
        return {};
    }
    if (index == kept_index_[row]) {
        return kept_values_[row];
    }
    return List(slot)->itemText(index).toStdString();
}

void ControllerWindow::WriteAssignments() {
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        store_.WriteKey(SlotKey(slot), AssignmentAt(slot, List(slot)->currentIndex()));
    }
}

void ControllerWindow::done(int result) {
    if (!written_) {
        written_ = true;
        WriteAssignments();
    }
    QDialog::done(result);
}

void ShowControllerWindow(SettingsStore& store, ControllerSlots& assigned, QWidget* parent) {
    ControllerWindow window(store, assigned, parent);
    window.exec();
}

} // namespace vortane
