#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vortane::plugin {

// The part of an instance's state that is not a parameter: the seed its voice starts from and the
// tuning its notes play in. The host keeps it in the project as one text value ("voice"), next to
// the parameters it keeps itself:
//     format=2
//     seed=12345678901234567890
//     scale=! 19-equal.scl\n19 equal divisions of the octave\n 19\n...
//     keymap=...
// Lines are key=value; unknown keys (from a later version) and malformed lines are skipped. The
// scale and keyboard map are the files' own texts, each as one line (JoinLines), so a project
// carries its tuning with it and no path can go stale; without them the notes play twelve-tone
// equal temperament. Format 1 came before notes played pitch ("Keyboard"): a state without
// format 2 was made with the gate.
struct VoiceState {
    static constexpr int kFormat = 2;
    int format = 1;
    std::optional<uint64_t> seed;
    std::string scale, keymap;   // "" for none
    bool tuning_damaged = false; // a scale or map line that does not unescape
};

std::string FormatVoiceState(uint64_t seed, std::string_view scale = {}, std::string_view keymap = {});

// Reads whatever it understands of any text, however damaged; never fails.
VoiceState ParseVoiceState(std::string_view text);

} // namespace vortane::plugin
