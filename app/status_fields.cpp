#include "app/status_fields.h"

#include <QLabel>

namespace vortane {
namespace {

constexpr std::array<int, StatusFields::kFieldCount> kFieldWidths = {100, 100, 30};
constexpr int kNoticeGap = 8;
constexpr int kNoticeWidth = 480;

// What each field is, for a screen reader; the field's name is the text it shows.
constexpr std::array<const char*, StatusFields::kFieldCount> kFieldDescriptions = {"MIDI input state", "Gate",
                                                                                   "Unused status field"};

} // namespace

StatusFields::StatusFields(QWidget* parent) : QStatusBar(parent) {
    setSizeGripEnabled(false);
    setFixedHeight(kHeight);
    // The fields are placed by hand: the bar's own layout would add margins and spacing.
    int left = 0;
    for (int i = 0; i < kFieldCount; ++i) {
        auto* label = new QLabel(this);
        label->setAlignment(Qt::AlignCenter);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setGeometry(left, 0, kFieldWidths[static_cast<size_t>(i)], kHeight);
        // No fixed accessible name: a label without one is read by its text, and every new text is
        // announced as a change of name.
        label->setAccessibleDescription(QString::fromLatin1(kFieldDescriptions[static_cast<size_t>(i)]));
        fields_[static_cast<size_t>(i)] = label;
        left += kFieldWidths[static_cast<size_t>(i)];
    }
    notice_ = new QLabel(this);
    notice_->setGeometry(left + kNoticeGap, 0, kNoticeWidth, kHeight);
    notice_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void StatusFields::SetNotice(const QString& text) {
    notice_->setText(text);
}

QString StatusFields::Notice() const {
    return notice_->text();
}

void StatusFields::SetText(int field, const QString& text) {
    // The third field never shows text.
    if (field >= 0 && field < kFieldCount - 1) {
        fields_[static_cast<size_t>(field)]->setText(text);
    }
}

QString StatusFields::Text(int field) const {
    return field >= 0 && field < kFieldCount ? fields_[static_cast<size_t>(field)]->text() : QString();
}

} // namespace vortane
