#pragma once

#include <QStatusBar>
#include <array>

class QLabel;

namespace vortane {

// The status bar: three fields from its left edge, 100, 100 and 30 pixels wide, text centred in
// each. Field 0 shows the MIDI input state, field 1 the gate text; field 2 stays empty.
class StatusFields final : public QStatusBar {
public:
    static constexpr int kFieldCount = 3;
    static constexpr int kHeight = 20;

    explicit StatusFields(QWidget* parent);

    void SetText(int field, const QString& text);
    QString Text(int field) const;
    QLabel* Field(int field) const { return fields_[static_cast<size_t>(field)]; }

    // A line right of the fields for what the user must know beyond them (the audio output
    // stopped); an empty text shows nothing.
    void SetNotice(const QString& text);
    QString Notice() const;

private:
    std::array<QLabel*, kFieldCount> fields_{};
    QLabel* notice_ = nullptr;
};

} // namespace vortane
