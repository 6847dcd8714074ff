#include "control/tuning.h"

#include <cmath>
#include <cstdint>

#include "base/files.h"
#include "base/text.h"
#include "control/scala_reader.h"

namespace vortane {

// The one way into a Tuning's table: the class has no public constructor, so every tuning is either
// equal temperament or the product of a parse that checked its files.
struct TuningBuilder {
    static Tuning Make(const std::array<double, kTuningKeys>& hz, std::string_view scl, std::string_view kbm,
                       std::string_view description) {
        Tuning tuning;
        tuning.hz_ = hz;
        tuning.scale_text_ = scl;
        tuning.keymap_text_ = kbm;
        tuning.description_ = description;
        return tuning;
    }
};

namespace {

constexpr std::string_view kEqualDescription = "Twelve-tone equal temperament";

// floor(a / b) for b > 0: the period or pattern a degree or key lies in, below zero too.
int64_t FloorDiv(int64_t a, int64_t b) {
    return a >= 0 ? a / b : -((b - 1 - a) / b);
}

// cents(d) = floor(d / N) × period + cents(d mod N), for a degree in any period.
double DegreeCents(const ScaleCents& scale, int64_t degree) {
    const auto n = static_cast<int64_t>(scale.size()) - 1;
    if (n == 0) {
        return 0.0; // a scale of 1/1 alone
    }
    const int64_t periods = FloorDiv(degree, n);
    return static_cast<double>(periods) * scale.back() + scale[static_cast<size_t>(degree - periods * n)];
}

// The key's pitch in cents above degree 0 at the middle note, or nullopt where the map has none:
//     cents = pattern × cents(octave degree) + cents(the pattern's entry for the key).
std::optional<double> KeyCents(const ScaleCents& scale, const KeyboardMap& map, int key) {
    const int64_t offset = key - map.middle;
    if (map.size == 0) {
        return DegreeCents(scale, offset);
    }
    const int64_t pattern = FloorDiv(offset, map.size);
    const auto entry = static_cast<size_t>(offset - pattern * map.size);
    if (entry >= map.degrees.size() || !map.degrees[entry]) {
        return std::nullopt;
    }
    const int64_t octave =
        map.octave_degree == 0 ? static_cast<int64_t>(scale.size()) - 1 : map.octave_degree;
    return static_cast<double>(pattern) * DegreeCents(scale, octave) +
           DegreeCents(scale, *map.degrees[entry]);
}

TuningParse Refused(std::string_view file, const ScalaFault& fault) {
    TuningParse result;
    result.line = fault.line;
    result.error = std::string(file);
    result.error += fault.line > 0 ? " line " + std::to_string(fault.line) + ": " : ": ";
    result.error += fault.message;
    return result;
}

} // namespace

Tuning Tuning::EqualTemperament() {
    std::array<double, kTuningKeys> hz{};
    for (int key = 0; key < kTuningKeys; ++key) {
        hz[static_cast<size_t>(key)] = 440.0 * std::exp2((key - 69) / 12.0);
    }
    return TuningBuilder::Make(hz, "", "", kEqualDescription);
}

namespace {

// Faults name the texts by the labels given: "scale", "keyboard map", or their files' names.
TuningParse ParseLabelled(std::string_view scl_text, std::string_view kbm_text, std::string_view scale_label,
                          std::string_view map_label) {
    if (scl_text.empty() && kbm_text.empty()) {
        return TuningParse{Tuning::EqualTemperament(), 0, ""};
    }
    ScaleCents scale;
    std::string description(kEqualDescription);
    if (scl_text.empty()) {
        for (int degree = 0; degree <= 12; ++degree) {
            scale.push_back(100.0 * degree);
        }
    } else if (const std::optional<ScalaFault> fault = ReadScale(scl_text, scale, description)) {
        return Refused(scale_label, *fault);
    }
    KeyboardMap map;
    if (!kbm_text.empty()) {
        if (const std::optional<ScalaFault> fault = ReadKeyboardMap(kbm_text, map)) {
            return Refused(map_label, *fault);
        }
    }
    const std::optional<double> reference_cents = KeyCents(scale, map, map.reference);
    if (!reference_cents) {
        return Refused(map_label, {map.reference_line, "the reference note " + std::to_string(map.reference) +
                                                           " is unmapped, so nothing would sound at the "
                                                           "reference frequency"});
    }

    // f(key) = f_ref × 2^((cents(key) − cents(reference)) / 1200), where the map gives the key a degree.
    std::array<double, kTuningKeys> hz{};
    for (int key = map.first; key <= map.last; ++key) {
        const std::optional<double> cents = KeyCents(scale, map, key);
        const double f = cents ? map.reference_hz * std::exp2((*cents - *reference_cents) / 1200.0) : 0.0;
        // Also drops a non-finite f: every comparison with NaN is false.
        hz[static_cast<size_t>(key)] = f >= kLowestTunedHz && f <= kHighestTunedHz ? f : 0.0;
    }
    return TuningParse{TuningBuilder::Make(hz, scl_text, kbm_text, description), 0, ""};
}

} // namespace

TuningParse ParseTuning(std::string_view scl_text, std::string_view kbm_text) {
    return ParseLabelled(scl_text, kbm_text, "scale", "keyboard map");
}

TuningParse LoadTuningFiles(const std::string& scl_path, const std::string& kbm_path) {
    std::string texts[2];
    const std::string* paths[2] = {&scl_path, &kbm_path};
    for (int i = 0; i < 2; ++i) {
        std::string error;
        if (!paths[i]->empty() && !ReadSmallFile(*paths[i], kMaxTuningTextBytes,
                                                 i == 0 ? "a scale" : "a keyboard map", texts[i], error)) {
            return TuningParse{std::nullopt, 0, Quoted(*paths[i]) + ": " + error};
        }
        if (!paths[i]->empty() && texts[i].empty()) {
            return TuningParse{std::nullopt, 0, Quoted(*paths[i]) + ": is empty"};
        }
    }
    return ParseLabelled(texts[0], texts[1], Quoted(scl_path), Quoted(kbm_path));
}

} // namespace vortane
