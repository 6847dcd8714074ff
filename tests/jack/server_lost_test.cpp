#include <QApplication>
#include <QComboBox>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <unistd.h>

#include "jack_app.h"
#include "midi/controller_window.h"
#include "midi/settings_store.h"
#include "shell_fixture.h"

// The application loses the JACK server under it: the test starts a server of its own and stops it.
namespace vortane {
namespace {

using testing::Peak;

// A JACK dummy server of this test's own, so that the test can stop it.
class OwnJackServer {
public:
    OwnJackServer() : name_("vortane-lost-" + std::to_string(getpid())) {
        qputenv("JACK_DEFAULT_SERVER", QByteArray::fromStdString(name_));
        started_ = Script("start");
    }
    ~OwnJackServer() { Stop(); }
    bool started() const { return started_; }
    void Stop() {
        if (std::exchange(started_, false)) {
            Script("stop");
        }
    }

private:
    bool Script(const char* verb) const {
        const std::string command = "JACK_DEFAULT_SERVER=" + name_ + " " JACK_SERVER_SCRIPT " " + verb;
        return std::system(command.c_str()) == 0;
    }
    std::string name_;
    bool started_ = false;
};

// An ALSA device that plays into nothing, named in the home folder's .asoundrc: a live device beside
// JACK, which the library lists as "vortane_null". It takes samples as fast as they come.
void DefineNullDevice() {
    std::ofstream(qEnvironmentVariable("HOME").toStdString() + "/.asoundrc")
        << "pcm.vortane_null { type null }\n";
}

void ChangeFirstAssignment(Application& app, const QString& text) {
    QTimer::singleShot(0, [text] {
        auto* controllers = qobject_cast<ControllerWindow*>(QApplication::activeModalWidget());
        ASSERT_NE(controllers, nullptr);
        controllers->List(1)->setCurrentIndex(controllers->List(1)->findText(text));
        controllers->close();
    });
    for (QAction* item : app.window()->menuBar()->actions().front()->menu()->actions()) {
        if (item->text() == "Midi Controllers") {
            item->trigger();
        }
    }
}

void Choose(QComboBox* list, int entry) {
    list->setCurrentIndex(entry);
    emit list->activated(entry);
}

// The JACK server stops under the playing voice: the status bar says so within a moment, a switch
// to a live device plays again, and Escape ends the program at once with the settings written,
// never waiting on the dead server.
TEST(AudioEndToEnd, JackServerStoppedUnderPlayIsShownAndAnotherDevicePlaysOn) {
    OwnJackServer server;
    ASSERT_TRUE(server.started());
    DefineNullDevice();
    testing::TestBackend audio;
    testing::FakeMidiInput midi;
    testing::RecordingMessageSink messages;
    Application app(audio, midi, messages);
    ASSERT_TRUE(app.StartUp()) << (messages.messages.empty() ? "" : messages.messages[0].second);
    MainWindow& window = *app.window();
    auto* devices = window.controls().As<QComboBox>(id::kAudioDevice);
    const int jack_entry = devices->findText("system");
    const int null_entry = devices->findText("vortane_null");
    ASSERT_EQ(jack_entry, 0);
    ASSERT_GE(null_entry, 0);
    ChangeFirstAssignment(app, "07");
    QTest::mouseClick(window.controls().As<QPushButton>(id::kPlay), Qt::LeftButton);
    {
        testing::JackTestClient ears("vortane-ears");
        ASSERT_TRUE(ears.RecordFrom("^Vortane:out_0$")) << "the audio client is not named Vortane";
        EXPECT_GT(Peak(ears.Record(0.5)), 0.05f);
    }

    server.Stop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.status().Notice().isEmpty(); }, 3000));
    EXPECT_EQ(window.status().Notice(), "Audio output stopped: choose an audio device");
    Choose(devices, jack_entry); // the dead server's device: no sound, and no hang
    EXPECT_FALSE(app.audio().stream_running());
    const uint64_t before = audio.non_zero();
    Choose(devices, null_entry);
    EXPECT_TRUE(app.audio().stream_running());
    EXPECT_EQ(window.status().Notice(), "");
    QTest::qWait(200);
    EXPECT_GT(audio.non_zero(), before + 4410) << "the voice does not play on the live device";

    QTest::keyClick(&window, Qt::Key_Escape);
    ASSERT_TRUE(window.quit_requested());
    const auto start = std::chrono::steady_clock::now();
    app.ShutDown();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)); // the bound is 8 s
    EXPECT_FALSE(app.audio().hung());
    std::ifstream saved(SettingsPath(), std::ios::binary);
    EXPECT_NE(std::string(std::istreambuf_iterator<char>(saved), {}).find("Item1 = 07"), std::string::npos);
    EXPECT_TRUE(messages.messages.empty());
}

} // namespace
} // namespace vortane
