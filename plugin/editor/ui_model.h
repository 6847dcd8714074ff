#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "control/curve_monitor.h"
#include "control/params.h"
#include "plugin/editor/layout.h"
#include "plugin/editor/painter.h"
#include "plugin/editor/pitch_history.h"
#include "plugin/editor/preset_browser.h"

namespace vortane::editor {

inline bool IsParamControl(const Control& c) {
    return c.param != ParamId::kCount;
}
// "C4" for key 60.
std::string NoteName(int key);

// The editor's controls and what they do, apart from the window that shows them: the parameter
// values as the host last reported them, hover, focus and drag, the preset browser. Every change
// goes to the host (Host), which passes it to the plugin and records it; the model keeps the value
// it sent, as a host does not echo an editor's own changes. Coordinates are layout units.
class UiModel {
public:
    class Host {
    public:
        virtual void BeginGesture(uint32_t index) = 0;
        virtual void SetParameter(uint32_t index, float value) = 0;
        virtual void EndGesture(uint32_t index) = 0;
        virtual void SetVoiceState(const char* text) = 0;
        // The instance's seed where the editor can read it from the plugin.
        virtual std::optional<uint64_t> InstanceSeed() = 0;

    protected:
        ~Host() = default;
    };

    UiModel(Host& host, std::filesystem::path user_folder);

    // From the host; each returns whether anything shown changed.
    bool HostChanged(uint32_t index, float value);
    void ProgramLoaded(uint32_t index);
    void StateChanged(const char* key, const char* value);

    // From the user.
    bool Press(float x, float y);
    bool Release();
    bool Move(float x, float y);
    bool Wheel(float x, float y, double steps);
    bool Key(unsigned key, bool shift);
    bool Character(uint32_t character);

    void Draw(Painter& paint, const DisplayCurve& curve, const PitchHistory& history, bool live) const;

    float value(ParamId id) const { return values_[Index(id)]; }

private:
    int ControlAt(float x, float y) const;
    int ListRowAt(float y) const;
    ControlLook Look(int index) const;
    std::string TipText(const Control& c) const;
    bool Set(ParamId id, float value);
    bool Step(ParamId id, float by);
    bool Activate(int index); // Space or Enter on a control, or a click on a button
    bool LoadPreset(size_t entry);
    bool SavePreset();
    void Status(std::string text, bool warning);

    Host& host_;
    const Layout& layout_;
    int list_index_ = -1, name_index_ = -1; // the preset list's and the name field's controls
    std::array<float, kParamCount> values_{};
    std::string voice_state_; // the instance's "voice" state text as the host last showed it

    int hover_ = -1, focus_ = -1, drag_ = -1;
    PresetBrowser browser_;
    int selected_ = -1;   // the preset last loaded, in the browser's entries
    int list_first_ = 0;  // the first row shown
    int list_cursor_ = 0; // the row the keyboard is on
    int list_hover_ = -1;
    std::string name_;
    std::string status_;
    bool status_warning_ = false;
};

} // namespace vortane::editor
