#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vortane {

inline constexpr int kTuningKeys = 128;
// Where twelve-tone equal temperament at A4 = 440 Hz puts middle C (key 60): 440 × 2^(-9/12).
inline constexpr double kMiddleCHz = 261.62556530059862;
// A tuning's mapped keys sound within these bounds; a key the files put beyond them plays nothing.
inline constexpr double kLowestTunedHz = 0.01;
inline constexpr double kHighestTunedHz = 100000.0;
// Scale and keyboard-map texts are a few kilobytes; anything larger is not one.
inline constexpr std::size_t kMaxTuningTextBytes = 64 * 1024;
inline constexpr int kMaxScaleDegrees = 1024;
inline constexpr double kMaxDegreeCents = 1000000.0;

// Which frequency each MIDI key plays: a scale (.scl) and a keyboard mapping (.kbm).
//
// The scale lists the pitches of degrees 1..N above the implicit degree 0 (1/1), in cents or as
// ratios; degree N is the period after which the scale repeats, so degree d sounds
//     cents(d) = floor(d / N) × cents(N) + cents(d mod N).
// The keyboard map lays a pattern of `size` keys from its middle note upwards (and downwards), each
// naming a degree or none; each repetition of the pattern climbs by the formal octave degree. The
// reference note sounds at the reference frequency, every other key at
//     f(key) = f_ref × 2^((cents(key) − cents(reference)) / 1200).
//
// The table is built once and never changes, so the audio thread may read it while another thread
// holds the same object; Frequency() neither allocates nor locks.
class Tuning {
public:
    // Twelve-tone equal temperament, A4 (key 69) = 440 Hz.
    static Tuning EqualTemperament();

    // Hz, or nullopt for a key the map leaves unmapped (it plays nothing). Keys 0..127.
    std::optional<double> Frequency(int key) const {
        if (key < 0 || key >= kTuningKeys || hz_[static_cast<std::size_t>(key)] == 0.0) {
            return std::nullopt;
        }
        return hz_[static_cast<std::size_t>(key)];
    }

    // The texts it was read from ("" for equal temperament), so presets and plugin states can carry
    // them: ParseTuning(scale_text(), keymap_text()) gives this tuning again.
    const std::string& scale_text() const { return scale_text_; }
    const std::string& keymap_text() const { return keymap_text_; }
    // The scale file's description line.
    std::string_view description() const { return description_; }

    bool operator==(const Tuning&) const = default;

private:
    friend struct TuningBuilder;
    Tuning() = default;

    std::array<double, kTuningKeys> hz_{}; // 0 for unmapped
    std::string scale_text_;
    std::string keymap_text_;
    std::string description_;
};

struct TuningParse {
    std::optional<Tuning> tuning; // none when refused
    int line = 0;                 // the refused line, 0 for the text as a whole
    std::string error;            // "scale line 5: ...", "keyboard map line 3: ...", "scale: ..."
};

// Reads a scale and a keyboard map as the Scala formats define them, or refuses both whole with
// the first fault found. An empty keymap text means the default mapping: key 60 is degree 0 at
// kMiddleCHz and each key the next degree. An empty scale text means twelve-tone equal
// temperament (with both empty, exactly EqualTemperament()). Keys the files place outside
// kLowestTunedHz..kHighestTunedHz (a scale whose steps are octaves reaches them within a few keys)
// play nothing rather than refusing the files; the reference frequency itself must lie within.
TuningParse ParseTuning(std::string_view scl_text, std::string_view kbm_text);

// Reads the files (either path "" for none) and parses their texts; a fault names the file:
// "\"x.scl\": is larger than 64 KiB", "\"x.kbm\" line 3: ...". An empty file is refused, not
// taken for the default.
TuningParse LoadTuningFiles(const std::string& scl_path, const std::string& kbm_path);

} // namespace vortane
