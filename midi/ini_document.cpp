#include "midi/ini_document.h"

#include <algorithm>

namespace vortane {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kLineEnd = "\r\n";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) {
        s.remove_prefix(1);
    }
    return s;
}

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && IsBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

// A line break inside a value would split the entry when the file is read again.
std::string_view FirstLine(std::string_view s) {
    return s.substr(0, std::min(s.find('\r'), s.find('\n')));
}

} // namespace

void IniDocument::Parse(std::string_view bytes) {
    elements_.clear();
    byte_order_mark_ = bytes.starts_with(kByteOrderMark);
    if (byte_order_mark_) {
        bytes.remove_prefix(kByteOrderMark.size());
    }
    while (!bytes.empty()) {
        const size_t end = std::min(bytes.find('\r'), bytes.find('\n'));
        ParseLine(bytes.substr(0, end));
        if (end == std::string_view::npos) {
            break;
        }
        const bool crlf = bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n';
        bytes.remove_prefix(end + (crlf ? 2 : 1));
    }
}

void IniDocument::ParseLine(std::string_view line) {
    line = TrimLeft(line);
    if (line.empty()) {
        return;
    }
    if (line.front() == ';') {
        line.remove_prefix(1);
        if (line.starts_with(' ')) {
            line.remove_prefix(1);
        }
        elements_.push_back({Kind::Comment, std::string(line), {}});
        return;
    }
    if (line.front() == '[') {
        line.remove_prefix(1);
        elements_.push_back({Kind::Group, std::string(line.substr(0, line.find(']'))), {}});
        return;
    }
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
        elements_.push_back({Kind::Entry, std::string(TrimRight(line)), {}, false});
        return;
    }
    const std::string_view key = TrimRight(line.substr(0, equals));
    const std::string_view value = TrimRight(TrimLeft(line.substr(equals + 1)));
    elements_.push_back({Kind::Entry, std::string(key), std::string(value)});
}

std::string IniDocument::Serialize() const {
    std::string out;
    if (byte_order_mark_) {
        out += kByteOrderMark;
        out += kLineEnd;
    }
    // A first line that happens to start with the mark's bytes is kept apart from the start by an
    // empty line, or reading the file again would take those bytes for a mark.
    if (!byte_order_mark_ && !elements_.empty() && elements_.front().kind == Kind::Entry &&
        elements_.front().key.starts_with(kByteOrderMark)) {
        out += kLineEnd;
    }
    for (const Element& e : elements_) {
        switch (e.kind) {
        case Kind::Entry:
            out += e.key;
            if (e.has_separator) {
                out += " = ";
                out += e.value;
            }
            break;
        case Kind::Comment:
            out += "; ";
            out += e.key;
            break;
        case Kind::Group:
            out += '[';
            out += e.key;
            out += ']';
            break;
        }
        out += kLineEnd;
    }
    return out;
}

size_t IniDocument::FirstGroupIndex() const {
    const auto group = std::find_if(elements_.begin(), elements_.end(),
                                    [](const Element& e) { return e.kind == Kind::Group; });
    return static_cast<size_t>(group - elements_.begin());
}

int IniDocument::FindIndex(std::string_view key) const {
    const size_t end = FirstGroupIndex();
    for (size_t i = 0; i < end; ++i) {
        if (elements_[i].kind == Kind::Entry && EqualNoCase(elements_[i].key, key)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

const std::string* IniDocument::Find(std::string_view key) const {
    const int i = FindIndex(key);
    return i < 0 ? nullptr : &elements_[static_cast<size_t>(i)].value;
}

void IniDocument::Set(std::string_view key, std::string_view value) {
    key = FirstLine(key);
    value = FirstLine(value);
    const int i = FindIndex(key);
    if (i >= 0) {
        Element& e = elements_[static_cast<size_t>(i)];
        e.key = std::string(key);
        e.value = std::string(value);
        e.has_separator = true;
        return;
    }
    const size_t at = FirstGroupIndex();
    elements_.insert(elements_.begin() + static_cast<std::ptrdiff_t>(at),
                     Element{Kind::Entry, std::string(key), std::string(value)});
}

} // namespace vortane
