// The built vortane.clap through a host of our own: parameters, notes, sample rates, hostile calls.
#include <gtest/gtest.h>

#include "control/synth.h"
#include "engine/polyphase_resampler.h"
#include "render/offline_render.h"
#include "tests/plugin/clap_test_fixture.h"

namespace vortane::test {
namespace {

// The host sees the parameter table: a musician's name, the range and default, in table order. A
// new instance plays notes at their pitch (Keyboard 1).
TEST_F(ClapPlugin, ParametersAreTheTableUnderTheirDisplayNames) {
    auto instance = NewInstance();
    const std::vector<ParamInfo> params = instance->Params();
    ASSERT_EQ(params.size(), kParamCount);
    for (const ParamSpec& spec : Params()) {
        const ParamInfo& p = params[Index(spec.id)];
        const int initial = spec.id == ParamId::Keyboard ? 1 : spec.default_value;
        EXPECT_EQ(p.id, static_cast<clap_id>(spec.id));
        EXPECT_EQ(p.name, spec.display_name);
        EXPECT_EQ(std::tuple(p.min, p.max, p.def), std::tuple(spec.minimum, spec.maximum, initial));
        EXPECT_EQ(instance->GetParam(p.id), initial) << spec.name;
    }

    // A value from automation is held to the range and taken to a whole state.
    const clap_id frq = Param("Frq"), barriers = Param("Frequency Barriers");
    instance->QueueParam(0, frq, 99999.0);
    instance->QueueParam(0, barriers, 2.4);
    instance->Render(64, 64);
    EXPECT_EQ(instance->GetParam(frq), 5000.0);
    EXPECT_EQ(instance->GetParam(barriers), 2.0);
}

// CLAP makes every host extension optional: a host that offers none runs, saves and reloads the
// plugin at every rate it can convert the voice to (1/8 to 16 times 44.1 kHz), and is refused others.
TEST_F(ClapPlugin, AHostWithoutExtensionsRunsItAtEveryRateItCanPlay) {
    for (const double rate : {5512.0, 705601.0, 0.0, std::nan(""), 5512.5, 705600.0}) {
        EXPECT_EQ(ClapInstance(*library_, ClapInstance::Host::kBare).Activate(rate, 512),
                  rate == 5512.5 || rate == 705600.0)
            << rate << " Hz";
    }
    for (const double rate : {22050.0, 44100.0, 48000.0, 96000.0}) {
        ClapInstance instance(*library_, ClapInstance::Host::kBare);
        ASSERT_TRUE(instance.Activate(rate, 512)) << rate;
        instance.QueueMidi(0, kNoteOn, 60, 100);
        EXPECT_GT(Rms(instance.Render(4096, 512), 1024, 4096), 1e-3) << rate;
        const auto state = instance.SaveState();
        ASSERT_TRUE(state.has_value());
        instance.Deactivate();
        EXPECT_TRUE(instance.LoadState(*state)) << rate;
        EXPECT_TRUE(instance.Activate(rate, 512)) << rate;
    }
}

// Ids that are no parameter and events of another event space get a plain refusal, and nothing
// reaches past the plugin's memory (clap_plugin_asan_tests run these under AddressSanitizer).
TEST_F(ClapPlugin, RefusesIdsAndEventsThatAreNotItsOwn) {
    auto instance = NewInstance();
    const clap_plugin_t* plugin = instance->plugin();
    const auto* params =
        static_cast<const clap_plugin_params_t*>(plugin->get_extension(plugin, CLAP_EXT_PARAMS));
    const uint32_t count = params->count(plugin);
    clap_param_info_t info{};
    double value = 0.0;
    char text[16];
    EXPECT_FALSE(params->get_info(plugin, count, &info));
    EXPECT_FALSE(params->get_value(plugin, count, &value));
    EXPECT_FALSE(params->value_to_text(plugin, count, 1.0, text, sizeof(text)));
    EXPECT_FALSE(params->text_to_value(plugin, count, "1", &value));
    for (const clap_id id : {count, count + 1000, CLAP_INVALID_ID}) {
        instance->QueueParam(0, id, 1.0);
    }
    instance->QueueMidi(0, kNoteOn, 60, 100, 0x7e57); // a note-on of another event space
    EXPECT_EQ(Rms(instance->Render(2048, 512), 0, 2048), 0.0) << "a foreign event played a note";
    for (const ParamInfo& p : instance->Params()) {
        EXPECT_EQ(instance->GetParam(p.id), p.def) << p.name;
    }
}

// A value shows as the state it sets (held to the range, NaN as the initial state, a choice by its
// option's name); a typed text is read with or without its unit, held to the range, or as an option.
TEST_F(ClapPlugin, ShowsValuesAsTheStatesTheySetAndReadsOnlyWhatNamesOne) {
    auto instance = NewInstance();
    const clap_plugin_t* plugin = instance->plugin();
    const auto* params =
        static_cast<const clap_plugin_params_t*>(plugin->get_extension(plugin, CLAP_EXT_PARAMS));
    const clap_id frq = Param("Frq"), barriers = Param("Frequency Barriers");
    const clap_id distribution = Param("Frequency Probability Distribution"),
                  walk = Param("Frequency Barriers Walk");
    const struct {
        clap_id id;
        double value;
        const char* text;
    } shown[] = {{frq, std::nan(""), "1500 Hz"}, {frq, 1e300, "5000 Hz"},    {frq, -INFINITY, "20 Hz"},
                 {frq, 99.6, "100 Hz"},          {barriers, 3, "SOnLimits"}, {barriers, 1e300, "SLoMirHiLo"},
                 {distribution, 3, "ArcSin"},    {walk, 2, "PriC"}};
    for (const auto& [id, v, expected] : shown) {
        EXPECT_EQ(instance->ParamText(id, v), expected) << v;
    }
    const struct {
        clap_id id;
        const char* text;
        double value; // NaN: names no value
    } read[] = {{frq, " 4999.6 ", 5000}, {frq, "600 hz", 600},       {frq, "6000", 5000}, {frq, "loud", NAN},
                {frq, "", NAN},          {barriers, "sonlimits", 3}, {barriers, "2", 2}};
    for (const auto& [id, typed, expected] : read) {
        double value = -1.0;
        EXPECT_EQ(params->text_to_value(plugin, id, typed, &value), !std::isnan(expected)) << typed;
        EXPECT_EQ(value, std::isnan(expected) ? -1.0 : expected) << typed;
    }
}

// Ten exports of one session at 48 kHz are the same to the bit whatever ran before and after the
// activation; every other export's note comes in a call of no frames and sounds at the next call.
TEST_F(ClapPlugin, ExportsAtAHostRateAreIdenticalWhateverRanBefore) {
    auto source = NewInstance(48000.0);
    source->QueueParam(0, Param("Frequency Setting"), 420);
    source->QueueParam(0, Param("X1 On"), 1);
    source->Render(64, 64);
    const std::vector<uint8_t> session = *source->SaveState();
    std::vector<float> first;
    for (uint32_t i = 0; i < 10; ++i) {
        auto instance = NewInstance(48000.0);
        ASSERT_TRUE(instance->LoadState(session));
        instance->QueueMidi(0, kNoteOn, 60, 100); // what the user played before
        instance->Render(512 * i + 100, 512);
        instance->Activate(48000.0, 512);
        instance->Render(512 * i + 37 * i, 512);
        std::vector<float> out = instance->Render(i % 2 == 0 ? 0 : 100, 512);
        instance->QueueMidi(i % 2 == 0 ? 100 : 0, kNoteOn, 60, 100);
        if (i % 2 == 1) { // the note in a call of no frames at the export's frame 100
            float none = 0.0f;
            instance->Process(&none, 0);
        }
        const std::vector<float> rest = instance->Render(24000 - out.size(), 512);
        out.insert(out.end(), rest.begin(), rest.end());
        if (first.empty()) {
            first = out;
        }
        EXPECT_EQ(out, first) << "export " << i;
    }
    EXPECT_GT(Rms(first, 0, first.size()), 1e-3);
}

// At its own rate the plugin is the program's voice, sample for sample: the same seed and the same
// moves give what vortane-render's synth gives with Play pressed at the first frame.
TEST_F(ClapPlugin, AtTheVoicesRateThePluginPlaysWhatTheRenderToolRenders) {
    auto instance = NewInstance();
    SetVoiceLines(*instance, "seed=5\n");
    const std::vector<ParamSetting> settings = {
        {ParamId::Keyboard, 0}, // the render tool's Gate
        {ParamId::FrequencySetting, 333}, {ParamId::X1On, 1}, {ParamId::Frq, 900},
        {ParamId::Behaviour, 3},          {ParamId::Y2, 120}};
    for (const ParamSetting& setting : settings) {
        instance->QueueParam(0, static_cast<clap_id>(setting.id), setting.value);
    }
    instance->QueueMidi(0, kNoteOn, 60, 100);
    const std::vector<float> out = instance->Render(44100, 300);

    auto synth = std::make_unique<Synth>();
    PrepareRender(*synth, 5, settings);
    std::vector<float> reference(out.size());
    synth->Render(reference.data(), reference.size());
    EXPECT_GT(Rms(out, 0, out.size()), 1e-3);
    EXPECT_EQ(out, reference);
}

// At host rates (one no whole number) and in blocks down to one frame the plugin gives to the bit the
// 44.1 kHz voice resampled offline, its note where the reported latency says the voice hears it.
TEST_F(ClapPlugin, HostRatesMatchTheVoiceResampledOffline) {
    for (const double rate : {48000.0, 96000.0, 47999.5}) {
        auto high = NewInstance(rate);
        const uint32_t latency = high->Latency();
        EXPECT_GT(latency, 0u);
        high->QueueParam(0, Param("Frequency Setting"), 300);
        high->QueueParam(0, Param("X2 On"), 1);
        high->Render(64, 64);
        const auto state = high->SaveState();

        high->Activate(rate, 512);
        high->QueueMidi(0, kNoteOn, 60, 100);
        const std::vector<float> out = high->Render(static_cast<size_t>(rate), 512);
        high->Activate(rate, 512);
        high->QueueMidi(0, kNoteOn, 60, 100);
        EXPECT_EQ(high->Render(out.size(), 1), out) << "the conversion depends on the block size";

        auto low = NewInstance(44100.0);
        ASSERT_TRUE(low->LoadState(*state));
        low->Activate(44100.0, 512);
        EXPECT_EQ(low->Latency(), 0u) << "no resampler at the voice's own rate";
        low->QueueMidi(static_cast<uint32_t>(std::llround(latency * 44100.0 / rate)), kNoteOn, 60, 100);
        const std::vector<float> voice = low->Render(44100 + 4410, 512);

        PolyphaseResampler offline;
        ASSERT_TRUE(offline.Init(44100.0, rate, voice.size()));
        ASSERT_EQ(offline.Write(voice.data(), voice.size()), voice.size());
        std::vector<float> reference(out.size());
        ASSERT_EQ(offline.Render(reference.data(), reference.size()), reference.size());
        EXPECT_GT(Rms(reference, 0, reference.size()), 1e-3);
        EXPECT_EQ(out, reference) << rate << " Hz";
    }
}

} // namespace
} // namespace vortane::test
