// Scale and keyboard-map text, the input split at its first NUL byte (the map is empty without one):
// any bytes are either refused with a message that names the file, or give a tuning whose every key
// is silent or sounds at a finite frequency within the tuned range, and which keeps its texts.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "control/tuning.h"
#include "fuzz/require.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find('\0');
    const std::string_view scl = input.substr(0, split);
    const std::string_view kbm =
        split == std::string_view::npos ? std::string_view() : input.substr(split + 1);
    const vortane::TuningParse parsed = vortane::ParseTuning(scl, kbm);
    if (!parsed.tuning) {
        Require(parsed.error.starts_with("scale") || parsed.error.starts_with("keyboard map"));
        Require(parsed.line >= 0);
        return 0;
    }
    Require(parsed.error.empty());
    for (int key = 0; key < vortane::kTuningKeys; ++key) {
        const std::optional<double> hz = parsed.tuning->Frequency(key);
        Require(!hz ||
                (std::isfinite(*hz) && *hz >= vortane::kLowestTunedHz && *hz <= vortane::kHighestTunedHz));
    }
    Require(parsed.tuning->scale_text() == scl && parsed.tuning->keymap_text() == kbm);
    return 0;
}
