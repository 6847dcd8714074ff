// Vortane as an instrument plugin (LV2, CLAP and VST3 from this one source): the instrument, its
// parameters from the parameter table, MIDI as its keyboard, a seed kept with the host's project.
// Its editor (plugin/editor/) reads the curve and the pitch paths through EditorSource.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "DistrhoPlugin.hpp"
#include "control/params.h"
#include "plugin/editor_source.h"
#include "plugin/factory_programs.h"
#include "plugin/host_rate_voice.h"
#include "plugin/voice_state.h"

START_NAMESPACE_DISTRHO

namespace {

using vortane::ParamId;
using vortane::ParamKind;
using vortane::ParamSpec;

constexpr const char* kStateKey = "voice";
constexpr float kNewInstanceKeyboard = static_cast<float>(vortane::KeyboardMode::Pitch);

// Each new instance gets a seed of its own, so that a second instance (or a copied track, before
// the host restores the original's state into it) is a voice of its own.
uint64_t FreshSeed() {
    std::random_device device;
    const uint64_t high = device();
    const uint64_t ticks = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    return (high << 32 ^ device()) ^ ticks;
}

} // namespace

class VortanePlugin : public Plugin, public vortane::plugin::EditorSource {
public:
    VortanePlugin()
        : Plugin(static_cast<uint32_t>(vortane::kParamCount),
                 static_cast<uint32_t>(vortane::plugin::FactoryProgramCount()), 1),
          seed_(FreshSeed()) {
        // A new instance plays notes at their pitch; a project saved before there was a choice
        // plays as it always did (setState).
        voice_.synth().params.Set(ParamId::Keyboard, kNewInstanceKeyboard);
        voice_.Activate(getSampleRate(), seed_.load());
        setLatency(voice_.Latency());
        for (size_t i = 0; i < vortane::plugin::FactoryProgramCount(); ++i) {
            programs_.push_back(vortane::plugin::FactoryProgram(i));
            program_tunings_.push_back(programs_.back() ? vortane::PresetTuning(*programs_.back())
                                                        : std::nullopt);
        }
    }

    vortane::DisplayCurve Curve() const override {
        return voice_.synth().monitor.Curve(voice_.synth().params);
    }
    vortane::PitchLog* ClaimPitchLog() override {
        return pitch_log_claimed_.exchange(true) ? nullptr : &voice_.synth().pitch_log;
    }
    void ReleasePitchLog() override { pitch_log_claimed_.store(false); }
    uint64_t Seed() const override { return seed_.load(); }

protected:
    const char* getLabel() const override { return "Vortane"; }
    const char* getDescription() const override {
        return "Voices by dynamic stochastic synthesis: the pitch and the shape of each period drift by "
               "bounded random walks. Keyboard Pitch plays each note as a voice around its pitch; Gate "
               "opens and closes one endless voice with the notes of channel 1.";
    }
    const char* getMaker() const override { return "Vortane"; }
    const char* getLicense() const override { return "See the Vortane distribution"; }
    uint32_t getVersion() const override { return d_version(1, 0, 1); }
    int64_t getUniqueId() const override { return d_cconst('V', 'r', 't', 'n'); }

    void initAudioPort(bool input, uint32_t index, AudioPort& port) override {
        if (!input && index == 0) {
            port.name = "Output";
            port.symbol = "out";
            port.groupId = kPortGroupMono;
            return;
        }
        Plugin::initAudioPort(input, index, port);
    }

    // Each parameter as the table describes it, under the name a musician reads. LV2 hosts show a
    // value as it is, so a unit goes only where the value is already in it (Hz, %), and a scaled
    // parameter lists its readable values as scale points; CLAP and VST3 hosts ask for the text.
    void initParameter(uint32_t index, Parameter& parameter) override {
        const ParamSpec& spec = vortane::Params()[index];
        parameter.hints = kParameterIsAutomatable | kParameterIsInteger;
        parameter.name = String(std::string(spec.display_name).c_str());
        if (spec.display_name != spec.name) {
            parameter.shortName = String(std::string(spec.name).c_str()); // the window's caption
        }
        parameter.symbol = String(std::string(spec.symbol).c_str());
        parameter.ranges =
            ParameterRanges(spec.id == ParamId::Keyboard ? kNewInstanceKeyboard : spec.default_value,
                            spec.minimum, spec.maximum);
        if (spec.kind == ParamKind::Toggle) {
            parameter.hints |= kParameterIsBoolean;
        } else if (spec.kind == ParamKind::Choice) {
            SetScalePoints(parameter, spec, true);
        }
#if defined(DISTRHO_PLUGIN_TARGET_LV2)
        if (spec.kind == ParamKind::Slider && spec.scale == 1.0 && spec.text == vortane::ParamText::Scaled) {
            parameter.unit = String(std::string(spec.unit).c_str());
        } else if (spec.kind == ParamKind::Slider) {
            SetScalePoints(parameter, spec, false);
        }
#endif
    }
    void initState(uint32_t, State& state) override {
        state.key = kStateKey;
        state.label = "Voice seed";
        state.hints = kStateIsOnlyForDSP;
    }

    float getParameterValue(uint32_t index) const override {
        return index < vortane::kParamCount ? voice_.synth().params.Get(static_cast<ParamId>(index)) : 0.0f;
    }

    void setParameterValue(uint32_t index, float value) override {
        if (index >= vortane::kParamCount) {
            return;
        }
        const ParamSpec& spec = vortane::Params()[index];
        voice_.synth().params.Set(spec.id, vortane::WholeValue(spec, value));
    }

    void initProgramName(uint32_t index, String& name) override {
        name = vortane::plugin::FactoryProgramName(index).c_str();
    }

    // A factory sound sets every parameter, those its file leaves out to their defaults, and the
    // voice starts afresh from them, so what is auditioned is what a bounce plays. The seed, the
    // voice's own, stays unless the file names one, and so does the tuning. Hosts may call this
    // from their audio thread, so the presets and their tunings were read when the instance was
    // made and this only stores values.
    void loadProgram(uint32_t index) override {
        if (index >= programs_.size() || !programs_[index]) {
            return;
        }
        const vortane::Preset& preset = *programs_[index];
        vortane::ApplyPresetParams(preset, voice_.synth().params);
        if (const std::optional<vortane::Tuning>& tuning = program_tunings_[index]) {
            voice_.synth().keys.Tune(*tuning);
            tuning_from_.store(static_cast<int>(index));
        }
        if (preset.seed) {
            seed_.store(*preset.seed);
        }
        restart_pending_.store(true);
    }

    String getState(const char* key) const override {
        if (std::strcmp(key, kStateKey) != 0) {
            return String();
        }
        const int from = tuning_from_.load();
        const vortane::Tuning& tuning =
            from == kOwnTuning ? own_tuning_ : *program_tunings_[static_cast<size_t>(from)];
        return String(
            vortane::plugin::FormatVoiceState(seed_.load(), tuning.scale_text(), tuning.keymap_text())
                .c_str());
    }

    void setState(const char* key, const char* value) override {
        if (key == nullptr || value == nullptr || std::strcmp(key, kStateKey) != 0) {
            return;
        }
        const vortane::plugin::VoiceState state = vortane::plugin::ParseVoiceState(value);
        if (state.format < 2) {
            // Saved before notes played pitch: the project keeps the gate it was made with.
            voice_.synth().params.Set(ParamId::Keyboard, static_cast<float>(vortane::KeyboardMode::Gate));
        }
        // A state without a tuning plays twelve equal steps; a damaged one leaves the tuning as it
        // is, as a damaged seed leaves the seed.
        vortane::TuningParse tuning = vortane::ParseTuning(state.scale, state.keymap);
        if (!state.tuning_damaged && tuning.tuning) {
            own_tuning_ = std::move(*tuning.tuning);
            voice_.synth().keys.Tune(own_tuning_);
            tuning_from_.store(kOwnTuning);
        }
        if (state.seed && *state.seed != seed_.load()) {
            seed_.store(*state.seed);
            restart_pending_.store(true); // the audio thread restarts the voice at its next block
        }
    }

    void activate() override {
        restart_pending_.store(false);
        voice_.Activate(getSampleRate(), seed_.load());
        setLatency(voice_.Latency());
    }

    void sampleRateChanged(double) override {
        activate();
    }

    void run(const float**, float** outputs, uint32_t frames, const MidiEvent* events,
             uint32_t count) override {
        if (restart_pending_.exchange(false)) {
            voice_.RestartVoice(seed_.load());
        }
        for (uint32_t i = 0; i < count; ++i) {
            // A message in a block of no frames sounds at the next block's first.
            const MidiEvent& e = events[i];
            const uint8_t* data = e.size > MidiEvent::kDataSize ? e.dataExt : e.data;
            voice_.ScheduleMidi(frames > 0 ? std::min(e.frame, frames - 1) : 0, data, e.size);
        }
        voice_.Process(outputs[0], frames);
    }

private:
    // Labelled values: a choice's options, or (restricted false) the readable values of a scaled
    // slider at its ends and a few steps between, as LV2 scale points.
    static void SetScalePoints(Parameter& parameter, const ParamSpec& spec, bool options) {
        std::vector<int> values;
        if (options) {
            for (int i = 0; i < static_cast<int>(spec.options.size()); ++i) {
                values.push_back(i);
            }
        } else {
            constexpr int kSteps = 4;
            for (int i = 0; i <= kSteps; ++i) {
                values.push_back(spec.minimum + (spec.maximum - spec.minimum) * i / kSteps);
            }
            if (std::find(values.begin(), values.end(), spec.default_value) == values.end()) {
                values.insert(std::upper_bound(values.begin(), values.end(), spec.default_value),
                              spec.default_value);
            }
        }
        auto* points = new ParameterEnumerationValue[values.size()];
        for (size_t i = 0; i < values.size(); ++i) {
            points[i].value = static_cast<float>(values[i]);
            points[i].label = String(vortane::FormatParamValue(spec, values[i]).c_str());
        }
        parameter.enumValues.count = static_cast<uint8_t>(values.size());
        parameter.enumValues.restrictedMode = options;
        parameter.enumValues.values = points;
    }

    vortane::plugin::HostRateVoice voice_;
    std::vector<std::optional<vortane::Preset>> programs_;        // the factory sounds, by program index
    std::vector<std::optional<vortane::Tuning>> program_tunings_; // their tunings, read beforehand
    // The tuning the keys play: a state's (the main thread's own copy), or a program's, which the
    // audio thread may set. Both tables stay as they are while the index names them.
    static constexpr int kOwnTuning = -1;
    vortane::Tuning own_tuning_ = vortane::Tuning::EqualTemperament();
    std::atomic<int> tuning_from_{kOwnTuning};
    std::atomic<uint64_t> seed_;
    std::atomic<bool> restart_pending_{false};
    std::atomic<bool> pitch_log_claimed_{false}; // by an open editor, the log's one reader

    DISTRHO_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(VortanePlugin)
};

Plugin* createPlugin() {
    return new VortanePlugin();
}

END_NAMESPACE_DISTRHO
