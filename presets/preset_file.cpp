#include "presets/preset_file.h"

#include <array>
#include <vector>

#include "base/files.h"
#include "base/parse_number.h"
#include "base/text.h"
#include "control/tuning.h"

namespace vortane {
namespace {

namespace fs = std::filesystem;

// Bytes no text editor writes: control characters other than tab, line feed and carriage return.
bool IsBinaryByte(unsigned char c) {
    return (c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7f;
}

PresetParse Refused(int line, std::string message) {
    PresetParse result;
    result.line = line;
    result.error = line > 0 ? "line " + std::to_string(line) + ": " + message : std::move(message);
    return result;
}

// The version of a header line "Vortane preset N", or 0 when the line is no such header.
int HeaderVersion(std::string_view line) {
    if (!line.starts_with(kPresetHeader)) {
        return 0;
    }
    const std::optional<int> version = ParseWhole<int>(Trimmed(line.substr(kPresetHeader.size())));
    const bool separated = line.size() > kPresetHeader.size() &&
                           (line[kPresetHeader.size()] == ' ' || line[kPresetHeader.size()] == '\t');
    return version && separated && *version > 0 ? *version : 0;
}

} // namespace

PresetParse ParsePresetText(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3); // a byte-order mark some editors write
    }
    for (size_t i = 0, line = 1; i < text.size(); ++i) {
        line += text[i] == '\n' ? 1 : 0;
        if (IsBinaryByte(static_cast<unsigned char>(text[i]))) {
            return Refused(static_cast<int>(line), "binary data: this is not a preset file");
        }
    }
    if (Trimmed(text).find_first_not_of("\r\n") == std::string_view::npos) {
        return Refused(0, "the file is empty");
    }

    Preset preset = DefaultPreset();
    std::array<int, kParamCount + 3> set_on_line{}; // the seed, the tuning's scale and map last
    int tuning_line = 0;
    int version = 0;
    int number = 0;
    for (size_t start = 0; start <= text.size();) {
        size_t end = text.find('\n', start);
        end = end == std::string_view::npos ? text.size() : end;
        std::string_view line = Trimmed(text.substr(start, end - start));
        start = end + 1;
        ++number;
        if (number == 1) {
            version = HeaderVersion(line);
            if (version == 0) {
                const std::string header =
                    std::string(kPresetHeader) + " " + std::to_string(kPresetFormatVersion);
                return Refused(1, "not a Vortane preset: the first line must read " + Quoted(header));
            }
            continue;
        }
        if (line.empty() || line.starts_with('#')) {
            continue;
        }
        const size_t equals = line.find('=');
        const std::string_view name = Trimmed(line.substr(0, equals));
        if (equals == std::string_view::npos || name.empty()) {
            return Refused(number, "expected \"Name = value\", not " + Quoted(line));
        }
        const std::string_view value = Trimmed(line.substr(equals + 1));
        const bool seed = NamesMatch(name, kSeedName);
        const bool scale = NamesMatch(name, kTuningName), keymap = NamesMatch(name, kKeymapName);
        const std::optional<ParamId> id = FindParam(name);
        if (!seed && !scale && !keymap && !id) {
            if (version > kPresetFormatVersion) {
                continue; // a parameter of a later version: what this version knows still loads
            }
            return Refused(number, "unknown name " + Quoted(name));
        }
        const std::string_view label = seed     ? kSeedName
                                       : scale  ? kTuningName
                                       : keymap ? kKeymapName
                                                : Spec(*id).name;
        int& seen = set_on_line[seed     ? kParamCount
                                : scale  ? kParamCount + 1
                                : keymap ? kParamCount + 2
                                         : Index(*id)];
        if (seen != 0) {
            return Refused(number, Quoted(label) + " is already set on line " + std::to_string(seen));
        }
        seen = number;
        std::string error;
        if (seed) {
            preset.seed = ParseWhole<uint64_t>(value);
            if (!preset.seed) {
                error = "value " + Quoted(value) + " is not a whole number from 0 to 18446744073709551615";
            }
        } else if (scale || keymap) {
            std::optional<std::string> text = SplitLines(value);
            if (!text) {
                error = "has a backslash that is neither \\\\ nor \\n";
            } else {
                (scale ? preset.scale : preset.keymap) = std::move(text);
                tuning_line = scale || tuning_line == 0 ? number : tuning_line;
            }
        } else {
            error = SetPresetValue(preset, *id, value);
        }
        if (!error.empty()) {
            return Refused(number, Quoted(label) + " " + error);
        }
    }
    if (tuning_line != 0) {
        // The tuning is read whole, as its files would be: a fault names the preset's line and the
        // file's own.
        const TuningParse tuning = ParseTuning(preset.scale.value_or(""), preset.keymap.value_or(""));
        if (!tuning.tuning) {
            return Refused(tuning_line, "the tuning's " + tuning.error);
        }
    }
    PresetParse result;
    result.preset = std::move(preset);
    return result;
}

std::string PresetText(const Preset& preset) {
    std::string text = std::string(kPresetHeader) + " " + std::to_string(kPresetFormatVersion) + "\n";
    text += "# Controls left out take their initial state; Seed is used by vortane-render only.\n";
    for (const auto& [name, value] : PresetEntries(preset)) {
        text += name + " = " + value + "\n";
    }
    return text;
}

PresetParse LoadPresetFile(const fs::path& path) {
    std::string text, error;
    if (!ReadSmallFile(path.string(), kMaxPresetFileBytes, "a preset file", text, error)) {
        return Refused(0, error);
    }
    return ParsePresetText(text);
}

bool SavePresetFile(const fs::path& path, const Preset& preset, std::string& error) {
    // The folder must exist: a name such as "sub/dir/name" would otherwise make folders whose
    // presets are never found by name.
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        error = "there is no folder " + Quoted(folder.string()) + "; a preset's name cannot contain \"/\"";
        return false;
    }
    if (!WriteFileAtomically(path.string(), PresetText(preset), error)) {
        error = "cannot write " + Quoted(path.string()) + ": " + error;
        return false;
    }
    return true;
}

} // namespace vortane
