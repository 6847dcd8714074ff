#pragma once

#include <QMenu>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace vortane {

struct Synth;

// The "Presets" menu: the factory sounds by name (from every factory folder, the first winning
// where names repeat; a folder that cannot be read is named in a disabled item), then "Open Preset…" and
// "Save Preset As…", whose file dialogs start in the user's preset folder. Loading a preset sets every
// parameter, as moving each control would; the play state and the output gate stay as they are. A refused
// file changes nothing and its reason, with the line, is shown. Then the tuning: "Open Tuning…" takes
// a Scala scale, a keyboard map or one of each (notes played in Pitch mode follow it), and
// "Twelve-Tone Equal", ticked while it is the tuning, goes back to twelve equal steps.
class PresetMenu final : public QMenu {
    Q_OBJECT
public:
    struct Hooks {
        std::function<void()> applied; // after a preset was applied: widgets and curve follow
        std::function<void(const std::string& title, const std::string& text)> show_message;
    };

    PresetMenu(Synth& synth, std::vector<std::filesystem::path> factory_folders,
               std::filesystem::path user_folder, Hooks hooks, QWidget* parent);

    // Applies the preset in the file; false when it was refused (the reason has been shown).
    bool LoadFile(const std::filesystem::path& path);
    // Writes the parameters as they are now; false when it could not (the reason has been shown).
    bool SaveFile(const std::filesystem::path& path);
    // Tunes the keys to a scale and a keyboard map (either path empty for none; both empty for
    // twelve equal steps); false when a file was refused (the reason has been shown, nothing changed).
    bool LoadTuning(const std::filesystem::path& scale, const std::filesystem::path& keymap);

    const std::filesystem::path& user_folder() const { return user_folder_; }

private:
    void AddFactoryPresets();
    void OpenWithDialog();
    void SaveWithDialog();
    void OpenTuningWithDialog();
    void ShowTuning();
    void ShowMessage(const std::string& text) const;

    Synth& synth_;
    std::vector<std::filesystem::path> factory_folders_;
    std::filesystem::path user_folder_;
    Hooks hooks_;
    QAction* tuning_ = nullptr; // the tuning's description, disabled
    QAction* equal_ = nullptr;  // "Twelve-Tone Equal", ticked while it is the tuning
};

} // namespace vortane
