#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "presets/preset_file.h"

namespace vortane::editor {

// The presets the editor offers: the factory sounds compiled into the plugin (so a plugin loaded
// from anywhere has them), then the user's own from $XDG_DATA_HOME/vortane/presets, where Save
// writes. The listing is read again whenever the browser is shown or a preset is saved.
class PresetBrowser {
public:
    struct Entry {
        std::string name;
        bool factory;
        size_t program;             // a factory entry's program index
        std::filesystem::path path; // a user entry's file
    };

    explicit PresetBrowser(std::filesystem::path user_folder) : user_folder_(std::move(user_folder)) {}

    void Refresh();
    const std::vector<Entry>& entries() const { return entries_; }
    // Why the user's folder could not be listed, "" when it could (or does not exist yet).
    const std::string& error() const { return error_; }

    PresetParse Load(size_t index) const;

    // Saves under a name typed by the user, in the user's folder (made on the first save). A file
    // of that name is replaced only when the same name is saved twice in a row. Returns what the
    // editor shows: where it went, or why not.
    std::string Save(std::string_view name, const Preset& preset);

    // The file name a typed name gives ("my-sound.vpreset" for "My Sound!"); "" for none.
    static std::string FileName(std::string_view name);

private:
    std::filesystem::path user_folder_;
    std::vector<Entry> entries_;
    std::string error_;
    std::string pending_replace_; // the file a second Save replaces
};

} // namespace vortane::editor
