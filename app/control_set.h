#pragma once

#include <QObject>
#include <array>

#include "app/window_controls.h"

class QButtonGroup;
class QStyle;
class QWidget;

namespace vortane {

class ParamStore;
class Transport;

// The main window's frames, labels and controls, one widget per row of the window's table, all
// children of one parent and created in table order (which is also the tab order). Each widget
// shows a parameter (or the transport, for Play); a user's action raises controlEvent with the
// value the widget now shows and changes nothing else: the window decides what it does. Values the
// program sets go in with the widget's signals blocked and raise nothing.
class ControlSet final : public QObject {
    Q_OBJECT
public:
    ControlSet(const ParamStore& params, const Transport& transport, QWidget* parent);

    // Creates the widget of one row. A slider's range is its parameter's unless slider_maximum
    // says otherwise (the "X1" slider takes its maximum from the X1 Max value when it is created).
    QWidget* Create(const WindowControl& control, int slider_maximum);

    QWidget* Widget(int id) const;
    template <typename T> T* As(int id) const { return qobject_cast<T*>(Widget(id)); }

    // Brings every widget to the parameters' and the transport's current state without events.
    void Mirror();

signals:
    // A slider's new position, 0 or 1 for a check box, the option's index for an option that was
    // selected; 0 for the others.
    void controlEvent(int id, int value);

private:
    QWidget* CreateSlider(const WindowControl& control, int maximum);
    QWidget* CreateOption(const WindowControl& control);

    const ParamStore& params_;
    const Transport& transport_;
    QWidget* parent_;
    std::array<QWidget*, id::kIdLimit> widgets_{};
    QStyle* compact_style_;                // option buttons and check boxes
    QButtonGroup* option_group_ = nullptr; // the group an option created next would join
    ControlKind previous_kind_ = ControlKind::Frame;
};

} // namespace vortane
