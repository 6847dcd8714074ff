#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vortane {

// Text without the spaces, tabs and carriage returns at its ends.
inline std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// The longest start of text of at most max_bytes that does not end inside a UTF-8 sequence.
inline std::string_view Utf8Prefix(std::string_view text, size_t max_bytes) {
    if (text.size() <= max_bytes) {
        return text;
    }
    size_t cut = max_bytes;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
        --cut; // text[cut] continues a character: the character goes whole
    }
    return text.substr(0, cut);
}

// A value the user gave, in double quotes for a message. A long one is cut in the middle to its first
// 40 and last 16 bytes, so that a pasted page cannot flood a line or a message box, while a path
// still shows its file name.
inline std::string Quoted(std::string_view text) {
    constexpr size_t kWhole = 60, kHead = 40, kTail = 16;
    // Built by appending: GCC 12 at -O3 mistakes `"\"" + std::string(...)` for an overlapping copy.
    std::string quoted = "\"";
    if (text.size() <= kWhole) {
        quoted += text;
    } else {
        size_t tail = text.size() - kTail;
        while (tail < text.size() && (static_cast<unsigned char>(text[tail]) & 0xC0) == 0x80) {
            ++tail;
        }
        quoted += Utf8Prefix(text, kHead);
        quoted += "...";
        quoted += text.substr(tail);
    }
    quoted += '"';
    return quoted;
}

// A text of several lines as one line, for a "Name = value" or key=value line: a line break is
// "\n", a backslash "\\"; carriage returns go.
inline std::string JoinLines(std::string_view text) {
    std::string line;
    for (char c : text) {
        if (c == '\n') {
            line += "\\n";
        } else if (c == '\\') {
            line += "\\\\";
        } else if (c != '\r') {
            line += c;
        }
    }
    return line;
}

// The text JoinLines made of it; none for a backslash before anything but n or another backslash.
inline std::optional<std::string> SplitLines(std::string_view line) {
    std::string text;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] != '\\') {
            text += line[i];
        } else if (i + 1 < line.size() && (line[i + 1] == 'n' || line[i + 1] == '\\')) {
            text += line[++i] == 'n' ? '\n' : '\\';
        } else {
            return std::nullopt;
        }
    }
    return text;
}

} // namespace vortane
