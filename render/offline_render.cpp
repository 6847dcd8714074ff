#include "render/offline_render.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "control/synth.h"
#include "render/progress_bar.h"
#include "render/wav_writer.h"

namespace vortane {
namespace {

// Frames per Render call: the voice's output does not depend on it, only the cost of the
// progress bar and of libsndfile's calls does.
constexpr long kBlockFrames = 4096;

int Fail(const std::string& message) {
    std::fprintf(stderr, "vortane-render: %s\n", message.c_str());
    return 2;
}

} // namespace

void PrepareRender(Synth& synth, uint64_t seed, std::span<const ParamSetting> settings) {
    synth.Init(seed);
    for (const ParamSetting& setting : settings) {
        synth.params.Set(setting.id, static_cast<float>(setting.value));
    }
    synth.transport.TogglePlay();
}

int RunRender(const RenderOptions& options, uint64_t seed) {
    WavWriter writer;
    std::string error;
    if (!writer.Open(options.output_path, options.frame_count, error)) {
        return Fail(error);
    }
    auto synth = std::make_unique<Synth>();
    PrepareRender(*synth, seed, options.settings);

    std::vector<float> block(static_cast<size_t>(kBlockFrames));
    ProgressBar progress(options.frame_count, isatty(STDERR_FILENO) == 1);
    for (long done = 0; done < options.frame_count;) {
        const long frames = std::min(kBlockFrames, options.frame_count - done);
        synth->Render(block.data(), static_cast<size_t>(frames));
        if (!writer.Write(std::span(block.data(), static_cast<size_t>(frames)), error)) {
            progress.Finish();
            return Fail(error);
        }
        done += frames;
        progress.Update(done);
    }
    progress.Finish();
    if (!writer.Commit(error)) {
        return Fail(error);
    }
    return 0;
}

} // namespace vortane
