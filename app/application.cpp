#include "app/application.h"

#include <QApplication>
#include <QComboBox>
#include <QTimer>

#include "app/audio_backend.h"
#include "app/audio_output.h"
#include "app/message_sink.h"
#include "app/shell_style.h"
#include "app/status_fields.h"
#include "control/synth.h"
#include "midi/controller_window.h"
#include "midi/midi_session.h"
#include "stochastic/random_source.h"

namespace vortane {
namespace {

// How often the GUI asks whether the stream still runs; a lost server shows within this time.
constexpr int kStreamCheckMs = 250;
// More modal windows than the program can stack: a window that refuses to close ends the loop.
constexpr int kMostModalWindows = 8;

const char* const kAudioStoppedText = "Audio output stopped: choose an audio device";

// The rate the device plays at, and whether the voice is resampled to it.
QString RateText(double rate) {
    const auto hz = [](double r) { return QString::number(r, 'f', 0) + QStringLiteral(" Hz"); };
    return rate == kSampleRate
               ? hz(rate)
               : QStringLiteral("%1 (voice resampled from %2)").arg(hz(rate), hz(kSampleRate));
}

} // namespace

Application::Application(AudioBackend& backend, MidiInput& midi_input, MessageSink& messages)
    : messages_(messages), synth_(std::make_unique<Synth>()),
      audio_(std::make_unique<AudioOutput>(backend, *synth_)),
      midi_(std::make_unique<MidiSession>(synth_->params, synth_->transport, synth_->midi_in, midi_input)) {
    // Seeded once, here on the main thread, before any audio thread exists.
    synth_->Init(SeedFromThreadAndTick());
    hooks_.audio_device_chosen = [this](int entry) { SwitchAudioDevice(entry); };
    hooks_.fill_midi_devices = [this](QComboBox& list) { FillMidiDevices(list); };
    hooks_.midi_device_chosen = [this](int entry) { SwitchMidiDevice(entry); };
    hooks_.show_midi_controllers = [this] { ShowMidiControllers(); };
    hooks_.show_message = [this](const std::string& title, const std::string& text) {
        messages_.ShowMessage(title, text);
    };
}

Application::~Application() {
    // Whatever path led here, the audio thread stops before the voice it renders goes away.
    ShutDown();
}

bool Application::StartUp() {
    // 1. The parameters are at their defaults from construction: gate and play state 0.
    // 2-3. The settings file and the twelve controller assignments (the handler's number texts are
    // constants).
    midi_->LoadSettings();
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
    // 7. No MIDI input yet: the session starts on device 0 with no port open.
    // 8-11. The window, its menu, controls (with the MIDI device list filled and the first drawing
    // of the curve), status bar and Escape shortcut.
    window_ = std::make_unique<MainWindow>(*synth_, audio_->DeviceNames(), hooks_);
    // exit() rather than quit(): quit() would first ask every window to close.
    QObject::connect(
        window_.get(), &MainWindow::quitRequested, qApp, [] { QCoreApplication::exit(0); },
        Qt::QueuedConnection);
    window_->show();
    // 12. MIDI input on the chosen device.
    OpenMidiInput();
    // 13. Gate text.
    synth_->transport.SetGateText(GateText::Off);
    window_->SetStatusText(1, QString::fromLatin1(ToText(GateText::Off)));
    // 14. The stream runs from here on; the output stays silent until the gate opens.
    synth_->transport.CloseGate();
    audio_->StartStream();
    ShowAudioStatus();
    // A stream can stop by itself (its device or audio server went away); the window says so.
    stream_check_ = std::make_unique<QTimer>();
    QObject::connect(stream_check_.get(), &QTimer::timeout, [this] {
        if (audio_->CheckStream()) {
            ShowAudioStatus();
        }
    });
    stream_check_->start(kStreamCheckMs);
    return true;
}

void Application::RunEventLoop() {
    if (window_ != nullptr && !window_->quit_requested() && !quit_pending_) {
        QApplication::exec();
    }
}

void Application::Quit() {
    quit_pending_ = true;
    for (int i = 0; i < kMostModalWindows; ++i) {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) {
            break;
        }
        modal->close();
    }
    // exit() ends the modal windows' own loops too, should one have refused to close.
    QCoreApplication::exit(0);
}

void Application::SaveSettingsNow() {
    if (!settings_saved_) {
        settings_saved_ = true;
        midi_->SaveSettings();
    }
}

void Application::ShutDown() {
    // The settings first: nothing that comes after may lose them. The file is rewritten only when
    // the controller window was closed at least once.
    SaveSettingsNow();
    // After a PortAudio error at start-up the program ends at once, without the audio steps.
    if (audio_up_) {
        audio_up_ = false;
        stream_check_.reset();
        audio_->Shutdown([] { QCoreApplication::processEvents(QEventLoop::AllEvents, 1); });
        // The MIDI handler must not act on controls once the windows are gone.
        midi_->Shutdown();
        window_.reset();
    }
}

int Application::Run() {
    if (StartUp()) {
        RunEventLoop();
    }
    ShutDown();
    return 0;
}

void Application::SwitchAudioDevice(int entry) {
    audio_->SwitchDevice(entry);
    ShowAudioStatus();
}

// The status bar shows the rate the stream plays at, or that none plays: a switch failed, or the
// device or server went away.
void Application::ShowAudioStatus() {
    window_->status().SetNotice(audio_->stream_running() ? RateText(audio_->stream_rate())
                                                         : QString::fromLatin1(kAudioStoppedText));
}

void Application::ReportAudioError(int error) {
    messages_.ShowMessage("PortAudio", audio_->ErrorText(error));
}

// The MIDI device list: every readable port's name in port order, entry 0 selected when the service
// reports any port at all.
void Application::FillMidiDevices(QComboBox& list) {
    std::vector<std::string> names;
    const int count = midi_->FillDeviceList(names);
    for (const std::string& name : names) {
        list.addItem(QString::fromStdString(name));
    }
    list.setCurrentIndex(count != 0 ? 0 : -1);
}

void Application::OpenMidiInput() {
    midi_->OpenAtStartup();
    ShowMidiStatus();
}

void Application::SwitchMidiDevice(int index) {
    midi_->SwitchDevice(index);
    ShowMidiStatus();
}

void Application::ShowMidiControllers() {
    ControllerWindow controllers(midi_->Store(), midi_->Slots(), window_.get());
    FitCaptionFont(controllers);
    controllers.exec();
}

void Application::ShowMidiStatus() {
    window_->SetStatusText(0, QString::fromLatin1(midi_->StatusText()));
}

} // namespace vortane
