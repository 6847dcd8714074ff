// Settings text: whatever is read, written and read again gives the same elements, and a key the
// program writes is found again after a round trip.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/require.h"
#include "midi/ini_document.h"

namespace {

bool SameElements(const vortane::IniDocument& a, const vortane::IniDocument& b) {
    if (a.HasByteOrderMark() != b.HasByteOrderMark() || a.Elements().size() != b.Elements().size()) {
        return false;
    }
    for (size_t i = 0; i < a.Elements().size(); ++i) {
        const auto& x = a.Elements()[i];
        const auto& y = b.Elements()[i];
        if (x.kind != y.kind || x.key != y.key || x.value != y.value || x.has_separator != y.has_separator) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    vortane::IniDocument read;
    read.Parse(bytes);
    const std::string written = read.Serialize();
    vortane::IniDocument again;
    again.Parse(written);
    Require(SameElements(read, again));
    Require(again.Serialize() == written);

    // What closing the controller window does: twelve keys, found again after a round trip.
    for (int slot = 1; slot <= 12; ++slot) {
        read.Set("Item" + std::to_string(slot), slot % 2 == 0 ? "14" : "");
    }
    vortane::IniDocument saved;
    saved.Parse(read.Serialize());
    Require(SameElements(read, saved));
    for (int slot = 1; slot <= 12; ++slot) {
        const std::string* value = saved.Find("ITEM" + std::to_string(slot));
        Require(value != nullptr && *value == (slot % 2 == 0 ? "14" : ""));
    }
    return 0;
}
