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
    EXPECT_EQ(FormatParamValue(Spec(P::Res), 40), "40 %");
    EXPECT_EQ(FormatParamValue(Spec(P::FrequencySetting), 180), "106.8 Hz"); // the bottom of the range
    EXPECT_EQ(FormatParamValue(Spec(P::X1On), 1), "On");
    EXPECT_EQ(ParseParamText(Spec(P::SecondaryBarrier), " 12 "), 120.0f);
    EXPECT_EQ(ParseParamText(Spec(P::Frq), "nan"), std::nullopt);
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

} // namespace
} // namespace vortane
