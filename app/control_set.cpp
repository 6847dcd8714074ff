#include "app/control_set.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <algorithm>

#include "app/control_geometry.h"
#include "app/shell_style.h"
#include "app/waveform_view.h"
#include "control/control_panel.h"

namespace vortane {
namespace {

QString Caption(const ControlInfo& info) {
    return QString::fromUtf8(info.caption.data(), static_cast<qsizetype>(info.caption.size()));
}

QString Name(const ControlInfo& info) {
    return QString::fromUtf8(info.name.data(), static_cast<qsizetype>(info.name.size()));
}

// Frames and labels are drawn only: clicks go through them to the controls they overlap.
void MakeDecoration(QWidget* widget) {
    widget->setAttribute(Qt::WA_TransparentForMouseEvents);
    widget->setFocusPolicy(Qt::NoFocus);
}

} // namespace

ControlSet::ControlSet(ControlPanel& panel, QWidget* parent)
    : QObject(parent), panel_(panel), parent_(parent), compact_style_(new ShellStyle) {
    compact_style_->setParent(this);
}

QWidget* ControlSet::Create(const ControlInfo& info, int slider_maximum) {
    QWidget* widget = nullptr;
    switch (info.kind) {
    case ControlKind::Option:
        widget = CreateOption(info);
        break;
    case ControlKind::SliderH:
    case ControlKind::SliderV:
        widget = CreateSlider(info, slider_maximum);
        break;
    case ControlKind::Check: {
        auto* box = new QCheckBox(Caption(info), parent_);
        box->setStyle(compact_style_);
        box->setChecked(info.initial == 1);
        connect(box, &QCheckBox::toggled, this, [this, id = info.id](bool ticked) {
            panel_.SetState(id, ticked ? 1 : 0);
            emit controlEvent(id);
        });
        widget = box;
        break;
    }
    case ControlKind::Label: {
        auto* label = new QLabel(Caption(info), parent_);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop); // static text starts at the top left
        MakeDecoration(label);
        widget = label;
        break;
    }
    case ControlKind::Frame: {
        auto* frame = new QGroupBox(Caption(info), parent_);
        MakeDecoration(frame);
        widget = frame;
        break;
    }
    case ControlKind::Combo: {
        auto* combo = new QComboBox(parent_);
        combo->setEditable(false);
        connect(combo, &QComboBox::activated, this, [this, id = info.id]() { emit controlEvent(id); });
        widget = combo;
        break;
    }
    case ControlKind::Display:
        widget = new WaveformView(parent_);
        break;
    case ControlKind::Button: {
        auto* button = new QPushButton(Caption(info), parent_);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, id = info.id]() { emit controlEvent(id); });
        widget = button;
        break;
    }
    }
    previous_kind_ = info.kind;
    const ControlGeometry place = GeometryOf(info.id);
    widget->setGeometry(place.x, place.y, place.width, place.height);
    widget->setObjectName(QStringLiteral("control_%1").arg(info.id));
    // A control whose caption says what it is keeps no name of its own: it is read by its caption,
    // which then stays right when the caption changes (Play/Stop). The others are named after the
    // label beside them, or their row ("X1 On").
    if (info.name != info.caption) {
        widget->setAccessibleName(Name(info));
    }
    if (info.kind == ControlKind::Frame) {
        widget->lower(); // frames are drawn under the controls created before them
    }
    if (ControlPanel::IsValidId(info.id)) {
        widgets_[static_cast<size_t>(info.id)] = widget;
    }
    widget->show();
    return widget;
}

QWidget* ControlSet::CreateSlider(const ControlInfo& info, int maximum) {
    // A vertical track bar has its maximum at the top, as QSlider has by default.
    auto* slider = new QSlider(info.kind == ControlKind::SliderV ? Qt::Vertical : Qt::Horizontal, parent_);
    slider->setRange(info.minimum, maximum);
    slider->setValue(info.initial);
    slider->setPageStep(std::max(1, (maximum - info.minimum) / 10));
    connect(slider, &QSlider::valueChanged, this, [this, id = info.id](int value) {
        panel_.SetState(id, value);
        emit controlEvent(id);
    });
    return slider;
}

QWidget* ControlSet::CreateOption(const ControlInfo& info) {
    // An option opens a new group unless the control created just before it is an option too.
    if (previous_kind_ != ControlKind::Option || option_group_ == nullptr) {
        option_group_ = new QButtonGroup(this);
        option_group_->setExclusive(true);
    }
    auto* option = new QRadioButton(Caption(info), parent_);
    option->setStyle(compact_style_);
    option_group_->addButton(option, info.id);
    option->setChecked(info.initial == 1);
    connect(option, &QRadioButton::toggled, this, [this, id = info.id](bool selected) {
        if (selected) {
            panel_.SelectOption(id);
            emit controlEvent(id);
        }
    });
    return option;
}

QWidget* ControlSet::Widget(int id) const {
    return ControlPanel::IsValidId(id) ? widgets_[static_cast<size_t>(id)] : nullptr;
}

void ControlSet::MirrorPanel() {
    for (const ControlInfo& info : MainWindowControls()) {
        QWidget* widget = Widget(info.id);
        const int state = panel_.GetState(info.id);
        if (auto* slider = qobject_cast<QSlider*>(widget)) {
            const QSignalBlocker block(slider);
            slider->setValue(state);
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget); button && button->isCheckable()) {
            const QSignalBlocker block(button);
            button->setChecked(state == 1);
        }
    }
    if (auto* play = As<QPushButton>(id::kPlay)) {
        play->setText(QString::fromLatin1(ToText(panel_.GetPlayCaption())));
    }
}

} // namespace vortane
