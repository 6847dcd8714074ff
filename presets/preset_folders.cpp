#include "presets/preset_folders.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

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

bool IsFolder(const fs::path& path) {
    std::error_code ec;
    return !path.empty() && fs::is_directory(path, ec);
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

fs::path FactoryPresetFolder() {
    if (const fs::path program = ProgramFolder(); !program.empty()) {
        const fs::path beside = (program.parent_path() / "share" / kPresetSubfolder).lexically_normal();
        if (IsFolder(beside)) {
            return beside;
        }
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
        if (base.is_absolute() && IsFolder(base / kPresetSubfolder)) {
            return base / kPresetSubfolder;
        }
    }
    return {};
}

fs::path UserPresetFolder() {
    const fs::path data_home = Environment("XDG_DATA_HOME");
    if (data_home.is_absolute()) {
        return data_home / kPresetSubfolder;
    }
    return HomeFolder() / ".local" / "share" / kPresetSubfolder;
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

std::vector<NamedPreset> ListPresets(const fs::path& folder) {
    std::vector<NamedPreset> presets;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& path = it->path();
        if (path.extension() == kPresetSuffix && it->is_regular_file(ec)) {
            presets.push_back({PresetDisplayName(path), path});
        }
    }
    std::sort(presets.begin(), presets.end(),
              [](const NamedPreset& a, const NamedPreset& b) { return a.name < b.name; });
    return presets;
}

std::optional<fs::path> ResolvePreset(std::string_view file_or_name, std::span<const fs::path> folders) {
    const fs::path given(file_or_name);
    std::error_code ec;
    if (file_or_name.find('/') != std::string_view::npos || fs::exists(given, ec)) {
        return given;
    }
    std::string_view name = file_or_name;
    if (name.ends_with(kPresetSuffix)) {
        name.remove_suffix(kPresetSuffix.size());
    }
    const std::string wanted = Normalised(name);
    for (const fs::path& folder : folders) {
        for (const NamedPreset& preset : ListPresets(folder)) {
            if (!wanted.empty() && Normalised(preset.name) == wanted) {
                return preset.path;
            }
        }
    }
    return std::nullopt;
}

} // namespace vortane
