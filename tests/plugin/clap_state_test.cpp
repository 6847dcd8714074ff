// The built vortane.clap's state: saved and loaded with a tuning, from an earlier version, and
// loaded while the plugin plays.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <thread>

#include "base/text.h"
#include "tests/plugin/clap_test_fixture.h"

namespace vortane::test {
namespace {

using namespace std::string_literals;

// A saved state, taken and given a few bytes a call as CLAP allows, gives a new instance every
// parameter, the seed and the tuning, and so the same samples (without the tuning, others).
TEST_F(ClapPlugin, SavedStateGivesANewInstanceTheSameSamples) {
    auto first = NewInstance(), untuned = NewInstance();
    for (ClapInstance* instance : {first.get(), untuned.get()}) {
        for (const ParamInfo& p : instance->Params()) { // away from the defaults, Keyboard on
            instance->QueueParam(0, p.id, std::round(p.min + (p.max - p.min) * 2 / 3));
        }
        instance->Render(64, 64);
    }
    SetVoiceLines(*untuned, "seed=19\n");
    std::ifstream in(VORTANE_FACTORY_SCALE_SOURCE "/19-equal.scl");
    SetVoiceLines(*first,
                  "seed=19\nscale=" + JoinLines(std::string(std::istreambuf_iterator<char>(in), {})) + "\n");
    const std::vector<uint8_t> state = *first->SaveState();
    EXPECT_EQ(first->SaveState(7), state) << "saved 7 bytes at a time";
    EXPECT_NE(std::string(state.begin(), state.end()).find("scale=! 19-equal.scl"), std::string::npos);

    auto second = NewInstance();
    ASSERT_TRUE(second->LoadState(state, 5));
    for (const ParamInfo& p : second->Params()) {
        EXPECT_EQ(second->GetParam(p.id), first->GetParam(p.id)) << p.name;
    }

    // The host activates each for the render: each restarts from the (now common) seed.
    std::vector<float> renders[3];
    for (int i = 0; i < 3; ++i) {
        ClapInstance& instance = i == 0 ? *first : i == 1 ? *second : *untuned;
        instance.Activate(44100.0, 512);
        instance.QueueMidi(100, kNoteOn, 63, 100);
        renders[i] = instance.Render(22050, i == 1 ? 37 : 512); // block size does not matter
    }
    EXPECT_GT(Rms(renders[0], 200, 22050), 1e-3);
    EXPECT_EQ(renders[0], renders[1]);
    EXPECT_NE(renders[0], renders[2]) << "the tuning did not play";
}

// A project saved before notes played at their pitch (voice state format 1) keeps its gate: notes on
// channel 1 open and close the voice as a controller's do. A new instance saves format 2.
TEST_F(ClapPlugin, AStateFromBeforeThePitchKeyboardLoadsWithTheGate) {
    auto instance = NewInstance();
    const clap_id keyboard = Param("Keyboard");
    EXPECT_EQ(instance->GetParam(keyboard), 1.0);
    // The state in DPF's layout: NUL-separated keys and values, 0xFE at the end.
    const std::string old = "__dpf_state_begin__\0voice\0format=1\nseed=3\n\0__dpf_state_end__\0\xfe"s;
    ASSERT_TRUE(instance->LoadState({old.begin(), old.end()}));
    EXPECT_EQ(instance->GetParam(keyboard), 0.0);
    instance->Activate(44100.0, 512);
    instance->QueueMidi(0, kNoteOn + 1, 60, 100); // channel 2: ignored
    instance->QueueMidi(4410, kNoteOn, 60, 100);
    instance->QueueMidi(8000, kNoteOn, 64, 90);
    instance->QueueMidi(12000, kNoteOff, 64, 0); // one key still held: stays open
    instance->QueueMidi(22050, kNoteOn, 60, 0);  // velocity 0 releases the last key
    instance->QueueMidi(33075, kNoteOn, 67, 100);
    instance->QueueMidi(38000, 0xB0, 123, 0); // all notes off
    const std::vector<float> out = instance->Render(44100, 256);
    EXPECT_EQ(Rms(out, 0, 4410), 0.0) << "silent before the first note";
    EXPECT_GT(Rms(out, 12000, 22050), 1e-3) << "the release of one of two keys keeps it open";
    EXPECT_EQ(Rms(out, 22050, 33075), 0.0) << "silent from the release of the last key";
    EXPECT_GT(Rms(out, 33075 + 200, 38000), 1e-3) << "the next note starts it again";
    EXPECT_EQ(Rms(out, 38000, out.size()), 0.0) << "all notes off closes it";
    const std::vector<uint8_t> saved = *NewInstance()->SaveState();
    EXPECT_NE(std::string(saved.begin(), saved.end()).find("format=2\n"), std::string::npos);
}

// 500 states loaded while the audio thread plays: after each, the host reads back every value it
// holds, and ThreadSanitizer (the tsan stage) finds no race with the voice's restart.
TEST_F(ClapPlugin, StatesLoadedWhileItPlaysKeepEveryValue) {
    std::vector<uint8_t> states[2];
    std::vector<double> values[2];
    for (int s = 0; s < 2; ++s) {
        auto source = NewInstance();
        SetVoiceLines(*source, "seed=" + std::to_string(40 + s) + "\n");
        for (const ParamInfo& p : source->Params()) {
            values[s].push_back(std::round(p.min + (p.max - p.min) * (s + 1) / 3));
            source->QueueParam(0, p.id, values[s].back());
        }
        source->Render(64, 64);
        states[s] = *source->SaveState();
    }
    ASSERT_NE(values[0], values[1]);

    auto instance = NewInstance();
    const std::vector<ParamInfo> params = instance->Params();
    std::atomic<bool> done{false};
    std::atomic<long> blocks{0};
    std::thread audio([&] {
        std::vector<float> out(256);
        instance->QueueMidi(0, kNoteOn, 60, 100);
        while (!done) {
            instance->Process(out.data(), static_cast<uint32_t>(out.size()));
            ++blocks;
        }
    });
    int failed_loads = 0, wrong_values = 0;
    for (int i = 0; i < 500; ++i) {
        failed_loads += instance->LoadState(states[i % 2]) ? 0 : 1;
        // read back once the audio thread has run a block or two past the load (and so taken it)
        for (const long seen = blocks; blocks < seen + 2;) {
            std::this_thread::yield();
        }
        for (size_t k = 0; k < params.size(); ++k) {
            wrong_values += instance->GetParam(params[k].id) == values[i % 2][k] ? 0 : 1;
        }
    }
    done = true;
    audio.join();
    EXPECT_EQ(failed_loads, 0);
    EXPECT_EQ(wrong_values, 0);
    EXPECT_GT(blocks.load(), 0);
}
} // namespace
} // namespace vortane::test
