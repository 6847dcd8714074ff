#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vortane::plugin {

// The part of an instance's state that is not a parameter: the seed its voice starts from. The
// host keeps it in the project as one text value ("voice"), next to the parameters it keeps
// itself:
//     format=2
//     seed=12345678901234567890
// Lines are key=value; unknown keys (from a later version) and malformed lines are skipped.
// Format 1 came before notes played pitch ("Keyboard"): a state without format 2 was made with the
// gate.
struct VoiceState {
    static constexpr int kFormat = 2;
    int format = 1;
    std::optional<uint64_t> seed;
};

std::string FormatVoiceState(uint64_t seed);

// Reads whatever it understands of any text, however damaged; never fails.
VoiceState ParseVoiceState(std::string_view text);

} // namespace vortane::plugin
