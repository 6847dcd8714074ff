#include "engine/control_table.h"

#include <array>
#include <cctype>

#include "engine/control_ids.h"

namespace vortane {
namespace {

using K = ControlKind;

// clang-format off
constexpr std::array kControls = {
    //          id  kind        x    y    w    h    caption                      name                      min   max  initial
    ControlInfo{76, K::Option,  560, 230,  40,  20, "PriW",                      "PriW",                     0,    1,    1},
    ControlInfo{77, K::Option,  610, 230,  40,  20, "PriR",                      "PriR",                     0,    1,    0},
    ControlInfo{78, K::Option,  660, 230,  40,  20, "PriC",                      "PriC",                     0,    1,    0},
    ControlInfo{69, K::Button,  630,  25,  90,  20, "Play",                      "Play",                     0,    1,    0},
    ControlInfo{70, K::Option,  560, 255,  60,  20, "SMirror",                   "SMirror",                  0,    1,    1},
    ControlInfo{72, K::Option,  640, 255,  70,  20, "SRandom",                   "SRandom",                  0,    1,    0},
    ControlInfo{71, K::Option,  560, 280,  60,  20, "SCentred",                  "SCentred",                 0,    1,    0},
    ControlInfo{73, K::Option,  640, 280,  70,  20, "SOnLimits",                 "SOnLimits",                0,    1,    0},
    ControlInfo{74, K::Option,  560, 305,  80,  20, "SOppLimits",                "SOppLimits",               0,    1,    0},
    ControlInfo{75, K::Option,  640, 305,  80,  20, "SLoMirHiLo",                "SLoMirHiLo",               0,    1,    0},
    ControlInfo{21, K::Frame,   425, 215, 120, 120, "Master Filter",             "Master Filter",            0,    0,    0},
    ControlInfo{25, K::Frame,   425,  10, 200,  40, "Frequency Setting",         "Frequency Setting",        0,    0,    0},
    ControlInfo{22, K::Frame,   425,  60, 300, 150, "Frequency Stochastic",      "Frequency Stochastic",     0,    0,    0},
    ControlInfo{23, K::Frame,    10, 215, 400, 120, "Amplitude Settings",        "Amplitude Settings",       0,    0,    0},
    ControlInfo{24, K::Frame,    10, 345, 535, 110, "Amplitude Stochastic",      "Amplitude Stochastic",     0,    0,    0},
    ControlInfo{26, K::Frame,   555, 345, 170, 110, "Midi/Audio Settings",       "Midi/Audio Settings",      0,    0,    0},
    ControlInfo{27, K::Frame,   555, 215, 170, 120, "Frequency Barriers Behaviour", "Frequency Barriers Behaviour", 0, 0, 0},
    ControlInfo{28, K::Option,  440,  80,  60,  20, "Cauchy",                    "Cauchy",                   0,    1,    1},
    ControlInfo{29, K::Option,  440, 110,  60,  20, "Logistic",                  "Logistic",                 0,    1,    0},
    ControlInfo{30, K::Option,  440, 140,  60,  20, "Uniform",                   "Uniform",                  0,    1,    0},
    ControlInfo{31, K::Option,  440, 170,  60,  20, "ArcSin",                    "ArcSin",                   0,    1,    0},
    ControlInfo{35, K::SliderH, 610,  80, 100,  20, "",                          "Primary Step Size",       50,  500,  100},
    ControlInfo{34, K::SliderH, 610, 110, 100,  20, "",                          "Probability Width",        1,   30,    3},
    ControlInfo{36, K::SliderH, 610, 140, 100,  20, "",                          "Primary Step Barrier",     2,  200,   30},
    ControlInfo{37, K::SliderH, 610, 170, 100,  20, "",                          "Secondary Barrier",        2,  600,  360},
    ControlInfo{52, K::Label,   510,  80, 100,  20, "Primary Step Size",         "Primary Step Size",        0,    0,    0},
    ControlInfo{53, K::Label,   510, 110, 100,  20, "Probability Width",         "Probability Width",        0,    0,    0},
    ControlInfo{54, K::Label,   510, 140, 100,  20, "Primary Step Barrier",      "Primary Step Barrier",     0,    0,    0},
    ControlInfo{55, K::Label,   510, 170, 100,  20, "Secondary Barrier",         "Secondary Barrier",        0,    0,    0},
    ControlInfo{ 2, K::Combo,   570, 370, 140,  20, "",                          "MIDI Device",              0,    0,    0},
    ControlInfo{ 3, K::Combo,   570, 410, 140,  20, "",                          "Audio Device",             0,    0,    0},
    ControlInfo{ 8, K::Display,  10,  10, 400, 200, "",                          "Waveform",                 0,    0,    0},
    ControlInfo{ 4, K::SliderV, 440, 243,  20,  80, "",                          "Frq",                     20, 5000, 1500},
    ControlInfo{ 5, K::SliderV, 480, 243,  20,  80, "",                          "Res",                      0,  100,   50},
    ControlInfo{ 6, K::Label,   440, 230,  18,  20, "Frq",                       "Frq",                      0,    0,    0},
    ControlInfo{ 7, K::Label,   480, 230,  22,  20, "Res",                       "Res",                      0,    0,    0},
    ControlInfo{13, K::SliderV, 350, 243,  20,  80, "",                          "Master Volume",            0, 1500,  400},
    ControlInfo{ 9, K::SliderV,  15, 243,  20,  80, "",                          "X1",                       1,   99,   50},
    ControlInfo{10, K::SliderV, 100, 243,  20,  80, "",                          "Y1",                       0,   79,    5},
    ControlInfo{11, K::SliderV, 135, 243,  20,  80, "",                          "X2",                       1,   99,   75},
    ControlInfo{12, K::SliderV, 170, 243,  20,  80, "",                          "Y2",                      80,  149,   95},
    ControlInfo{38, K::SliderH, 130, 370, 100,  20, "",                          "X1 Primary Step Size",     0,  100,   50},
    ControlInfo{39, K::SliderH, 130, 390, 100,  20, "",                          "Y1 Primary Step Size",     0,  100,   50},
    ControlInfo{40, K::SliderH, 130, 410, 100,  20, "",                          "X2 Primary Step Size",     0,  100,   50},
    ControlInfo{41, K::SliderH, 130, 430, 100,  20, "",                          "Y2 Primary Step Size",     0,  100,   50},
    ControlInfo{61, K::SliderH, 290, 370, 100,  20, "",                          "X1 Barrier",               0,  100,   30},
    ControlInfo{62, K::SliderH, 290, 390, 100,  20, "",                          "Y1 Barrier",               0,  100,   30},
    ControlInfo{63, K::SliderH, 290, 410, 100,  20, "",                          "X2 Barrier",               0,  100,   30},
    ControlInfo{64, K::SliderH, 290, 430, 100,  20, "",                          "Y2 Barrier",               0,  100,   30},
    ControlInfo{65, K::Label,   250, 370,  50,  20, "Barrier",                   "Barrier",                  0,    0,    0},
    ControlInfo{66, K::Label,   250, 390,  50,  20, "Barrier",                   "Barrier",                  0,    0,    0},
    ControlInfo{67, K::Label,   250, 410,  50,  20, "Barrier",                   "Barrier",                  0,    0,    0},
    ControlInfo{68, K::Label,   250, 430,  50,  20, "Barrier",                   "Barrier",                  0,    0,    0},
    ControlInfo{56, K::Label,    20, 370, 120,  20, "X1 Primary Step   Size",    "X1 Primary Step   Size",   0,    0,    0},
    ControlInfo{57, K::Label,    20, 390, 120,  20, "Y1 Primary Step   Size",    "Y1 Primary Step   Size",   0,    0,    0},
    ControlInfo{58, K::Label,    20, 410, 120,  20, "X2 Primary Step   Size",    "X2 Primary Step   Size",   0,    0,    0},
    ControlInfo{59, K::Label,    20, 430, 120,  20, "Y2 Primary Step   Size",    "Y2 Primary Step   Size",   0,    0,    0},
    ControlInfo{50, K::SliderH, 440,  28, 180,  20, "",                          "Frequency Setting",       70, 1000,  180},
    ControlInfo{51, K::SliderV,  60, 243,  20,  80, "",                          "X1 Max",                  70,  115,   99},
    ControlInfo{42, K::Check,   395, 370,  80,  20, "X1 Negative",               "X1 Negative",              0,    1,    0},
    ControlInfo{43, K::Check,   395, 390,  80,  20, "Y1 Negative",               "Y1 Negative",              0,    1,    0},
    ControlInfo{44, K::Check,   395, 410,  80,  20, "X2 Negative",               "X2 Negative",              0,    1,    0},
    ControlInfo{45, K::Check,   395, 430,  80,  20, "Y2 Negative",               "Y2 Negative",              0,    1,    0},
    ControlInfo{46, K::Check,   480, 370,  50,  20, "On",                        "X1 On",                    0,    1,    0},
    ControlInfo{47, K::Check,   480, 390,  50,  20, "On",                        "Y1 On",                    0,    1,    0},
    ControlInfo{48, K::Check,   480, 410,  50,  20, "On",                        "X2 On",                    0,    1,    0},
    ControlInfo{49, K::Check,   480, 430,  50,  20, "On",                        "Y2 On",                    0,    1,    0},
    ControlInfo{15, K::Label,    17, 230,  20,  20, "X1",                        "X1",                       0,    0,    0},
    ControlInfo{19, K::Label,    50, 230,  40,  20, "X1 Max",                    "X1 Max",                   0,    0,    0},
    ControlInfo{16, K::Label,   102, 230,  20,  20, "Y1",                        "Y1",                       0,    0,    0},
    ControlInfo{17, K::Label,   137, 230,  20,  20, "X2",                        "X2",                       0,    0,    0},
    ControlInfo{18, K::Label,   172, 230,  20,  20, "Y2",                        "Y2",                       0,    0,    0},
    ControlInfo{20, K::Label,   325, 230,  80,  20, "Master Volume",             "Master Volume",            0,    0,    0},
};
// clang-format on

constexpr std::array kWalkModeGroup = {id::kPriW, id::kPriR, id::kPriC};
constexpr std::array kBehaviourGroup = {id::kSMirror,   id::kSRandom,    id::kSCentred,
                                        id::kSOnLimits, id::kSOppLimits, id::kSLoMirHiLo};
constexpr std::array kDistributionGroup = {id::kCauchy, id::kLogistic, id::kUniform, id::kArcSin};

// Compares names with letter case ignored and every run of white space read as one space, so that
// "x1 primary step size" finds the label-named "X1 Primary Step Size".
bool NamesMatch(std::string_view a, std::string_view b) {
    auto next = [](std::string_view s, size_t& i) -> int {
        if (i >= s.size()) {
            return -1;
        }
        if (std::isspace(static_cast<unsigned char>(s[i]))) {
            while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) {
                ++i;
            }
            return ' ';
        }
        return std::tolower(static_cast<unsigned char>(s[i++]));
    };
    size_t i = 0, j = 0;
    for (;;) {
        const int ca = next(a, i);
        const int cb = next(b, j);
        if (ca != cb) {
            return false;
        }
        if (ca < 0) {
            return true;
        }
    }
}

} // namespace

std::span<const ControlInfo> MainWindowControls() {
    return kControls;
}

const ControlInfo* FindControl(int id) {
    for (const ControlInfo& c : kControls) {
        if (c.id == id) {
            return &c;
        }
    }
    return nullptr;
}

const ControlInfo* FindControlByName(std::string_view name) {
    for (const ControlInfo& c : kControls) {
        const bool operable = c.kind != ControlKind::Label && c.kind != ControlKind::Frame &&
                              c.kind != ControlKind::Display && c.kind != ControlKind::Combo;
        if (operable && NamesMatch(c.name, name)) {
            return &c;
        }
    }
    return nullptr;
}

int OptionGroupOf(int id) {
    for (int g = 0; g < 3; ++g) {
        for (int member : OptionGroupMembers(g)) {
            if (member == id) {
                return g;
            }
        }
    }
    return -1;
}

std::span<const int> OptionGroupMembers(int group) {
    switch (group) {
    case 0:
        return kWalkModeGroup;
    case 1:
        return kBehaviourGroup;
    case 2:
        return kDistributionGroup;
    default:
        return {};
    }
}

} // namespace vortane
