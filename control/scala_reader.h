#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "control/tuning.h"

namespace vortane {

// The two Scala texts read into plain values, every line checked; ParseTuning lays them on the keys.

// Why a text was refused, and where: line 0 for the text as a whole.
struct ScalaFault {
    int line = 0;
    std::string message;
};

// A scale's degrees 0..N in cents: 0 for the implicit 1/1, the last the period.
using ScaleCents = std::vector<double>;

// A keyboard map. The defaults are the mapping without a file: key 60 is degree 0 at middle C and
// each key the next degree.
struct KeyboardMap {
    int size = 0; // keys in the repeating pattern; 0: no pattern, each key the next degree
    int first = 0;
    int last = kTuningKeys - 1; // keys outside first..last play nothing
    int middle = 60;            // where degree 0 of the pattern lies
    int reference = 60;
    double reference_hz = kMiddleCHz;
    int octave_degree = 0;                   // the degree each repetition climbs; 0: the scale's period
    std::vector<std::optional<int>> degrees; // the pattern from the middle note; none: unmapped
    int reference_line = 0;                  // where the file names the reference note
};

// A .scl text: lines starting with '!' are comments; then a description line (which may be blank),
// the number of notes N and N pitch lines, each a value and any remark after a space. A value with
// a '.' is cents, any other a ratio n/d or a whole number n.
std::optional<ScalaFault> ReadScale(std::string_view text, ScaleCents& scale, std::string& description);

// A .kbm text: '!' comments; the map size, first and last key, middle note, reference note,
// reference frequency and formal octave degree, one a line; then up to `size` entries, each a
// degree or x for an unmapped key (entries left out at the end are unmapped too).
std::optional<ScalaFault> ReadKeyboardMap(std::string_view text, KeyboardMap& map);

} // namespace vortane
