#include "control/control_table.h"

#include <array>
#include <cctype>

#include "control/control_ids.h"

namespace vortane {
namespace {

using K = ControlKind;

// clang-format off
constexpr std::array kControls = {
    //          id  kind        caption                          name                             min   max  initial
    ControlInfo{76, K::Option,  "PriW",                          "PriW",                             0,    1,    1},
    ControlInfo{77, K::Option,  "PriR",                          "PriR",                             0,    1,    0},
    ControlInfo{78, K::Option,  "PriC",                          "PriC",                             0,    1,    0},
    ControlInfo{69, K::Button,  "Play",                          "Play",                             0,    1,    0},
    ControlInfo{70, K::Option,  "SMirror",                       "SMirror",                          0,    1,    1},
    ControlInfo{72, K::Option,  "SRandom",                       "SRandom",                          0,    1,    0},
    ControlInfo{71, K::Option,  "SCentred",                      "SCentred",                         0,    1,    0},
    ControlInfo{73, K::Option,  "SOnLimits",                     "SOnLimits",                        0,    1,    0},
    ControlInfo{74, K::Option,  "SOppLimits",                    "SOppLimits",                       0,    1,    0},
    ControlInfo{75, K::Option,  "SLoMirHiLo",                    "SLoMirHiLo",                       0,    1,    0},
    ControlInfo{21, K::Frame,   "Master Filter",                 "Master Filter",                    0,    0,    0},
    ControlInfo{25, K::Frame,   "Frequency Setting",             "Frequency Setting",                0,    0,    0},
    ControlInfo{22, K::Frame,   "Frequency Stochastic",          "Frequency Stochastic",             0,    0,    0},
    ControlInfo{23, K::Frame,   "Amplitude Settings",            "Amplitude Settings",               0,    0,    0},
    ControlInfo{24, K::Frame,   "Amplitude Stochastic",          "Amplitude Stochastic",             0,    0,    0},
    ControlInfo{26, K::Frame,   "Midi/Audio Settings",           "Midi/Audio Settings",              0,    0,    0},
    ControlInfo{27, K::Frame,   "Frequency Barriers Behaviour",  "Frequency Barriers Behaviour",     0,    0,    0},
    ControlInfo{28, K::Option,  "Cauchy",                        "Cauchy",                           0,    1,    1},
    ControlInfo{29, K::Option,  "Logistic",                      "Logistic",                         0,    1,    0},
    ControlInfo{30, K::Option,  "Uniform",                       "Uniform",                          0,    1,    0},
    ControlInfo{31, K::Option,  "ArcSin",                        "ArcSin",                           0,    1,    0},
    ControlInfo{35, K::SliderH, "",                              "Primary Step Size",               50,  500,  100},
    ControlInfo{34, K::SliderH, "",                              "Probability Width",                1,   30,    3},
    ControlInfo{36, K::SliderH, "",                              "Primary Step Barrier",             2,  200,   30},
    ControlInfo{37, K::SliderH, "",                              "Secondary Barrier",                2,  600,  360},
    ControlInfo{52, K::Label,   "Primary Step Size",             "Primary Step Size",                0,    0,    0},
    ControlInfo{53, K::Label,   "Probability Width",             "Probability Width",                0,    0,    0},
    ControlInfo{54, K::Label,   "Primary Step Barrier",          "Primary Step Barrier",             0,    0,    0},
    ControlInfo{55, K::Label,   "Secondary Barrier",             "Secondary Barrier",                0,    0,    0},
    ControlInfo{ 2, K::Combo,   "",                              "MIDI Device",                      0,    0,    0},
    ControlInfo{ 3, K::Combo,   "",                              "Audio Device",                     0,    0,    0},
    ControlInfo{ 8, K::Display, "",                              "Waveform",                         0,    0,    0},
    ControlInfo{ 4, K::SliderV, "",                              "Frq",                             20, 5000, 1500},
    ControlInfo{ 5, K::SliderV, "",                              "Res",                              0,  100,   50},
    ControlInfo{ 6, K::Label,   "Frq",                           "Frq",                              0,    0,    0},
    ControlInfo{ 7, K::Label,   "Res",                           "Res",                              0,    0,    0},
    ControlInfo{13, K::SliderV, "",                              "Master Volume",                    0, 1500,  400},
    ControlInfo{ 9, K::SliderV, "",                              "X1",                               1,   99,   50},
    ControlInfo{10, K::SliderV, "",                              "Y1",                               0,   79,    5},
    ControlInfo{11, K::SliderV, "",                              "X2",                               1,   99,   75},
    ControlInfo{12, K::SliderV, "",                              "Y2",                              80,  149,   95},
    ControlInfo{38, K::SliderH, "",                              "X1 Primary Step Size",             0,  100,   50},
    ControlInfo{39, K::SliderH, "",                              "Y1 Primary Step Size",             0,  100,   50},
    ControlInfo{40, K::SliderH, "",                              "X2 Primary Step Size",             0,  100,   50},
    ControlInfo{41, K::SliderH, "",                              "Y2 Primary Step Size",             0,  100,   50},
    ControlInfo{61, K::SliderH, "",                              "X1 Barrier",                       0,  100,   30},
    ControlInfo{62, K::SliderH, "",                              "Y1 Barrier",                       0,  100,   30},
    ControlInfo{63, K::SliderH, "",                              "X2 Barrier",                       0,  100,   30},
    ControlInfo{64, K::SliderH, "",                              "Y2 Barrier",                       0,  100,   30},
    ControlInfo{65, K::Label,   "Barrier",                       "Barrier",                          0,    0,    0},
    ControlInfo{66, K::Label,   "Barrier",                       "Barrier",                          0,    0,    0},
    ControlInfo{67, K::Label,   "Barrier",                       "Barrier",                          0,    0,    0},
    ControlInfo{68, K::Label,   "Barrier",                       "Barrier",                          0,    0,    0},
    ControlInfo{56, K::Label,   "X1 Primary Step   Size",        "X1 Primary Step   Size",           0,    0,    0},
    ControlInfo{57, K::Label,   "Y1 Primary Step   Size",        "Y1 Primary Step   Size",           0,    0,    0},
    ControlInfo{58, K::Label,   "X2 Primary Step   Size",        "X2 Primary Step   Size",           0,    0,    0},
    ControlInfo{59, K::Label,   "Y2 Primary Step   Size",        "Y2 Primary Step   Size",           0,    0,    0},
    ControlInfo{50, K::SliderH, "",                              "Frequency Setting",               70, 1000,  180},
    ControlInfo{51, K::SliderV, "",                              "X1 Max",                          70,  115,   99},
    ControlInfo{42, K::Check,   "X1 Negative",                   "X1 Negative",                      0,    1,    0},
    ControlInfo{43, K::Check,   "Y1 Negative",                   "Y1 Negative",                      0,    1,    0},
    ControlInfo{44, K::Check,   "X2 Negative",                   "X2 Negative",                      0,    1,    0},
    ControlInfo{45, K::Check,   "Y2 Negative",                   "Y2 Negative",                      0,    1,    0},
    ControlInfo{46, K::Check,   "On",                            "X1 On",                            0,    1,    0},
    ControlInfo{47, K::Check,   "On",                            "Y1 On",                            0,    1,    0},
    ControlInfo{48, K::Check,   "On",                            "X2 On",                            0,    1,    0},
    ControlInfo{49, K::Check,   "On",                            "Y2 On",                            0,    1,    0},
    ControlInfo{15, K::Label,   "X1",                            "X1",                               0,    0,    0},
    ControlInfo{19, K::Label,   "X1 Max",                        "X1 Max",                           0,    0,    0},
    ControlInfo{16, K::Label,   "Y1",                            "Y1",                               0,    0,    0},
    ControlInfo{17, K::Label,   "X2",                            "X2",                               0,    0,    0},
    ControlInfo{18, K::Label,   "Y2",                            "Y2",                               0,    0,    0},
    ControlInfo{20, K::Label,   "Master Volume",                 "Master Volume",                    0,    0,    0},
};
// clang-format on

constexpr std::array kWalkModes = {id::kPriW, id::kPriR, id::kPriC};
constexpr std::array kBehaviours = {id::kSMirror,   id::kSRandom,    id::kSCentred,
                                    id::kSOnLimits, id::kSOppLimits, id::kSLoMirHiLo};
constexpr std::array kDistributions = {id::kCauchy, id::kLogistic, id::kUniform, id::kArcSin};

} // namespace

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
    for (int g = 0; g < kOptionGroupCount; ++g) {
        for (int member : OptionGroupMembers(g)) {
            if (member == id) {
                return g;
            }
        }
    }
    return -1;
}

std::span<const int> OptionGroupMembers(int group) noexcept VORTANE_NONBLOCKING {
    switch (group) {
    case kWalkModeGroup:
        return kWalkModes;
    case kBehaviourGroup:
        return kBehaviours;
    case kDistributionGroup:
        return kDistributions;
    default:
        return {};
    }
}

} // namespace vortane
