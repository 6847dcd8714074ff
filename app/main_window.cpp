#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLayout>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <cmath>

#include "app/about_box.h"
#include "app/control_set.h"
#include "app/help_window.h"
#include "app/shell_style.h"
#include "app/status_fields.h"
#include "app/waveform_view.h"
#include "control/synth.h"

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
      controls_(synth.controls), hooks_(std::move(hooks)) {
    setWindowTitle(QStringLiteral("Vortane"));
    setFont(ShellFont());

    client_ = new QWidget(this);
    client_->setFixedSize(kClientWidth, kClientHeight - StatusFields::kHeight);
    setCentralWidget(client_);

    BuildMenu();
    BuildControls(audio_devices);
    status_ = new StatusFields(this);
    setStatusBar(status_);
    BindEscape();
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        const QSize size = sizeHint();
        move(area.center() - QPoint(size.width() / 2, size.height() / 2));
    }

    seen_revision_ = controls_.panel().Revision();
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, &MainWindow::FollowPanel);
    poll->start(kPanelPollMs);
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildMenu() {
    QMenu* menu = menuBar()->addMenu(QStringLiteral("?"));
    connect(menu->addAction(QStringLiteral("About")), &QAction::triggered, this,
            [this] { ShowAboutBox(this); });
    connect(menu->addAction(QStringLiteral("Help")), &QAction::triggered, this, [] { ShowHelpWindow(); });
    connect(menu->addAction(QStringLiteral("Midi Controllers")), &QAction::triggered, this, [this] {
        if (hooks_.show_midi_controllers) {
            hooks_.show_midi_controllers();
        }
    });
}

void MainWindow::BuildControls(const std::vector<std::string>& audio_devices) {
    control_set_ = new ControlSet(controls_.panel(), client_);
    for (const ControlInfo& info : MainWindowControls()) {
        // The "X1" slider's maximum is the X1 Max value at this moment, to the nearest integer.
        const int maximum =
            info.id == id::kX1 ? static_cast<int>(std::lrint(controls_.x1_max())) : info.maximum;
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
        controls_.ApplyCreationValue(info.id);
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
    const DisplayCurve curve = controls_.display_curve();
    display_->Redraw(curve.x1, curve.y1, curve.x2, curve.y2);
}

void MainWindow::OnControlEvent(int id) {
    // While a modal window is open the main window's events are dropped, not queued: the widget
    // and the panel hold the new state, but the event's action does not run.
    if (ModalWindowOpen()) {
        return;
    }
    switch (id) {
    case id::kPlay:
        controls_.TogglePlay();
        break;
    case id::kAudioDevice:
        if (hooks_.audio_device_chosen) {
            hooks_.audio_device_chosen(control_set_->As<QComboBox>(id)->currentIndex());
        }
        break;
    case id::kMidiDevice:
        if (hooks_.midi_device_chosen) {
            hooks_.midi_device_chosen(control_set_->As<QComboBox>(id)->currentIndex());
        }
        break;
    default:
        if (controls_.ApplyControlEvent(id) == EventEffect::RedrawDisplay) {
            RedrawDisplay();
        }
        break;
    }
    FollowPanel();
}

// Values that the MIDI thread sets reach the widgets here, on the GUI thread.
void MainWindow::FollowPanel() {
    const unsigned revision = controls_.panel().Revision();
    if (revision == seen_revision_) {
        return;
    }
    seen_revision_ = revision;
    control_set_->MirrorPanel();
    status_->SetText(1, QString::fromLatin1(ToText(controls_.panel().GetGateText())));
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
