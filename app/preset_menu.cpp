#include "app/preset_menu.h"

#include <QFileDialog>
#include <QMessageBox>

#include "base/text.h"
#include "control/synth.h"
#include "control/tuning.h"
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

PresetMenu::PresetMenu(Synth& synth, std::vector<fs::path> factory_folders, fs::path user_folder, Hooks hooks,
                       QWidget* parent)
    : QMenu(QStringLiteral("Presets"), parent), synth_(synth), factory_folders_(std::move(factory_folders)),
      user_folder_(std::move(user_folder)), hooks_(std::move(hooks)) {
    AddFactoryPresets();
    addSeparator();
    connect(addAction(QString::fromUtf8("Open Preset…")), &QAction::triggered, this,
            &PresetMenu::OpenWithDialog);
    connect(addAction(QString::fromUtf8("Save Preset As…")), &QAction::triggered, this,
            &PresetMenu::SaveWithDialog);
    addSeparator();
    tuning_ = addAction(QString());
    tuning_->setEnabled(false);
    connect(addAction(QString::fromUtf8("Open Tuning…")), &QAction::triggered, this,
            &PresetMenu::OpenTuningWithDialog);
    equal_ = addAction(QStringLiteral("Twelve-Tone Equal"));
    equal_->setCheckable(true);
    connect(equal_, &QAction::triggered, this, [this] { LoadTuning({}, {}); });
    ShowTuning();
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
    ShowTuning();
    if (hooks_.applied) {
        hooks_.applied();
    }
    return true;
}

bool PresetMenu::LoadTuning(const fs::path& scale, const fs::path& keymap) {
    TuningParse parsed = LoadTuningFiles(scale.string(), keymap.string());
    if (!parsed.tuning) {
        ShowMessage("The tuning was not loaded: " + parsed.error + ".\n\nThe tuning was not changed.");
        ShowTuning();
        return false;
    }
    synth_.SetTuning(*parsed.tuning);
    ShowTuning();
    return true;
}

void PresetMenu::ShowTuning() {
    const bool equal = synth_.tuning() == Tuning::EqualTemperament();
    equal_->setChecked(equal);
    // The scale file's own description line, cut where a long one would widen the menu.
    const std::string_view description = synth_.tuning().description();
    const std::string_view shown = Utf8Prefix(description, 60);
    QString text = QString::fromStdString("Tuning: " + std::string(shown) +
                                          (shown.size() < description.size() ? "…" : ""));
    tuning_->setText(text.replace(QLatin1Char('&'), QStringLiteral("&&"))); // not a shortcut
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

// One scale, one keyboard map, or one of each, chosen together; the dialog starts among the
// factory scales.
void PresetMenu::OpenTuningWithDialog() {
    fs::path start = QDir::homePath().toStdString();
    std::error_code ec;
    for (const fs::path& folder : factory_folders_) {
        if (fs::is_directory(folder.parent_path() / "scales", ec)) {
            start = folder.parent_path() / "scales";
            break;
        }
    }
    const QStringList files = QFileDialog::getOpenFileNames(
        parentWidget(), QStringLiteral("Open Tuning"), ToQString(start),
        QStringLiteral("Scala scales and keyboard maps (*.scl *.kbm);;All files (*)"));
    if (files.isEmpty()) {
        ShowTuning();
        return;
    }
    fs::path scale, keymap;
    for (const QString& file : files) {
        fs::path& slot = file.endsWith(QStringLiteral(".kbm"), Qt::CaseInsensitive) ? keymap : scale;
        if (!slot.empty() || files.size() > 2) {
            ShowMessage(
                "Choose one scale (.scl), one keyboard map (.kbm), or one of each.\n\nThe tuning was not "
                "changed.");
            ShowTuning();
            return;
        }
        slot = file.toStdString();
    }
    LoadTuning(scale, keymap);
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
