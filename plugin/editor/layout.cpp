#include "plugin/editor/layout.h"

#include <array>
#include <cmath>
#include <vector>

namespace vortane::editor {
namespace {

using P = ParamId;
constexpr ParamId kNone = ParamId::kCount;

// A row of a frame: a slider under its caption, a choice's options as buttons (with the caption
// beside them, if any), or one curve coordinate's walk (step, barrier, negative, on) under a header.
enum class RowKind { Group, Slider, Options, CoordinateHeader, Coordinate };
struct Row {
    int column; // 0: the middle column, 1: the right one
    RowKind kind;
    std::string_view caption;
    ParamId param;
};

// clang-format off
constexpr Row kRows[] = {
    {0, RowKind::Group,   "Frequency Setting",            kNone},
    {0, RowKind::Slider,  "Bottom pitch",                 P::FrequencySetting},
    {0, RowKind::Group,   "Frequency Stochastic",         kNone},
    {0, RowKind::Options, "",                             P::Distribution},
    {0, RowKind::Slider,  "Primary Step Size",            P::PrimaryStepSize},
    {0, RowKind::Slider,  "Probability Width",            P::ProbabilityWidth},
    {0, RowKind::Slider,  "Primary Step Barrier",         P::PrimaryStepBarrier},
    {0, RowKind::Slider,  "Secondary Barrier",            P::SecondaryBarrier},
    {0, RowKind::Group,   "Frequency Barriers Behaviour", kNone},
    {0, RowKind::Options, "Walk",                         P::WalkMode},
    {0, RowKind::Options, "",                             P::Behaviour},
    {0, RowKind::Group,   "Master Filter",                kNone},
    {0, RowKind::Slider,  "Frq (cutoff)",                 P::Frq},
    {0, RowKind::Slider,  "Res (resonance)",              P::Res},
    {1, RowKind::Group,   "Amplitude Settings",           kNone},
    {1, RowKind::Slider,  "X1",                           P::X1},
    {1, RowKind::Slider,  "X1 Max",                       P::X1Max},
    {1, RowKind::Slider,  "Y1",                           P::Y1},
    {1, RowKind::Slider,  "X2",                           P::X2},
    {1, RowKind::Slider,  "Y2",                           P::Y2},
    {1, RowKind::Slider,  "Master Volume",                P::MasterVolume},
    {1, RowKind::Group,   "Amplitude Stochastic",         kNone},
    {1, RowKind::CoordinateHeader, "",                    kNone},
    {1, RowKind::Coordinate, "X1",                        P::X1StepSize},
    {1, RowKind::Coordinate, "Y1",                        P::Y1StepSize},
    {1, RowKind::Coordinate, "X2",                        P::X2StepSize},
    {1, RowKind::Coordinate, "Y2",                        P::Y2StepSize},
    {1, RowKind::Group,   "Instrument",                   kNone},
    {1, RowKind::Options, "Keyboard",                     P::Keyboard},
    {1, RowKind::Slider,  "Voices",                       P::Voices},
    {1, RowKind::Slider,  "Attack",                       P::Attack},
    {1, RowKind::Slider,  "Decay",                        P::Decay},
    {1, RowKind::Slider,  "Sustain",                      P::Sustain},
    {1, RowKind::Slider,  "Release",                      P::Release},
    {1, RowKind::Slider,  "Velocity",                     P::Velocity},
    {1, RowKind::Slider,  "Bend Range",                   P::BendRange},
};
// clang-format on

// The columns: pictures on the left, then the frames in two columns.
constexpr float kMargin = 10, kPad = 8, kTitle = 24, kRowHeight = 22, kGap = 8, kCaption = 124;
constexpr std::array<float, 2> kColumnX = {378, 668};
constexpr float kColumnWidth = 282;
// A coordinate row's cells, from the frame's inner left edge: caption, step, barrier, negative, on.
constexpr std::array<float, 6> kCells = {0, 24, 100, 176, 230, 266};

struct Built {
    std::vector<Group> groups;
    std::vector<Control> controls;
    Layout layout;
};

Built Build() {
    Built b;
    std::array<float, 2> y = {kMargin, kMargin};
    std::array<int, 2> open = {-1, -1}; // each column's frame being filled
    auto close = [&](int column) {
        if (open[column] >= 0) {
            Rect& r = b.groups[static_cast<size_t>(open[column])].rect;
            r.h = y[column] + 6 - r.y;
            y[column] = r.y + r.h + kGap;
        }
    };
    for (const Row& row : kRows) {
        const int c = row.column;
        const float x = kColumnX[static_cast<size_t>(c)] + kPad;
        const float w = kColumnWidth - 2 * kPad;
        float& top = y[static_cast<size_t>(c)];
        switch (row.kind) {
        case RowKind::Group:
            close(c);
            open[c] = static_cast<int>(b.groups.size());
            b.groups.push_back({row.caption, {kColumnX[static_cast<size_t>(c)], top, kColumnWidth, 0}});
            top += kTitle;
            break;
        case RowKind::Slider:
            b.controls.push_back({Kind::Slider,
                                  row.param,
                                  -1,
                                  row.caption,
                                  {x + kCaption, top + 3, w - kCaption, kRowHeight - 6},
                                  {x, top, kCaption, kRowHeight},
                                  row.caption});
            top += kRowHeight;
            break;
        case RowKind::Options: {
            const int count = static_cast<int>(Spec(row.param).options.size());
            const int per_line = count <= 4 ? count : 3;
            const float left = row.caption.empty() ? x : x + kCaption * 0.5f;
            const float width =
                (x + w - left - 4.0f * static_cast<float>(per_line - 1)) / static_cast<float>(per_line);
            for (int i = 0; i < count; ++i) {
                const float bx = left + static_cast<float>(i % per_line) * (width + 4);
                const float by = top + static_cast<float>(i / per_line) * kRowHeight;
                const Rect label =
                    i == 0 && !row.caption.empty() ? Rect{x, top, kCaption * 0.5f, kRowHeight} : Rect{};
                b.controls.push_back({Kind::Option,
                                      row.param,
                                      i,
                                      Spec(row.param).options[static_cast<size_t>(i)],
                                      {bx, by + 1, width, kRowHeight - 2},
                                      label,
                                      row.caption});
            }
            top += kRowHeight * static_cast<float>((count + per_line - 1) / per_line);
            break;
        }
        case RowKind::CoordinateHeader:
            top += kRowHeight; // the cells' titles are drawn from kCells
            break;
        case RowKind::Coordinate: {
            const ParamId step = row.param;
            const int k = static_cast<int>(step) - static_cast<int>(P::X1StepSize);
            const Rect label{x, top, kCells[1], kRowHeight};
            b.controls.push_back({Kind::Slider,
                                  step,
                                  -1,
                                  row.caption,
                                  {x + kCells[1], top + 3, kCells[2] - kCells[1] - 6, kRowHeight - 6},
                                  label,
                                  row.caption});
            b.controls.push_back({Kind::Slider,
                                  Offset(P::X1Barrier, k),
                                  -1,
                                  "Barrier",
                                  {x + kCells[2], top + 3, kCells[3] - kCells[2] - 6, kRowHeight - 6},
                                  {}});
            b.controls.push_back({Kind::Toggle,
                                  Offset(P::X1Negative, k),
                                  -1,
                                  "",
                                  {x + kCells[3], top + 2, kCells[4] - kCells[3] - 6, kRowHeight - 4},
                                  {}});
            b.controls.push_back({Kind::Toggle,
                                  Offset(P::X1On, k),
                                  -1,
                                  "",
                                  {x + kCells[4], top + 2, kCells[5] - kCells[4], kRowHeight - 4},
                                  {}});
            top += kRowHeight;
            break;
        }
        }
    }
    close(0);
    close(1);

    // Presets: a list, then a name and Save, in a frame of their own below the middle column.
    const float px = kColumnX[0] + kPad, pw = kColumnWidth - 2 * kPad;
    const float list_top = y[0] + kTitle;
    const float rows = std::floor((kBaseHeight - kMargin - list_top - 2 * kRowHeight - 12) / 20.0f);
    b.groups.push_back({"Presets", {kColumnX[0], y[0], kColumnWidth, kBaseHeight - kMargin - y[0]}});
    b.controls.push_back({Kind::PresetList, kNone, -1, "", {px, list_top, pw, rows * 20.0f}, {}});
    const float save_top = list_top + rows * 20.0f + 6;
    b.controls.push_back({Kind::NameField, kNone, -1, "", {px, save_top, pw - 74, kRowHeight}, {}});
    b.controls.push_back({Kind::SaveButton, kNone, -1, "Save", {px + pw - 68, save_top, 68, kRowHeight}, {}});
    b.layout.presets = {px, save_top + kRowHeight + 4, pw,
                        kBaseHeight - kMargin - (save_top + kRowHeight + 4) - 4};

    // The pictures: the period's curve above the pitch paths, the sounding notes under them.
    const float lw = kColumnX[0] - 2 * kMargin;
    b.groups.push_back({"Period", {kMargin, kMargin, lw, 270}});
    b.layout.curve = {kMargin + kPad, kMargin + kTitle, lw - 2 * kPad, 270 - kTitle - kPad};
    const float pt = kMargin + 270 + kGap;
    b.groups.push_back({"Pitch", {kMargin, pt, lw, kBaseHeight - kMargin - pt}});
    b.layout.pitch = {kMargin + kPad, pt + kTitle, lw - 2 * kPad, kBaseHeight - kMargin - pt - kTitle - 34};
    b.layout.notes = {kMargin + kPad, kBaseHeight - kMargin - 30, lw - 2 * kPad, 22};

    b.layout.groups = b.groups;
    b.layout.controls = b.controls;
    return b;
}

} // namespace

const Layout& EditorLayout() {
    static const Built built = Build(); // immutable once built; shared by every instance
    return built.layout;
}

} // namespace vortane::editor
