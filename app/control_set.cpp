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

#include "app/shell_style.h"
#include "app/waveform_view.h"
#include "control/param_store.h"
#include "control/transport.h"

namespace vortane {
namespace {

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool IsValidId(int id) {
    return id >= 0 && id < id::kIdLimit;
}

// Frames and labels are drawn only: clicks go through them to the controls they overlap.
void MakeDecoration(QWidget* widget) {
    widget->setAttribute(Qt::WA_TransparentForMouseEvents);
    widget->setFocusPolicy(Qt::NoFocus);
}

} // namespace

ControlSet::ControlSet(const ParamStore& params, const Transport& transport, QWidget* parent)
    : QObject(parent), params_(params), transport_(transport), parent_(parent),
      compact_style_(new ShellStyle) {
    compact_style_->setParent(this);
}

QWidget* ControlSet::Create(const WindowControl& info, int slider_maximum) {
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
        auto* box = new QCheckBox(Text(info.caption), parent_);
        box->setStyle(compact_style_);
        box->setChecked(params_.Get(info.param) == 1.0f);
        connect(box, &QCheckBox::toggled, this,
                [this, id = info.id](bool ticked) { emit controlEvent(id, ticked ? 1 : 0); });
        widget = box;
        break;
    }
    case ControlKind::Label: {
        auto* label = new QLabel(Text(info.caption), parent_);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop); // static text starts at the top left
        MakeDecoration(label);
        widget = label;
        break;
    }
    case ControlKind::Frame: {
        auto* frame = new QGroupBox(Text(info.caption), parent_);
        MakeDecoration(frame);
        widget = frame;
        break;
    }
    case ControlKind::Combo: {
        auto* combo = new QComboBox(parent_);
        combo->setEditable(false);
        connect(combo, &QComboBox::activated, this, [this, id = info.id]() { emit controlEvent(id, 0); });
        widget = combo;
        break;
    }
    case ControlKind::Display:
        widget = new WaveformView(parent_);
        break;
    case ControlKind::Button: {
        auto* button = new QPushButton(Text(info.caption), parent_);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, id = info.id]() { emit controlEvent(id, 0); });
        widget = button;
        break;
    }
    }
    previous_kind_ = info.kind;
    widget->setGeometry(info.x, info.y, info.width, info.height);
    widget->setObjectName(QStringLiteral("control_%1").arg(info.id));
    // A control whose caption says what it is keeps no name of its own: it is read by its caption,
    // which then stays right when the caption changes (Play/Stop). The others are named after the
    // label beside them, or their row ("X1 On").
    if (info.name != info.caption) {
        widget->setAccessibleName(Text(info.name));
    }
    if (info.kind == ControlKind::Frame) {
        widget->lower(); // frames are drawn under the controls created before them
    }
    if (IsValidId(info.id)) {
        widgets_[static_cast<size_t>(info.id)] = widget;
    }
    widget->show();
    return widget;
}

QWidget* ControlSet::CreateSlider(const WindowControl& info, int maximum) {
    // A vertical track bar has its maximum at the top, as QSlider has by default.
    const ParamSpec& spec = Spec(info.param);
    auto* slider = new QSlider(info.kind == ControlKind::SliderV ? Qt::Vertical : Qt::Horizontal, parent_);
    slider->setRange(spec.minimum, maximum);
    slider->setValue(params_.Whole(info.param));
    slider->setPageStep(std::max(1, (maximum - spec.minimum) / 10));
    connect(slider, &QSlider::valueChanged, this,
            [this, id = info.id](int value) { emit controlEvent(id, value); });
    return slider;
}

QWidget* ControlSet::CreateOption(const WindowControl& info) {
    // An option opens a new group unless the control created just before it is an option too.
    if (previous_kind_ != ControlKind::Option || option_group_ == nullptr) {
        option_group_ = new QButtonGroup(this);
        option_group_->setExclusive(true);
    }
    auto* option = new QRadioButton(Text(info.caption), parent_);
    option->setStyle(compact_style_);
    option_group_->addButton(option, info.id);
    option->setChecked(params_.Whole(info.param) == info.option);
    connect(option, &QRadioButton::toggled, this, [this, id = info.id, index = info.option](bool selected) {
        if (selected) {
            emit controlEvent(id, index);
        }
    });
    return option;
}

QWidget* ControlSet::Widget(int id) const {
    return IsValidId(id) ? widgets_[static_cast<size_t>(id)] : nullptr;
}

void ControlSet::Mirror() {
    for (const WindowControl& info : MainWindowControls()) {
        const std::optional<ParamId> param = info.Param();
        QWidget* widget = Widget(info.id);
        if (!param || widget == nullptr) {
            continue;
        }
        const QSignalBlocker block(widget);
        if (auto* slider = qobject_cast<QSlider*>(widget)) {
            slider->setValue(params_.Whole(*param));
        } else if (info.kind == ControlKind::Option) {
            static_cast<QAbstractButton*>(widget)->setChecked(params_.Whole(*param) == info.option);
        } else if (auto* box = qobject_cast<QAbstractButton*>(widget)) {
            box->setChecked(params_.Get(*param) == 1.0f);
        }
    }
    if (auto* play = As<QPushButton>(id::kPlay)) {
        play->setText(QString::fromLatin1(transport_.play_caption()));
    }
}

} // namespace vortane
