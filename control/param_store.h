#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "base/realtime.h"
#include "control/params.h"

namespace vortane {

// One value per parameter, as the audio thread reads them for a block.
using ParamValues = std::array<float, kParamCount>;

// Bit Index(id) of a set of parameters.
constexpr uint64_t ParamBit(ParamId id) {
    return uint64_t{1} << Index(id);
}
static_assert(kParamCount <= 64, "parameter sets are 64-bit masks");

// The values of every parameter, each stored once as its own atomic (relaxed): the window, the MIDI
// thread, a plugin host and the audio thread read and write them without waiting for each other.
// Besides the values it keeps which parameters were written since the audio thread last looked,
// which the voice needs for the curve coordinates: a write of "Y1", "X2" or "Y2" moves the
// coordinate to the slider's value even where a walk has since moved it elsewhere.
//
// The voice starts its curve at X1 0.5, Y1 0.06, X2 0.75, Y2 0.95, where the start positions of
// the sliders would give Y1 0.05: a coordinate keeps its start point until it is handed over.
// The window and the render hand it over at its first write, as a slider event does; a plugin, whose
// project must sound the same however its values arrived, hands it over while it differs from its
// default (StartPoints::KeptAtDefault).
class ParamStore {
public:
    enum class StartPoints { KeptUntilWritten, KeptAtDefault };

    explicit ParamStore(StartPoints policy = StartPoints::KeptUntilWritten);

    float Get(ParamId id) const { return values_[Index(id)].load(std::memory_order_relaxed); }
    // The value as a whole number, the nearest (ties to even).
    int Whole(ParamId id) const;

    // A slider's value is held within its range, a toggle is 1 for exactly 1 and 0 otherwise, a
    // choice is a whole index within its options; NaN gives the default. Any thread.
    void Set(ParamId id, float value) noexcept VORTANE_NONBLOCKING;

    // Audio thread: every value, and the parameters written since the last call.
    void Load(ParamValues& values) const noexcept VORTANE_NONBLOCKING;
    uint64_t TakeWritten() noexcept VORTANE_NONBLOCKING;
    // The parameters whose value is handed over to the voice (see above).
    uint64_t HandedOver() const noexcept VORTANE_NONBLOCKING {
        return handed_over_.load(std::memory_order_relaxed);
    }

    // Counts every write; the window compares it with the last value it saw.
    uint32_t Revision() const { return revision_.load(std::memory_order_relaxed); }
    // The Revision() just after the last write of id (0: never written).
    uint32_t WrittenAt(ParamId id) const { return written_at_[Index(id)].load(std::memory_order_acquire); }

private:
    StartPoints policy_;
    std::array<std::atomic<float>, kParamCount> values_;
    std::array<std::atomic<uint32_t>, kParamCount> written_at_{};
    std::atomic<uint64_t> written_{0};
    std::atomic<uint64_t> handed_over_{0};
    std::atomic<uint32_t> revision_{0};
};

} // namespace vortane
