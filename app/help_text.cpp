#include "app/help_text.h"

#include <array>

namespace vortane {
namespace {

// The help text in paragraphs as it is built: each piece starts on a new line, and a piece that
// ends a paragraph adds one more line break so that an empty line follows it.
struct HelpPiece {
    std::string_view text;
    bool ends_paragraph;
};

// clang-format off
constexpr std::array<HelpPiece, 31> kHelpPieces = {{
    {"Best way to get to know Vortane: Press Play and just play around with the settings!", true},
    {"And remember that sometimes patience is rewarded - after making a change you may not hear a noticeable", false},
    {"difference immediately, but then...off it goes.", true},
    {"In the 'Frequency Barriers Behaviour' group of controls, PriW = a Primary Walk is the step size which drives", false},
    {"the secondary walk, PriR = only a Random number as the step size drives the secondary walk, PriC = a Constant", false},
    {"value set by the Primary Step Size slider drives the secondary walk.", true},
    {"SMirror = Secondary Mirrors reflect the point back into the range by whatever amount the point exceeds", false},
    {"the barriers. SRandom = Secondary mirrors place the point at a random position in the range.", false},
    {"SCentred = Secondary mirrors place the point in the middle of the range. SOnLimits = Secondary mirrors", false},
    {"place the point on the barriers themselves. SOppLimits = Secondary mirrors place point onto the opposite barrier.", false},
    {"SLoMirHiLo = lower secondary mirror reflects the point back into the range by whatever amount the point", false},
    {"exceeds the barrier, but the upper secondary mirror places the point onto the opposite (lower) barrier.", true},
    {"(X1,Y1) are the co-ordinates of one of the control points of the bezier curve, and (X2,Y2) are the co-", false},
    {"ordinates of the other control point. The curve distorts according to the slider placement for each of the", false},
    {"four co-ordinates. The 'X1 Max' slider setting - depending on the setting of the other four sliders - can really", false},
    {"add overdrive or tear the sound up or in general take it into nasty areas - experiment for the sweet spot.", true},
    {"In order for the bezier curve to stochastically change shape as it plays along, you have to tick the 'On'", false},
    {"checkbox for the corresponding co-ordinate. About the 'Negative' checkboxes: if you tick 'X1 Negative'- ", false},
    {"what this does is that the X1 slider will be programatically moved in the range between where the X1 slider", false},
    {"is currently set, to the bottom of the X1 slider. Not ticking the 'X1 Negative' checkbox results in the X1 slider", false},
    {"getting programatically moved in the range between where the X1 slider is currently set, to the top of the", false},
    {"X1 slider.", true},
    {"The sound produced by the engine is passed through a master low pass filter, the frequency of which is set ", false},
    {"by the Frq slider and the Resonance by the Res slider, giving you even greater sound shaping versatility.", true},
    {"The MIDI devices available on your system which Vortane can be controlled through are shown in the MIDI ", false},
    {"devices drop-down. Select the device you wish to use, and choose Midi Controllers from the '?' Menu to set ", false},
    {"the MIDI control numbers that can receive events from your virtual or hardware MIDI control unit,", false},
    {"in order to control the corresponding sliders and checkbox/radio button selections in the application.", true},
    {"The Audio devices available on your system which Vortane can use to play the audio through are shown", false},
    {"in the Audio devices drop-down. You can select the device you wish to use at any time, and the audio will ", false},
    {"be re-routed through it.", true},
}};
// clang-format on

} // namespace

std::string HelpText() {
    std::string text;
    for (const HelpPiece& piece : kHelpPieces) {
        text += '\r';
        text += piece.text;
        if (piece.ends_paragraph) {
            text += '\r';
        }
    }
    return text;
}

QString HelpTextForDisplay() {
    QString text = QString::fromLatin1(HelpText());
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

} // namespace vortane
