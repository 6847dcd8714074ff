#include "app/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLayout>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QTimer>
#include <cmath>

#include "app/about_box.h"
#include "app/control_set.h"
#include "app/help_window.h"
#include "app/preset_menu.h"
#include "app/shell_style.h"
#include "app/status_fields.h"
#include "app/waveform_view.h"
#include "app/window_controls.h"
#include "control/synth.h"
#include "presets/preset_folders.h"

namespace vortane {
namespace {

constexpr int kPanelPollMs = 20;
constexpr int kComboListHeight = 350;

bool ModalWindowOpen() {
    return QApplication::activeModalWidget() != nullptr;
}

} // namespace

MainWindow::MainWindow(Synth& synth, const std::vector<std::string>& audio_devices, ShellHooks hooks)
    : QMainWindow(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                               Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      synth_(synth), hooks_(std::move(hooks)) {
    setWindowTitle(QStringLiteral("Vortane"));
    setFont(ShellFont());

    client_ = new QWidget(this);
    client_->setFixedSize(kClientWidth, kClientHeight - StatusFields::kHeight);
    setCentralWidget(client_);

    BuildMenu();
    BuildControls(audio_devices);
    status_ = new StatusFields(this);
    setStatusBar(status_);
    FitCaptionFont(*this);
    BindEscape();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    full_size_ = sizeHint();
    // The frame is not known before the window is shown; PlaceOnScreen runs again once it is.
    PlaceOnScreen(QMargins());

    seen_revision_ = Revision();
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, &MainWindow::FollowPanel);
    poll->start(kPanelPollMs);
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildMenu() {
    PresetMenu::Hooks preset_hooks;
    preset_hooks.applied = [this] {
        RedrawDisplay();
        FollowPanel();
    };
    preset_hooks.show_message = hooks_.show_message;
    presets_ =
        new PresetMenu(synth_, FactoryPresetFolders(), UserPresetFolder(), std::move(preset_hooks), this);
    menuBar()->addMenu(presets_);
    BuildKeyboardMenu();
    QMenu* menu = menuBar()->addMenu(QStringLiteral("?"));
    connect(menu->addAction(QStringLiteral("About")), &QAction::triggered, this, [this] {
        ShowAboutBox(this);
        ReturnFromModal();
    });
    connect(menu->addAction(QStringLiteral("Help")), &QAction::triggered, this, [this] {
        ShowHelpWindow();
        ReturnFromModal();
    });
    connect(menu->addAction(QStringLiteral("Midi Controllers")), &QAction::triggered, this, [this] {
        if (hooks_.show_midi_controllers) {
            hooks_.show_midi_controllers();
        }
        ReturnFromModal();
    });
}

// "Keyboard": how MIDI notes play the voice. Gate, as at start-up, opens and closes the one voice;
// Pitch plays each note as a voice at its pitch (and Play holds middle C).
void MainWindow::BuildKeyboardMenu() {
    QMenu* menu = menuBar()->addMenu(QStringLiteral("Keyboard"));
    auto* group = new QActionGroup(menu);
    const ParamSpec& spec = Spec(ParamId::Keyboard);
    for (size_t i = 0; i < spec.options.size(); ++i) {
        QAction* mode =
            menu->addAction(QString::fromUtf8(spec.options[i].data(), qsizetype(spec.options[i].size())));
        mode->setCheckable(true);
        group->addAction(mode);
        connect(mode, &QAction::triggered, this, [this, i] {
            synth_.params.Set(ParamId::Keyboard, static_cast<float>(i));
            FollowPanel();
        });
        keyboard_modes_.push_back(mode);
    }
    ShowKeyboardMode();
}

void MainWindow::ShowKeyboardMode() {
    const int mode = synth_.params.Whole(ParamId::Keyboard);
    for (int i = 0; i < static_cast<int>(keyboard_modes_.size()); ++i) {
        keyboard_modes_[static_cast<size_t>(i)]->setChecked(i == mode);
    }
}

// The window closed last may leave no window active, and Escape, a shortcut of the main window,
// answers only while it is: the main window takes the focus back at once. A widget moved while the
// modal window was open goes back to its parameter, which the dropped event left alone.
void MainWindow::ReturnFromModal() {
    raise();
    activateWindow();
    control_set_->Mirror();
}

// Centred on the screen's free area when the whole window fits there. Otherwise the window is
// shrunk to that area and placed at its top left, and the control area scrolls inside it, so that
// the menu bar, the status bar and (by scrolling) every control stay on the screen.
void MainWindow::PlaceOnScreen(QMargins frame) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    placed_frame_ = frame;
    const QRect area = screen->availableGeometry();
    const QSize room = area.size().shrunkBy(frame);
    const QSize outer = full_size_.grownBy(frame);
    if (scroll_ == nullptr && full_size_.width() <= room.width() && full_size_.height() <= room.height()) {
        move(area.center() - QPoint(outer.width() / 2, outer.height() / 2));
        return;
    }
    if (scroll_ == nullptr) {
        scroll_ = new QScrollArea(this);
        scroll_->setFrameShape(QFrame::NoFrame);
        scroll_->setWidget(takeCentralWidget());
        setCentralWidget(scroll_);
        layout()->setSizeConstraint(QLayout::SetDefaultConstraint);
    }
    // A scroll bar along one edge takes its width from the other direction.
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scroll_);
    QSize size = full_size_;
    if (full_size_.height() > room.height()) {
        size.rwidth() += bar;
    }
    if (full_size_.width() > room.width()) {
        size.rheight() += bar;
    }
    setFixedSize(size.boundedTo(room));
    move(area.topLeft());
}

bool MainWindow::event(QEvent* event) {
    // The window manager's frame is known once the window is shown, or later when the manager has
    // framed it (which moves the window): place the window again if its frame changed.
    const QEvent::Type type = event->type();
    if ((type == QEvent::Show || type == QEvent::Move || type == QEvent::Resize) && isVisible()) {
        const QRect inner = geometry();
        const QRect outer = frameGeometry();
        const QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(),
                             outer.right() - inner.right(), outer.bottom() - inner.bottom());
        if (frame != placed_frame_) {
            PlaceOnScreen(frame);
        }
    }
    return QMainWindow::event(event);
}

void MainWindow::BuildControls(const std::vector<std::string>& audio_devices) {
    control_set_ = new ControlSet(synth_.params, synth_.transport, client_);
    for (const WindowControl& info : MainWindowControls()) {
        // The "X1" slider's maximum is the X1 Max value at this moment, to the nearest integer.
        const int maximum = info.param == ParamId::X1 ? synth_.params.Whole(ParamId::X1Max)
                            : info.Param()            ? Spec(info.param).maximum
                                                      : 0;
        QWidget* widget = control_set_->Create(info, maximum);
        if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            combo->setMaxVisibleItems(
                std::max(1, kComboListHeight / std::max(1, combo->fontMetrics().height() + 4)));
            if (info.id == id::kAudioDevice) {
                for (const std::string& name : audio_devices) {
                    combo->addItem(QString::fromStdString(name));
                }
                combo->setCurrentIndex(0);
            } else if (info.id == id::kMidiDevice && hooks_.fill_midi_devices) {
                hooks_.fill_midi_devices(*combo);
            }
        }
        if (auto* view = dynamic_cast<WaveformView*>(widget)) {
            display_ = view;
        }
    }
    connect(control_set_, &ControlSet::controlEvent, this, &MainWindow::OnControlEvent);
    RedrawDisplay();
}

void MainWindow::BindEscape() {
    auto* quit = new QAction(this);
    quit->setShortcut(QKeySequence(Qt::Key_Escape));
    quit->setShortcutContext(Qt::WindowShortcut);
    connect(quit, &QAction::triggered, this, &MainWindow::RequestQuit);
    addAction(quit);
}

void MainWindow::SetStatusText(int field, const QString& text) {
    status_->SetText(field, text);
}

void MainWindow::RedrawDisplay() {
    const DisplayCurve curve = synth_.monitor.Curve(synth_.params);
    display_->Redraw(curve.x1, curve.y1, curve.x2, curve.y2);
}

void MainWindow::OnControlEvent(int id, int value) {
    // While a modal window is open the main window's events are dropped, not queued: the widget
    // shows the move until the modal window closes, but the parameter stays as it was.
    if (ModalWindowOpen()) {
        return;
    }
    const WindowControl* control = FindWindowControl(id);
    if (control != nullptr && control->Param()) {
        synth_.params.Set(control->param, static_cast<float>(value));
        if (ShapesTheCurve(control->param)) {
            RedrawDisplay();
        }
    } else if (id == id::kPlay) {
        synth_.transport.TogglePlay();
    } else if (id == id::kAudioDevice && hooks_.audio_device_chosen) {
        hooks_.audio_device_chosen(control_set_->As<QComboBox>(id)->currentIndex());
    } else if (id == id::kMidiDevice && hooks_.midi_device_chosen) {
        hooks_.midi_device_chosen(control_set_->As<QComboBox>(id)->currentIndex());
    }
    FollowPanel();
}

uint64_t MainWindow::Revision() const {
    return uint64_t{synth_.params.Revision()} << 32 | synth_.transport.Revision();
}

// Values that the MIDI thread sets reach the widgets here, on the GUI thread.
void MainWindow::FollowPanel() {
    const uint64_t revision = Revision();
    if (revision == seen_revision_) {
        return;
    }
    seen_revision_ = revision;
    control_set_->Mirror();
    ShowKeyboardMode();
    status_->SetText(1, QString::fromLatin1(ToText(synth_.transport.gate_text())));
}

void MainWindow::RequestQuit() {
    if (ModalWindowOpen()) {
        return;
    }
    quit_requested_ = true;
    emit quitRequested();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // The window stays until shutdown has taken the audio down; the close box only ends the loop.
    event->ignore();
    RequestQuit();
}

} // namespace vortane
