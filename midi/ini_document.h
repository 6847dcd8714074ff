#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vortane {

// The text of a settings file: comments, groups and key/value entries in file order.
//
// Reading: an optional UTF-8 byte-order mark; lines end with CR, LF or CR LF; blank lines are
// dropped; leading blanks are skipped; ";" starts a comment (one space after it is not part of the
// text), "[" a group (its name runs to "]"), anything else is an entry "key = value" with blanks
// around key and value trimmed. Keys compare without letter case, and only entries before the first
// group count; of two equal keys the first one wins.
// Writing: the mark and an empty line when the file had a mark, then one line per element ended by
// CR LF. A new key goes after the last element before the first group.
class IniDocument {
public:
    enum class Kind { Entry, Comment, Group };
    struct Element {
        Kind kind;
        std::string key; // entry key, or the comment's text, or the group's name
        std::string value;
        bool has_separator = true; // false for a hand-written line without "="
    };

    void Parse(std::string_view bytes);
    std::string Serialize() const;

    // The value of the first entry with this key before the first group, or nullptr.
    const std::string* Find(std::string_view key) const;

    // Sets the value of that entry, spelling its key as given, or adds the entry.
    void Set(std::string_view key, std::string_view value);

    const std::vector<Element>& Elements() const { return elements_; }
    bool HasByteOrderMark() const { return byte_order_mark_; }

private:
    int FindIndex(std::string_view key) const;
    size_t FirstGroupIndex() const;
    void ParseLine(std::string_view line);

    std::vector<Element> elements_;
    bool byte_order_mark_ = false;
};

} // namespace vortane
