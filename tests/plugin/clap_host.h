#pragma once

#include <clap/entry.h>
#include <clap/ext/gui.h>
#include <clap/ext/latency.h>
#include <clap/ext/params.h>
#include <clap/ext/state.h>
#include <clap/ext/timer-support.h>
#include <clap/host.h>
#include <clap/plugin-factory.h>
#include <clap/process.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vortane::test {

// A small CLAP host for tests, with no threads of its own: it offers clap.latency, or also clap.gui
// and clap.timer-support for an editor, or, as CLAP allows, no extension at all.
class ClapLibrary {
public:
    explicit ClapLibrary(const std::string& path);
    // A plugin linked into this program (the fuzzer's).
    ClapLibrary(const clap_plugin_entry_t* entry, const std::string& path);
    ~ClapLibrary();
    ClapLibrary(const ClapLibrary&) = delete;
    ClapLibrary& operator=(const ClapLibrary&) = delete;

    bool ok() const { return factory_ != nullptr; }
    const std::string& error() const { return error_; }
    const clap_plugin_factory_t* factory() const { return factory_; }

private:
    void Init(const std::string& path);

    void* handle_ = nullptr;
    const clap_plugin_entry_t* entry_ = nullptr;
    const clap_plugin_factory_t* factory_ = nullptr;
    std::string error_;
};

struct ParamInfo {
    clap_id id;
    std::string name;
    double min, max, def;
};

class ClapInstance {
public:
    enum class Host { kWithLatency, kWithGui, kBare }; // kBare: get_extension answers NULL for every id
    explicit ClapInstance(const ClapLibrary& library, Host host = Host::kWithLatency);
    ~ClapInstance();
    ClapInstance(const ClapInstance&) = delete;
    ClapInstance& operator=(const ClapInstance&) = delete;

    bool ok() const { return plugin_ != nullptr; }
    bool Activate(double sample_rate, uint32_t max_frames);
    void Deactivate();

    std::vector<ParamInfo> Params() const;
    double GetParam(clap_id id) const;
    std::string ParamText(clap_id id, double value) const;
    uint32_t Latency() const { return latency_ != nullptr ? latency_->get(plugin_) : 0; }

    // Events for the next Process call, at a frame of its block, queued in time order as hosts send them.
    void QueueMidi(uint32_t frame, uint8_t status, uint8_t data1, uint8_t data2,
                   uint16_t space_id = CLAP_CORE_EVENT_SPACE_ID);
    void QueueParam(uint32_t frame, clap_id id, double value);
    // Renders frames (at most the activation's max_frames) into out; returns process()'s status.
    clap_process_status Process(float* out, uint32_t frames);
    // Renders a whole signal in blocks of block_frames; queued events count frames from its start.
    std::vector<float> Render(size_t frames, uint32_t block_frames);

    // The state through streams that take or give at most `chunk` bytes per call, as CLAP allows.
    std::optional<std::vector<uint8_t>> SaveState(size_t chunk = SIZE_MAX) const;
    bool LoadState(const std::vector<uint8_t>& bytes, size_t chunk = SIZE_MAX) const;

    const clap_plugin_t* plugin() const { return plugin_; }
    // The plugin's editor (kWithGui), and the timers it asked for, fired as a host's loop would.
    const clap_plugin_gui_t* gui() const;
    int timers() const { return static_cast<int>(timers_.size()); }
    void FireTimers() const;

private:
    union Event {
        clap_event_header_t header;
        clap_event_midi_t midi;
        clap_event_param_value_t param;
    };

    clap_host_t host_{};
    Host kind_;
    const clap_plugin_t* plugin_ = nullptr;
    const clap_plugin_params_t* params_ = nullptr;
    const clap_plugin_state_t* state_ = nullptr;
    const clap_plugin_latency_t* latency_ = nullptr;
    bool active_ = false;
    int64_t steady_time_ = 0;
    std::vector<Event> events_;
    std::vector<clap_id> timers_;
    clap_id next_timer_ = 1;
};

} // namespace vortane::test
