#pragma once

#include <cstdint>

#include "engine/voice.h"

namespace vortane {

// The voice's frame index wraps only after 13.5 hours; tests move it there.
struct VoiceTestAccess {
    static void SetFrameIndex(Voice& voice, int32_t frame) { voice.frame_index_ = frame; }
};

} // namespace vortane
