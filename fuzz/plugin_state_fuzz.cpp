// The plugin's state as a host hands it back from a project: any bytes, through the CLAP entry
// (the framework's parser and ours). Loading never crashes, every parameter stays within its range,
// and the voice then plays finite samples.
#include <clap/entry.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/require.h"
#include "tests/plugin/clap_host.h"

extern "C" const clap_plugin_entry_t clap_entry;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static vortane::test::ClapLibrary library(&clap_entry, "/nonexistent/vortane.clap");
    Require(library.ok());
    vortane::test::ClapInstance instance(library);
    Require(instance.ok());
    instance.LoadState(std::vector<uint8_t>(data, data + size));
    for (const vortane::test::ParamInfo& p : instance.Params()) {
        const double value = instance.GetParam(p.id);
        Require(value >= p.min && value <= p.max);
    }
    Require(instance.Activate(44100.0, 256));
    instance.QueueMidi(0, 0x90, 60, 100);
    for (float x : instance.Render(256, 256)) {
        Require(std::isfinite(x));
    }
    return 0;
}
