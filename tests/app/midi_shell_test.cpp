#include <QComboBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <cstdlib>
#include <fstream>

#include "app/status_fields.h"
#include "midi/controller_window.h"
#include "midi/ini_document.h"
#include "midi/midi_session.h"
#include "midi/settings_store.h"
#include "shell_fixture.h"

// The application's MIDI side on a fake MIDI service: the device list, the port status, device
// switches, messages from the service's thread reaching the window, the controller window and the
// settings file at exit.
namespace vortane {
namespace {

using Calls = std::vector<std::string>;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

QStringList Entries(const QComboBox& list) {
    QStringList entries;
    for (int i = 0; i < list.count(); ++i) {
        entries << list.itemText(i);
    }
    return entries;
}

// Each test gets a home folder of its own, holding a settings file with hand-written content.
class MidiShellTest : public testing::ShellFixture {
protected:
    static constexpr const char* kKnownSettings = "; kept as written\r\nItem7 = 21\r\n";

    MidiShellTest() {
        setenv("HOME", home.path().toLocal8Bit().constData(), 1);
        std::ofstream(SettingsPath(), std::ios::binary) << kKnownSettings;
        midi.ports = {"USB Keys", "Pads"};
    }
    QString Status(int field) const { return window->status().Text(field); }
    QComboBox* MidiList() const { return Control<QComboBox>(id::kMidiDevice); }
    QString PlayText() const { return Control<QPushButton>(id::kPlay)->text(); }
    // Picks an entry of the MIDI device list as a user does, with the keyboard.
    void PickMidiEntry(Qt::Key key) const {
        MidiList()->setFocus();
        QTest::keyClick(MidiList(), key);
    }

    QTemporaryDir home;
};

struct StartUpCase {
    const char* label;
    std::vector<std::string> ports;
    std::set<int> unreadable;
    std::set<int> failing;
    QStringList entries;
    int selected;
    const char* status;
    Calls calls;
};

void PrintTo(const StartUpCase& c, std::ostream* os) {
    *os << c.label;
}

class MidiStartUpTest : public MidiShellTest, public ::testing::WithParamInterface<StartUpCase> {
protected:
    MidiStartUpTest() {
        midi.ports = GetParam().ports;
        midi.unreadable_ports = GetParam().unreadable;
        midi.failing_ports = GetParam().failing;
    }
};

TEST_P(MidiStartUpTest, ListsThePortsOpensTheFirstAndRunsOn) {
    const StartUpCase& c = GetParam();
    EXPECT_EQ(Entries(*MidiList()), c.entries);
    EXPECT_EQ(MidiList()->currentIndex(), c.selected);
    EXPECT_EQ(Status(0), c.status);
    EXPECT_EQ(Status(1), "Off");
    EXPECT_EQ(midi.calls, c.calls);
    QTimer::singleShot(0, [this] { QTest::keyClick(window, Qt::Key_Escape); });
    EXPECT_TRUE(RunLoopUntilQuit());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MidiStartUpTest,
    ::testing::Values(
        StartUpCase{"two_ports",
                    {"USB Keys", "Pads"},
                    {},
                    {},
                    {"USB Keys", "Pads"},
                    0,
                    "MIDI IN",
                    {"Open 0", "Start"}},
        StartUpCase{"no_port", {}, {}, {}, {}, -1, "No MIDI IN", {"Open -1"}},
        // The list index is the port number: entry 0 names port 1 but port 0 is opened.
        StartUpCase{
            "first_unreadable", {"USB Keys", "Pads"}, {0}, {}, {"Pads"}, 0, "MIDI IN", {"Open 0", "Start"}},
        StartUpCase{
            "open_fails", {"USB Keys", "Pads"}, {}, {0}, {"USB Keys", "Pads"}, 0, "No MIDI IN", {"Open 0"}}),
    [](const ::testing::TestParamInfo<StartUpCase>& info) { return info.param.label; });

TEST_F(MidiShellTest, SwitchClosesTheOldPortThenOpensTheNewOne) {
    QTest::mouseClick(Control<QPushButton>(id::kPlay), Qt::LeftButton);
    ASSERT_EQ(Get(engine().state.output_gate), 1);
    midi.calls.clear();

    PickMidiEntry(Qt::Key_Down);
    EXPECT_EQ(midi.calls, (Calls{"Stop", "Close", "Open 1", "Start"}));
    EXPECT_EQ(midi.open_port, 1);
    EXPECT_EQ(Status(0), "MIDI IN");
    // The close message silences the voice that Play started; the button still offers "Stop".
    EXPECT_EQ(Get(engine().state.output_gate), 0);
    EXPECT_EQ(Get(engine().state.play_state), 1);
    LetWindowFollowPanel();
    EXPECT_EQ(PlayText(), "Stop");

    // A port that cannot be opened, then a working one again.
    midi.failing_ports = {0};
    PickMidiEntry(Qt::Key_Up);
    EXPECT_EQ(Status(0), "No MIDI IN");
    EXPECT_FALSE(midi.Send(0x90, 60, 100));
    PickMidiEntry(Qt::Key_Down);
    EXPECT_EQ(Status(0), "MIDI IN");
    EXPECT_TRUE(midi.Send(0x90, 60, 100));
}

TEST_F(MidiShellTest, SwitchReleasesAHeldNoteAndLeavesTheGateTextUntilTheNextMessage) {
    ASSERT_TRUE(midi.Send(0x90, 60, 100));
    LetWindowFollowPanel();
    ASSERT_EQ(Status(1), "On");
    PickMidiEntry(Qt::Key_Down);
    EXPECT_EQ(app.midi().Handler().HeldNotes(), 0);
    EXPECT_EQ(Get(engine().state.output_gate), 0);
    LetWindowFollowPanel();
    EXPECT_EQ(Status(1), "On");
    ASSERT_TRUE(midi.Send(0xF8, 0, 0)); // a clock tick shows the gate text again
    LetWindowFollowPanel();
    EXPECT_EQ(Status(1), "Off");
}

TEST_F(MidiShellTest, ControlChangeMovesTheFiveSlidersAtTheNextMirrorTickWithoutEvents) {
    QSignalSpy events(&window->controls(), &ControlSet::controlEvent);
    const std::vector<std::pair<int, int>> moved = {{id::kFrequencySetting, 539},
                                                    {id::kSecondaryBarrier, 305},
                                                    {id::kFrq, 2516},
                                                    {id::kX1StepSize, 50},
                                                    {id::kPrimaryStepSize, 277}};
    ASSERT_TRUE(midi.Send(0xB0, 0x0E, 0x40));
    // The handler moved the panel and the engine on its own thread; the widgets follow on the GUI
    // thread's next poll.
    EXPECT_EQ(Get(engine().state.cutoff), 2516.0);
    EXPECT_NE(Control<QSlider>(id::kFrq)->value(), 2516);
    LetWindowFollowPanel();
    for (const auto& [id, value] : moved) {
        EXPECT_EQ(Control<QSlider>(id)->value(), value) << "control " << id;
    }
    EXPECT_EQ(Get(engine().state.cutoff), 2516.0);
    EXPECT_EQ(events.count(), 0);
}

TEST_F(MidiShellTest, NotesGateTheVoiceAndTheWindowShowsOnAndOff) {
    QSignalSpy events(&window->controls(), &ControlSet::controlEvent);
    ASSERT_TRUE(midi.Send(0x90, 60, 100));
    EXPECT_EQ(Get(engine().state.output_gate), 1);
    LetWindowFollowPanel();
    EXPECT_EQ(Status(1), "On");
    EXPECT_EQ(PlayText(), "Stop");
    const std::vector<float> sound = backend.Pull(4096);
    EXPECT_TRUE(std::any_of(sound.begin(), sound.end(), [](float s) { return s != 0.0f; }));

    ASSERT_TRUE(midi.Send(0x80, 60, 64));
    EXPECT_EQ(Get(engine().state.output_gate), 0);
    LetWindowFollowPanel();
    EXPECT_EQ(Status(1), "Off");
    EXPECT_EQ(PlayText(), "Stop");
    EXPECT_EQ(events.count(), 0);
}

TEST_F(MidiShellTest, MidiControllersOpensTheModalWindowAndItsChoicesAreSavedAtExit) {
    bool shown = false;
    QTimer::singleShot(0, [&] {
        auto* controllers = qobject_cast<ControllerWindow*>(QApplication::activeModalWidget());
        ASSERT_NE(controllers, nullptr);
        shown = true;
        EXPECT_EQ(controllers->windowTitle(), "Vortane CC Midi Controllers");
        EXPECT_EQ(controllers->windowModality(), Qt::ApplicationModal);
        EXPECT_EQ(controllers->List(7)->currentText(), "21"); // read from the file at start-up
        // The main window's events are dropped meanwhile; MIDI goes on.
        QTest::keyClick(window, Qt::Key_Escape);
        EXPECT_FALSE(window->quit_requested());
        controllers->List(1)->setCurrentIndex(controllers->List(1)->findText("07"));
        EXPECT_TRUE(midi.Send(0xB0, 7, 127));
        controllers->close();
    });
    MenuItem("Midi Controllers")->trigger();
    ASSERT_TRUE(shown);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(engine().panel.GetState(id::kFrequencySetting), 1000);
    EXPECT_EQ(ReadFile(SettingsPath()), kKnownSettings) << "written before the program ends";

    app.ShutDown();
    IniDocument saved;
    saved.Parse(ReadFile(SettingsPath()));
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        const auto entries =
            std::count_if(saved.Elements().begin(), saved.Elements().end(), [&](const auto& e) {
                return e.kind == IniDocument::Kind::Entry && e.key == SlotKey(slot);
            });
        EXPECT_EQ(entries, 1) << SlotKey(slot);
    }
    EXPECT_EQ(*saved.Find("Item1"), "07");
    EXPECT_EQ(*saved.Find("Item7"), "21");
    EXPECT_EQ(*saved.Find("Item12"), "14");
    EXPECT_EQ(saved.Elements().front().kind, IniDocument::Kind::Comment);
}

TEST_F(MidiShellTest, SettingsFileIsUntouchedWhenTheControllerWindowWasNeverClosed) {
    ASSERT_TRUE(midi.Send(0xB0, 0x0E, 0x40));
    QTimer::singleShot(0, [this] { window->close(); });
    EXPECT_TRUE(RunLoopUntilQuit());
    app.ShutDown();
    EXPECT_EQ(midi.open_port, -1);
    EXPECT_EQ(midi.calls.back(), "Close");
    EXPECT_EQ(ReadFile(SettingsPath()), kKnownSettings);
}

} // namespace
} // namespace vortane
