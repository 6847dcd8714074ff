#pragma once

#include <cstdint>
#include <span>

#include "render/render_options.h"

namespace vortane {

struct Synth;
class Tuning;

// Brings a fresh synth to its first frame: the seed, each setting as the user's move of that
// control (in order), the tuning if one is given, then Play unless a MIDI file plays instead. With
// Play the next Render begins with the start reset at frame 0.
void PrepareRender(Synth& synth, uint64_t seed, std::span<const ParamSetting> settings, bool play = true,
                   const Tuning* tuning = nullptr);

// Renders options.frame_count samples (or, with until_silent, until the MIDI file's last note has
// died away) to options.output_path. Returns the exit code: 0 when the file is complete, 2 (with a
// one-line message on stderr and no file left) when it cannot be.
int RunRender(const RenderOptions& options, uint64_t seed);

} // namespace vortane
