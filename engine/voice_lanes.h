#pragma once

#include <array>

#include "base/realtime.h"
#include "engine/envelope.h"
#include "engine/master_filter.h"
#include "engine/voice.h"

namespace vortane {

// One voice of those VoiceLanes runs side by side: the voice, its envelope and its level (which
// glides towards target), and its chunk as Voice::Shape left it.
struct VoiceLane {
    Voice* voice = nullptr;
    Envelope* envelope = nullptr;
    float* level = nullptr;
    float target = 0.0f;
    const float* input = nullptr;
};

// Voices side by side in the lanes of vector registers. The Master Filter's recursion, the serial
// part of a voice, is independent from voice to voice, and so are the output stage, the envelope
// and the level: lane j carries voice j through all of them with the operations the voice runs
// alone (Voice::Filter, Envelope::Process), lane-wise and in the same order, so each lane's
// samples are that voice's to the bit. For each frame, over the lanes j = 0 … n − 1 in order:
//   level_j ← level_j + (target_j − level_j)·glide,   out ← out + voice_j × envelope_j × level_j
// which is the sum a loop over the voices makes. Up to 16 voices in registers of two, four or
// eight doubles (SSE2, AVX, AVX-512), in as many registers as the voices need, so that a few
// registers' recursions overlap in the processor as one voice's alone cannot.
class VoiceLanes {
public:
    static constexpr int kMaxLanes = 16;

    // Chooses the kernels for the voices' filter path (the written order has none: false) and a
    // width in doubles per register, 0 for the widest this processor runs; a narrower one may be
    // asked for (2 always, 4 with AVX, and FMA on the fused path, 8 with AVX-512). False for a
    // width the processor does not run. Off the audio thread.
    bool Init(MasterFilter::Path path, int width);
    static bool Runs(MasterFilter::Path path, int width);
    int width() const { return width_; }

    // count frames (at most Voice::kChunkFrames) of lanes[0 .. n − 1], n ≤ kMaxLanes, added to out;
    // under the caller's DenormalGuard, as the voices alone run.
    void Render(const VoiceLane* lanes, int n, float glide, float* out,
                int count) noexcept VORTANE_NONBLOCKING;

    using Kernel = void (*)(const VoiceLane* lanes, int n, float glide, float* out,
                            int count) noexcept VORTANE_NONBLOCKING;

private:
    // by the registers the lanes take: 1, 2, 4, 8
    std::array<Kernel, 4> kernels_{};
    int width_ = 0;
};

} // namespace vortane
