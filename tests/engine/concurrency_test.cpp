#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "render_test_util.h"

namespace vortane {
namespace {

// Three threads as in the running program: the audio thread renders while a "GUI" thread moves
// controls through their events and a "MIDI" thread sets control states and engine values
// directly. Under ThreadSanitizer this proves the shared values are race-free; everywhere it
// proves the output stays finite while everything moves.
TEST(Concurrency, RenderWhileGuiAndMidiWriteControls) {
    auto engine = test::PreparedEngine(2024);
    Engine& e = *engine;
    test::SwitchAllWalks(e);
    TogglePlay(e);
    std::atomic<bool> done{false};
    std::atomic<long> frames{0};
    std::atomic<long> bad_samples{0};

    std::thread audio([&] {
        std::vector<float> buffer(256);
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
        while (std::chrono::steady_clock::now() < end) {
            Render(e, buffer.data(), buffer.size());
            for (float sample : buffer) {
                bad_samples += std::isfinite(sample) ? 0 : 1;
            }
            frames += static_cast<long>(buffer.size());
        }
        done = true;
    });
    std::thread gui([&] {
        const int sliders[] = {
            id::kFrq,   id::kRes, id::kMasterVolume,    id::kFrequencySetting, id::kX1,
            id::kX1Max, id::kY2,  id::kPrimaryStepSize, id::kSecondaryBarrier, id::kX1Barrier};
        for (int i = 0; !done; ++i) {
            test::Move(e, sliders[i % std::size(sliders)], (i * 37) % 5000);
            test::Move(e, id::kX1Negative + i % 4, i % 3 == 0 ? 1 : 0);
            if (i % 50 == 0) {
                TogglePlay(e);
            }
            std::this_thread::yield();
        }
    });
    std::thread midi([&] {
        const int options[] = {id::kCauchy, id::kArcSin, id::kPriR, id::kPriC, id::kSRandom, id::kSOppLimits};
        for (int i = 0; !done; ++i) {
            e.panel.SelectOption(options[i % std::size(options)]);
            e.panel.SetState(id::kFrq, 20 + (i * 53) % 4980);
            Put(e.state.cutoff, 20.0 + (i * 53) % 4980);
            Put(e.state.negative[static_cast<size_t>(i % 4)], i % 2);
            Put(e.state.output_gate, i % 7 == 0 ? 0 : 1);
            if (i % 11 == 0) {
                Put(e.state.start_done, 0); // the last note released
            }
            std::this_thread::yield();
        }
    });
    audio.join();
    gui.join();
    midi.join();
    EXPECT_GT(frames.load(), 44100 / 10);
    EXPECT_EQ(bad_samples.load(), 0);
}

} // namespace
} // namespace vortane
