#include <QSignalSpy>
#include <cstdlib>

#include "midi/ini_document.h"
#include "midi/settings_store.h"
#include "shell_fixture.h"

// The application's MIDI side on the fake service: ports, switches, messages from the service's
// thread reaching the window, and preferences.ini at exit.
namespace vortane {
namespace {

using testing::Calls;
using testing::ReadFile;

// Each test gets a home folder of its own, holding a hand-written settings file, and two ports.
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
    QTemporaryDir home;
};

// Every port is listed and the first opened. (Without any port the program runs on without MIDI:
// app_without_midi_service checks that on the real library.)
TEST_F(MidiShellTest, ListsEveryPortAndOpensTheFirst) {
    std::vector<std::string> items;
    for (int i = 0; i < MidiList()->count(); ++i) {
        items.push_back(MidiList()->itemText(i).toStdString());
    }
    EXPECT_EQ(items, midi.ports);
    EXPECT_EQ(MidiList()->currentIndex(), 0);
    EXPECT_EQ(Status(0), "MIDI IN");
    EXPECT_EQ(midi.calls, (Calls{"Open 0", "Start"}));
}

TEST_F(MidiShellTest, SwitchClosesTheOldPortThenOpensTheNewOne) {
    QTest::mouseClick(Control<QPushButton>(id::kPlay), Qt::LeftButton);
    midi.calls.clear();
    MidiList()->setFocus();
    QTest::keyClick(MidiList(), Qt::Key_Down);
    EXPECT_EQ(midi.calls, (Calls{"Stop", "Close", "Open 1", "Start"}));
    EXPECT_EQ(Status(0), "MIDI IN");
    EXPECT_FALSE(transport().gate_open()); // the close message silences the voice

    midi.failing_ports = {0};
    QTest::keyClick(MidiList(), Qt::Key_Up);
    EXPECT_EQ(Status(0), "No MIDI IN");
    EXPECT_FALSE(midi.Send(0x90, 60, 100));
}

TEST_F(MidiShellTest, ControlChangeMovesTheSlidersAtTheNextMirrorTickWithoutEvents) {
    QSignalSpy events(&window->controls(), &ControlSet::controlEvent);
    ASSERT_TRUE(midi.Send(0xB0, 0x0E, 0x40));
    // The handler set the parameters on its own thread; widgets follow on the next poll.
    EXPECT_EQ(params().Get(ParamId::Frq), 2516.0f);
    EXPECT_NE(Control<QSlider>(ParamId::Frq)->value(), 2516);
    LetWindowFollowPanel();
    for (const auto& [id, value] : std::vector<std::pair<ParamId, int>>{{ParamId::FrequencySetting, 539},
                                                                        {ParamId::SecondaryBarrier, 305},
                                                                        {ParamId::Frq, 2516},
                                                                        {ParamId::X1StepSize, 50},
                                                                        {ParamId::PrimaryStepSize, 277}}) {
        EXPECT_EQ(Control<QSlider>(id)->value(), value) << Spec(id).name;
    }
    EXPECT_EQ(events.count(), 0);
}

TEST_F(MidiShellTest, SettingsAreWrittenAtExitOnlyAfterTheControllerWindowWasClosed) {
    ASSERT_TRUE(midi.Send(0xB0, 0x0E, 0x40));
    app.ShutDown();
    EXPECT_EQ(ReadFile(SettingsPath()), kKnownSettings) << "never opened";
}

TEST_F(MidiShellTest, ControllerWindowIsModalAndItsChoicesAreSavedAtExit) {
    ASSERT_TRUE(testing::InControllerWindow(*window, [&](ControllerWindow& c) {
        EXPECT_EQ(c.List(7)->currentText(), "21"); // read from the file at start-up
        PressEscape();                             // dropped; MIDI goes on
        EXPECT_FALSE(window->quit_requested());
        c.List(1)->setCurrentIndex(c.List(1)->findText("07"));
        EXPECT_TRUE(midi.Send(0xB0, 7, 127));
        c.close();
    }));
    EXPECT_EQ(params().Get(ParamId::FrequencySetting), 1000.0f);
    EXPECT_EQ(ReadFile(SettingsPath()), kKnownSettings) << "written before the program ends";
    app.ShutDown();
    IniDocument saved;
    saved.Parse(ReadFile(SettingsPath()));
    EXPECT_EQ(*saved.Find("Item1"), "07");
    EXPECT_EQ(*saved.Find("Item7"), "21");
    EXPECT_EQ(*saved.Find("Item12"), "14");
    EXPECT_EQ(saved.Elements().front().kind, IniDocument::Kind::Comment);
}

} // namespace
} // namespace vortane
