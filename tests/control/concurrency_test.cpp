#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "synth_test_util.h"

namespace vortane {
namespace {

// Three threads as in the running program: the audio thread renders while a "GUI" thread moves
// controls through their events and redraws the curve, and a "MIDI" thread sets control states,
// selects options and opens and closes the gate. Under ThreadSanitizer this proves the shared values are
// race-free; everywhere it proves the output stays finite while everything moves.
TEST(Concurrency, RenderWhileGuiAndMidiWriteControls) {
    auto synth = test::PreparedSynth(2024);
    Synth& e = *synth;
    test::SwitchAllWalks(e);
    e.controls.TogglePlay();
    std::atomic<bool> done{false};
    std::atomic<long> frames{0};
    std::atomic<long> bad_samples{0};

    std::thread audio([&] {
        std::vector<float> buffer(256);
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
        while (std::chrono::steady_clock::now() < end) {
            e.Render(buffer.data(), buffer.size());
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
                e.controls.TogglePlay();
            }
            bad_samples += std::isfinite(e.controls.display_curve().y2) ? 0 : 1;
            std::this_thread::yield();
        }
    });
    std::thread midi([&] {
        const int options[] = {id::kCauchy, id::kArcSin, id::kPriR, id::kPriC, id::kSRandom, id::kSOppLimits};
        for (int i = 0; !done; ++i) {
            e.controls.panel().SelectOption(options[i % std::size(options)]);
            test::Move(e, id::kFrq, 20 + (i * 53) % 4980);
            test::Move(e, id::kX1Negative + i % 4, i % 2);
            if (i % 7 == 0) {
                e.controls.OpenGateByNote();
            } else if (i % 11 == 0) {
                e.controls.CloseGateForRestart(); // the last note released
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
