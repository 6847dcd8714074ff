#include "plugin/voice_state.h"

#include "base/parse_number.h"
#include "base/text.h"

namespace vortane::plugin {

std::string FormatVoiceState(uint64_t seed, std::string_view scale, std::string_view keymap) {
    std::string text =
        "format=" + std::to_string(VoiceState::kFormat) + "\nseed=" + std::to_string(seed) + "\n";
    if (!scale.empty()) {
        text += "scale=" + JoinLines(scale) + "\n";
    }
    if (!keymap.empty()) {
        text += "keymap=" + JoinLines(keymap) + "\n";
    }
    return text;
}

VoiceState ParseVoiceState(std::string_view text) {
    VoiceState state;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);

        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            continue;
        }
        const std::string_view key = Trimmed(line.substr(0, equals));
        const std::string_view value = Trimmed(line.substr(equals + 1));
        if (key == "format") {
            state.format = ParseWhole<int>(value).value_or(state.format);
        } else if (key == "seed") {
            // A damaged seed keeps the instance's own: a random voice beats a refused project.
            if (const std::optional<uint64_t> seed = ParseWhole<uint64_t>(value)) {
                state.seed = seed;
            }
        } else if (key == "scale" || key == "keymap") {
            // The text as written: its first and last spaces are the file's.
            std::optional<std::string> text = SplitLines(line.substr(equals + 1));
            state.tuning_damaged = state.tuning_damaged || !text;
            (key == "scale" ? state.scale : state.keymap) = text.value_or("");
        }
    }
    return state;
}

} // namespace vortane::plugin
