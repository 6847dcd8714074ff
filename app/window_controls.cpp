#include "app/window_controls.h"

#include <array>

namespace vortane {
namespace {

using K = ControlKind;
using P = ParamId;
constexpr ParamId kNone = ParamId::kCount;

// clang-format off
constexpr std::array<WindowControl, 73> kControls = {{
    //id  kind      caption                         name                             x    y    w    h  parameter            option
    {76, K::Option,  "PriW",                        "PriW",                        560, 230,  40,  20, P::WalkMode,            0},
    {77, K::Option,  "PriR",                        "PriR",                        610, 230,  40,  20, P::WalkMode,            1},
    {78, K::Option,  "PriC",                        "PriC",                        660, 230,  40,  20, P::WalkMode,            2},
    {69, K::Button,  "Play",                        "Play",                        630,  25,  90,  20, kNone,                 -1},
    {70, K::Option,  "SMirror",                     "SMirror",                     560, 255,  60,  20, P::Behaviour,           0},
    {72, K::Option,  "SRandom",                     "SRandom",                     640, 255,  70,  20, P::Behaviour,           1},
    {71, K::Option,  "SCentred",                    "SCentred",                    560, 280,  60,  20, P::Behaviour,           2},
    {73, K::Option,  "SOnLimits",                   "SOnLimits",                   640, 280,  70,  20, P::Behaviour,           3},
    {74, K::Option,  "SOppLimits",                  "SOppLimits",                  560, 305,  80,  20, P::Behaviour,           4},
    {75, K::Option,  "SLoMirHiLo",                  "SLoMirHiLo",                  640, 305,  80,  20, P::Behaviour,           5},
    {21, K::Frame,   "Master Filter",               "Master Filter",               425, 215, 120, 120, kNone,                 -1},
    {25, K::Frame,   "Frequency Setting",           "Frequency Setting",           425,  10, 200,  40, kNone,                 -1},
    {22, K::Frame,   "Frequency Stochastic",        "Frequency Stochastic",        425,  60, 300, 150, kNone,                 -1},
    {23, K::Frame,   "Amplitude Settings",          "Amplitude Settings",           10, 215, 400, 120, kNone,                 -1},
    {24, K::Frame,   "Amplitude Stochastic",        "Amplitude Stochastic",         10, 345, 535, 110, kNone,                 -1},
    {26, K::Frame,   "Midi/Audio Settings",         "Midi/Audio Settings",         555, 345, 170, 110, kNone,                 -1},
    {27, K::Frame,   "Frequency Barriers Behaviour", "Frequency Barriers Behaviour", 555, 215, 170, 120, kNone,                 -1},
    {28, K::Option,  "Cauchy",                      "Cauchy",                      440,  80,  60,  20, P::Distribution,        0},
    {29, K::Option,  "Logistic",                    "Logistic",                    440, 110,  60,  20, P::Distribution,        1},
    {30, K::Option,  "Uniform",                     "Uniform",                     440, 140,  60,  20, P::Distribution,        2},
    {31, K::Option,  "ArcSin",                      "ArcSin",                      440, 170,  60,  20, P::Distribution,        3},
    {35, K::SliderH, "",                            "Primary Step Size",           610,  80, 100,  20, P::PrimaryStepSize,    -1},
    {34, K::SliderH, "",                            "Probability Width",           610, 110, 100,  20, P::ProbabilityWidth,   -1},
    {36, K::SliderH, "",                            "Primary Step Barrier",        610, 140, 100,  20, P::PrimaryStepBarrier, -1},
    {37, K::SliderH, "",                            "Secondary Barrier",           610, 170, 100,  20, P::SecondaryBarrier,   -1},
    {52, K::Label,   "Primary Step Size",           "Primary Step Size",           510,  80, 100,  20, kNone,                 -1},
    {53, K::Label,   "Probability Width",           "Probability Width",           510, 110, 100,  20, kNone,                 -1},
    {54, K::Label,   "Primary Step Barrier",        "Primary Step Barrier",        510, 140, 100,  20, kNone,                 -1},
    {55, K::Label,   "Secondary Barrier",           "Secondary Barrier",           510, 170, 100,  20, kNone,                 -1},
    { 2, K::Combo,   "",                            "MIDI Device",                 570, 370, 140,  20, kNone,                 -1},
    { 3, K::Combo,   "",                            "Audio Device",                570, 410, 140,  20, kNone,                 -1},
    { 8, K::Display, "",                            "Waveform",                     10,  10, 400, 200, kNone,                 -1},
    { 4, K::SliderV, "",                            "Frq",                         440, 243,  20,  80, P::Frq,                -1},
    { 5, K::SliderV, "",                            "Res",                         480, 243,  20,  80, P::Res,                -1},
    { 6, K::Label,   "Frq",                         "Frq",                         440, 230,  18,  20, kNone,                 -1},
    { 7, K::Label,   "Res",                         "Res",                         480, 230,  22,  20, kNone,                 -1},
    {13, K::SliderV, "",                            "Master Volume",               350, 243,  20,  80, P::MasterVolume,       -1},
    { 9, K::SliderV, "",                            "X1",                           15, 243,  20,  80, P::X1,                 -1},
    {10, K::SliderV, "",                            "Y1",                          100, 243,  20,  80, P::Y1,                 -1},
    {11, K::SliderV, "",                            "X2",                          135, 243,  20,  80, P::X2,                 -1},
    {12, K::SliderV, "",                            "Y2",                          170, 243,  20,  80, P::Y2,                 -1},
    {38, K::SliderH, "",                            "X1 Primary Step Size",        130, 370, 100,  20, P::X1StepSize,         -1},
    {39, K::SliderH, "",                            "Y1 Primary Step Size",        130, 390, 100,  20, P::Y1StepSize,         -1},
    {40, K::SliderH, "",                            "X2 Primary Step Size",        130, 410, 100,  20, P::X2StepSize,         -1},
    {41, K::SliderH, "",                            "Y2 Primary Step Size",        130, 430, 100,  20, P::Y2StepSize,         -1},
    {61, K::SliderH, "",                            "X1 Barrier",                  290, 370, 100,  20, P::X1Barrier,          -1},
    {62, K::SliderH, "",                            "Y1 Barrier",                  290, 390, 100,  20, P::Y1Barrier,          -1},
    {63, K::SliderH, "",                            "X2 Barrier",                  290, 410, 100,  20, P::X2Barrier,          -1},
    {64, K::SliderH, "",                            "Y2 Barrier",                  290, 430, 100,  20, P::Y2Barrier,          -1},
    {65, K::Label,   "Barrier",                     "Barrier",                     250, 370,  50,  20, kNone,                 -1},
    {66, K::Label,   "Barrier",                     "Barrier",                     250, 390,  50,  20, kNone,                 -1},
    {67, K::Label,   "Barrier",                     "Barrier",                     250, 410,  50,  20, kNone,                 -1},
    {68, K::Label,   "Barrier",                     "Barrier",                     250, 430,  50,  20, kNone,                 -1},
    {56, K::Label,   "X1 Primary Step   Size",      "X1 Primary Step   Size",       20, 370, 120,  20, kNone,                 -1},
    {57, K::Label,   "Y1 Primary Step   Size",      "Y1 Primary Step   Size",       20, 390, 120,  20, kNone,                 -1},
    {58, K::Label,   "X2 Primary Step   Size",      "X2 Primary Step   Size",       20, 410, 120,  20, kNone,                 -1},
    {59, K::Label,   "Y2 Primary Step   Size",      "Y2 Primary Step   Size",       20, 430, 120,  20, kNone,                 -1},
    {50, K::SliderH, "",                            "Frequency Setting",           440,  28, 180,  20, P::FrequencySetting,   -1},
    {51, K::SliderV, "",                            "X1 Max",                       60, 243,  20,  80, P::X1Max,              -1},
    {42, K::Check,   "X1 Negative",                 "X1 Negative",                 395, 370,  80,  20, P::X1Negative,         -1},
    {43, K::Check,   "Y1 Negative",                 "Y1 Negative",                 395, 390,  80,  20, P::Y1Negative,         -1},
    {44, K::Check,   "X2 Negative",                 "X2 Negative",                 395, 410,  80,  20, P::X2Negative,         -1},
    {45, K::Check,   "Y2 Negative",                 "Y2 Negative",                 395, 430,  80,  20, P::Y2Negative,         -1},
    {46, K::Check,   "On",                          "X1 On",                       480, 370,  50,  20, P::X1On,               -1},
    {47, K::Check,   "On",                          "Y1 On",                       480, 390,  50,  20, P::Y1On,               -1},
    {48, K::Check,   "On",                          "X2 On",                       480, 410,  50,  20, P::X2On,               -1},
    {49, K::Check,   "On",                          "Y2 On",                       480, 430,  50,  20, P::Y2On,               -1},
    {15, K::Label,   "X1",                          "X1",                           17, 230,  20,  20, kNone,                 -1},
    {19, K::Label,   "X1 Max",                      "X1 Max",                       50, 230,  40,  20, kNone,                 -1},
    {16, K::Label,   "Y1",                          "Y1",                          102, 230,  20,  20, kNone,                 -1},
    {17, K::Label,   "X2",                          "X2",                          137, 230,  20,  20, kNone,                 -1},
    {18, K::Label,   "Y2",                          "Y2",                          172, 230,  20,  20, kNone,                 -1},
    {20, K::Label,   "Master Volume",               "Master Volume",               325, 230,  80,  20, kNone,                 -1},
}};
// clang-format on

} // namespace

std::span<const WindowControl> MainWindowControls() {
    return kControls;
}

const WindowControl* FindWindowControl(int id) {
    for (const WindowControl& c : kControls) {
        if (c.id == id) {
            return &c;
        }
    }
    return nullptr;
}

const WindowControl* ControlOf(ParamId param, int option) {
    for (const WindowControl& c : kControls) {
        if (c.param == param && (option < 0 || c.option == option)) {
            return &c;
        }
    }
    return nullptr;
}

bool ShapesTheCurve(ParamId param) {
    return param == P::X1 || param == P::X1Max || param == P::Y1 || param == P::X2 || param == P::Y2;
}

} // namespace vortane
