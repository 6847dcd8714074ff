#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "synth_test_util.h"

namespace vortane {
namespace {

using P = ParamId;

// Three threads as in the running program: the audio thread renders while a "GUI" thread moves
// parameters and redraws the curve, and a "MIDI" thread (or a plugin host loading a state) sets
// values, options and the gate, and restarts the voice. Under ThreadSanitizer this proves the
// shared values are race-free; everywhere it proves the output stays finite and no value written
// is lost to a restart.
TEST(Concurrency, RenderWhileGuiAndMidiWriteParameters) {
    auto synth = test::PreparedSynth(2024);
    Synth& e = *synth;
    test::SwitchAllWalks(e);
    e.transport.TogglePlay();
    std::atomic<bool> done{false};
    std::atomic<long> frames{0};
    std::atomic<long> bad_samples{0};

    std::thread audio([&] {
        std::vector<float> buffer(256);
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
        for (int i = 0; std::chrono::steady_clock::now() < end; ++i) {
            if (i % 16 == 0) {
                e.Restart(static_cast<uint64_t>(i)); // a plugin's state load with a new seed
            }
            e.Render(buffer.data(), buffer.size());
            for (float sample : buffer) {
                bad_samples += std::isfinite(sample) ? 0 : 1;
            }
            frames += static_cast<long>(buffer.size());
        }
        done = true;
    });
    std::thread gui([&] {
        const P sliders[] = {P::Frq,   P::Res, P::MasterVolume,    P::FrequencySetting, P::X1,
                             P::X1Max, P::Y2,  P::PrimaryStepSize, P::SecondaryBarrier, P::X1Barrier};
        for (int i = 0; !done; ++i) {
            test::Move(e, sliders[i % std::size(sliders)], (i * 37) % 5000);
            test::Move(e, Offset(P::X1Negative, i % 4), i % 3 == 0 ? 1 : 0);
            if (i % 50 == 0) {
                e.transport.TogglePlay();
            }
            bad_samples += std::isfinite(e.monitor.Curve(e.params).y2) ? 0 : 1;
            std::this_thread::yield();
        }
    });
    std::thread midi([&] {
        for (int i = 0; !done; ++i) {
            test::Move(e, P::Distribution, i % 4);
            test::Move(e, P::Behaviour, i % 6);
            test::Move(e, P::Frq, 20 + (i * 53) % 4980);
            if (i % 7 == 0) {
                e.transport.OpenGateByNote();
            } else if (i % 11 == 0) {
                e.transport.CloseGateForRestart(); // the last note released
            }
            // the keyboard in Pitch mode now and then, through the queue the audio thread empties
            test::Move(e, P::Keyboard, i / 64 % 2);
            e.midi_in.Push(MidiMessage{
                {static_cast<uint8_t>(i % 2 == 0 ? 0x90 : 0x80), static_cast<uint8_t>(36 + i % 48), 100}, 3});
            std::this_thread::yield();
        }
        test::Move(e, P::Y1Barrier, 77); // the last write stands, whatever the audio thread did
    });
    audio.join();
    gui.join();
    midi.join();
    EXPECT_GT(frames.load(), 44100 / 10);
    EXPECT_EQ(bad_samples.load(), 0);
    EXPECT_EQ(e.params.Get(P::Y1Barrier), 77.0f);
}

} // namespace
} // namespace vortane
