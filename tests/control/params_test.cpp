#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "control/derivation.h"
#include "synth_test_util.h"

namespace vortane {
namespace {

using P = ParamId;

// What a host shows and reads back: every value of every parameter survives the round trip
// through its text, and the texts read as the window's units.
TEST(ParamText, EveryValueReadsBackFromItsTextInTheWindowsUnits) {
    for (const ParamSpec& spec : Params()) {
        for (int v = spec.minimum; v <= spec.maximum; ++v) {
            const std::string text = FormatParamValue(spec, v);
            ASSERT_EQ(ParseParamText(spec, text), static_cast<float>(v)) << spec.name << " " << text;
        }
    }
    EXPECT_EQ(FormatParamValue(Spec(P::SecondaryBarrier), 360), "36.0 st");
    EXPECT_EQ(FormatParamValue(Spec(P::ProbabilityWidth), 3), "0.30");
    EXPECT_EQ(FormatParamValue(Spec(P::Frq), 1500), "1500 Hz");
    EXPECT_EQ(FormatParamValue(Spec(P::Res), 40), "40 %");
    EXPECT_EQ(FormatParamValue(Spec(P::FrequencySetting), 180), "106.8 Hz"); // the bottom of the range
    EXPECT_EQ(FormatParamValue(Spec(P::Distribution), 1), "Logistic");
    EXPECT_EQ(FormatParamValue(Spec(P::X1On), 1), "On");
    // Hosts hand over anything: NaN is the default, the rest is held to the range.
    EXPECT_EQ(FormatParamValue(Spec(P::Frq), std::nan("")), "1500 Hz");
    EXPECT_EQ(FormatParamValue(Spec(P::Frq), 1e300), "5000 Hz");
    EXPECT_EQ(FormatParamValue(Spec(P::Behaviour), -1e300), "SMirror");
    EXPECT_EQ(ParseParamText(Spec(P::SecondaryBarrier), " 12 "), 120.0f);
    EXPECT_EQ(ParseParamText(Spec(P::WalkMode), "pric"), 2.0f);
    EXPECT_EQ(ParseParamText(Spec(P::Frq), "loud"), std::nullopt);
    EXPECT_EQ(ParseParamText(Spec(P::Frq), "nan"), std::nullopt);
}

// The names, symbols and option lists that projects, presets and --set rely on.
TEST(ParamTable, RowsAreConsistentAndFoundByName) {
    for (const ParamSpec& spec : Params()) {
        SCOPED_TRACE(std::string(spec.name));
        EXPECT_LE(spec.minimum, spec.default_value);
        EXPECT_LE(spec.default_value, spec.maximum);
        EXPECT_EQ(spec.kind == ParamKind::Choice, !spec.options.empty());
        if (spec.kind == ParamKind::Choice) {
            EXPECT_EQ(spec.maximum + 1, static_cast<int>(spec.options.size()));
        }
        std::string symbol; // the name lowered, every other run of characters one '_'
        for (char c : spec.name) {
            const bool alnum = std::isalnum(static_cast<unsigned char>(c)) != 0;
            if (alnum || (!symbol.empty() && symbol.back() != '_')) {
                symbol += alnum ? static_cast<char>(std::tolower(static_cast<unsigned char>(c))) : '_';
            }
        }
        EXPECT_EQ(spec.symbol, symbol);
        EXPECT_EQ(FindParam(spec.name), spec.id);
    }
    EXPECT_EQ(FindParam("x1   primary step SIZE"), P::X1StepSize);
    EXPECT_EQ(FindOption("sLoMirHiLo")->id, P::Behaviour);
    EXPECT_EQ(FindOption("ArcSin")->index, 3);
    EXPECT_FALSE(FindParam("X1 Primary"));
}

// A value is held as the window holds a control: a slider within its range (a MIDI controller's
// value may fall between positions), a check box ticked by exactly 1, a choice a whole index.
TEST(ParamStore, HoldsValuesAsTheirControlsDoAndHandsEachWriteOverOnce) {
    ParamStore store;
    store.Set(P::Frq, 6000.0f);
    store.Set(P::X1StepSize, 47.24f);
    store.Set(P::X1On, 2.0f);
    store.Set(P::Distribution, 7.6f);
    store.Set(P::Res, std::nanf(""));
    EXPECT_EQ(store.Get(P::Frq), 5000.0f);
    EXPECT_EQ(store.Get(P::X1StepSize), 47.24f);
    EXPECT_EQ(store.Get(P::X1On), 0.0f);
    EXPECT_EQ(store.Get(P::Distribution), 3.0f);
    EXPECT_EQ(store.Get(P::Res), 50.0f);
    EXPECT_EQ(store.TakeWritten(), ParamBit(P::Frq) | ParamBit(P::X1StepSize) | ParamBit(P::X1On) |
                                       ParamBit(P::Distribution) | ParamBit(P::Res));
    EXPECT_EQ(store.TakeWritten(), 0u);
}

// The voice starts its curve at Y1 0.06, where the slider's start position would give 0.05. The
// window hands Y1 over at its first write; a plugin whenever it is off its default, so that a
// project sounds the same however its values arrived.
TEST(ParamStore, CurveStartPointsFollowTheStorePolicy) {
    const auto y1_after = [](ParamStore& store, int value) {
        store.Set(P::Y1, static_cast<float>(value));
        ParamValues values;
        store.Load(values);
        VoiceParams p;
        DeriveVoiceParams(values, store.TakeWritten(), store.HandedOver(), p);
        EXPECT_NE(p.events & VoiceParams::PointWritten(Coordinate::Y1), 0u);
        return p.points[1];
    };
    ParamStore window;
    EXPECT_EQ(SliderPoint(Coordinate::Y1, {}, window.HandedOver()), 0.06f);
    EXPECT_EQ(y1_after(window, 5), 0.05f);
    ParamStore plugin(ParamStore::StartPoints::KeptAtDefault);
    EXPECT_EQ(y1_after(plugin, 5), 0.06f);
    EXPECT_EQ(y1_after(plugin, 30), 0.3f);
    EXPECT_EQ(y1_after(plugin, 5), 0.06f);
}

// Play, Stop and notes: the gate as a level, Stop and a restart as events taken once.
TEST(Transport, PlayStopAndNotesMoveTheGateAndPostTheirEventsOnce) {
    Transport t;
    t.TogglePlay();
    EXPECT_TRUE(t.gate_open());
    EXPECT_STREQ(t.play_caption(), "Stop");
    t.TogglePlay();
    EXPECT_FALSE(t.gate_open());
    EXPECT_STREQ(t.play_caption(), "Play");
    EXPECT_EQ(t.stop_count(), 1u);
    EXPECT_EQ(t.TakeEvents(), uint32_t{VoiceParams::kStop});
    EXPECT_EQ(t.TakeEvents(), 0u);
    t.OpenGateByNote();
    t.CloseGateForRestart();
    EXPECT_EQ(t.TakeEvents(), uint32_t{VoiceParams::kRestart});
    EXPECT_TRUE(t.playing()); // a released note is no Stop
}

// The display shows Y1, X2 and Y2 as their sliders or walks last set them, never written back
// into the parameters; X1 as "X1" × "X1 Max" ÷ 99 ÷ 100 whatever its walk does.
TEST(CurveMonitor, DisplayShowsTheLaterOfSliderAndWalk) {
    auto synth = test::PreparedSynth(5);
    Synth& s = *synth;
    EXPECT_EQ(s.monitor.Curve(s.params).y1, 0.06f);
    test::Move(s, P::X1Max, 115);
    test::Move(s, P::X1, 99);
    test::Move(s, P::Y1, 30);
    EXPECT_EQ(s.monitor.Curve(s.params).x1, 1.15f);
    EXPECT_EQ(s.monitor.Curve(s.params).y1, 0.3f);
    test::SwitchAllWalks(s);
    s.transport.TogglePlay();
    std::vector<float> block(4096);
    s.Render(block.data(), block.size());
    const DisplayCurve walked = s.monitor.Curve(s.params);
    EXPECT_EQ(walked.y1, s.voice.oscillator().point(Coordinate::Y1));
    EXPECT_NE(walked.y1, 0.3f);
    EXPECT_EQ(walked.x1, 1.15f);
    EXPECT_EQ(s.params.Get(P::Y1), 30.0f);
    test::Move(s, P::Y1, 20);
    EXPECT_EQ(s.monitor.Curve(s.params).y1, 0.2f);
}

// A restart (a plugin's new seed, a state or preset loaded while audio runs) starts the voice
// afresh with the gate closed and leaves every parameter as it was: the synth then plays exactly
// what a new one with the same values and seed plays.
TEST(SynthRestart, PlaysWhatAFreshSynthWithTheSameValuesPlays) {
    const auto configure = [](Synth& s) {
        test::SwitchAllWalks(s);
        test::Move(s, P::Y1, 40);
        test::Move(s, P::Frq, 700);
        test::Move(s, P::Distribution, 2);
        s.transport.TogglePlay();
    };
    auto used = test::PreparedSynth(1);
    configure(*used);
    std::vector<float> a(3000), b(3000);
    used->Render(a.data(), a.size());
    used->Restart(77);
    EXPECT_FALSE(used->transport.gate_open());
    used->transport.TogglePlay();
    used->Render(a.data(), a.size());
    auto fresh = test::PreparedSynth(77);
    configure(*fresh);
    fresh->Render(b.data(), b.size());
    EXPECT_EQ(a, b);
    EXPECT_EQ(used->params.Get(P::Frq), 700.0f);
}

} // namespace
} // namespace vortane
