// UiModel::Draw: the editor's picture, from the layout and the model's state.
#include <string>

#include "plugin/editor/ui_model.h"

namespace vortane::editor {

void UiModel::Draw(Painter& paint, const DisplayCurve& curve, const PitchHistory& history, bool live) const {
    for (const Group& group : layout_.groups) {
        paint.GroupFrame(group);
    }
    const Control* tip = nullptr;
    for (size_t i = 0; i < layout_.controls.size(); ++i) {
        const Control& c = layout_.controls[i];
        const ControlLook look = Look(static_cast<int>(i));
        if (c.label.w > 0) {
            paint.Caption(c.label, c.heading, look.dimmed);
        }
        switch (c.kind) {
        case Kind::Slider:
            paint.Slider(c.rect, look);
            break;
        case Kind::Toggle:
            paint.Toggle(c.rect, c.caption, look);
            break;
        case Kind::Option:
        case Kind::SaveButton:
            paint.Button(c.rect, c.caption, look);
            break;
        case Kind::NameField:
            paint.TextField(c.rect, name_, "Name to save as", look);
            break;
        case Kind::PresetList: {
            const auto& entries = browser_.entries();
            const int rows = static_cast<int>(c.rect.h / 20.0f);
            for (int row = 0; row < rows && list_first_ + row < static_cast<int>(entries.size()); ++row) {
                const int entry = list_first_ + row;
                ControlLook row_look;
                row_look.hover = entry == list_hover_;
                const Rect r{c.rect.x, c.rect.y + 20.0f * static_cast<float>(row), c.rect.w, 20.0f};
                paint.ListRow(r, entries[static_cast<size_t>(entry)].name,
                              entries[static_cast<size_t>(entry)].factory, entry == selected_, row_look);
                if (look.focus && entry == list_cursor_) {
                    paint.FocusRing(r);
                }
            }
            break;
        }
        }
        if (c.kind == Kind::Slider && c.param == ParamId::X1StepSize) {
            paint.CoordinateHeader({c.label.x, c.label.y - c.label.h, 266, c.label.h});
        }
        if (IsParamControl(c) && (look.hover || look.active || look.focus) && c.kind != Kind::Option) {
            if (tip == nullptr || look.active || (look.hover && drag_ < 0)) {
                tip = &c;
            }
        }
    }
    if (tip != nullptr) {
        paint.ValueTip(tip->rect, TipText(*tip), kBaseWidth - 4);
    }

    paint.Curve(layout_.curve, curve);
    paint.PitchPaths(layout_.pitch, history);
    std::string notes;
    if (!live) {
        notes = "The host runs this editor apart from the plugin: no curve or pitch to show.";
    } else if (std::lround(value(ParamId::Keyboard)) == static_cast<long>(KeyboardMode::Gate)) {
        notes = "Gate: notes on channel 1 open and close the voice.";
    } else {
        uint64_t keys[2];
        history.SoundingKeys(keys);
        for (int key = 0; key < 128; ++key) {
            if ((keys[key / 64] >> (key % 64)) & 1) {
                notes += (notes.empty() ? "Notes: " : " ") + NoteName(key);
            }
        }
        if (notes.empty()) {
            notes = "Notes: none sounding";
        }
    }
    paint.Note(layout_.notes, notes, !live);
    const std::string& status = !status_.empty() ? status_ : browser_.error();
    paint.Note(layout_.presets, status.empty() ? "Click a preset to load it; type a name and Save." : status,
               status_warning_ || (status_.empty() && !browser_.error().empty()));
}

} // namespace vortane::editor
