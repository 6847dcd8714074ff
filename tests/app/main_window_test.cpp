#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStatusBar>
#include <QStyleOptionButton>

#include "app/status_fields.h"
#include "app/waveform_view.h"
#include "engine/control_table.h"
#include "shell_fixture.h"

namespace vortane {
namespace {

using testing::ShellFixture;
using MainWindowTest = ShellFixture;

bool HasKind(QWidget* w, ControlKind kind) {
    switch (kind) {
    case ControlKind::Option:
        return qobject_cast<QRadioButton*>(w) != nullptr;
    case ControlKind::SliderH:
    case ControlKind::SliderV: {
        auto* slider = qobject_cast<QSlider*>(w);
        return slider &&
               slider->orientation() == (kind == ControlKind::SliderV ? Qt::Vertical : Qt::Horizontal);
    }
    case ControlKind::Check:
        return qobject_cast<QCheckBox*>(w) != nullptr;
    case ControlKind::Label:
        return qobject_cast<QLabel*>(w) != nullptr;
    case ControlKind::Frame:
        return qobject_cast<QGroupBox*>(w) != nullptr;
    case ControlKind::Combo:
        return qobject_cast<QComboBox*>(w) != nullptr;
    case ControlKind::Display:
        return dynamic_cast<WaveformView*>(w) != nullptr;
    case ControlKind::Button:
        return qobject_cast<QPushButton*>(w) != nullptr;
    }
    return false;
}

QString CaptionOf(QWidget* w) {
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        return b->text();
    }
    if (auto* l = qobject_cast<QLabel*>(w)) {
        return l->text();
    }
    if (auto* g = qobject_cast<QGroupBox*>(w)) {
        return g->title();
    }
    return {};
}

TEST_F(MainWindowTest, EveryTableRowIsPlacedWithItsKindCaptionAndName) {
    for (const ControlInfo& info : MainWindowControls()) {
        SCOPED_TRACE(info.id);
        QWidget* w = window->controls().Widget(info.id);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->parentWidget(), &window->client_area());
        EXPECT_EQ(w->geometry(), QRect(info.x, info.y, info.width, info.height));
        EXPECT_TRUE(HasKind(w, info.kind));
        EXPECT_EQ(CaptionOf(w), QString::fromUtf8(info.caption.data(), qsizetype(info.caption.size())));
        EXPECT_EQ(w->accessibleName(), QString::fromUtf8(info.name.data(), qsizetype(info.name.size())));
    }
}

TEST_F(MainWindowTest, CreationOrderIsTheFocusOrder) {
    std::vector<int> order;
    QWidget* w = window->controls().Widget(MainWindowControls().front().id);
    do {
        for (const ControlInfo& info : MainWindowControls()) {
            if (window->controls().Widget(info.id) == w) {
                order.push_back(info.id);
            }
        }
        w = w->nextInFocusChain();
    } while (w != window->controls().Widget(MainWindowControls().front().id) && order.size() < 200);
    std::vector<int> expected;
    for (const ControlInfo& info : MainWindowControls()) {
        expected.push_back(info.id);
    }
    EXPECT_EQ(order, expected);
}

TEST_F(MainWindowTest, WindowIsFixedWithA745By515AreaUnderTheMenu) {
    EXPECT_EQ(window->windowTitle(), "Vortane");
    const QRect client = window->client_area().geometry();
    const QRect status = window->statusBar()->geometry();
    EXPECT_EQ(client.topLeft(), QPoint(0, window->menuBar()->geometry().bottom() + 1));
    EXPECT_EQ(client.width(), 745);
    EXPECT_EQ(status.top(), client.bottom() + 1);
    EXPECT_EQ(status.width(), 745);
    EXPECT_EQ(client.height() + status.height(), 515);
    EXPECT_EQ(window->height(), client.top() + 515);
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_FALSE(window->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(window->windowFlags() & Qt::WindowCloseButtonHint);
}

TEST_F(MainWindowTest, MenuAndStatusBarAtStart) {
    QStringList items;
    for (QAction* item : window->menuBar()->actions().front()->menu()->actions()) {
        items << item->text();
    }
    EXPECT_EQ(window->menuBar()->actions().front()->text(), "?");
    EXPECT_EQ(items, (QStringList{"About", "Help", "Midi Controllers"}));

    auto& status = window->status();
    const int widths[] = {100, 100, 30};
    int left = 0;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(status.Field(i)->geometry(), QRect(left, 0, widths[i], StatusFields::kHeight));
        EXPECT_EQ(status.Field(i)->alignment(), Qt::AlignCenter);
        left += widths[i];
    }
    EXPECT_EQ(status.Text(0), "No MIDI IN");
    EXPECT_EQ(status.Text(1), "Off");
    status.SetText(2, "x");
    EXPECT_EQ(status.Text(2), "");
}

TEST_F(MainWindowTest, ControlsStartAtTheirInitialStates) {
    for (const ControlInfo& info : MainWindowControls()) {
        SCOPED_TRACE(info.id);
        QWidget* w = window->controls().Widget(info.id);
        if (auto* slider = qobject_cast<QSlider*>(w)) {
            EXPECT_EQ(slider->value(), info.initial);
            EXPECT_EQ(slider->minimum(), info.minimum);
            EXPECT_EQ(slider->maximum(), info.maximum);
        } else if (auto* b = qobject_cast<QAbstractButton*>(w); b && b->isCheckable()) {
            EXPECT_EQ(b->isChecked(), info.initial == 1);
        }
    }
    EXPECT_EQ(Control<QPushButton>(id::kPlay)->text(), "Play");
    EXPECT_EQ(Control<QComboBox>(id::kMidiDevice)->count(), 0);
    auto* audio = Control<QComboBox>(id::kAudioDevice);
    ASSERT_EQ(audio->count(), 2);
    EXPECT_EQ(audio->itemText(0), "pipewire");
    EXPECT_EQ(audio->currentIndex(), 0);
    // Values handed over while the controls were created; Y1 keeps its pre-window value.
    const EngineState& s = engine().state;
    EXPECT_EQ(Get(s.master_volume), 400.0f);
    EXPECT_EQ(Get(s.probability_width), 0.3f);
    EXPECT_EQ(Get(s.primary_step_barrier), 30);
    EXPECT_EQ(Get(s.secondary_barrier), 36.0f);
    EXPECT_EQ(Get(s.y1), 0.06f);
    EXPECT_EQ(backend.calls, (std::vector<std::string>{"Initialize", "Open 0", "Start"}));
}

TEST_F(MainWindowTest, OptionGroupsAreIndependent) {
    QTest::mouseClick(Control<QRadioButton>(id::kLogistic), Qt::LeftButton);
    QTest::mouseClick(Control<QRadioButton>(id::kSOppLimits), Qt::LeftButton);
    QTest::mouseClick(Control<QRadioButton>(id::kSOppLimits), Qt::LeftButton); // again: stays
    const ControlPanel& p = engine().panel;
    EXPECT_EQ(p.GetState(id::kLogistic), 1);
    EXPECT_EQ(p.GetState(id::kCauchy), 0);
    EXPECT_EQ(p.GetState(id::kSOppLimits), 1);
    EXPECT_EQ(p.GetState(id::kSMirror), 0);
    EXPECT_EQ(p.GetState(id::kPriW), 1);
    EXPECT_TRUE(Control<QRadioButton>(id::kPriW)->isChecked());
    EXPECT_TRUE(Control<QRadioButton>(id::kSOppLimits)->isChecked());
    EXPECT_FALSE(Control<QRadioButton>(id::kCauchy)->isChecked());
}

TEST_F(MainWindowTest, UserSliderMoveDerivesItsValueAProgramSetDoesNot) {
    auto* y1 = Control<QSlider>(id::kY1);
    const int redraws = window->display().redraw_count();
    y1->setFocus();
    QTest::keyClick(y1, Qt::Key_Down);
    EXPECT_EQ(engine().panel.GetState(id::kY1), 4);
    EXPECT_EQ(Get(engine().state.y1), 0.04f);
    EXPECT_EQ(window->display().redraw_count(), redraws + 1);

    engine().panel.SetState(id::kY1, 40); // as the MIDI thread does
    LetWindowFollowPanel();
    EXPECT_EQ(y1->value(), 40);
    EXPECT_EQ(Get(engine().state.y1), 0.04f);
    EXPECT_EQ(window->display().redraw_count(), redraws + 1);
}

TEST_F(MainWindowTest, CheckBoxesSetTheirFlagsFromTheUserOnly) {
    QTest::mouseClick(Control<QCheckBox>(id::kY2On), Qt::LeftButton);
    EXPECT_EQ(Get(engine().state.walk_on[3]), 1);
    engine().panel.SetState(id::kX1Negative, 1);
    LetWindowFollowPanel();
    EXPECT_TRUE(Control<QCheckBox>(id::kX1Negative)->isChecked());
    EXPECT_EQ(Get(engine().state.negative[0]), 0);
}

TEST_F(MainWindowTest, VerticalSliderDraggedToTheTopReportsItsMaximum) {
    auto* volume = Control<QSlider>(id::kMasterVolume);
    QTest::keyClick(volume, Qt::Key_Up); // up is towards the maximum
    EXPECT_EQ(volume->value(), 401);
    // Drag the handle from where it is to the top of the track.
    const int span = volume->height();
    int handle_y = -1;
    for (int y = 0; y < span && handle_y < 0; ++y) {
        if (volume->childAt(10, y) == nullptr) {
            QTest::mousePress(volume, Qt::LeftButton, {}, QPoint(10, y));
            if (volume->isSliderDown()) {
                handle_y = y;
            } else {
                QTest::mouseRelease(volume, Qt::LeftButton, {}, QPoint(10, y));
            }
        }
    }
    ASSERT_GE(handle_y, 0);
    QTest::mouseMove(volume, QPoint(10, 0));
    QTest::mouseRelease(volume, Qt::LeftButton, {}, QPoint(10, 0));
    EXPECT_EQ(volume->value(), 1500);
    EXPECT_EQ(Get(engine().state.master_volume), 1500.0f);
}

TEST_F(MainWindowTest, PlayAndStopToggleTheGateAndStopResetsThePeriodCount) {
    auto* play = Control<QPushButton>(id::kPlay);
    for (float s : backend.Pull(512)) {
        ASSERT_EQ(s, 0.0f);
    }
    QTest::mouseClick(play, Qt::LeftButton);
    EXPECT_EQ(play->text(), "Stop");
    EXPECT_EQ(Get(engine().state.output_gate), 1);
    EXPECT_EQ(Get(engine().state.play_state), 1);
    const std::vector<float> sound = backend.Pull(4096);
    EXPECT_EQ(sound.front(), 0.0f); // the fade-in starts from zero
    float peak = 0.0f;
    for (float s : sound) {
        peak = std::max(peak, std::abs(s));
    }
    EXPECT_GT(peak, 0.05f);
    EXPECT_GT(Get(engine().period_walk.period_count), 0);

    QTest::mouseClick(play, Qt::LeftButton);
    EXPECT_EQ(play->text(), "Play");
    EXPECT_EQ(Get(engine().state.output_gate), 0);
    EXPECT_EQ(Get(engine().period_walk.period_count), 0);
    EXPECT_EQ(window->status().Text(1), "Off"); // Play/Stop leaves the status bar alone
    for (float s : backend.Pull(512)) {
        ASSERT_EQ(s, 0.0f);
    }
}

TEST_F(MainWindowTest, AudioDeviceChoiceMovesTheStream) {
    auto* devices = Control<QComboBox>(id::kAudioDevice);
    devices->setFocus();
    backend.calls.clear();
    QTest::keyClick(devices, Qt::Key_Down);
    EXPECT_EQ(backend.calls,
              (std::vector<std::string>{"Abort", "Terminate", "Initialize", "Open 1", "Start"}));
    backend.calls.clear();
    devices->setCurrentIndex(0); // a program's choice raises nothing
    EXPECT_TRUE(backend.calls.empty());
}

TEST_F(MainWindowTest, CaptionsFitTheirControls) {
    for (const ControlInfo& info : MainWindowControls()) {
        SCOPED_TRACE(info.id);
        QWidget* w = window->controls().Widget(info.id);
        const int text_width = w->fontMetrics().horizontalAdvance(CaptionOf(w));
        if (auto* b = qobject_cast<QAbstractButton*>(w); b && b->isCheckable()) {
            QStyleOptionButton option;
            option.initFrom(b);
            option.text = b->text();
            const auto element =
                qobject_cast<QRadioButton*>(w) ? QStyle::SE_RadioButtonContents : QStyle::SE_CheckBoxContents;
            EXPECT_LE(text_width, w->style()->subElementRect(element, &option, w).width());
        } else if (info.kind == ControlKind::Label || info.kind == ControlKind::Button) {
            EXPECT_LE(text_width, info.width);
        } else if (info.kind == ControlKind::Frame) {
            EXPECT_LE(text_width, info.width - 10);
        }
        EXPECT_LE(w->fontMetrics().height(), 20);
    }
}

TEST_F(MainWindowTest, EscapeEndsTheEventLoop) {
    QTimer::singleShot(0, [&] { QTest::keyClick(window, Qt::Key_Escape); });
    EXPECT_TRUE(RunLoopUntilQuit());
    EXPECT_TRUE(window->quit_requested());
}

TEST_F(MainWindowTest, CloseBoxEndsTheEventLoop) {
    QTimer::singleShot(0, [&] { window->close(); });
    EXPECT_TRUE(RunLoopUntilQuit());
    EXPECT_TRUE(window->quit_requested());
    app.ShutDown();
    EXPECT_EQ(backend.calls.back(), "Terminate");
    EXPECT_EQ(backend.misuse, 0);
}

} // namespace
} // namespace vortane
