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

// <program folder>/../share/vortane/presets when it exists (an installed program wherever its
// prefix, or a program in the build tree), else the first folder vortane/presets under
// $XDG_DATA_DIRS (default /usr/local/share:/usr/share). Empty when there is none.
std::filesystem::path FactoryPresetFolder();

// $XDG_DATA_HOME/vortane/presets, XDG_DATA_HOME defaulting to ~/.local/share (also when it is
// set to a relative path, which the XDG base-directory rules say to ignore).
std::filesystem::path UserPresetFolder();

// The name a preset file shows: its file name without the suffix, hyphens and underscores read as
// spaces, each word capitalised.
std::string PresetDisplayName(const std::filesystem::path& file);

// The *.vpreset files of a folder, sorted by name; none when the folder does not exist.
std::vector<NamedPreset> ListPresets(const std::filesystem::path& folder);

// What --preset FILE_OR_NAME names: the argument itself when such a file exists or it holds a
// '/', else the preset of that name (letter case, spaces, hyphens and the suffix ignored) in the
// first folder that has one. None when nothing matches.
std::optional<std::filesystem::path> ResolvePreset(std::string_view file_or_name,
                                                   std::span<const std::filesystem::path> folders);

} // namespace vortane
