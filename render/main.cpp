// vortane-render: renders the synthesizer's voice to a WAV file without playing it.
#include <cstdio>
#include <string_view>
#include <vector>

#include "render/offline_render.h"
#include "render/output_target.h"
#include "render/render_options.h"

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const vortane::ParseResult parsed = vortane::ParseRenderOptions(args);
    switch (parsed.status) {
    case vortane::ParseStatus::Help:
        std::fputs(vortane::RenderUsage().data(), stdout);
        return 0;
    case vortane::ParseStatus::Error:
        std::fprintf(stderr, "vortane-render: %s\n", parsed.error.c_str());
        return 2;
    case vortane::ParseStatus::Render:
        break;
    }
    const uint64_t seed = parsed.options.seed.value_or(vortane::SeedFromClock());
    const int exit_code = vortane::RunRender(parsed.options, seed);
    if (exit_code == 0 && !parsed.options.seed) {
        // Printed only when the clock chose it, so that a render worth keeping can be repeated;
        // on standard error when the WAV itself goes to standard output.
        std::FILE* out = parsed.options.output_path == vortane::kStandardOutputName ? stderr : stdout;
        std::fprintf(out, "seed %llu\n", static_cast<unsigned long long>(seed));
    }
    return exit_code;
}
