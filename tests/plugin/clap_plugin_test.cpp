// The built vortane.clap through a host of our own: parameters, notes, state, sample rates, seeds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <soxr.h>
#include <string>
#include <vector>

#include "control/params.h"
#include "control/synth.h"
#include "render/offline_render.h"
#include "tests/plugin/clap_host.h"

namespace vortane::test {
namespace {

constexpr uint8_t kNoteOn = 0x90, kNoteOff = 0x80;

class ClapPlugin : public testing::Test {
protected:
    static void SetUpTestSuite() { library_ = std::make_unique<ClapLibrary>(VORTANE_CLAP_PATH); }
    static void TearDownTestSuite() { library_.reset(); }
    void SetUp() override { ASSERT_TRUE(library_->ok()) << library_->error(); }

    static std::unique_ptr<ClapInstance> NewInstance(double rate = 44100.0) {
        auto instance = std::make_unique<ClapInstance>(*library_);
        EXPECT_TRUE(instance->ok());
        EXPECT_TRUE(instance->Activate(rate, 512));
        return instance;
    }

    // The id of the parameter that --set calls `name`: hosts number parameters as the table does.
    static clap_id Param(const ClapInstance&, const std::string& name) {
        const auto id = FindParam(name);
        EXPECT_TRUE(id.has_value()) << name;
        return id ? static_cast<clap_id>(*id) : 0;
    }

    static inline std::unique_ptr<ClapLibrary> library_;
};

bool AllZero(const std::vector<float>& s, size_t from, size_t to) {
    return std::all_of(s.begin() + static_cast<long>(from), s.begin() + static_cast<long>(to),
                       [](float x) { return x == 0.0f; });
}

double Rms(const std::vector<float>& s, size_t from, size_t to) {
    double sum = 0.0;
    for (size_t i = from; i < to; ++i) {
        sum += static_cast<double>(s[i]) * s[i];
    }
    return std::sqrt(sum / static_cast<double>(to - from));
}

bool AllFinite(const std::vector<float>& s) {
    return std::all_of(s.begin(), s.end(), [](float x) { return std::isfinite(x); });
}

// The host sees the parameter table: a musician's name, the range and default, in table order.
TEST_F(ClapPlugin, ParametersAreTheTableUnderTheirDisplayNames) {
    auto instance = NewInstance();
    const std::vector<ParamInfo> params = instance->Params();
    ASSERT_EQ(params.size(), kParamCount);
    for (const ParamSpec& spec : Params()) {
        const ParamInfo& p = params[Index(spec.id)];
        EXPECT_EQ(p.id, static_cast<clap_id>(spec.id));
        EXPECT_EQ(p.name, spec.display_name);
        EXPECT_EQ(std::tuple(p.min, p.max, p.def),
                  std::tuple(spec.minimum, spec.maximum, spec.default_value));
        EXPECT_EQ(instance->GetParam(p.id), spec.default_value) << spec.name;
    }

    // Option groups: integer choices labelled with the option names, the initial option selected.
    const std::optional<ParamInfo> behaviour = params[Index(ParamId::Behaviour)];
    EXPECT_EQ(behaviour->max, 5);
    EXPECT_EQ(instance->ParamText(behaviour->id, 0), "SMirror");
    EXPECT_EQ(instance->ParamText(behaviour->id, 5), "SLoMirHiLo");
    EXPECT_EQ(instance->ParamText(Param(*instance, "Frequency Probability Distribution"), 3), "ArcSin");
    EXPECT_EQ(instance->ParamText(Param(*instance, "Frequency Barriers Walk"), 2), "PriC");

    // A value from automation is held to the range and taken to a whole state.
    const clap_id frq = Param(*instance, "Frq");
    instance->QueueParam(0, frq, 99999.0);
    instance->QueueParam(0, behaviour->id, 2.4);
    instance->Render(64, 64);
    EXPECT_EQ(instance->GetParam(frq), 5000.0);
    EXPECT_EQ(instance->GetParam(behaviour->id), 2.0);
}

TEST_F(ClapPlugin, NotesOnChannelOneGateTheVoice) {
    auto instance = NewInstance();
    instance->QueueMidi(0, kNoteOn + 1, 60, 100); // channel 2: ignored
    instance->QueueMidi(4410, kNoteOn, 60, 100);
    instance->QueueMidi(6000, kNoteOn, 60, 100); // the same key again, as overlapping clips send it
    instance->QueueMidi(8000, kNoteOn, 64, 90);
    instance->QueueMidi(12000, kNoteOff, 64, 0); // one key still held: stays open
    instance->QueueMidi(22050, kNoteOn, 60, 0);  // velocity 0 releases the last key
    instance->QueueMidi(30000, kNoteOff, 60, 0); // a release of a key not held changes nothing
    instance->QueueMidi(33075, kNoteOn, 67, 100);
    instance->QueueMidi(38000, 0xB0, 123, 0); // all notes off
    const std::vector<float> out = instance->Render(44100, 256);

    ASSERT_TRUE(AllFinite(out));
    EXPECT_TRUE(AllZero(out, 0, 4410)) << "silent before the first note";
    EXPECT_GT(Rms(out, 4410 + 200, 22050), 1e-3) << "audible while a key is held";
    EXPECT_GT(Rms(out, 12000, 22050), 1e-3) << "the release of one of two keys keeps it open";
    EXPECT_TRUE(AllZero(out, 22050, 33075)) << "silent from the release of the last key";
    EXPECT_GT(Rms(out, 33075 + 200, 38000), 1e-3) << "the next note starts it again";
    EXPECT_TRUE(AllZero(out, 38000, out.size())) << "all notes off closes it";
}

TEST_F(ClapPlugin, SavedStateGivesANewInstanceTheSameSamples) {
    auto first = NewInstance();
    first->QueueParam(0, Param(*first, "Frequency Setting"), 420);
    first->QueueParam(0, Param(*first, "Y2 On"), 1);
    first->QueueParam(0, Param(*first, "Frequency Probability Distribution"), 2);
    first->Render(64, 64);
    const auto state = first->SaveState();
    ASSERT_TRUE(state.has_value());

    auto second = NewInstance();
    ASSERT_TRUE(second->LoadState(*state));
    for (const char* name : {"Frequency Setting", "Y2 On", "Frequency Probability Distribution"}) {
        EXPECT_EQ(second->GetParam(Param(*second, name)), first->GetParam(Param(*first, name))) << name;
    }

    // The host activates both for the render: each restarts from the (now common) seed.
    std::vector<float> renders[2];
    for (int i = 0; i < 2; ++i) {
        ClapInstance& instance = i == 0 ? *first : *second;
        instance.Activate(44100.0, 512);
        instance.QueueMidi(100, kNoteOn, 60, 100);
        renders[i] = instance.Render(22050, i == 0 ? 512 : 37); // block size does not matter
    }
    EXPECT_GT(Rms(renders[0], 200, 22050), 1e-3);
    EXPECT_EQ(renders[0], renders[1]);
}

TEST_F(ClapPlugin, InstancesDifferBySeedAndEachIsReproducible) {
    auto a = NewInstance();
    auto b = NewInstance();
    auto render = [](ClapInstance& instance) {
        instance.Activate(44100.0, 512);
        instance.QueueParam(0, instance.FindParam("Frequency Setting")->id, 600); // many periods
        instance.QueueMidi(0, kNoteOn, 60, 100);
        return instance.Render(22050, 512);
    };
    const std::vector<float> a1 = render(*a), b1 = render(*b);
    EXPECT_NE(a1, b1);
    EXPECT_EQ(render(*a), a1);
    EXPECT_EQ(render(*b), b1);
}

// A damaged, empty or foreign state must never crash the host, and keeps whatever it understands.
TEST_F(ClapPlugin, DamagedStatesLoadWhatTheyCan) {
    auto source = NewInstance();
    source->QueueParam(0, Param(*source, "Res"), 77);
    source->Render(64, 64);
    const std::vector<uint8_t> good = *source->SaveState();

    auto check_ranges = [](const ClapInstance& instance) {
        for (const ParamInfo& p : instance.Params()) {
            const double v = instance.GetParam(p.id);
            EXPECT_TRUE(v >= p.min && v <= p.max) << p.name << " = " << v;
        }
    };
    for (size_t cut = 0; cut < good.size(); cut += 7) {
        auto instance = NewInstance();
        instance->LoadState(std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(cut)));
        check_ranges(*instance);
        instance->QueueMidi(0, kNoteOn, 60, 100);
        EXPECT_TRUE(AllFinite(instance->Render(2048, 512)));
    }

    // DPF's layout: NUL-separated keys and values, 0xFE at the end.
    auto fields = [](std::initializer_list<std::string> list) {
        std::vector<uint8_t> bytes;
        for (const std::string& f : list) {
            bytes.insert(bytes.end(), f.begin(), f.end());
            bytes.push_back(0);
        }
        bytes.push_back(0xfe);
        return bytes;
    };
    const std::vector<uint8_t> later =
        fields({"__dpf_state_begin__", "voice", "format=9\nseed=7\nfuture=1\n", "__dpf_state_end__",
                "__dpf_parameters_begin__", "res", "12", "frq", "-4e38", "y1", "999", "unknown", "3",
                "__dpf_parameters_end__"});
    const std::vector<uint8_t> garbage = {'g', 0xff, 0x01, 0, 0, 0xfe};
    for (const std::vector<uint8_t>& bytes :
         {std::vector<uint8_t>{}, std::vector<uint8_t>{0xfe}, garbage, later}) {
        auto instance = NewInstance();
        instance->LoadState(bytes);
        check_ranges(*instance);
    }
    auto instance = NewInstance();
    instance->LoadState(later);
    EXPECT_EQ(instance->GetParam(Param(*instance, "Res")), 12);
    EXPECT_EQ(instance->GetParam(Param(*instance, "Frq")), 20);
    EXPECT_EQ(instance->GetParam(Param(*instance, "Y1")), 79);
    const std::vector<uint8_t> saved = *instance->SaveState();
    EXPECT_NE(std::string(saved.begin(), saved.end()).find("seed=7\n"), std::string::npos)
        << "the seed of a later format's state is kept";
}

// At its own rate the plugin is the program's voice, sample for sample: the same seed and the same
// moves give what vortane-render's synth gives with Play pressed at the first frame.
TEST_F(ClapPlugin, AtTheVoicesRateThePluginPlaysWhatTheRenderToolRenders) {
    auto instance = NewInstance();
    const std::vector<ParamSetting> settings = {{ParamId::FrequencySetting, 333},
                                                {ParamId::X1On, 1},
                                                {ParamId::Frq, 900},
                                                {ParamId::Behaviour, 3},
                                                {ParamId::Y2, 120}};
    instance->QueueParam(0, Param(*instance, "Frequency Setting"), 333);
    instance->QueueParam(0, Param(*instance, "X1 On"), 1);
    instance->QueueParam(0, Param(*instance, "Frq"), 900);
    instance->QueueParam(0, Param(*instance, "Frequency Barriers"), 3); // SOnLimits
    instance->QueueParam(0, Param(*instance, "Y2"), 120);
    instance->Render(64, 64);
    const std::vector<uint8_t> state = *instance->SaveState();
    const std::string text(state.begin(), state.end());
    const size_t at = text.find("seed=");
    ASSERT_NE(at, std::string::npos);
    const uint64_t seed = std::stoull(text.substr(at + 5));

    instance->Activate(44100.0, 512);
    instance->QueueMidi(0, kNoteOn, 60, 100);
    const std::vector<float> out = instance->Render(44100, 300);

    auto synth = std::make_unique<Synth>();
    PrepareRender(*synth, seed, settings);
    std::vector<float> reference(out.size());
    synth->Render(reference.data(), reference.size());
    EXPECT_GT(Rms(out, 0, out.size()), 1e-3);
    EXPECT_EQ(out, reference);
}

// At 48 and 96 kHz the plugin gives the 44.1 kHz voice resampled: compared with the 44.1 kHz render
// of the same state resampled offline (libsoxr's very-high-quality one-shot), with the note placed
// where the reported latency says the voice hears it.
TEST_F(ClapPlugin, HostRatesMatchTheVoiceResampledOffline) {
    for (const double rate : {48000.0, 96000.0}) {
        auto high = NewInstance(rate);
        const uint32_t latency = high->Latency();
        EXPECT_GT(latency, 0u);
        high->QueueParam(0, Param(*high, "Frequency Setting"), 300);
        high->QueueParam(0, Param(*high, "X2 On"), 1);
        high->Render(64, 64);
        const auto state = high->SaveState();

        high->Activate(rate, 512);
        high->QueueMidi(0, kNoteOn, 60, 100);
        const std::vector<float> out = high->Render(static_cast<size_t>(rate), 512);
        high->Activate(rate, 512);
        high->QueueMidi(0, kNoteOn, 60, 100);
        EXPECT_EQ(high->Render(out.size(), 100), out) << "the conversion depends on the block size";

        auto low = NewInstance(44100.0);
        ASSERT_TRUE(low->LoadState(*state));
        low->Activate(44100.0, 512);
        EXPECT_EQ(low->Latency(), 0u) << "no resampler at the voice's own rate";
        low->QueueMidi(static_cast<uint32_t>(std::llround(latency * 44100.0 / rate)), kNoteOn, 60, 100);
        const std::vector<float> voice = low->Render(44100 + 4410, 512);

        std::vector<float> reference(out.size());
        size_t done = 0;
        const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_VHQ, 0);
        const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
        ASSERT_EQ(soxr_oneshot(44100.0, rate, 1, voice.data(), voice.size(), nullptr, reference.data(),
                               reference.size(), &done, &io, &quality, nullptr),
                  nullptr);
        ASSERT_EQ(done, reference.size());

        double error = 0.0, signal = 0.0;
        for (size_t i = 0; i < out.size(); ++i) {
            error += (out[i] - reference[i]) * static_cast<double>(out[i] - reference[i]);
            signal += static_cast<double>(reference[i]) * reference[i];
        }
        const double db = 10.0 * std::log10(error / signal);
        std::printf("%.0f Hz: latency %u frames, error against the offline resampling %.1f dB\n", rate,
                    latency, db);
        EXPECT_GT(signal, 1.0);
        EXPECT_LT(db, -85.0) << rate << " Hz";
    }
}

} // namespace
} // namespace vortane::test
