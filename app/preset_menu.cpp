#include "app/preset_menu.h"

#include <QFileDialog>
#include <QMessageBox>

#include "control/synth.h"
#include "presets/preset.h"
#include "presets/preset_file.h"
#include "presets/preset_folders.h"

namespace vortane {
namespace {

namespace fs = std::filesystem;

const QString kFileFilter = QStringLiteral("Vortane presets (*.vpreset);;All files (*)");

QString ToQString(const fs::path& path) {
    return QString::fromStdString(path.string());
}

} // namespace

PresetMenu::PresetMenu(Synth& synth, std::vector<fs::path> factory_folders, fs::path user_folder,
                       Hooks hooks, QWidget* parent)
    : QMenu(QStringLiteral("Presets"), parent), synth_(synth), factory_folders_(std::move(factory_folders)),
      user_folder_(std::move(user_folder)), hooks_(std::move(hooks)) {
    AddFactoryPresets();
    addSeparator();
    connect(addAction(QString::fromUtf8("Open Preset…")), &QAction::triggered, this,
            &PresetMenu::OpenWithDialog);
    connect(addAction(QString::fromUtf8("Save Preset As…")), &QAction::triggered, this,
            &PresetMenu::SaveWithDialog);
}

void PresetMenu::AddFactoryPresets() {
    const PresetListing listing = CollectPresets(factory_folders_);
    if (!listing.error.empty()) {
        addAction(QString::fromStdString("Factory presets: " + listing.error))->setEnabled(false);
    }
    if (listing.presets.empty() && listing.error.empty()) {
        addAction(QStringLiteral("No factory presets found"))->setEnabled(false);
    }
    for (const NamedPreset& preset : listing.presets) {
        QAction* item = addAction(QString::fromStdString(preset.name));
        item->setStatusTip(ToQString(preset.path));
        connect(item, &QAction::triggered, this, [this, path = preset.path] { LoadFile(path); });
    }
}

bool PresetMenu::LoadFile(const fs::path& path) {
    const PresetParse parsed = LoadPresetFile(path);
    if (!parsed.preset) {
        ShowMessage("The preset " + path.filename().string() + " was not loaded: " + parsed.error +
                    ".\n\nNo control was changed.");
        return false;
    }
    ApplyPreset(*parsed.preset, synth_);
    if (hooks_.applied) {
        hooks_.applied();
    }
    return true;
}

bool PresetMenu::SaveFile(const fs::path& path) {
    std::string error;
    if (!SavePresetFile(path, CapturePreset(synth_), error)) {
        ShowMessage("The preset was not saved: " + error + ".");
        return false;
    }
    return true;
}

void PresetMenu::OpenWithDialog() {
    std::error_code ec;
    const fs::path start =
        fs::is_directory(user_folder_, ec) ? user_folder_ : fs::path(QDir::homePath().toStdString());
    const QString file = QFileDialog::getOpenFileName(parentWidget(), QStringLiteral("Open Preset"),
                                                      ToQString(start), kFileFilter);
    if (!file.isEmpty()) {
        LoadFile(file.toStdString());
    }
}

void PresetMenu::SaveWithDialog() {
    // The user's folder is made on the first save, so that the dialog can start in it.
    std::error_code ec;
    fs::create_directories(user_folder_, ec);
    const fs::path start =
        fs::is_directory(user_folder_, ec) ? user_folder_ : fs::path(QDir::homePath().toStdString());
    QString file = QFileDialog::getSaveFileName(parentWidget(), QStringLiteral("Save Preset As"),
                                                ToQString(start / "my-sound.vpreset"), kFileFilter);
    if (file.isEmpty()) {
        return;
    }
    if (QFileInfo(file).suffix().isEmpty()) {
        file += QString::fromUtf8(kPresetSuffix.data(), static_cast<qsizetype>(kPresetSuffix.size()));
    }
    SaveFile(file.toStdString());
}

void PresetMenu::ShowMessage(const std::string& text) const {
    if (hooks_.show_message) {
        hooks_.show_message("Presets", text);
    } else {
        QMessageBox::warning(parentWidget(), QStringLiteral("Presets"), QString::fromStdString(text));
    }
}

} // namespace vortane
