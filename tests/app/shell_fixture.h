#pragma once

#include <QApplication>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "app/application.h"
#include "app/audio_output.h"
#include "app/control_set.h"
#include "app/main_window.h"
#include "engine/engine.h"
#include "fake_audio_backend.h"
#include "fake_midi_input.h"

namespace vortane::testing {

// A started application on a fake audio library and a fake MIDI service (no ports unless a test
// adds them in its constructor), its main window shown and active.
struct ShellFixture : ::testing::Test {
    ShellFixture() {
        backend.devices = {{"pipewire", 2}, {"hw:0", 2}};
        backend.default_device = 0;
    }
    void SetUp() override {
        ASSERT_TRUE(app.StartUp());
        window = app.window();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    }
    template <typename T> T* Control(int id) const { return window->controls().As<T>(id); }
    Engine& engine() const { return app.engine(); }
    QAction* MenuItem(const QString& text) const {
        for (QAction* item : window->menuBar()->actions().front()->menu()->actions()) {
            if (item->text() == text) {
                return item;
            }
        }
        return nullptr;
    }
    // Runs the application's event loop; false when it had to be ended by the watchdog.
    bool RunLoopUntilQuit() {
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(1); });
        watchdog.start(5000);
        app.RunEventLoop();
        return watchdog.isActive();
    }
    // Lets the window pick up panel changes made by another thread.
    void LetWindowFollowPanel() const { QTest::qWait(60); }

    FakeAudioBackend backend;
    FakeMidiInput midi;
    RecordingMessageSink messages;
    Application app{backend, midi, messages};
    MainWindow* window = nullptr;
};

} // namespace vortane::testing
