#include "app/application.h"

#include <QApplication>
#include <QThread>

#include "app/audio_backend.h"
#include "app/audio_output.h"
#include "app/message_sink.h"
#include "engine/engine.h"

namespace vortane {

Application::Application(AudioBackend& backend, MessageSink& messages)
    : messages_(messages), engine_(std::make_unique<Engine>()),
      audio_(std::make_unique<AudioOutput>(backend, *engine_)) {
    hooks_.audio_device_chosen = [this](int entry) { audio_->SwitchDevice(entry); };
}

Application::~Application() {
    // Whatever path led here, the audio thread stops before the engine it renders goes away.
    ShutDown();
}

bool Application::StartUp() {
    // 1. The engine's values are at their start values from construction: gate and play state 0.
    // 2-3. MIDI number texts and the controller assignments.
    PrepareMidiSettings();
    // 4-6. PortAudio, the device table, the stream on entry 0 (not started yet).
    if (const int error = audio_->Initialize(); error != 0) {
        ReportAudioError(error);
        return false;
    }
    audio_->BuildDeviceTable();
    if (const int error = audio_->OpenStream(0); error != 0) {
        ReportAudioError(error);
        return false;
    }
    audio_up_ = true;
    // 7. No MIDI input yet.
    ResetMidiInput();
    // 8-11. The window, its menu, controls (with the first drawing of the curve), status bar and
    // Escape shortcut.
    window_ = std::make_unique<MainWindow>(*engine_, audio_->DeviceNames(), hooks_);
    // exit() rather than quit(): quit() would first ask every window to close.
    QObject::connect(
        window_.get(), &MainWindow::quitRequested, qApp, [] { QCoreApplication::exit(0); },
        Qt::QueuedConnection);
    window_->show();
    // 12. MIDI input on the chosen device.
    OpenMidiInput();
    // 13. Gate text.
    engine_->panel.SetGateText(GateText::Off);
    window_->SetStatusText(1, QString::fromLatin1(ToText(GateText::Off)));
    // 14. The stream runs from here on; the output stays silent until the gate opens.
    Put(engine_->state.output_gate, 0);
    audio_->StartStream();
    return true;
}

void Application::RunEventLoop() {
    if (window_ != nullptr && !window_->quit_requested()) {
        QApplication::exec();
    }
}

void Application::ShutDown() {
    // After a PortAudio error at start-up the program ends at once, without this sequence.
    if (!audio_up_) {
        return;
    }
    audio_up_ = false;
    audio_->Shutdown([] {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        QThread::msleep(1);
    });
    // The MIDI handler must not act on controls once the windows are gone.
    CloseMidiInput();
    window_.reset();
}

int Application::Run() {
    if (StartUp()) {
        RunEventLoop();
        ShutDown();
    }
    return 0;
}

void Application::ReportAudioError(int error) {
    messages_.ShowMessage("PortAudio", audio_->ErrorText(error));
}

// MIDI input comes with its own module; until then the program runs without it.
void Application::PrepareMidiSettings() {}

void Application::ResetMidiInput() {}

void Application::OpenMidiInput() {
    window_->SetStatusText(0, QStringLiteral("No MIDI IN"));
}

void Application::CloseMidiInput() {}

} // namespace vortane
