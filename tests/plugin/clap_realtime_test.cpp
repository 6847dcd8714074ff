// The built vortane.clap's process call, the framework's wrapper included, never allocates nor
// locks, counted by replacements of malloc and pthread_mutex_lock.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "control/params.h"
#include "tests/control/heap_lock_counter.h"
#include "tests/plugin/clap_host.h"

namespace vortane::test {
namespace {

// At 48 kHz (the resampled path), sixteen voices: notes, releases, bends and the pedal on three
// channels, parameter changes, a state of another seed, the keyboard's modes in turn.
TEST(ClapRealtime, ProcessNeverAllocatesNorLocks) {
    ClapLibrary library(VORTANE_CLAP_PATH);
    ASSERT_TRUE(library.ok()) << library.error();
    ClapInstance instance(library);
    ASSERT_TRUE(instance.Activate(48000.0, 256));
    std::vector<uint8_t> state = *instance.SaveState();
    const std::string text(state.begin(), state.end());
    const size_t seed = text.find("seed=") + 5;
    state[seed] = state[seed] == '9' ? '8' : '9'; // another seed: the voices restart in the next block

    std::vector<float> out(256);
    long calls = 0;
    double energy = 0.0;
    for (int block = 0; block < 3000; ++block) {
        const auto channel = static_cast<uint8_t>(block % 3);
        instance.QueueMidi(0, 0x90 | channel, static_cast<uint8_t>(24 + block * 7 % 72), 1 + block % 127);
        instance.QueueMidi(100, 0x80 | channel, static_cast<uint8_t>(24 + (block - 20) * 7 % 72), 0);
        instance.QueueMidi(120, 0xE0 | channel, 0, static_cast<uint8_t>(block % 128));
        instance.QueueMidi(130, 0xB0 | channel, 64, block % 50 < 25 ? 127 : 0);
        instance.QueueParam(200, static_cast<clap_id>(block % kParamCount), block % 7 == 0 ? 1e9 : -1e9);
        instance.QueueParam(210, static_cast<clap_id>(ParamId::Voices), 16);
        instance.QueueParam(220, static_cast<clap_id>(ParamId::Keyboard), block / 500 % 2 == 0 ? 1 : 0);
        if (block % 700 == 350) {
            ASSERT_TRUE(instance.LoadState(state));
        }
        calls +=
            CountHeapCallsAndLocks([&] { instance.Process(out.data(), static_cast<uint32_t>(out.size())); });
        for (float s : out) {
            ASSERT_TRUE(std::isfinite(s)) << "block " << block;
            energy += static_cast<double>(s) * s;
        }
    }
    EXPECT_EQ(calls, 0) << "heap calls and locks";
    EXPECT_GT(energy, 0.0);
}

} // namespace
} // namespace vortane::test
