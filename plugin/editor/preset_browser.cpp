#include "plugin/editor/preset_browser.h"

#include <cctype>
#include <system_error>

#include "plugin/factory_programs.h"
#include "presets/preset_folders.h"

namespace vortane::editor {

namespace fs = std::filesystem;

void PresetBrowser::Refresh() {
    entries_.clear();
    for (size_t i = 0; i < plugin::FactoryProgramCount(); ++i) {
        entries_.push_back({plugin::FactoryProgramName(i), true, i, {}});
    }
    error_.clear();
    for (NamedPreset& preset : ListPresets(user_folder_, &error_)) {
        entries_.push_back({std::move(preset.name), false, 0, std::move(preset.path)});
    }
}

PresetParse PresetBrowser::Load(size_t index) const {
    if (index >= entries_.size()) {
        return {std::nullopt, 0, "no such preset"};
    }
    const Entry& entry = entries_[index];
    if (entry.factory) {
        return {plugin::FactoryProgram(entry.program), 0, ""};
    }
    return LoadPresetFile(entry.path);
}

std::string PresetBrowser::FileName(std::string_view name) {
    std::string file;
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isalnum(u)) {
            file += static_cast<char>(std::tolower(u));
        } else if ((c == ' ' || c == '-' || c == '_') && !file.empty() && file.back() != '-') {
            file += '-';
        }
    }
    while (!file.empty() && file.back() == '-') {
        file.pop_back();
    }
    return file.empty() ? file : file + std::string(kPresetSuffix);
}

std::string PresetBrowser::Save(std::string_view name, const Preset& preset) {
    const std::string file = FileName(name);
    if (file.empty()) {
        pending_replace_.clear();
        return "Type a name (letters or digits) to save under.";
    }
    std::error_code ec;
    fs::create_directories(user_folder_, ec);
    const fs::path path = user_folder_ / file;
    if (fs::exists(path, ec) && pending_replace_ != path.string()) {
        pending_replace_ = path.string();
        return file + " exists: Save again to replace it.";
    }
    pending_replace_.clear();
    std::string error;
    if (!SavePresetFile(path, preset, error)) {
        return "Not saved: " + error + ".";
    }
    Refresh();
    return "Saved " + path.string();
}

} // namespace vortane::editor
