#pragma once

#include <charconv>
#include <optional>
#include <string_view>
#include <system_error>

namespace vortane {

// A number that is the whole text: empty text, trailing characters, a sign where the type has
// none and overflow all fail. Decimal for integers; for floating point what std::from_chars reads
// ("1e3", "inf", "nan" included: callers that need a finite value check for it).
template <typename T> std::optional<T> ParseWhole(std::string_view text) {
    T value{};
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end) {
        return std::nullopt;
    }
    return value;
}

} // namespace vortane
