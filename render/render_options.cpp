#include "render/render_options.h"

#include <chrono>
#include <cmath>
#include <filesystem>

#include "base/parse_number.h"
#include "base/text.h"
#include "presets/preset.h"
#include "presets/preset_file.h"
#include "presets/preset_folders.h"

namespace vortane {
namespace {

std::string ParseSeconds(std::string_view text, long& frame_count) {
    const std::optional<double> seconds = ParseWhole<double>(text);
    if (!seconds || !std::isfinite(*seconds)) {
        return "--seconds " + Quoted(text) + " is not a number";
    }
    if (*seconds <= 0.0) {
        return "--seconds must be greater than 0, not " + Quoted(text);
    }
    if (*seconds > kMaxSeconds) {
        return "--seconds must be at most 3600, not " + Quoted(text);
    }
    frame_count = std::lround(*seconds * kRenderSampleRate);
    if (frame_count < 1) {
        return "--seconds " + Quoted(text) + " is shorter than one sample";
    }
    return {};
}

// NAME or NAME=VALUE: a parameter with its value (a toggle also by its name alone), or an option by
// its name, checked against the parameter's kind and range.
std::string ParseSetting(std::string_view text, ParamSetting& setting) {
    const size_t equals = text.find('=');
    const std::string_view name = Trimmed(text.substr(0, equals));
    const std::optional<std::string_view> value =
        equals == std::string_view::npos ? std::nullopt : std::optional(Trimmed(text.substr(equals + 1)));
    if (const std::optional<ParamId> id = FindParam(name)) {
        const ParamSpec& spec = Spec(*id);
        const std::string label = Quoted(spec.name);
        setting = {*id, 1};
        if (!value && spec.kind == ParamKind::Toggle) {
            return {}; // ticked by its name alone
        }
        if (!value && spec.kind == ParamKind::Slider) {
            return label + " needs a value in " + std::to_string(spec.minimum) + ".." +
                   std::to_string(spec.maximum) + ", as in --set " +
                   Quoted(std::string(spec.name) + "=" + std::to_string(spec.default_value));
        }
        Preset preset = DefaultPreset();
        const std::string error = SetPresetValue(preset, *id, value.value_or(""));
        setting.value = preset[*id];
        return error.empty() ? error : label + " " + error;
    }
    if (const std::optional<ParamOption> option = FindOption(name)) {
        setting = {option->id, option->index};
        if (value && *value != "1") {
            return "option " + Quoted(Spec(option->id).options[static_cast<size_t>(option->index)]) +
                   " takes no value; naming it selects it";
        }
        return {};
    }
    if (NamesMatch(name, "Play")) {
        return "\"Play\" cannot be set: the render plays from its first sample";
    }
    return "unknown control " + Quoted(name) + " (see --help)";
}

// --preset: its settings go before those of --set, which override them, and its seed is used
// unless --seed gives one.
std::string ApplyPresetOption(std::string_view file_or_name, RenderOptions& options) {
    std::string error;
    const std::optional<std::filesystem::path> path = ResolvePreset(file_or_name, PresetFolders(), error);
    if (!path) {
        return error;
    }
    const PresetParse parsed = LoadPresetFile(*path);
    if (!parsed.preset) {
        return "preset " + path->string() + ": " + parsed.error;
    }
    std::vector<ParamSetting> settings;
    for (ParamId id : PresetOrder()) {
        if (Spec(id).sound || (parsed.preset->named & (uint64_t{1} << Index(id))) != 0) {
            settings.push_back({id, (*parsed.preset)[id]});
        }
    }
    options.settings.insert(options.settings.begin(), settings.begin(), settings.end());
    if (!options.seed) {
        options.seed = parsed.preset->seed;
    }
    if (!options.tuning) {
        options.tuning = PresetTuning(*parsed.preset);
    }
    return {};
}

// --midi: the file read whole now, so that the render cannot fail on it; the keyboard plays pitch
// unless a preset or --set says Gate.
std::string ApplyMidiOption(std::string_view path, bool seconds_given, RenderOptions& options) {
    const MidiFileParse parsed = LoadMidiFile(std::filesystem::path(path));
    if (!parsed.error.empty()) {
        return Quoted(path) + ": " + parsed.error;
    }
    if (!seconds_given && parsed.length_seconds > kMaxSeconds) {
        return Quoted(path) + " lasts " + std::to_string(std::lround(parsed.length_seconds)) +
               " s, more than 3600: give --seconds";
    }
    options.midi = parsed.events;
    options.until_silent = !seconds_given;
    options.settings.insert(options.settings.begin(),
                            ParamSetting{ParamId::Keyboard, static_cast<int>(KeyboardMode::Pitch)});
    return {};
}

ParseResult Failure(std::string message) {
    ParseResult result;
    result.status = ParseStatus::Error;
    result.error = std::move(message);
    return result;
}

} // namespace

ParseResult ParseRenderOptions(std::span<const std::string_view> args) {
    ParseResult result;
    RenderOptions& options = result.options;
    options.frame_count = std::lround(kDefaultSeconds * kRenderSampleRate);
    std::optional<std::string_view> preset, midi, scale, keymap;
    bool seconds_given = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--help" || arg == "-h") {
            result.status = ParseStatus::Help;
            return result;
        }
        const bool takes_value = arg == "--seconds" || arg == "--seed" || arg == "--set" ||
                                 arg == "--preset" || arg == "--midi" || arg == "--pitch-log" ||
                                 arg == "--tuning" || arg == "--keymap";
        if (takes_value && i + 1 == args.size()) {
            return Failure(std::string(arg) + " needs a value");
        }
        std::string error;
        if (arg == "--seconds") {
            error = ParseSeconds(args[++i], options.frame_count);
            seconds_given = true;
        } else if (arg == "--seed") {
            options.seed = ParseWhole<uint64_t>(args[++i]);
            if (!options.seed) {
                error = "--seed " + Quoted(args[i]) + " is not a whole number from 0 to 18446744073709551615";
            }
        } else if (arg == "--set") {
            ParamSetting setting{};
            error = ParseSetting(args[++i], setting);
            options.settings.push_back(setting);
        } else if (arg == "--preset") {
            error = preset ? "more than one --preset" : "";
            preset = args[++i];
        } else if (arg == "--midi") {
            error = midi ? "more than one --midi" : "";
            midi = args[++i];
        } else if (arg == "--tuning") {
            error = scale ? "more than one --tuning" : "";
            scale = args[++i];
        } else if (arg == "--keymap") {
            error = keymap ? "more than one --keymap" : "";
            keymap = args[++i];
        } else if (arg == "--pitch-log") {
            options.pitch_log_path = args[++i];
        } else if (arg.size() > 1 && arg.front() == '-') {
            error = "unknown option " + Quoted(arg) + " (see --help)";
        } else if (!options.output_path.empty()) {
            error = "more than one output file: " + Quoted(options.output_path) + " and " + Quoted(arg);
        } else {
            options.output_path = arg;
        }
        if (!error.empty()) {
            return Failure(std::move(error));
        }
    }
    if (options.output_path.empty()) {
        return Failure("no output file given (see --help)");
    }
    if (scale || keymap) {
        // Given here, the tuning replaces the preset's.
        TuningParse parsed =
            LoadTuningFiles(std::string(scale.value_or("")), std::string(keymap.value_or("")));
        if (!parsed.tuning) {
            return Failure(std::move(parsed.error));
        }
        options.tuning = std::move(parsed.tuning);
    }
    if (preset) {
        if (std::string error = ApplyPresetOption(*preset, options); !error.empty()) {
            return Failure(std::move(error));
        }
    }
    if (midi) {
        if (std::string error = ApplyMidiOption(*midi, seconds_given, options); !error.empty()) {
            return Failure(std::move(error));
        }
    }
    result.status = ParseStatus::Render;
    return result;
}

std::string_view RenderUsage() {
    return R"(Usage: vortane-render [--seconds S] [--seed N] [--preset FILE_OR_NAME] [--set NAME[=VALUE]]...
                     [--midi FILE.mid] [--tuning FILE.scl] [--keymap FILE.kbm] [--pitch-log FILE.csv]
                     OUTPUT.wav

Renders the voice to OUTPUT.wav (mono, 32-bit float, 44100 Hz) as if Play had been pressed at the
first sample, or plays a MIDI file on it. The same seed, settings and file always give the same file.

  --seconds S            length in seconds, more than 0 and at most 3600 (default 10; with --midi
                         until the last note has died away)
  --midi FILE.mid        plays a Standard MIDI File (format 0 or 1) from the first sample: each note
                         a voice at its pitch ("Keyboard=Pitch"), or, with --set Keyboard=Gate, notes
                         on channel 1 opening and closing the one voice
  --tuning FILE.scl      plays the notes in a Scala scale: without --keymap, key 60 is its first
                         degree at 261.6256 Hz and each key the next degree (Pitch mode only)
  --keymap FILE.kbm      maps the keys to the scale's degrees with a Scala keyboard mapping (its
                         reference note and frequency, its unmapped keys silent); alone, it maps
                         twelve equal steps. Either replaces a preset's tuning
  --seed N               seed of the random source, 0..18446744073709551615 (default: from the clock)
  --set NAME=VALUE       moves a slider, as the user would: "Frequency Setting=500", "Master Volume=800",
                         "Frq=900", "X1 Barrier=40", "X1 Primary Step Size=20"
  --set NAME             selects an option ("Logistic", "SOnLimits", "PriC") or ticks a check box
                         ("X1 Negative", "X1 On" .. "Y2 On"); a check box also takes =0 or =1
  --pitch-log FILE.csv   also writes each sounding voice's pitch every 64 frames: seconds, voice,
                         key (-1 for the gate's voice) and Hz, one line each
  --set GROUP=OPTION     selects an option by its group, as a preset file does:
                         "Frequency Probability Distribution=Logistic", "Frequency Barriers Walk=PriC",
                         "Frequency Barriers=SRandom", "Keyboard=Pitch"
  --set NAME=VALUE       the keyboard's too, with --midi: "Voices=4", "Attack=20", "Decay=300",
                         "Sustain=70", "Release=800" (ms, %), "Velocity=100", "Bend Range=12"
  --preset FILE_OR_NAME  starts from a preset; --set options then override it, and --seed its seed.
                         NAME (no "/") is only a preset's name, looked up in the factory presets,
                         then in your own: "Falling Sirens". FILE (with a "/") is only a file:
                         "./mine.vpreset" for one in the current folder
  --help                 shows this text

Settings apply in the order given, after the preset's. Names ignore letter case and extra spaces.
OUTPUT.wav "-" means standard output (not a terminal). A FIFO or a device such as /dev/null is written in
place; a symbolic link is followed; a file is replaced whole, keeping its permissions, and one with
other hard links is filled in place only once the disk has room for the whole render.
Exit codes: 0 done, 2 bad input or the file could not be written.
)";
}

uint64_t SeedFromClock() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
}

} // namespace vortane
