#include "midi/controller_window.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>

#include "midi/settings_store.h"
#include "midi/windows_1252.h"

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

QString Latin(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

QString DecodeStoredText(std::string_view bytes, bool utf8) {
    if (utf8) {
        return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    }
    return QString::fromStdU16String(DecodeWindows1252(bytes));
}

const QStringList& ControllerWindow::Entries() {
    static const QStringList entries = {"07", "10", "14", "15", "20", "21", "22", "23",
                                        "24", "25", "26", "27", "28", "29", "30", "31"};
    return entries;
}

ControllerWindow::ControllerWindow(SettingsStore& store, ControllerSlots& assigned, QWidget* parent)
    : QDialog(parent), store_(store), assigned_(assigned) {
    setWindowTitle("Vortane CC Midi Controllers");
    setWindowModality(Qt::ApplicationModal);
    // The captions are set in the font of the window that opens this one, as the main window's are.
    if (parent != nullptr) {
        setFont(parent->font());
    }
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

    auto* label = new QLabel(Latin(SlotLabel(slot)), this);
    label->setGeometry(kLabelX, y, kLabelWidth, kRowHeight);
    label->setBuddy(list);
    list->setAccessibleName(label->text());
    labels_[static_cast<size_t>(slot - 1)] = label;
}

QLabel* ControllerWindow::Label(int slot) const {
    return ControllerSlots::IsValidSlot(slot) ? labels_[static_cast<size_t>(slot - 1)] : nullptr;
}

void ControllerWindow::ShowStoredValue(int slot) {
    QComboBox* list = List(slot);
    const size_t row = static_cast<size_t>(slot - 1);
    const std::string stored = store_.ReadKey(SlotKey(slot), kDefaultAssignment);
    const QString value = DecodeStoredText(stored, store_.Document().HasByteOrderMark());
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

// Escape is the main window's quit key: here it does nothing, and only the close box ends the window.
void ControllerWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event); // not QDialog's, which would end the window on Escape or Enter
}

void ControllerWindow::done(int result) {
    if (!written_) {
        written_ = true;
        WriteAssignments();
    }
    QDialog::done(result);
}

} // namespace vortane
