#include <QSignalSpy>
#include <cstdlib>

#include "midi/settings_store.h"
#include "shell_fixture.h"

// The application's MIDI side on the fake service: ports, switches, messages from the service's
// thread reaching the window, the controller window, and preferences.ini at exit.
namespace vortane {
namespace {

using testing::Calls;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Each test gets a home folder of its own, holding a hand-written settings file, and two ports. The
// file's texts are Windows-1252 (no byte-order mark): a letter, the typographic marks, the five
// unassigned bytes; an empty value and one that is none of the controller window's entries.
class MidiShellTest : public testing::ShellFixture {
protected:
    static constexpr const char* kKnownSettings =
        "; kept as written\r\nItem4 = 64\r\nItem5 =\r\nItem6 = 0\xE9\r\n"
        "Item7 = \x80\x81\x8A\x8D\x8F\x90\x9D\x9F\xA0\xFF\r\n";
    MidiShellTest() {
        setenv("HOME", home.path().toLocal8Bit().constData(), 1);
        std::ofstream(SettingsPath(), std::ios::binary) << kKnownSettings;
        midi.ports = {"USB Keys", "Pads"};
    }
    QString Status(int field) const { return window->status().Text(field); }
    QComboBox* MidiList() const { return Control<QComboBox>(id::kMidiDevice); }
    QTemporaryDir home;
};

// Every port is listed and the first opened; a switch closes the old port before it opens the new
// one, and a port that fails to open leaves none.
TEST_F(MidiShellTest, ListsEveryPortOpensTheFirstAndSwitchesClosingTheOldOneFirst) {
    EXPECT_EQ(testing::Items(*MidiList()), QStringList({"USB Keys", "Pads"}));
    EXPECT_EQ(Status(0), "MIDI IN");
    EXPECT_EQ(midi.calls, (Calls{"Open 0", "Start"}));

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

// The handler sets the parameters on the service's thread (their values: tests/midi); the widgets
// follow at the next poll, without raising a control event. The settings file is written at exit
// only once the controller window was closed.
TEST_F(MidiShellTest, ControlChangeMovesTheSlidersAtTheNextMirrorTickWithoutEvents) {
    QSignalSpy events(&window->controls(), &ControlSet::controlEvent);
    ASSERT_TRUE(midi.Send(0xB0, 0x0E, 0x40));
    EXPECT_EQ(params().Get(ParamId::Frq), 2516.0f);
    EXPECT_NE(Control<QSlider>(ParamId::Frq)->value(), 2516);
    LetWindowFollowPanel();
    EXPECT_EQ(Control<QSlider>(ParamId::Frq)->value(), 2516);
    EXPECT_EQ(Control<QSlider>(ParamId::FrequencySetting)->value(), 539);
    EXPECT_EQ(events.count(), 0);
    app.ShutDown();
    EXPECT_EQ(ReadFile(SettingsPath()), kKnownSettings) << "the controller window was never opened";
}

// The controller window shows the file's texts; a choice acts on the next message at once; at exit
// the file gets every slot, the rows left alone byte for byte as they were read.
TEST_F(MidiShellTest, ControllerWindowShowsTheFilesTextsAndItsChoicesAreSavedAtExit) {
    ASSERT_TRUE(testing::InControllerWindow(*window, [&](ControllerWindow& c) {
        EXPECT_EQ(c.List(4)->currentText(), "64");
        EXPECT_EQ(c.List(6)->currentText(), QString::fromUtf16(u"0\u00E9"));
        EXPECT_EQ(c.List(7)->currentText(),
                  QString::fromUtf16(u"\u20AC\u0081\u0160\u008D\u008F\u0090\u009D\u0178\u00A0\u00FF"));
        c.List(1)->setCurrentIndex(c.List(1)->findText("07"));
        EXPECT_TRUE(midi.Send(0xB0, 7, 127));
        c.close();
    }));
    EXPECT_EQ(params().Get(ParamId::FrequencySetting), 1000.0f);
    EXPECT_EQ(ReadFile(SettingsPath()), kKnownSettings) << "written before the program ends";
    app.ShutDown();
    EXPECT_EQ(ReadFile(SettingsPath()), "; kept as written\r\nItem4 = 64\r\nItem5 = \r\nItem6 = 0\xE9\r\n"
                                        "Item7 = \x80\x81\x8A\x8D\x8F\x90\x9D\x9F\xA0\xFF\r\nItem1 = 07\r\n"
                                        "Item2 = 14\r\nItem3 = 14\r\nItem8 = 14\r\nItem9 = 14\r\n"
                                        "Item10 = 14\r\nItem11 = 14\r\nItem12 = 14\r\n");
}

// A file that starts with a UTF-8 byte-order mark is shown as UTF-8 (written back as read: above,
// and tests/midi).
struct Utf8SettingsTest : MidiShellTest {
    Utf8SettingsTest() {
        std::ofstream(SettingsPath(), std::ios::binary) << "\xEF\xBB\xBFItem4 = 0\xC3\xA9\r\n";
    }
};

TEST_F(Utf8SettingsTest, AreShownAsUtf8) {
    ASSERT_TRUE(testing::InControllerWindow(*window, [&](ControllerWindow& c) {
        EXPECT_EQ(c.List(4)->currentText(), QString::fromUtf16(u"0\u00E9"));
        c.close();
    }));
}

} // namespace
} // namespace vortane
