#pragma once

#include <QObject>
#include <array>

#include "control/control_ids.h"
#include "control/control_table.h"

class QButtonGroup;
class QStyle;
class QWidget;

namespace vortane {

class ControlPanel;

// The main window's frames, labels and controls, one widget per row of the control table, all
// children of one parent and created in table order (which is also the tab order). Each widget
// mirrors its state in the control panel. A user's action writes the panel first and then raises
// controlEvent; values the program sets go in with the widget's signals blocked and raise nothing.
class ControlSet final : public QObject {
    Q_OBJECT
public:
    ControlSet(ControlPanel& panel, QWidget* parent);

    // Creates the widget of one row. A slider's range is the row's unless slider_maximum says
    // otherwise (the "X1" slider takes its maximum from the X1 Max value when it is created).
    QWidget* Create(const ControlInfo& info, int slider_maximum);

    QWidget* Widget(int id) const;
    template <typename T> T* As(int id) const { return qobject_cast<T*>(Widget(id)); }

    // Brings every widget to the panel's current state without raising events.
    void MirrorPanel();

signals:
    void controlEvent(int id);

private:
    QWidget* CreateSlider(const ControlInfo& info, int maximum);
    QWidget* CreateOption(const ControlInfo& info);

    ControlPanel& panel_;
    QWidget* parent_;
    std::array<QWidget*, id::kIdLimit> widgets_{};
    QStyle* compact_style_;                // option buttons and check boxes
    QButtonGroup* option_group_ = nullptr; // the group an option created next would join
    ControlKind previous_kind_ = ControlKind::Frame;
};

} // namespace vortane
