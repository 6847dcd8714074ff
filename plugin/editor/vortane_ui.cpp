// The plugin's editor: every parameter in the frames the window draws them in, plus the instrument's;
// the period's curve and the pitch paths as the audio thread publishes them; a preset browser. Drawn
// with the framework's NanoVG in layout units, scaled to the window, which keeps its shape and may
// grow to four times its size at the host's scale. Mouse, wheel and keyboard (Tab, arrows, Page
// Up/Down, Home/End, Space, Enter) move the controls; every change goes through the host.
#include <array>
#include <cmath>
#include <optional>
#include <string>

#include "DistrhoPlugin.hpp"
#include "DistrhoUI.hpp"
#include "control/params.h"
#include "plugin/editor/layout.h"
#include "plugin/editor/painter.h"
#include "plugin/editor/pitch_history.h"
#include "plugin/editor/preset_browser.h"
#include "plugin/editor/ui_model.h"
#include "plugin/editor_source.h"
#include "presets/preset_folders.h"

START_NAMESPACE_DISTRHO

namespace ed = vortane::editor;
using vortane::ParamId;
using vortane::ParamKind;

class VortaneUI : public UI, private ed::UiModel::Host {
public:
    VortaneUI()
        : UI(static_cast<uint>(ed::kBaseWidth), static_cast<uint>(ed::kBaseHeight), false),
          model_(*this, vortane::UserPresetFolder()) {
        ApplyScale(getScaleFactor());
        loadSharedResources(); // the built-in DejaVu Sans, so no font file is needed
        auto* plugin = static_cast<Plugin*>(getPluginInstancePointer());
        source_ = dynamic_cast<vortane::plugin::EditorSource*>(plugin);
        if (source_ != nullptr) {
            pitch_log_ = source_->ClaimPitchLog();
            curve_ = source_->Curve();
        }
    }

    ~VortaneUI() override {
        if (pitch_log_ != nullptr) {
            source_->ReleasePitchLog();
        }
    }

protected:
    // ---- from the host
    void parameterChanged(uint32_t index, float value) override {
        if (model_.HostChanged(index, value)) {
            repaint();
        }
    }
    void programLoaded(uint32_t index) override {
        model_.ProgramLoaded(index);
        repaint();
    }
    void stateChanged(const char* key, const char* value) override { model_.StateChanged(key, value); }
    void uiScaleFactorChanged(double scale) override { ApplyScale(scale); }

    // Screen rate: the curve and the new pitch points.
    void uiIdle() override {
        if (source_ == nullptr) {
            return;
        }
        bool changed = false;
        const vortane::DisplayCurve curve = source_->Curve();
        if (curve.x1 != curve_.x1 || curve.y1 != curve_.y1 || curve.x2 != curve_.x2 ||
            curve.y2 != curve_.y2) {
            curve_ = curve;
            changed = true;
        }
        if (pitch_log_ != nullptr) {
            for (vortane::PitchPoint p; pitch_log_->Pop(p);) {
                history_.Add(p);
                changed = true;
            }
        }
        if (changed) {
            repaint();
        }
    }

    // ---- drawing
    void onNanoDisplay() override {
        ed::Painter paint(*this);
        paint.Background(static_cast<float>(getWidth()), static_cast<float>(getHeight()));
        save();
        const View view = CurrentView();
        translate(view.x, view.y);
        scale(view.zoom, view.zoom);
        model_.Draw(paint, curve_, history_, source_ != nullptr);
        restore();
    }

    // ---- input, in layout units
    bool onMouse(const MouseEvent& ev) override {
        if (ev.button != 1) {
            return false;
        }
        const auto [x, y] = ToLayout(ev.pos.getX(), ev.pos.getY());
        return Repaint(ev.press ? model_.Press(x, y) : model_.Release());
    }
    bool onMotion(const MotionEvent& ev) override {
        const auto [x, y] = ToLayout(ev.pos.getX(), ev.pos.getY());
        return Repaint(model_.Move(x, y));
    }
    bool onScroll(const ScrollEvent& ev) override {
        const auto [x, y] = ToLayout(ev.pos.getX(), ev.pos.getY());
        return Repaint(model_.Wheel(x, y, ev.delta.getY()));
    }
    bool onKeyboard(const KeyboardEvent& ev) override {
        if (!ev.press) {
            return false;
        }
        return Repaint(model_.Key(ev.key, (ev.mod & kModifierShift) != 0));
    }
    bool onCharacterInput(const CharacterInputEvent& ev) override {
        return Repaint(model_.Character(ev.character));
    }

private:
    struct View {
        float zoom, x, y;
    };
    // The editor's size at the host's scale is its smallest (and the host's DPF wrapper offers
    // at most four times it). The editor scales its drawing itself rather than through the
    // toolkit's automatic scaling, which would stretch text drawn at scale 1.
    void ApplyScale(double scale) {
        scale_ = static_cast<float>(scale);
        const auto w = static_cast<uint>(std::lround(ed::kBaseWidth * scale_));
        const auto h = static_cast<uint>(std::lround(ed::kBaseHeight * scale_));
        setGeometryConstraints(w, h, true, false);
        setSize(w, h);
    }
    // The layout's scale: the window's size over the base size, kept within four times the
    // host's scale factor; centred where the host gave a different shape.
    View CurrentView() const {
        const float w = static_cast<float>(getWidth()), h = static_cast<float>(getHeight());
        const float limit = 4.0f * scale_;
        const float zoom = std::max(0.1f, std::min({w / ed::kBaseWidth, h / ed::kBaseHeight, limit}));
        return {zoom, (w - ed::kBaseWidth * zoom) / 2, (h - ed::kBaseHeight * zoom) / 2};
    }
    std::pair<float, float> ToLayout(double x, double y) const {
        const View v = CurrentView();
        return {(static_cast<float>(x) - v.x) / v.zoom, (static_cast<float>(y) - v.y) / v.zoom};
    }
    bool Repaint(bool changed) {
        if (changed) {
            repaint();
        }
        return changed;
    }

    // ---- ed::UiModel::Host: what the model asks of the host
    void BeginGesture(uint32_t index) override { editParameter(index, true); }
    void SetParameter(uint32_t index, float value) override { setParameterValue(index, value); }
    void EndGesture(uint32_t index) override { editParameter(index, false); }
    void SetVoiceState(const char* text) override { setState("voice", text); }
    std::optional<uint64_t> InstanceSeed() override {
        return source_ != nullptr ? std::optional(source_->Seed()) : std::nullopt;
    }

    ed::UiModel model_;
    vortane::plugin::EditorSource* source_ = nullptr;
    vortane::PitchLog* pitch_log_ = nullptr; // null while another editor of the instance reads it
    vortane::DisplayCurve curve_{};
    float scale_ = 1.0f; // the host's scale factor
    ed::PitchHistory history_;

    DISTRHO_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(VortaneUI)
};

UI* createUI() {
    return new VortaneUI();
}

END_NAMESPACE_DISTRHO
