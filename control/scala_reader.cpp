#include "control/scala_reader.h"

#include <cmath>
#include <cstdint>
#include <utility>

#include "base/parse_number.h"
#include "base/text.h"

namespace vortane {
namespace {

// The lines of a text numbered from 1, trimmed, with the '!' comment lines passed over.
class Lines {
public:
    explicit Lines(std::string_view text) : text_(text) {}

    // The next line that is not a comment (nor blank, when skip_blank), or nullopt at the end.
    std::optional<std::string_view> Next(bool skip_blank) {
        while (start_ < text_.size()) {
            size_t end = text_.find('\n', start_);
            end = end == std::string_view::npos ? text_.size() : end;
            const std::string_view line = Trimmed(text_.substr(start_, end - start_));
            start_ = end + 1;
            ++number_;
            if (!line.starts_with('!') && !(skip_blank && line.empty())) {
                return line;
            }
        }
        return std::nullopt;
    }
    // The line last returned; after the end, the text's last line.
    int number() const { return number_; }

private:
    std::string_view text_;
    size_t start_ = 0;
    int number_ = 0;
};

// A line's value is its first word; what follows a space or tab is a remark and ignored.
std::string_view FirstWord(std::string_view line) {
    return line.substr(0, line.find_first_of(" \t"));
}

bool AllDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// The size, then control characters no text editor writes (other than tab, line feed and carriage
// return), found before a line is read, so that nothing of a damaged file is taken.
std::optional<ScalaFault> CheckText(std::string_view text) {
    if (text.size() > kMaxTuningTextBytes) {
        return ScalaFault{0, "larger than " + std::to_string(kMaxTuningTextBytes / 1024) +
                                 " KiB: not a tuning file"};
    }
    int line = 1;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        line += c == '\n' ? 1 : 0;
        if ((byte < 0x20 && c != '\t' && c != '\n' && c != '\r') || byte == 0x7f) {
            return ScalaFault{line, "binary data: not a text file"};
        }
    }
    return std::nullopt;
}

std::string_view WithoutByteOrderMark(std::string_view text) {
    return text.starts_with("\xEF\xBB\xBF") ? text.substr(3) : text;
}

// A pitch in cents. A value with a '.' is cents ("701.955", "-5.", ".5"); any other a ratio n/d
// or a whole number n (n/1), converted by cents = 1200 × log2(n / d).
std::optional<double> ParsePitch(std::string_view word, std::string& error) {
    std::optional<double> cents;
    if (word.find('.') != std::string_view::npos) {
        const std::string_view number = word.substr(word.starts_with('-') || word.starts_with('+') ? 1 : 0);
        const size_t dot = number.find('.');
        const std::string_view whole = number.substr(0, dot), fraction = number.substr(dot + 1);
        if ((!whole.empty() && !AllDigits(whole)) || (!fraction.empty() && !AllDigits(fraction)) ||
            whole.size() + fraction.size() == 0) {
            error = "expected cents (\"701.955\") or a ratio (\"3/2\"), not " + Quoted(word);
            return std::nullopt;
        }
        cents = ParseWhole<double>(word.substr(word.starts_with('+') ? 1 : 0));
    } else {
        if (word.starts_with('-')) {
            error = "a negative ratio " + Quoted(word) + " has no pitch";
            return std::nullopt;
        }
        const size_t slash = word.find('/');
        const std::string_view numerator = word.substr(0, slash);
        const std::string_view denominator = slash == std::string_view::npos ? "1" : word.substr(slash + 1);
        if (!AllDigits(numerator) || !AllDigits(denominator)) {
            error = "expected cents (\"701.955\") or a ratio (\"3/2\"), not " + Quoted(word);
            return std::nullopt;
        }
        const std::optional<double> n = ParseWhole<double>(numerator), d = ParseWhole<double>(denominator);
        if ((n && *n == 0.0) || (d && *d == 0.0)) {
            error = "the ratio " + Quoted(word) + " has a zero in it and no pitch";
            return std::nullopt;
        }
        if (n && d) {
            cents = 1200.0 * (std::log2(*n) - std::log2(*d));
        }
    }
    // Also what overflowed on reading, and non-finite values.
    if (!cents || !(std::abs(*cents) <= kMaxDegreeCents)) {
        error = Quoted(word) + " is beyond a million cents either way";
        return std::nullopt;
    }
    return cents;
}

} // namespace

std::optional<ScalaFault> ReadScale(std::string_view text, ScaleCents& scale, std::string& description) {
    text = WithoutByteOrderMark(text);
    if (std::optional<ScalaFault> fault = CheckText(text)) {
        return fault;
    }
    Lines lines(text);
    const std::optional<std::string_view> first = lines.Next(false);
    const std::optional<std::string_view> count_line = first ? lines.Next(true) : std::nullopt;
    if (!count_line) {
        return ScalaFault{lines.number() + 1, "the text ends before the number of notes"};
    }
    description = *first;
    const int count_at = lines.number();
    const std::string_view count_word = FirstWord(*count_line);
    const std::optional<int> count = ParseWhole<int>(count_word);
    if (!count || *count < 0) {
        return ScalaFault{count_at, "expected the number of notes, not " + Quoted(count_word)};
    }
    if (*count > kMaxScaleDegrees) {
        return ScalaFault{count_at, std::to_string(*count) + " notes: a scale has at most " +
                                        std::to_string(kMaxScaleDegrees)};
    }
    scale.assign(1, 0.0);
    while (const std::optional<std::string_view> line = lines.Next(true)) {
        if (std::cmp_equal(scale.size(), *count + 1)) {
            return ScalaFault{lines.number(), "more pitches than the " + std::to_string(*count) + " line " +
                                                  std::to_string(count_at) + " announces"};
        }
        std::string error;
        const std::optional<double> cents = ParsePitch(FirstWord(*line), error);
        if (!cents) {
            return ScalaFault{lines.number(), error};
        }
        scale.push_back(*cents);
    }
    if (std::cmp_less(scale.size(), *count + 1)) {
        return ScalaFault{count_at, std::to_string(*count) + " notes announced, " +
                                        std::to_string(scale.size() - 1) + " pitch lines follow"};
    }
    return std::nullopt;
}

std::optional<ScalaFault> ReadKeyboardMap(std::string_view text, KeyboardMap& map) {
    struct Field {
        std::string_view name;
        int KeyboardMap::*value;
        int minimum, maximum;
    };
    static constexpr Field kFields[] = {
        {"the map size", &KeyboardMap::size, 0, kMaxScaleDegrees},
        {"the first MIDI note", &KeyboardMap::first, 0, kTuningKeys - 1},
        {"the last MIDI note", &KeyboardMap::last, 0, kTuningKeys - 1},
        {"the middle note", &KeyboardMap::middle, 0, kTuningKeys - 1},
        {"the reference note", &KeyboardMap::reference, 0, kTuningKeys - 1},
        {"the reference frequency", nullptr, 0, 0},
        {"the formal octave degree", &KeyboardMap::octave_degree, 0, INT32_MAX},
    };
    text = WithoutByteOrderMark(text);
    if (std::optional<ScalaFault> fault = CheckText(text)) {
        return fault;
    }
    Lines lines(text);
    for (const Field& field : kFields) {
        const std::optional<std::string_view> line = lines.Next(true);
        if (!line) {
            return ScalaFault{lines.number() + 1, "the text ends before " + std::string(field.name)};
        }
        const std::string_view word = FirstWord(*line);
        if (!field.value) {
            const std::optional<double> hz = ParseWhole<double>(word);
            if (!hz || !(*hz >= kLowestTunedHz && *hz <= kHighestTunedHz)) {
                return ScalaFault{lines.number(),
                                  "expected a reference frequency from 0.01 to 100000 Hz, not " +
                                      Quoted(word)};
            }
            map.reference_hz = *hz;
            continue;
        }
        const std::optional<int> value = ParseWhole<int>(word);
        if (!value || *value < field.minimum || *value > field.maximum) {
            return ScalaFault{lines.number(), "expected " + std::string(field.name) +
                                                  ", a whole number from " + std::to_string(field.minimum) +
                                                  " to " + std::to_string(field.maximum) + ", not " +
                                                  Quoted(word)};
        }
        map.*field.value = *value;
        map.reference_line = field.value == &KeyboardMap::reference ? lines.number() : map.reference_line;
        if (field.value == &KeyboardMap::last && map.last < map.first) {
            return ScalaFault{lines.number(), "the last MIDI note is below the first"};
        }
    }
    while (const std::optional<std::string_view> line = lines.Next(true)) {
        if (std::cmp_equal(map.degrees.size(), map.size)) {
            return ScalaFault{lines.number(),
                              "more entries than the map's size of " + std::to_string(map.size)};
        }
        const std::string_view word = FirstWord(*line);
        const std::optional<int> degree = ParseWhole<int>(word);
        if (!degree && word != "x" && word != "X") {
            return ScalaFault{lines.number(), "expected a scale degree or x (unmapped), not " + Quoted(word)};
        }
        map.degrees.push_back(degree);
    }
    return std::nullopt;
}

} // namespace vortane
