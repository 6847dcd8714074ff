// The "Presets" menu of the main window: factory sounds, loading, saving and refusing.
#include <QAbstractButton>
#include <QRadioButton>

#include <filesystem>
#include <fstream>

#include "app/preset_menu.h"
#include "app/waveform_view.h"
#include "control/control_table.h"
#include "presets/preset_apply.h"
#include "shell_fixture.h"

namespace vortane {
namespace {

namespace fs = std::filesystem;

struct PresetMenuTest : testing::ShellFixture {
    // As an installed program finds its factory presets under ${datadir}.
    PresetMenuTest() { setenv("XDG_DATA_DIRS", VORTANE_BUILD_DATA_DIR, 1); }

    // Every control's widget state, in table order.
    std::vector<int> WidgetStates() const {
        std::vector<int> states;
        for (const ControlInfo& info : MainWindowControls()) {
            QWidget* w = window->controls().Widget(info.id);
            if (auto* slider = qobject_cast<QSlider*>(w)) {
                states.push_back(slider->value());
            } else if (auto* b = qobject_cast<QAbstractButton*>(w); b && b->isCheckable()) {
                states.push_back(b->isChecked() ? 1 : 0);
            }
        }
        return states;
    }
    // What the voice would read next, and what the display shows.
    std::vector<float> VoiceValues() const {
        const VoiceParams p = Params();
        const OscillatorParams& o = p.oscillator;
        const PeriodWalkParams& period = o.period;
        return {float(p.cutoff),
                float(p.resonance),
                o.master_volume,
                controls().display_curve().x1,
                controls().x1_max(),
                p.points[1],
                p.points[2],
                p.points[3],
                float(period.frequency_setting),
                period.step.primary_step_size,
                period.step.probability_width,
                float(period.primary_step_barrier),
                period.secondary_barrier,
                o.points[0].step_size,
                o.walk_on[3] ? 1.0f : 0.0f};
    }

    const QTemporaryDir scratch;
    const fs::path folder = scratch.path().toStdString();
};

TEST_F(PresetMenuTest, FactoryPresetFromTheMenuMovesWidgetsAndEngineButNotPlay) {
    const QList<QAction*> titles = window->menuBar()->actions();
    ASSERT_EQ(titles.size(), 2);
    EXPECT_EQ(titles[0]->text(), "Presets");
    EXPECT_EQ(titles[1]->text(), "?");
    const QList<QAction*> items = window->presets().actions();
    ASSERT_GE(items.size(), 13);
    EXPECT_EQ(items[items.size() - 2]->text(), "Open Preset…");
    EXPECT_EQ(items.back()->text(), "Save Preset As…");

    QTest::mouseClick(Control<QPushButton>(id::kPlay), Qt::LeftButton);
    const int redraws = window->display().redraw_count();
    QAction* sirens = MenuItem("Falling Sirens", "Presets");
    ASSERT_NE(sirens, nullptr);
    sirens->trigger();

    EXPECT_EQ(Control<QSlider>(id::kFrequencySetting)->value(), 120);
    EXPECT_EQ(Control<QSlider>(id::kSecondaryBarrier)->value(), 480);
    EXPECT_TRUE(Control<QRadioButton>(id::kPriC)->isChecked());
    const VoiceParams params = Params();
    EXPECT_EQ(params.oscillator.period.frequency_setting, 120);
    EXPECT_EQ(params.oscillator.period.secondary_barrier, 48.0f);
    EXPECT_EQ(params.points[1], 0.05f) << "every control's event runs, Y1's too";
    EXPECT_GT(window->display().redraw_count(), redraws);
    EXPECT_EQ(Control<QPushButton>(id::kPlay)->text(), "Stop");
    EXPECT_TRUE(params.gate);
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(PresetMenuTest, SavedFileLoadsBackTheSameControls) {
    QTest::mouseClick(Control<QRadioButton>(id::kArcSin), Qt::LeftButton);
    QTest::mouseClick(Control<QRadioButton>(id::kSLoMirHiLo), Qt::LeftButton);
    Control<QSlider>(id::kX1Max)->setValue(113); // as a drag does: the control event runs
    Control<QSlider>(id::kRes)->setValue(91);
    Control<QSlider>(id::kY1)->setValue(20); // so Y1 no longer holds its start-up 0.06
    QTest::mouseClick(window->controls().Widget(id::kX2On), Qt::LeftButton);
    const std::vector<int> widgets = WidgetStates();
    const std::vector<float> values = VoiceValues();
    const Preset saved = CapturePreset(controls().panel());

    const fs::path file = folder / "mine.vpreset";
    ASSERT_TRUE(window->presets().SaveFile(file));
    ASSERT_TRUE(MenuItem("Deep Drone", "Presets") != nullptr);
    MenuItem("Deep Drone", "Presets")->trigger();
    ASSERT_NE(WidgetStates(), widgets);

    ASSERT_TRUE(window->presets().LoadFile(file));
    EXPECT_EQ(WidgetStates(), widgets);
    EXPECT_EQ(VoiceValues(), values);
    EXPECT_EQ(CapturePreset(controls().panel()), saved);
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(PresetMenuTest, RefusedPresetLeavesEveryControlAsItWas) {
    Control<QSlider>(id::kFrq)->setValue(777);
    const std::vector<int> widgets = WidgetStates();
    const std::vector<float> values = VoiceValues();
    const int redraws = window->display().redraw_count();
    const fs::path bad = folder / "bad.vpreset";
    std::ofstream(bad) << "Vortane preset 1\nFrq = 300\nY2 = 200\n";

    EXPECT_FALSE(window->presets().LoadFile(bad));
    EXPECT_FALSE(window->presets().LoadFile(folder));
    LetWindowFollowPanel();
    EXPECT_EQ(WidgetStates(), widgets);
    EXPECT_EQ(VoiceValues(), values);
    EXPECT_EQ(window->display().redraw_count(), redraws);
    ASSERT_EQ(messages.messages.size(), 2u);
    EXPECT_EQ(messages.messages[0].first, "Presets");
    EXPECT_NE(messages.messages[0].second.find("line 3: \"Y2\" value 200 is outside 80..149"),
              std::string::npos)
        << messages.messages[0].second;
    EXPECT_NE(messages.messages[1].second.find("is a folder"), std::string::npos);

    EXPECT_FALSE(window->presets().SaveFile(folder)) << "wrote over a folder";
    EXPECT_EQ(messages.messages.size(), 3u);
}

} // namespace
} // namespace vortane
