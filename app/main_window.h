#pragma once

#include <QMainWindow>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QComboBox;
class QScrollArea;

namespace vortane {

class ControlSet;
class PresetMenu;
class StatusFields;
class WaveformView;
struct Synth;

// What the main window hands on to the rest of the program.
struct ShellHooks {
    std::function<void(QComboBox&)> fill_midi_devices; // while the MIDI device list is created
    std::function<void(int)> midi_device_chosen;       // a choice in the MIDI device list
    std::function<void(int)> audio_device_chosen;      // a choice in the audio device list
    std::function<void()> show_midi_controllers;       // menu item "Midi Controllers"
    std::function<void(const std::string&, const std::string&)> show_message; // title, text
};

// The main window: title "Vortane", a fixed frame without minimise and maximise boxes, the
// "Presets", "Keyboard" and "?" menus, every frame, label and control of the window's table placed
// in a 745 x 515 area under the menu bar, the status bar along its bottom, and Escape to quit. A
// control event sets its parameter (or moves the transport); the widgets follow the parameters,
// which the MIDI thread may change at any time.
// On a screen too small for it the window is shrunk to the screen and its control area scrolls.
class MainWindow final : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 745;
    static constexpr int kClientHeight = 515;

    MainWindow(Synth& synth, const std::vector<std::string>& audio_devices, ShellHooks hooks);
    ~MainWindow() override;

    ControlSet& controls() const { return *control_set_; }
    WaveformView& display() const { return *display_; }
    StatusFields& status() const { return *status_; }
    PresetMenu& presets() const { return *presets_; }
    QWidget& client_area() const { return *client_; }
    // The scroll area around the control area on a small screen, else nullptr.
    QScrollArea* scroll_area() const { return scroll_; }

    void SetStatusText(int field, const QString& text);
    void RedrawDisplay();
    bool quit_requested() const { return quit_requested_; }

signals:
    void quitRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void BuildMenu();
    void BuildKeyboardMenu();
    void ShowKeyboardMode();
    void BuildControls(const std::vector<std::string>& audio_devices);
    void BindEscape();
    void PlaceOnScreen(QMargins frame);
    void ReturnFromModal();
    void OnControlEvent(int id, int value);
    void FollowPanel();
    uint64_t Revision() const;
    void RequestQuit();

    Synth& synth_;
    ShellHooks hooks_;
    QWidget* client_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    QSize full_size_;       // menu bar, control area and status bar at their natural sizes
    QMargins placed_frame_; // the frame the window was last placed with
    ControlSet* control_set_ = nullptr;
    WaveformView* display_ = nullptr;
    StatusFields* status_ = nullptr;
    PresetMenu* presets_ = nullptr;
    std::vector<QAction*> keyboard_modes_; // "Gate", "Pitch"
    uint64_t seen_revision_ = 0;           // of the parameters and the transport, one in each half
    bool quit_requested_ = false;
};

} // namespace vortane
