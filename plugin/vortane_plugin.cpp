// Vortane as an instrument plugin (LV2, CLAP and VST3 from this one source): the voice, its
// parameters from the control table, notes on channel 1 as its gate, a seed kept with the host's
// project. No editor and no toolkit: hosts show their generic controls.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <random>
#include <string>

#include "DistrhoPlugin.hpp"
#include "plugin/host_rate_voice.h"
#include "plugin/note_gate.h"
#include "plugin/parameter_table.h"
#include "plugin/voice_state.h"

START_NAMESPACE_DISTRHO

namespace {

using vortane::plugin::ParameterKind;
using vortane::plugin::PluginParameter;
using vortane::plugin::PluginParameters;

constexpr const char* kStateKey = "voice";

// Each new instance gets a seed of its own, so that a second instance (or a copied track, before
// the host restores the original's state into it) is a voice of its own.
uint64_t FreshSeed() {
    std::random_device device;
    const uint64_t high = device();
    const uint64_t ticks = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    return (high << 32 ^ device()) ^ ticks;
}

} // namespace

class VortanePlugin : public Plugin {
public:
    VortanePlugin() : Plugin(static_cast<uint32_t>(PluginParameters().size()), 0, 1), seed_(FreshSeed()) {
        voice_.Activate(getSampleRate(), seed_.load());
        setLatency(voice_.Latency());
    }

protected:
    const char* getLabel() const override { return "Vortane"; }
    const char* getDescription() const override {
        return "One continuous mono voice by dynamic stochastic synthesis: the pitch and the shape of "
               "each period drift by bounded random walks. Notes on channel 1 open and close it.";
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

    void initParameter(uint32_t index, Parameter& parameter) override {
        const PluginParameter& p = PluginParameters()[index];
        parameter.hints = kParameterIsAutomatable | kParameterIsInteger;
        parameter.name = p.name.c_str();
        parameter.symbol = p.symbol.c_str();
        parameter.ranges = ParameterRanges(p.initial, p.minimum, p.maximum);
        if (p.kind == ParameterKind::Check) {
            parameter.hints |= kParameterIsBoolean;
        } else if (p.kind == ParameterKind::Choice) {
            const auto options = vortane::plugin::ChoiceOptions(p);
            auto* values = new ParameterEnumerationValue[options.size()];
            for (size_t i = 0; i < options.size(); ++i) {
                values[i].value = static_cast<float>(i);
                values[i].label = String(std::string(vortane::plugin::ChoiceLabel(options[i])).c_str());
            }
            parameter.enumValues.count = static_cast<uint8_t>(options.size());
            parameter.enumValues.restrictedMode = true;
            parameter.enumValues.values = values;
        }
    }

    void initState(uint32_t, State& state) override {
        state.key = kStateKey;
        state.label = "Voice seed";
        state.hints = kStateIsOnlyForDSP;
    }

    float getParameterValue(uint32_t index) const override {
        const PluginParameter& p = PluginParameters()[index];
        if (p.kind != ParameterKind::Choice) {
            return static_cast<float>(Voice().GetControl(p.control_id));
        }
        const auto options = vortane::plugin::ChoiceOptions(p);
        for (size_t i = 0; i < options.size(); ++i) {
            if (Voice().GetControl(options[i]) == 1) {
                return static_cast<float>(i);
            }
        }
        return static_cast<float>(p.initial);
    }

    void setParameterValue(uint32_t index, float value) override {
        if (index >= PluginParameters().size()) {
            return;
        }
        const PluginParameter& p = PluginParameters()[index];
        const int state = vortane::plugin::ParameterState(p, value);
        if (p.kind == ParameterKind::Choice) {
            voice_.Voice().SetControl(vortane::plugin::ChoiceOptions(p)[static_cast<size_t>(state)], 1);
        } else {
            voice_.Voice().SetControl(p.control_id, state);
        }
    }

    String getState(const char* key) const override {
        if (std::strcmp(key, kStateKey) != 0) {
            return String();
        }
        return String(vortane::plugin::FormatVoiceState(seed_.load()).c_str());
    }

    void setState(const char* key, const char* value) override {
        if (key == nullptr || value == nullptr || std::strcmp(key, kStateKey) != 0) {
            return;
        }
        const vortane::plugin::VoiceState state = vortane::plugin::ParseVoiceState(value);
        if (state.seed && *state.seed != seed_.load()) {
            seed_.store(*state.seed);
            restart_pending_.store(true); // the audio thread restarts the voice at its next block
        }
    }

    void activate() override {
        restart_pending_.store(false);
        gate_.Reset();
        voice_.Activate(getSampleRate(), seed_.load());
        setLatency(voice_.Latency());
    }

    void sampleRateChanged(double) override { activate(); }

    void run(const float**, float** outputs, uint32_t frames, const MidiEvent* events,
             uint32_t count) override {
        if (restart_pending_.exchange(false)) {
            gate_.Reset();
            voice_.RestartVoice(seed_.load());
        }
        for (uint32_t i = 0; i < count; ++i) {
            const MidiEvent& e = events[i];
            const uint8_t* data = e.size > MidiEvent::kDataSize ? e.dataExt : e.data;
            const auto change = gate_.Message(data, e.size);
            if (change != vortane::plugin::NoteGate::Change::None && frames > 0) {
                voice_.ScheduleGate(std::min(e.frame, frames - 1),
                                    change == vortane::plugin::NoteGate::Change::Open);
            }
        }
        voice_.Process(outputs[0], frames);
    }

private:
    const vortane::plugin::VoiceAdapter& Voice() const {
        return const_cast<vortane::plugin::HostRateVoice&>(voice_).Voice();
    }

    vortane::plugin::HostRateVoice voice_;
    vortane::plugin::NoteGate gate_;
    std::atomic<uint64_t> seed_;
    std::atomic<bool> restart_pending_{false};

    DISTRHO_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(VortanePlugin)
};

Plugin* createPlugin() {
    return new VortanePlugin();
}

END_NAMESPACE_DISTRHO
