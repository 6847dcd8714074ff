#include "control/param_store.h"

#include <algorithm>
#include <cmath>

namespace vortane {

ParamStore::ParamStore(StartPoints policy) : policy_(policy) {
    for (const ParamSpec& spec : Params()) {
        values_[Index(spec.id)].store(static_cast<float>(spec.default_value), std::memory_order_relaxed);
    }
}

int ParamStore::Whole(ParamId id) const {
    return static_cast<int>(std::nearbyint(Get(id)));
}

void ParamStore::Set(ParamId id, float value) noexcept VORTANE_NONBLOCKING {
    const ParamSpec& spec = Spec(id);
    const auto fallback = static_cast<float>(spec.default_value);
    float held = fallback;
    if (!std::isnan(value)) {
        switch (spec.kind) {
        case ParamKind::Slider:
            // Not rounded: a MIDI controller's scaled value may fall between two positions.
            held = std::clamp(value, static_cast<float>(spec.minimum), static_cast<float>(spec.maximum));
            break;
        case ParamKind::Toggle:
            held = value == 1.0f ? 1.0f : 0.0f;
            break;
        case ParamKind::Choice:
            held = std::nearbyint(
                std::clamp(value, static_cast<float>(spec.minimum), static_cast<float>(spec.maximum)));
            break;
        }
    }
    const size_t i = Index(id);
    const uint64_t bit = ParamBit(id);
    values_[i].store(held, std::memory_order_relaxed);
    if (policy_ == StartPoints::KeptUntilWritten || held != fallback) {
        handed_over_.fetch_or(bit, std::memory_order_relaxed);
    } else {
        handed_over_.fetch_and(~bit, std::memory_order_relaxed);
    }
    const uint32_t stamp = revision_.fetch_add(1, std::memory_order_relaxed) + 1;
    written_at_[i].store(stamp, std::memory_order_release);
    // Last, with release: a reader that takes this bit sees the value above.
    written_.fetch_or(bit, std::memory_order_release);
}

void ParamStore::Load(ParamValues& values) const noexcept VORTANE_NONBLOCKING {
    for (size_t i = 0; i < kParamCount; ++i) {
        values[i] = values_[i].load(std::memory_order_relaxed);
    }
}

uint64_t ParamStore::TakeWritten() noexcept VORTANE_NONBLOCKING {
    return written_.exchange(0, std::memory_order_acquire);
}

} // namespace vortane
