#include "plugin/voice_state.h"

#include "base/parse_number.h"
#include "base/text.h"

namespace vortane::plugin {

std::string FormatVoiceState(uint64_t seed) {
    return "format=" + std::to_string(VoiceState::kFormat) + "\nseed=" + std::to_string(seed) + "\n";
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
        }
    }
    return state;
}

} // namespace vortane::plugin
