#include "midi/midi_keys.h"

#include <array>

namespace vortane {
namespace {

constexpr int kControllerCount = 128;

// Fixed buffers of the number texts, built once at compile time.
struct NumberTable {
    std::array<std::array<char, 4>, kControllerCount> text{};
    std::array<int, kControllerCount> length{};

    constexpr NumberTable() {
        for (int n = 0; n < kControllerCount; ++n) {
            int len = 0;
            if (n >= 100) {
                text[n][len++] = static_cast<char>('0' + n / 100);
            }
            if (n >= 10) {
                text[n][len++] = static_cast<char>('0' + n / 10 % 10);
            }
            text[n][len++] = static_cast<char>('0' + n % 10);
            length[n] = len;
        }
    }
};

constexpr NumberTable kNumbers;

} // namespace

std::string_view NumberText(int n) {
    if (n < 0 || n >= kControllerCount) {
        return {};
    }
    return {kNumbers.text[n].data(), static_cast<size_t>(kNumbers.length[n])};
}

std::string MessageKey(int n) {
    if (n < 0 || n >= kControllerCount) {
        return {};
    }
    std::string key;
    key += static_cast<char>('0' + n / 100);
    key += static_cast<char>('0' + n / 10 % 10);
    key += static_cast<char>('0' + n % 10);
    key += ' ';
    key += NumberText(n);
    return key;
}

std::string MatchKey(std::string_view assignment) {
    std::string key = "0";
    key += assignment;
    key += ' ';
    key += assignment;
    return key;
}

bool KeysMatch(std::string_view message_key, std::string_view match_key) {
    if (message_key.size() == 5) {
        if (match_key.size() < 4) {
            return false;
        }
        return message_key.substr(0, 4) == match_key.substr(0, 4) && message_key[4] == match_key.back();
    }
    return message_key == match_key;
}

int AnsweredController(std::string_view assignment) {
    const std::string match_key = MatchKey(assignment);
    for (int n = 0; n < kControllerCount; ++n) {
        if (KeysMatch(MessageKey(n), match_key)) {
            return n;
        }
    }
    return -1;
}

} // namespace vortane
