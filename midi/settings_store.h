#pragma once

#include <string>
#include <string_view>

#include "midi/ini_document.h"

namespace vortane {

// The settings file, preferences.ini in the home folder ($HOME), or the bare file name when there
// is no home folder.
std::string SettingsPath();

// The in-memory settings store: read once at start-up, changed by the controller window, written
// back once at program end when anything was written to it. Failures are silent to the user; the
// results are returned for the caller that cares.
class SettingsStore {
public:
    // Reads the file. A missing file is created empty; a file that exists but cannot be read is left
    // alone and is never overwritten. Only a regular file of at most 1 MiB counts as readable.
    bool Open(std::string path);

    std::string ReadKey(std::string_view key, std::string_view fallback) const;

    // Any write marks the store changed, even one that stores the value already there.
    void WriteKey(std::string_view key, std::string_view value);

    // Rewrites the file when the store was changed, as WriteFileAtomically (base/files.h) does:
    // the file on disk is always either the old one or the new one, whole. A read-only file is
    // left as it is.
    bool Close();

    bool Changed() const { return changed_; }
    const std::string& Path() const { return path_; }
    const IniDocument& Document() const { return document_; }

private:
    bool Save() const;

    std::string path_;
    IniDocument document_;
    bool changed_ = false;
    bool writable_ = false;
};

} // namespace vortane
