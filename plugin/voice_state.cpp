#include "plugin/voice_state.h"

#include <charconv>

namespace vortane::plugin {
namespace {

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::optional<uint64_t> ParseUnsigned(std::string_view text) {
    uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end) {
        return std::nullopt;
    }
    return value;
}

} // namespace

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
        if (key == "seed") {
            // A damaged seed keeps the instance's own: a random voice beats a refused project.
            if (const std::optional<uint64_t> seed = ParseUnsigned(value)) {
                state.seed = seed;
            }
        }
    }
    return state;
}

} // namespace vortane::plugin
