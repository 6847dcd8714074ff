#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vortane {

// Where presets live. Factory presets ship with the program under ${datadir}/vortane/presets;
// the user's own go to $XDG_DATA_HOME/vortane/presets (~/.local/share/vortane/presets by default),
// which is created on the first save.

struct NamedPreset {
    std::string name; // "Glass Siren" for glass-siren.vpreset
    std::filesystem::path path;
};

// Where factory presets are looked for, in order: <program folder>/../share/vortane/presets (an
// installed program wherever its prefix, or a program in the build tree), then vortane/presets under
// every absolute entry of $XDG_DATA_DIRS (default /usr/local/share:/usr/share), whether or not
// they exist.
std::vector<std::filesystem::path> FactoryPresetFolders();

// $XDG_DATA_HOME/vortane/presets, XDG_DATA_HOME defaulting to ~/.local/share (also when it is
// set to a relative path, which the XDG base-directory rules say to ignore).
std::filesystem::path UserPresetFolder();

// Where a preset is looked for by name: the factory folders, then the user's.
std::vector<std::filesystem::path> PresetFolders();

// The name a preset file shows: its file name without the suffix, hyphens and underscores read as
// spaces, each word capitalised.
std::string PresetDisplayName(const std::filesystem::path& file);

// The *.vpreset files of a folder, sorted by name; none when the folder does not exist. A folder
// that exists but cannot be read leaves the reason in error (when given).
std::vector<NamedPreset> ListPresets(const std::filesystem::path& folder, std::string* error = nullptr);

struct PresetListing {
    std::vector<NamedPreset> presets; // sorted by name; where names repeat, the earliest folder's
    std::string error;                // "cannot read FOLDER: reason" for a folder that exists unread
};

// The presets of several folders, the first folder winning where two hold the same name.
PresetListing CollectPresets(std::span<const std::filesystem::path> folders);

// What --preset FILE_OR_NAME names. Text with a '/' is a file and only a file; any other is only the
// name of a preset (letter case, spaces, hyphens and the suffix ignored) in the first of folders
// that has one, never a file of the current folder. None, with a one-line reason in error, when
// nothing matches; the reason names a folder that could not be read, if there was one.
std::optional<std::filesystem::path> ResolvePreset(std::string_view file_or_name,
                                                   std::span<const std::filesystem::path> folders,
                                                   std::string& error);

} // namespace vortane
