#include "tests/plugin/clap_host.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstring>

#include "base/realtime.h"

namespace vortane::test {
namespace {

// Under RealtimeSanitizer the plugin's whole process call, the framework's wrapper included, runs
// in a nonblocking context: one allocation, lock or blocking call below it aborts the test.
clap_process_status ProcessRealtime(const clap_plugin_t* plugin,
                                    const clap_process_t* process) noexcept VORTANE_NONBLOCKING {
    return plugin->process(plugin, process);
}

void Ignore(const clap_host_t*) {}

// The streams' context: where a save writes or a load reads, at most `chunk` bytes a call.
struct Stream {
    std::vector<uint8_t>* out;
    const std::vector<uint8_t>* in;
    size_t chunk, position = 0;
};

} // namespace

ClapLibrary::ClapLibrary(const std::string& path) {
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        error_ = dlerror();
        return;
    }
    entry_ = static_cast<const clap_plugin_entry_t*>(dlsym(handle_, "clap_entry"));
    Init(path);
}

ClapLibrary::ClapLibrary(const clap_plugin_entry_t* entry, const std::string& path) : entry_(entry) {
    Init(path);
}

void ClapLibrary::Init(const std::string& path) {
    if (entry_ == nullptr || !entry_->init(path.c_str())) {
        error_ = "no clap_entry, or its init failed";
        entry_ = nullptr;
        return;
    }
    factory_ = static_cast<const clap_plugin_factory_t*>(entry_->get_factory(CLAP_PLUGIN_FACTORY_ID));
    if (factory_ == nullptr || factory_->get_plugin_count(factory_) != 1) {
        error_ = "no plugin factory with exactly one plugin";
        factory_ = nullptr;
    }
}

ClapLibrary::~ClapLibrary() {
    if (entry_ != nullptr) {
        entry_->deinit();
    }
    if (handle_ != nullptr) {
        dlclose(handle_);
    }
}

ClapInstance::ClapInstance(const ClapLibrary& library, Host host) : kind_(host) {
    host_.clap_version = CLAP_VERSION;
    host_.name = "vortane-test-host";
    host_.vendor = host_.url = host_.version = "";
    host_.host_data = this;
    host_.request_restart = host_.request_process = host_.request_callback = Ignore;
    // Timers are the instance's: the host's data is the instance.
    host_.get_extension = [](const clap_host_t* h, const char* id) -> const void* {
        static const clap_host_latency_t latency{Ignore};
        const auto yes = [](const clap_host_t*) { return true; };
        static const clap_host_gui_t gui{Ignore, [](const clap_host_t*, uint32_t, uint32_t) { return true; },
                                         yes, yes, [](const clap_host_t*, bool) {}};
        static const clap_host_timer_support_t timers{
            [](const clap_host_t* host, uint32_t, clap_id* timer) {
                auto* self = static_cast<ClapInstance*>(host->host_data);
                self->timers_.push_back(*timer = self->next_timer_++);
                return true;
            },
            [](const clap_host_t* host, clap_id timer) {
                auto& list = static_cast<ClapInstance*>(host->host_data)->timers_;
                return std::erase(list, timer) == 1;
            }};
        const Host kind = static_cast<const ClapInstance*>(h->host_data)->kind_;
        if (kind == Host::kBare) {
            return nullptr;
        }
        if (std::strcmp(id, CLAP_EXT_LATENCY) == 0) {
            return &latency;
        }
        if (kind == Host::kWithGui && std::strcmp(id, CLAP_EXT_GUI) == 0) {
            return &gui;
        }
        return kind == Host::kWithGui && std::strcmp(id, CLAP_EXT_TIMER_SUPPORT) == 0 ? &timers : nullptr;
    };
    if (!library.ok()) {
        return;
    }
    const clap_plugin_descriptor_t* d = library.factory()->get_plugin_descriptor(library.factory(), 0);
    plugin_ = library.factory()->create_plugin(library.factory(), &host_, d->id);
    if (plugin_ == nullptr || !plugin_->init(plugin_)) {
        plugin_ = nullptr;
        return;
    }
    params_ = static_cast<const clap_plugin_params_t*>(plugin_->get_extension(plugin_, CLAP_EXT_PARAMS));
    state_ = static_cast<const clap_plugin_state_t*>(plugin_->get_extension(plugin_, CLAP_EXT_STATE));
    latency_ = static_cast<const clap_plugin_latency_t*>(plugin_->get_extension(plugin_, CLAP_EXT_LATENCY));
}

ClapInstance::~ClapInstance() {
    if (plugin_ != nullptr) {
        Deactivate();
        plugin_->destroy(plugin_);
    }
}

bool ClapInstance::Activate(double sample_rate, uint32_t max_frames) {
    Deactivate();
    active_ = plugin_->activate(plugin_, sample_rate, 1, max_frames) && plugin_->start_processing(plugin_);
    return active_;
}

void ClapInstance::Deactivate() {
    if (active_) {
        plugin_->stop_processing(plugin_);
        plugin_->deactivate(plugin_);
        active_ = false;
    }
}

std::vector<ParamInfo> ClapInstance::Params() const {
    std::vector<ParamInfo> list;
    for (uint32_t i = 0; params_ != nullptr && i < params_->count(plugin_); ++i) {
        clap_param_info_t info{};
        if (params_->get_info(plugin_, i, &info)) {
            list.push_back({info.id, info.name, info.min_value, info.max_value, info.default_value});
        }
    }
    return list;
}

double ClapInstance::GetParam(clap_id id) const {
    double value = 0.0;
    params_->get_value(plugin_, id, &value);
    return value;
}

std::string ClapInstance::ParamText(clap_id id, double value) const {
    char text[256] = {};
    params_->value_to_text(plugin_, id, value, text, sizeof(text));
    return text;
}

const clap_plugin_gui_t* ClapInstance::gui() const {
    return static_cast<const clap_plugin_gui_t*>(plugin_->get_extension(plugin_, CLAP_EXT_GUI));
}

void ClapInstance::FireTimers() const {
    const auto* support = static_cast<const clap_plugin_timer_support_t*>(
        plugin_->get_extension(plugin_, CLAP_EXT_TIMER_SUPPORT));
    for (const clap_id id : std::vector<clap_id>(timers_)) {
        support->on_timer(plugin_, id);
    }
}

void ClapInstance::QueueMidi(uint32_t frame, uint8_t status, uint8_t data1, uint8_t data2,
                             uint16_t space_id) {
    Event e{};
    e.midi = {{sizeof(clap_event_midi_t), frame, space_id, CLAP_EVENT_MIDI, 0}, 0, {status, data1, data2}};
    events_.push_back(e);
}

void ClapInstance::QueueParam(uint32_t frame, clap_id id, double value) {
    const clap_event_header_t header{sizeof(clap_event_param_value_t), frame, CLAP_CORE_EVENT_SPACE_ID,
                                     CLAP_EVENT_PARAM_VALUE, 0};
    Event e{};
    e.param = {header, id, nullptr, -1, -1, -1, -1, value};
    events_.push_back(e);
}

clap_process_status ClapInstance::Process(float* out, uint32_t frames) {
    float* channels[1] = {out};
    clap_audio_buffer_t output{channels, nullptr, 1, 0, 0}; // one channel of floats
    const clap_input_events_t in{
        &events_,
        [](const clap_input_events_t* list) {
            return static_cast<uint32_t>(static_cast<const std::vector<Event>*>(list->ctx)->size());
        },
        [](const clap_input_events_t* list, uint32_t index) {
            return &(*static_cast<const std::vector<Event>*>(list->ctx))[index].header;
        }};
    const clap_output_events_t out_events{
        nullptr, [](const clap_output_events_t*, const clap_event_header_t*) { return true; }};
    // No transport, no inputs, one output.
    const clap_process_t process{steady_time_, frames, nullptr, nullptr, &output, 0, 1, &in, &out_events};
    const clap_process_status status = ProcessRealtime(plugin_, &process);
    steady_time_ += frames;
    events_.clear();
    return status;
}

std::vector<float> ClapInstance::Render(size_t frames, uint32_t block_frames) {
    // Each queued event goes to the block that holds its frame.
    const std::vector<Event> pending = std::move(events_);
    std::vector<float> out(frames);
    for (size_t done = 0; done < frames;) {
        const auto n = static_cast<uint32_t>(std::min<size_t>(block_frames, frames - done));
        events_.clear();
        for (Event e : pending) {
            if (e.header.time >= done && e.header.time < done + n) {
                e.header.time -= static_cast<uint32_t>(done);
                events_.push_back(e);
            }
        }
        Process(out.data() + done, n);
        done += n;
    }
    return out;
}

std::optional<std::vector<uint8_t>> ClapInstance::SaveState(size_t chunk) const {
    std::vector<uint8_t> bytes;
    Stream s{&bytes, nullptr, chunk};
    const clap_ostream_t stream{&s, [](const clap_ostream_t* stream, const void* buffer, uint64_t size) {
                                    auto* s = static_cast<Stream*>(stream->ctx);
                                    const size_t n = std::min(static_cast<size_t>(size), s->chunk);
                                    const auto* p = static_cast<const uint8_t*>(buffer);
                                    s->out->insert(s->out->end(), p, p + n);
                                    return static_cast<int64_t>(n);
                                }};
    if (state_ == nullptr || !state_->save(plugin_, &stream)) {
        return std::nullopt;
    }
    return bytes;
}

bool ClapInstance::LoadState(const std::vector<uint8_t>& bytes, size_t chunk) const {
    Stream s{nullptr, &bytes, chunk};
    const clap_istream_t stream{
        &s, [](const clap_istream_t* stream, void* buffer, uint64_t size) {
            auto* s = static_cast<Stream*>(stream->ctx);
            const size_t n = std::min({static_cast<size_t>(size), s->chunk, s->in->size() - s->position});
            if (n > 0) { // an empty vector's data() may be null: never for memcpy
                std::memcpy(buffer, s->in->data() + s->position, n);
            }
            s->position += n;
            return static_cast<int64_t>(n);
        }};
    return state_ != nullptr && state_->load(plugin_, &stream);
}

} // namespace vortane::test
