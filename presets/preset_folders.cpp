#include "presets/preset_folders.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <pwd.h>
#include <set>
#include <unistd.h>

#include "base/text.h"
#include "presets/preset_file.h"

namespace vortane {
namespace {

namespace fs = std::filesystem;

const fs::path kPresetSubfolder = fs::path("vortane") / "presets";

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

fs::path HomeFolder() {
    std::string home = Environment("HOME");
    if (home.empty()) {
        if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr) {
            home = entry->pw_dir;
        }
    }
    return home;
}

fs::path ProgramFolder() {
    std::error_code ec;
    const fs::path program = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : program.parent_path();
}

// Lower case, '-' and '_' as spaces, runs of spaces as one, no spaces at the ends.
std::string Normalised(std::string_view name) {
    std::string out;
    for (char c : name) {
        const bool space = c == '-' || c == '_' || std::isspace(static_cast<unsigned char>(c));
        if (space) {
            if (!out.empty() && out.back() != ' ') {
                out += ' ';
            }
        } else {
            out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    if (!out.empty() && out.back() == ' ') {
        out.pop_back();
    }
    return out;
}

} // namespace

std::vector<fs::path> FactoryPresetFolders() {
    std::vector<fs::path> folders;
    if (const fs::path program = ProgramFolder(); !program.empty()) {
        folders.push_back((program.parent_path() / "share" / kPresetSubfolder).lexically_normal());
    }
    std::string dirs = Environment("XDG_DATA_DIRS");
    if (dirs.empty()) {
        dirs = "/usr/local/share:/usr/share";
    }
    for (size_t start = 0; start <= dirs.size();) {
        size_t end = dirs.find(':', start);
        end = end == std::string::npos ? dirs.size() : end;
        const fs::path base = dirs.substr(start, end - start);
        start = end + 1;
        if (base.is_absolute()) {
            folders.push_back(base / kPresetSubfolder);
        }
    }
    return folders;
}

fs::path UserPresetFolder() {
    const fs::path data_home = Environment("XDG_DATA_HOME");
    if (data_home.is_absolute()) {
        return data_home / kPresetSubfolder;
    }
    return HomeFolder() / ".local" / "share" / kPresetSubfolder;
}

std::vector<fs::path> PresetFolders() {
    std::vector<fs::path> folders = FactoryPresetFolders();
    folders.push_back(UserPresetFolder());
    return folders;
}

std::string PresetDisplayName(const fs::path& file) {
    std::string name = Normalised(file.stem().string());
    for (size_t i = 0; i < name.size(); ++i) {
        if (i == 0 || name[i - 1] == ' ') {
            name[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[i])));
        }
    }
    return name;
}

std::vector<NamedPreset> ListPresets(const fs::path& folder, std::string* error) {
    std::vector<NamedPreset> presets;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& path = it->path();
        std::error_code ignored; // a dangling link is no preset
        if (path.extension() == kPresetSuffix && it->is_regular_file(ignored)) {
            presets.push_back({PresetDisplayName(path), path});
        }
    }
    // A folder that is not there is no error: most of the XDG folders hold no presets of ours.
    const bool missing = ec == std::errc::no_such_file_or_directory || ec == std::errc::not_a_directory;
    if (ec && !missing && error != nullptr) {
        *error = "cannot read " + folder.string() + ": " + ec.message();
    }
    std::sort(presets.begin(), presets.end(),
              [](const NamedPreset& a, const NamedPreset& b) { return a.name < b.name; });
    return presets;
}

PresetListing CollectPresets(std::span<const fs::path> folders) {
    PresetListing listing;
    std::set<std::string> names;
    for (const fs::path& folder : folders) {
        for (NamedPreset& preset : ListPresets(folder, listing.error.empty() ? &listing.error : nullptr)) {
            if (names.insert(Normalised(preset.name)).second) {
                listing.presets.push_back(std::move(preset));
            }
        }
    }
    std::sort(listing.presets.begin(), listing.presets.end(),
              [](const NamedPreset& a, const NamedPreset& b) { return a.name < b.name; });
    return listing;
}

std::optional<fs::path> ResolvePreset(std::string_view file_or_name, std::span<const fs::path> folders,
                                      std::string& error) {
    if (file_or_name.find('/') != std::string_view::npos) {
        return fs::path(file_or_name);
    }
    std::string_view name = file_or_name;
    if (name.ends_with(kPresetSuffix)) {
        name.remove_suffix(kPresetSuffix.size());
    }
    const std::string wanted = Normalised(name);
    const PresetListing listing = CollectPresets(folders);
    for (const NamedPreset& preset : listing.presets) {
        if (!wanted.empty() && Normalised(preset.name) == wanted) {
            return preset.path;
        }
    }
    error = "no preset named " + Quoted(file_or_name);
    std::error_code ec;
    if (!listing.error.empty()) {
        error += " was found: " + listing.error;
    } else if (fs::exists(fs::path(file_or_name), ec)) {
        error +=
            "; for the file of that name in this folder, write " + Quoted("./" + std::string(file_or_name));
    }
    return std::nullopt;
}

} // namespace vortane
