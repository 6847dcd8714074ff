#include "plugin/editor/ui_model.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "Base.hpp"
#include "control/tuning.h"
#include "plugin/voice_state.h"

namespace vortane::editor {
namespace {

constexpr float kListRow = 20.0f;

} // namespace

std::string NoteName(int key) {
    static constexpr const char* kNames[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    return kNames[key % 12] + std::to_string(key / 12 - 1);
}

UiModel::UiModel(Host& host, std::filesystem::path user_folder)
    : host_(host), layout_(EditorLayout()), browser_(std::move(user_folder)) {
    for (const ParamSpec& spec : Params()) {
        values_[Index(spec.id)] = static_cast<float>(spec.default_value);
    }
    for (size_t i = 0; i < layout_.controls.size(); ++i) {
        const Kind kind = layout_.controls[i].kind;
        (kind == Kind::PresetList  ? list_index_
         : kind == Kind::NameField ? name_index_
                                   : hover_) = static_cast<int>(i);
    }
    hover_ = -1;
    browser_.Refresh();
}

bool UiModel::HostChanged(uint32_t index, float value) {
    if (index >= kParamCount || values_[index] == value) {
        return false;
    }
    values_[index] = value;
    return true;
}

void UiModel::ProgramLoaded(uint32_t index) {
    const auto& entries = browser_.entries();
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].factory && entries[i].program == index) {
            selected_ = static_cast<int>(i);
        }
    }
}

void UiModel::StateChanged(const char* key, const char* value) {
    if (key != nullptr && value != nullptr && std::string_view(key) == "voice") {
        voice_state_ = value;
    }
}

// ---- geometry

int UiModel::ControlAt(float x, float y) const {
    for (size_t i = 0; i < layout_.controls.size(); ++i) {
        if (layout_.controls[i].rect.Contains(x, y)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int UiModel::ListRowAt(float y) const {
    const Rect& r = layout_.controls[static_cast<size_t>(list_index_)].rect;
    const int row = list_first_ + static_cast<int>((y - r.y) / kListRow);
    return row < static_cast<int>(browser_.entries().size()) ? row : -1;
}

ControlLook UiModel::Look(int index) const {
    const Control& c = layout_.controls[static_cast<size_t>(index)];
    ControlLook look;
    look.hover = index == hover_;
    look.focus = index == focus_;
    look.active = index == drag_;
    if (IsParamControl(c)) {
        const ParamSpec& spec = Spec(c.param);
        const float v = value(c.param);
        look.on = c.kind == Kind::Option ? std::lround(v) == c.option : v >= 0.5f;
        look.fraction =
            (v - static_cast<float>(spec.minimum)) / static_cast<float>(spec.maximum - spec.minimum);
        // "X1" shapes the sound only while its walk is on, as in the window.
        look.dimmed = c.param == ParamId::X1 && value(ParamId::X1On) < 0.5f;
    }
    return look;
}

std::string UiModel::TipText(const Control& c) const {
    // A slider under a full caption shows its value alone; the coordinate rows' cells and the
    // toggles name their parameter too.
    const ParamSpec& spec = Spec(c.param);
    const std::string text = FormatParamValue(spec, value(c.param));
    const bool named = c.kind == Kind::Slider && c.label.w > 60;
    return named ? text : std::string(spec.display_name) + ": " + text;
}

// ---- changes

bool UiModel::Set(ParamId id, float value) {
    const float whole = WholeValue(Spec(id), value);
    if (whole == values_[Index(id)]) {
        return false;
    }
    values_[Index(id)] = whole;
    host_.SetParameter(static_cast<uint32_t>(Index(id)), whole);
    return true;
}

bool UiModel::Step(ParamId id, float by) {
    const auto index = static_cast<uint32_t>(Index(id));
    host_.BeginGesture(index);
    const bool changed = Set(id, value(id) + by);
    host_.EndGesture(index);
    return changed;
}

bool UiModel::Activate(int index) {
    const Control& c = layout_.controls[static_cast<size_t>(index)];
    switch (c.kind) {
    case Kind::Toggle:
        return Step(c.param, value(c.param) >= 0.5f ? -1.0f : 1.0f);
    case Kind::Option:
        return Step(c.param, static_cast<float>(c.option) - value(c.param));
    case Kind::PresetList:
        return LoadPreset(static_cast<size_t>(list_cursor_));
    case Kind::SaveButton:
        return SavePreset();
    default:
        return false;
    }
}

void UiModel::Status(std::string text, bool warning) {
    status_ = std::move(text);
    status_warning_ = warning;
}

// ---- presets

// As the host's own program change does: every parameter of the sound (and those beside it that the
// file names), each through the host so that it records them; then the seed the file names and its
// tuning, through the instance's state. A preset without either keeps the instance's; one with a
// seed alone needs the instance's tuning, which only the host's state shows the editor.
bool UiModel::LoadPreset(size_t entry) {
    const auto& entries = browser_.entries();
    if (entry >= entries.size()) {
        return false;
    }
    const PresetParse parsed = browser_.Load(entry);
    if (!parsed.preset) {
        Status("Not loaded: " + parsed.error + ". No parameter changed.", true);
        return true;
    }
    const Preset& preset = *parsed.preset;
    for (const ParamSpec& spec : Params()) {
        if (spec.sound || (preset.named & (uint64_t{1} << Index(spec.id))) != 0) {
            const auto index = static_cast<uint32_t>(Index(spec.id));
            host_.BeginGesture(index);
            Set(spec.id, static_cast<float>(preset[spec.id]));
            host_.EndGesture(index);
        }
    }
    const plugin::VoiceState now = plugin::ParseVoiceState(voice_state_);
    const std::optional<Tuning> tuning = PresetTuning(preset);
    const std::optional<uint64_t> seed = preset.seed ? preset.seed
                                         : now.seed  ? now.seed
                                                     : host_.InstanceSeed();
    selected_ = list_cursor_ = static_cast<int>(entry);
    name_ = entries[entry].factory ? "" : entries[entry].name;
    if (!tuning && !preset.seed) {
        Status("Loaded " + entries[entry].name + ".", false);
        return true;
    }
    if (!seed || (!tuning && voice_state_.empty())) {
        Status("Loaded " + entries[entry].name +
                   " (the host has not shown the editor the instance's state: its seed and "
                   "tuning were not applied).",
               true);
        return true;
    }
    const std::string text =
        tuning ? plugin::FormatVoiceState(*seed, tuning->scale_text(), tuning->keymap_text())
               : plugin::FormatVoiceState(*seed, now.scale, now.keymap);
    host_.SetVoiceState(text.c_str());
    voice_state_ = text;
    Status("Loaded " + entries[entry].name + (tuning ? ", with its tuning." : "."), false);
    return true;
}

// The sound as the host last reported it, and the instance's tuning unless it is twelve equal steps.
bool UiModel::SavePreset() {
    Preset preset = DefaultPreset();
    for (const ParamSpec& spec : Params()) {
        if (spec.sound) {
            preset[spec.id] = static_cast<int>(std::lround(value(spec.id)));
        }
    }
    const plugin::VoiceState now = plugin::ParseVoiceState(voice_state_);
    if (!now.scale.empty() || !now.keymap.empty()) {
        preset.scale = now.scale;
        if (!now.keymap.empty()) {
            preset.keymap = now.keymap;
        }
    }
    std::string result = browser_.Save(name_, preset);
    const bool saved = result.rfind("Saved", 0) == 0;
    if (saved) {
        const std::string file = PresetBrowser::FileName(name_);
        const auto& entries = browser_.entries();
        for (size_t i = 0; i < entries.size(); ++i) {
            if (!entries[i].factory && entries[i].path.filename() == file) {
                selected_ = list_cursor_ = static_cast<int>(i);
            }
        }
    }
    Status(std::move(result), !saved);
    return true;
}

// ---- events

// A drag ends at its button's release, which X delivers to the window that saw the press even
// when the focus moved meanwhile (a host's socket takes it at a click); one whose release never
// came (a grab elsewhere) ends at the next press.
bool UiModel::Press(float x, float y) {
    Release();
    const int index = ControlAt(x, y);
    if (index < 0) {
        return false;
    }
    focus_ = index;
    const Control& c = layout_.controls[static_cast<size_t>(index)];
    if (c.kind == Kind::Slider) {
        drag_ = index;
        host_.BeginGesture(static_cast<uint32_t>(Index(c.param)));
        Move(x, y);
        return true;
    }
    if (c.kind == Kind::PresetList) {
        const int row = ListRowAt(y);
        if (row >= 0) {
            list_cursor_ = row;
            LoadPreset(static_cast<size_t>(row));
        }
        return true;
    }
    Activate(index);
    return true;
}

bool UiModel::Release() {
    if (drag_ < 0) {
        return false;
    }
    host_.EndGesture(static_cast<uint32_t>(Index(layout_.controls[static_cast<size_t>(drag_)].param)));
    drag_ = -1;
    return true;
}

bool UiModel::Move(float x, float y) {
    if (drag_ >= 0) {
        const Control& c = layout_.controls[static_cast<size_t>(drag_)];
        const ParamSpec& spec = Spec(c.param);
        const float fraction = std::clamp((x - c.rect.x) / c.rect.w, 0.0f, 1.0f);
        Set(c.param,
            static_cast<float>(spec.minimum) + fraction * static_cast<float>(spec.maximum - spec.minimum));
        return true;
    }
    const int hover = ControlAt(x, y);
    const int row = hover >= 0 && hover == list_index_ ? ListRowAt(y) : -1;
    const bool changed = hover != hover_ || row != list_hover_;
    hover_ = hover;
    list_hover_ = row;
    return changed;
}

bool UiModel::Wheel(float x, float y, double steps) {
    const int index = ControlAt(x, y);
    if (index < 0 || steps == 0.0) {
        return false;
    }
    const Control& c = layout_.controls[static_cast<size_t>(index)];
    if (c.kind == Kind::PresetList) {
        const int rows = static_cast<int>(c.rect.h / kListRow);
        const int last = std::max(0, static_cast<int>(browser_.entries().size()) - rows);
        list_first_ = std::clamp(list_first_ + (steps > 0 ? -1 : 1), 0, last);
        return true;
    }
    if (c.kind == Kind::Slider) {
        const ParamSpec& spec = Spec(c.param);
        const float step =
            std::max(1.0f, std::round(static_cast<float>(spec.maximum - spec.minimum) / 100.0f));
        return Step(c.param, steps > 0 ? step : -step);
    }
    return false;
}

bool UiModel::Key(unsigned key, bool shift) {
    const int count = static_cast<int>(layout_.controls.size());
    if (key == '\t') {
        focus_ = focus_ < 0 ? (shift ? count - 1 : 0) : (focus_ + (shift ? count - 1 : 1)) % count;
        return true;
    }
    if (focus_ < 0) {
        return false;
    }
    const Control& c = layout_.controls[static_cast<size_t>(focus_)];
    const bool press = key == ' ' || key == '\r' || key == '\n';
    if (c.kind == Kind::Slider) {
        const ParamSpec& spec = Spec(c.param);
        const float range = static_cast<float>(spec.maximum - spec.minimum);
        const float step = shift ? 1.0f : std::max(1.0f, std::round(range / 100.0f));
        const float page = std::max(1.0f, std::round(range / 10.0f));
        switch (key) {
        case DGL_NAMESPACE::kKeyLeft:
        case DGL_NAMESPACE::kKeyDown:
            return Step(c.param, -step);
        case DGL_NAMESPACE::kKeyRight:
        case DGL_NAMESPACE::kKeyUp:
            return Step(c.param, step);
        case DGL_NAMESPACE::kKeyPageDown:
            return Step(c.param, -page);
        case DGL_NAMESPACE::kKeyPageUp:
            return Step(c.param, page);
        case DGL_NAMESPACE::kKeyHome:
            return Step(c.param, -range);
        case DGL_NAMESPACE::kKeyEnd:
            return Step(c.param, range);
        default:
            return false;
        }
    }
    if (c.kind == Kind::PresetList && (key == DGL_NAMESPACE::kKeyUp || key == DGL_NAMESPACE::kKeyDown)) {
        const int size = static_cast<int>(browser_.entries().size());
        const int rows = static_cast<int>(c.rect.h / kListRow);
        list_cursor_ =
            std::clamp(list_cursor_ + (key == DGL_NAMESPACE::kKeyUp ? -1 : 1), 0, std::max(0, size - 1));
        list_first_ = std::clamp(list_first_, std::max(0, list_cursor_ - rows + 1), list_cursor_);
        return true;
    }
    if (c.kind == Kind::NameField) {
        if (key == DGL_NAMESPACE::kKeyBackspace && !name_.empty()) {
            name_.pop_back();
            return true;
        }
        return (key == '\r' || key == '\n') && SavePreset();
    }
    return press && Activate(focus_);
}

bool UiModel::Character(uint32_t character) {
    if (focus_ != name_index_ || character < 0x20 || character >= 0x7f || name_.size() >= 60) {
        return false;
    }
    name_ += static_cast<char>(character);
    return true;
}

} // namespace vortane::editor
