#pragma once

#include "engine/realtime.h"

namespace vortane {

struct Engine;

// Output gate, start reset, fade-in and frame-index wrap for the frame about to be rendered.
void FrameUpdate(Engine& engine) noexcept VORTANE_NONBLOCKING;

// The stream callback's whole work: fills frame_count mono float samples. Never fails, never
// allocates, locks or calls the OS.
void Render(Engine& engine, float* out, unsigned long frame_count) noexcept VORTANE_NONBLOCKING;

} // namespace vortane
