#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/audio_format.h"
#include "control/params.h"
#include "control/tuning.h"
#include "midi/midi_file.h"

namespace vortane {

// One --set: a parameter and the value it is given, applied in command-line order.
struct ParamSetting {
    ParamId id;
    int value;
};

// What one vortane-render run does, fully validated: every parameter exists and every value lies in
// its range, so that rendering itself cannot fail on the user's input.
struct RenderOptions {
    long frame_count = 0;
    // With --midi and no --seconds the render runs until the last note has died away: its length is
    // found by a first, silent run.
    bool until_silent = false;
    std::optional<uint64_t> seed; // none: the clock chooses
    std::vector<ParamSetting> settings;
    // --midi: the file's channel messages, played from the first sample instead of Play.
    std::optional<std::vector<MidiFileEvent>> midi;
    // --tuning and --keymap, or the preset's tuning: none plays twelve-tone equal temperament.
    std::optional<Tuning> tuning;
    // --pitch-log: where each sounding voice's pitch goes, every 64 frames, as CSV.
    std::string pitch_log_path;
    std::string output_path;
};

inline constexpr int kRenderSampleRate = kSampleRate;
inline constexpr double kDefaultSeconds = 10.0;
inline constexpr double kMaxSeconds = 3600.0;

enum class ParseStatus { Render, Help, Error };

struct ParseResult {
    ParseStatus status = ParseStatus::Error;
    RenderOptions options; // meaningful for Render
    std::string error;     // one line, for Error
};

// Reads the arguments after the program name.
ParseResult ParseRenderOptions(std::span<const std::string_view> args);

// The --help text.
std::string_view RenderUsage();

// The clock-derived seed used when none is given.
uint64_t SeedFromClock();

} // namespace vortane
