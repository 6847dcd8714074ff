#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "control/tuning.h"
#include "presets/preset.h"

namespace vortane {

// The preset file: a small text a person can read and edit.
//
//     Vortane preset 1
//     # Comments and blank lines are ignored.
//     Frequency Setting = 420
//     Frequency Probability Distribution = Logistic
//     X1 On = 1
//
// The first line names the format and its version. Every other line is "Name = value" with a
// name from PresetFields() or "Seed". A control the file leaves out takes its initial state, so a
// file need only hold what makes the sound. One bad line refuses the whole file. A file of a later
// version may carry names this version does not know: those lines are skipped, the rest loads.

inline constexpr int kPresetFormatVersion = 1;
inline constexpr std::string_view kPresetHeader = "Vortane preset";
inline constexpr std::string_view kPresetSuffix = ".vpreset";
// A preset is about a kilobyte, and its tuning's two texts at most 64 KiB each, a little more
// written on one line each (a line break takes two characters): anything larger is not one, and
// every preset the program saves loads again.
inline constexpr std::size_t kMaxPresetFileBytes = 4 * kMaxTuningTextBytes + 64 * 1024; // 320 KiB

struct PresetParse {
    std::optional<Preset> preset; // none when refused
    int line = 0;                 // the refused line, 0 for the file as a whole
    std::string error;            // "line 3: unknown name "Frequency"", or the file's fault
};

PresetParse ParsePresetText(std::string_view text);

// The file's text: the header, a comment, then every entry in field order.
std::string PresetText(const Preset& preset);

// Reads and parses a file; refuses what is not a regular file, larger than kMaxPresetFileBytes,
// unreadable or binary.
PresetParse LoadPresetFile(const std::filesystem::path& path);

// Writes the file as WriteFileAtomically (base/files.h) does: a failed write never leaves half a
// preset in place of the old one, and links, mode and owner stay. A missing folder is refused, not
// made.
bool SavePresetFile(const std::filesystem::path& path, const Preset& preset, std::string& error);

} // namespace vortane
