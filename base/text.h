#pragma once

#include <string>
#include <string_view>

namespace vortane {

// The text without spaces, tabs and carriage returns at either end.
inline std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// The text in double quotes for a message, cut short so that a long value cannot flood a message
// box or a terminal line. Built by appending: GCC 12 at -O3 mistakes `"\"" + std::string(...)` for
// an overlapping copy.
inline std::string Quoted(std::string_view text) {
    constexpr size_t kShown = 60;
    std::string quoted = "\"";
    quoted += text.substr(0, kShown);
    quoted += text.size() > kShown ? "...\"" : "\"";
    return quoted;
}

} // namespace vortane
